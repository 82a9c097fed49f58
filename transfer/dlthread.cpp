#include "transfer/dlthread.h"

#include "serial/moduleprotocol.h"
#include "transfer/moduleoperations.h"

dlThread::dlThread(const DownloadSettings &settings, QObject *parent) : QThread(parent), settings(settings) {}

int dlThread::progressMaximum() const
{
    return moduleoperations::downloadProgressMaximum(settings.configImage);
}

dlThread::~dlThread()
{
    // The owner normally waits already; this keeps a stray delete from
    // destroying a running thread.
    requestInterruption();
    wait();
}

void dlThread::run()
{
    success = false;
    emit valueChanged(10);

    // Made here, so the port belongs to this thread for its whole life.
    moduleprotocol::ModuleSession session(settings.portName, settings.baudRate);
    int lastValue = 10;
    moduleoperations::Control control;
    control.sendProgress = [&](int value) {
        lastValue = value;
        emit valueChanged(value);
        // A dialog being destroyed (program exit) asks us to stop: the
        // module then gets an incomplete transfer, which it rejects.
        return !isInterruptionRequested();
    };
    const auto failure =
        moduleoperations::download(session, settings.configImage, settings.ackChar, control).failure;
    success = failure == moduleprotocol::Failure::None;
    // The bar fills once the records went out and the module answered.
    const bool recordsSent = lastValue > 15 && failure != moduleprotocol::Failure::Cancelled;
    if (recordsSent)
        emit valueChanged(progressMaximum());
}
