#include "transfer/dlthread.h"

#include "serial/comport.h"
#include "serial/modulecommands.h"
#include "transfer/configimage.h"

#include <QtCore/QStringList>

dlThread::dlThread(const QString &portName, int baudRate, char ackChar, char downloadSeparator,
                   const QString &configImage, QObject *parent)
    : QThread(parent)
    , portName(portName)
    , baudRate(baudRate)
    , ackChar(ackChar)
    , downloadSeparator(downloadSeparator)
    , configImage(configImage)
{
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

    // Created here so the port belongs to this thread for its whole life.
    ComPort port(portName, baudRate);
    // One read waits at most 5 s: the module needs time to prepare and to
    // store the records.
    if (!port.openPort(1000, 4000, 0, 0))
        return;

    port.sendText(modulecommands::kWriteRecords);
    const QString ready = port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    if (!ready.startsWith(QLatin1Char('R'))) {
        port.closePort();
        return;
    }
    emit valueChanged(15);

    int progress = 15;
    const QStringList parts = configImage.split(QLatin1Char(downloadSeparator));
    for (const QString &part : parts) {
        for (QChar c : part) {
            // A dialog being destroyed (program exit) asks us to stop: the
            // module then gets an incomplete transfer, which it rejects.
            if (isInterruptionRequested()) {
                port.closePort();
                return;
            }
            port.sendByte(ComPort::lineByte(c));
            emit valueChanged(++progress);
        }
        port.sendCR();
        emit valueChanged(++progress);
    }

    const QString answer = port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    success = answer.startsWith(QLatin1Char(ackChar));
    emit valueChanged(progressMaximum());
    port.closePort();
}
