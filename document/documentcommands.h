#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>

struct Configuration;
class FieldChecks;
class QLabel;
class QWidget;
class WindowState;

namespace Ui {
class MainWindow;
}

// The file commands and what they need of the form: the default
// configuration at start-up, opening and saving ".krv" files, the SMS centre
// presets, and the form as a configuration and back.
class DocumentCommands
{
public:
    DocumentCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state, FieldChecks &checks,
                     QLabel *fileLabel);

    void newFile();
    void openFile();
    void save();
    // Fills the form from the state's file, as the user or the start-up chose it.
    void loadConfiguration(bool isDefault);
    // Fills the form from a file's bytes kept elsewhere (a version in the
    // site register) as opening a file does, with the same message; `name`
    // stands where a file's name would.
    void openVersion(const QByteArray &krv, const QString &name);
    // The preset chosen in the combo box: its number into the field, or the
    // field opened for a number of the user's own.
    void presetSelected();
    void selectSmsPresetFor(const QString &number);

    // What the form holds: every general field, all 128 numbers, and the
    // digits of the ticked boxes on every page, enabled or not.
    Configuration formConfiguration() const;
    // Fills the general fields, the numbers 1 … entries and every box;
    // entries past `entries` count as unticked.
    void showConfiguration(const Configuration &configuration, int entries);

private:
    // A file's lines into the form, and the message that says so.
    void showLines(const QStringList &lines, bool isDefault, const QString &name);
    // Alarm and output digits of every telephone key, from the ticked boxes
    // of all pages, enabled or not.
    QHash<int, int> telephoneKeyValues() const;
    // A field that a file or a module filled with what cannot be saved (a
    // whole "---", a line break): reported, and true, before anything is written.
    bool refuseUnsavableField();

    Ui::MainWindow &ui;
    QWidget *window;
    WindowState &state;
    FieldChecks &checks;
    QLabel *fileLabel;
    QLabel *linkLabel = nullptr;
};
