#pragma once

#include "document/modulemodel.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtWidgets/QMainWindow>

#include <memory>
#include <optional>

struct Configuration;
class QCheckBox;
class QProgressDialog;
class QLabel;
class QLineEdit;

namespace Ui {
class MainWindow;
}

// The configuration tool's only window. Every user command is a slot; the
// slots share the form and the state members below. What needs no window
// (the configuration and its file, the field rules, the record image, the
// module session) is the core library under document/, serial/ and
// transfer/; these members are the glue between it and the form. The class
// is defined in several files, one per subsystem:
//   app/mainwindow.cpp               construction, mode display, end of editing
//   app/mainwindow_help.cpp          nevjegy(), contents()
//   forms/mainwindow_form.cpp        the form (Ui::MainWindow)
//   document/mainwindow_document.cpp newfile(), openfile(), save(), the field checks, smskpSelect()
//   document/mainwindow_memorymode.cpp setMode()
//   serial/mainwindow_serial.cpp     show_port(), status(), rele_test()
//   transfer/mainwindow_transfer.cpp download(), readup(), verify(), the record image
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void updateModeDisplay();

    // Builds the module's record image from the form into configImage; on an
    // empty general field it brings the general tab to the front and fails.
    bool buildConfigImage();
    // Writes a normalised "~{" reply into the form; fails, leaving the form
    // untouched, when the reply holds too few records.
    bool applyConfigImage(const QString &image);

public slots:
    void newfile();
    void openfile();
    void save();
    void show_port();
    void status();
    void smskpSelect();
    void setMode(int n);
    void download();
    void readup();
    void verify();
    void rele_test();
    void nevjegy();
    void contents();
    void input_g1();
    void input_g2();
    void input_g3();
    void input_g4();
    void input_g5();
    void input_g6();
    void input_tel_edit();

protected:
    // Ends the editing of a checked field on every focus move within the
    // window, and steps between telephone numbers on Return and the arrows.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    friend struct TestAccess;

    void showPortLabel();

    // --- end of editing (app/) ---
    // The group check of a checked line edit, and the number n of a t_<n>
    // field (0 for the general fields).
    struct CheckedField
    {
        void (MainWindow::*check)();
        int number;
    };
    QHash<const QObject *, CheckedField> checkedFields;
    // Set while the window closes or is destroyed: the focus moves of its
    // going are not the user leaving a field.
    bool windowClosing = false;
    // Runs the check of the focused field, as leaving it would.
    void endEditing();
    // Focuses the number `step` away from t_<number> on the same page; false
    // past the page's first or last number.
    bool stepToNumber(int number, int step);

    // --- configuration document (document/mainwindow_document.cpp) ---
    void loadConfiguration(bool isDefault);
    // What the form holds: every general field, all 128 numbers, and the
    // digits of the ticked boxes on every page, enabled or not.
    Configuration formConfiguration() const;
    // Fills the general fields, the numbers 1 … entries and every box;
    // entries past `entries` count as unticked.
    void showConfiguration(const Configuration &configuration, int entries);
    void selectSmsPresetFor(const QString &number);
    // Checks the fields of g1 or of a telephone page in their child order and
    // rejects the first that breaks its rule.
    void checkFieldGroup(const QList<QWidget *> &containers);
    // Rejects `field`: clears it, focuses it and shows the rule's warning.
    void rejectField(QLineEdit *field, const QString &title, const QString &message);
    // Takes the user to a field whose content stops a command (its tab to
    // the front, the focus on it) and says why in a critical box. The field
    // keeps its text.
    void showFieldProblem(QLineEdit *field, const QString &title, const QString &message);
    // A field that a file or a module filled with what cannot be saved (a
    // whole "---", a line break): reported, and true, before anything is written.
    bool refuseUnsavableField();
    // True while a rejection is being reported: the focus moves it causes end
    // the editing of other fields, which must not start a second report.
    bool reportingRejection = false;

    // --- device commands (serial/) ---
    // Sends "~X" and shows normal mode; silent when the port does not open.
    void leaveProgramMode();
    // Shows pictureFile from the working directory in the picture label.
    void showModulePicture();

    // --- configuration transfer (transfer/) ---
    // A read-out's configuration into the form: the numbers of the module's
    // memory and every box.
    void showReadOut(const Configuration &configuration);
    // A field holding "|" (from a file or a module) would split its record:
    // reported under `title`, and true, before the port is opened.
    bool refuseFieldWithSeparator(const QString &title);

    // The sixteen general line edits in their creation (and record) order.
    QList<QLineEdit *> generalLineEdits() const;
    // Line edit "t_<n>", or nullptr when there is none.
    QLineEdit *telephoneEdit(int n) const;
    QList<QCheckBox *> telephoneCheckBoxes() const;
    // Alarm and output digits of every telephone key, from the ticked boxes
    // of all pages, enabled or not.
    QHash<int, int> telephoneKeyValues() const;

    std::unique_ptr<Ui::MainWindow> ui;
    QString portName;
    qint32 baudRate = 1200;
    bool programMode = false;
    qint32 memorySize = 32;
    // What setMode() last made of a memory size: what a download fits the form to.
    modulemodel::Model moduleModel;
    char downloadSeparator = '|';
    char ackChar = 'O';
    QString configImage;
    QString fileName;
    QString filePath;
    QString infoLine1;
    QString infoLine2;
    QString pictureFile;
    QLabel *portLabel = nullptr;
    QLabel *fileLabel = nullptr;
    QLabel *linkLabel = nullptr;
};
