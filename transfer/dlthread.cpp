#include "transfer/dlthread.h"

#include "serial/moduleprotocol.h"
#include "transfer/moduleoperations.h"

dlThread::dlThread(const DownloadSettings &settings, QObject *parent)
    : ModuleWorker(settings.portName, settings.baudRate, parent)
    , settings(settings)
{
    post([this](moduleprotocol::ModuleSession &session, const moduleoperations::Control &control) {
        download(session, control);
    });
    finish();
}

int dlThread::progressMaximum() const
{
    return moduleoperations::downloadProgressMaximum(settings.configImage);
}

dlThread::~dlThread()
{
    // The job reads this object's copies: it stops before they go.
    cancel();
    wait();
}

void dlThread::download(moduleprotocol::ModuleSession &session, const moduleoperations::Control &control)
{
    success = false;
    emit valueChanged(10);

    int lastValue = 10;
    moduleoperations::Control sending = control;
    // A dialog being destroyed (program exit) cancels: the module then gets
    // an incomplete transfer, which it rejects.
    sending.sendProgress = [&](int value) {
        lastValue = value;
        emit valueChanged(value);
        return true;
    };
    downloaded = moduleoperations::download(session, settings.configImage, settings.ackChar, sending);
    const moduleprotocol::Failure failure = downloaded.failure;
    success = failure == moduleprotocol::Failure::None;
    // The bar fills once the records went out and the module answered.
    const bool recordsSent = lastValue > 15 && failure != moduleprotocol::Failure::Cancelled;
    if (recordsSent)
        emit valueChanged(progressMaximum());
}
