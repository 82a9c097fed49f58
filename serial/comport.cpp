#include "serial/comport.h"

#include <QtCore/QDebug>
#include <QtSerialPort/QSerialPort>

#include <limits>

#if defined(Q_OS_UNIX)
#include "serial/portlock.h"
#endif

namespace {

int clampedSum(quint32 a, quint32 b)
{
    const quint64 sum = quint64(a) + quint64(b);
    return sum > quint64(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(sum);
}

void driveControlLines(QSerialPort &port, bool dataTerminalReady, bool requestToSend)
{
    port.setDataTerminalReady(dataTerminalReady);
    port.setRequestToSend(requestToSend);
}

ComPort::ControlLineDriver controlLineDriver = driveControlLines;

} // namespace

void ComPort::holdControlLinesOff(QSerialPort &port)
{
    controlLineDriver(port, false, false);
    // A line without modem signals (a pseudo-terminal, some adapters) refuses;
    // that is no fault of the port, and must not look like one to later reads.
    port.clearError();
}

bool ComPort::canOpen(const QString &name)
{
#if defined(Q_OS_UNIX)
    PortLock::Outcome outcome;
    const std::unique_ptr<PortLock> lock = PortLock::acquire(name, &outcome);
    if (!lock)
        return false;
    QSerialPort port(lock->openPath());
#else
    QSerialPort port(name);
#endif
    if (!port.open(QIODevice::ReadWrite))
        return false;
    holdControlLinesOff(port);
    port.close();
    return true;
}

void ComPort::setControlLineDriver(ControlLineDriver driver)
{
    controlLineDriver = driver ? driver : driveControlLines;
}

ComPort::ComPort(const QString &portName, int baudRate) : deviceName(portName), baudRate(baudRate) {}

ComPort::~ComPort()
{
    closePort();
}

bool ComPort::openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                       quint32 writeConstant)
{
    if (isOpen)
        closePort();
    handle.reset();
    lineLost = false;

    // Created here, so the port belongs to the thread that opens and uses it.
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(deviceName);
#if defined(Q_OS_UNIX)
    if (!deviceName.isEmpty()) {
        PortLock::Outcome outcome;
        deviceLock = PortLock::acquire(deviceName, &outcome);
        if (!deviceLock) {
            qDebug() << "unable to open comport";
            return false;
        }
        port->setPortName(deviceLock->openPath());
    }
#endif
    if (deviceName.isEmpty() || !port->open(QIODevice::ReadWrite)) {
        qDebug() << "unable to open comport";
#if defined(Q_OS_UNIX)
        deviceLock.reset();
#endif
        return false;
    }
    if (baudRate <= 0) {
        qDebug() << "unable to set comport dcb settings";
        port->close();
#if defined(Q_OS_UNIX)
        deviceLock.reset();
#endif
        return false;
    }
    if (!port->setBaudRate(baudRate) || !port->setDataBits(QSerialPort::Data8)
        || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        qDebug() << "unable to set comport cfg settings";
        port->close();
#if defined(Q_OS_UNIX)
        deviceLock.reset();
#endif
        return false;
    }
    holdControlLinesOff(*port);
    // Whatever arrived while nobody listened is not part of the next reply.
    if (!port->clear(QSerialPort::Input)) {
        qDebug() << "unable to set comport time-out settings";
        port->close();
#if defined(Q_OS_UNIX)
        deviceLock.reset();
#endif
        return false;
    }
    port->clearError();

    readWaitMs = clampedSum(readMultiplier, readConstant);
    writeWaitMs = clampedSum(writeMultiplier, writeConstant);
    handle = std::move(port);
    isOpen = true;
    return true;
}

bool ComPort::setReadWaits(quint32 readMultiplier, quint32 readConstant)
{
    if (!isOpen || lineLost)
        return false;
    if (!handle->clear(QSerialPort::Input))
        return false;
    readWaitMs = clampedSum(readMultiplier, readConstant);
    return true;
}

void ComPort::closePort()
{
    if (handle) {
        handle->close();
        handle.reset();
    }
#if defined(Q_OS_UNIX)
    // Only once QSerialPort let go of its own lock.
    deviceLock.reset();
#endif
    isOpen = false;
}

void ComPort::writeByte(char byte)
{
    if (!isOpen || lineLost)
        return;
    if (handle->write(&byte, 1) != 1) {
        lineLost = true;
        return;
    }
    // write() only buffers; the byte goes out during this wait.
    const int wait = writeWaitMs > 0 ? writeWaitMs : kWriteSafetyMs;
    while (handle->bytesToWrite() > 0) {
        if (!handle->waitForBytesWritten(wait)) {
            // A write that does not finish in time, or fails, means the line is
            // gone: the remaining bytes are dropped instead of waiting again.
            lineLost = true;
            return;
        }
    }
}

bool ComPort::readByte(char *byte)
{
    // Bytes already taken in by the port (for example while a progress
    // dialog ran the event loop) do not wake waitForReadyRead again.
    if (handle->bytesAvailable() <= 0) {
        const QSerialPort::SerialPortError before = handle->error();
        if (before != QSerialPort::NoError && before != QSerialPort::TimeoutError) {
            lineLost = true;
            return false;
        }
        handle->clearError();
        if (!handle->waitForReadyRead(readWaitMs)) {
            const QSerialPort::SerialPortError error = handle->error();
            handle->clearError();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                lineLost = true;   // a hung-up line reports ReadError: never retry it
            return false;
        }
        if (handle->bytesAvailable() <= 0)
            return false;
    }
    return handle->getChar(byte);
}
