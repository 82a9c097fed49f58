#pragma once

#include "register/transferrecord.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QString>

#include <functional>

class DocumentCommands;
class FieldChecks;
class QWidget;
class WindowState;

namespace Ui {
class MainWindow;
}

// The configuration transfers: the form turned into the module's record
// image and back, download, read-out and verify.
class TransferCommands
{
public:
    TransferCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state,
                     DocumentCommands &document, FieldChecks &checks);

    void download();
    void readOut();
    void verify();

    // Builds the module's record image from the form into the state; on an
    // empty general field it brings the general tab to the front and fails.
    bool buildConfigImage();
    // Writes a normalised "~{" reply into the form; fails, leaving the form
    // untouched, when the reply holds too few records.
    bool applyConfigImage(const QString &image);

    // Called at the end of every transfer that reached the port (the site register's record).
    using Recorder = std::function<void(const siteregister::TransferRecord &)>;
    void setRecorder(Recorder recorder) { recordTransfer = std::move(recorder); }

private:
    // A read-out's configuration into the form: the numbers of the module's
    // memory and every box.
    void showReadOut(const Configuration &configuration);
    // The form read once into a configuration and prepared for the module;
    // its image is what the command sends or compares, and the state's
    // record of the last image built.
    moduleoperations::Prepared prepareForm();
    // An empty general field: the general tab comes to the front, and true.
    bool showEmptyField(const moduleoperations::Prepared &prepared);
    // A field holding "|" (from a file or a module) would split its record:
    // reported under `title`, and true, before the port is opened.
    bool refuseFieldWithSeparator(const moduleoperations::Prepared &prepared, const QString &title);
    // What the transfer did, to the recorder: `image` the module's records
    // as sent or as read, `krv` the file of the form or of the read-out.
    void keep(siteregister::TransferRecord::Command command, siteregister::TransferRecord::Result result,
              const QString &message, const QString &image, const QByteArray &krv);
    QByteArray formFile() const;

    Ui::MainWindow &ui;
    QWidget *window;
    WindowState &state;
    DocumentCommands &document;
    FieldChecks &checks;
    Recorder recordTransfer;
};
