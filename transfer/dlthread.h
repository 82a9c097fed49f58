#pragma once

#include "serial/modulecommands.h"

#include <QtCore/QString>
#include <QtCore/QThread>

#include <atomic>

// The download's serial exchange, run off the GUI thread so the window keeps
// painting while up to 2653 bytes and two silent waits of 5 s go by. The
// worker has its own copies of everything it needs and reads nothing from the
// form; it reports only through valueChanged() and, once it has ended,
// success.
// What a download takes from the window when it starts: its own copies.
struct DownloadSettings
{
    QString portName;
    int baudRate = 0;
    char ackChar = modulecommands::kStored;
    QString configImage;
};

class dlThread : public QThread
{
    Q_OBJECT

public:
    explicit dlThread(const DownloadSettings &settings, QObject *parent = nullptr);
    ~dlThread() override;

    // Written before the thread's finished signal; read it only after that.
    std::atomic<bool> success{false};

    // The progress bar's maximum: image length plus 15.
    int progressMaximum() const;

signals:
    void valueChanged(int value);

protected:
    void run() override;

private:
    const DownloadSettings settings;
};
