#pragma once

#include "serial/modulecommands.h"
#include "serial/moduleworker.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QString>

#include <atomic>

// What a download takes from the window when it starts: its own copies.
struct DownloadSettings
{
    QString portName;
    int baudRate = 0;
    char ackChar = modulecommands::kStored;
    QString configImage;
};

// The download's worker: the module worker with a single job, the download,
// after which its thread ends. The window keeps painting while up to 2653
// bytes and two silent waits of 5 s go by. It has its own copies of
// everything it needs and reads nothing from the form; it reports only
// through valueChanged() and, once it has ended, success.
class dlThread : public ModuleWorker
{
    Q_OBJECT

public:
    explicit dlThread(const DownloadSettings &settings, QObject *parent = nullptr);
    ~dlThread() override;

    // Written before the thread's finished signal; read it only after that.
    std::atomic<bool> success{false};

    // The progress bar's maximum: image length plus 15.
    int progressMaximum() const;
    // What the download got to; like success, read it only after finished.
    const moduleoperations::Downloaded &outcome() const { return downloaded; }

signals:
    void valueChanged(int value);

private:
    // The job, on the worker thread.
    void download(moduleprotocol::ModuleSession &session, const moduleoperations::Control &control);

    const DownloadSettings settings;
    moduleoperations::Downloaded downloaded;
};
