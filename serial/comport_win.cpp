#include "serial/comport.h"

#include <QtCore/QDebug>

#include <windows.h>

#include <cstdio>

namespace {

HANDLE openDevice(const QString &name)
{
    const QString device = ComPort::windowsDevice(name);
    return ::CreateFileW(reinterpret_cast<LPCWSTR>(device.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                         nullptr, OPEN_EXISTING, 0, nullptr);
}

// A one-byte read returns at once when a byte is waiting, and otherwise waits
// at most multiplier + constant ms for one.
bool setTimeouts(HANDLE handle, DWORD readMultiplier, DWORD readConstant, DWORD writeMultiplier,
                 DWORD writeConstant)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = readMultiplier;
    timeouts.ReadTotalTimeoutConstant = readConstant;
    timeouts.WriteTotalTimeoutMultiplier = writeMultiplier;
    timeouts.WriteTotalTimeoutConstant = writeConstant;
    if (writeMultiplier == 0 && writeConstant == 0)
        timeouts.WriteTotalTimeoutConstant = ComPort::kWriteSafetyMs;
    return ::SetCommTimeouts(handle, &timeouts);
}

} // namespace

QString ComPort::windowsDevice(const QString &name)
{
    return QStringLiteral("\\\\.\\") + name;
}

bool ComPort::canOpen(const QString &name)
{
    const HANDLE probe = openDevice(name);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(probe);
    return true;
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
    lineLost = false;

    const HANDLE port = deviceName.isEmpty() ? INVALID_HANDLE_VALUE : openDevice(deviceName);
    if (port == INVALID_HANDLE_VALUE) {
        qDebug() << "unable to open comport";
        return false;
    }
    char mode[128];
    std::snprintf(mode, sizeof mode, "baud=%d data=8 parity=N stop=1", baudRate);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    // From a zeroed DCB: no flow control, and DTR and RTS stay off, since some
    // adapters and modules wire them to reset or power.
    if (baudRate <= 0 || !::BuildCommDCBA(mode, &dcb)) {
        qDebug() << "unable to set comport dcb settings";
        ::CloseHandle(port);
        return false;
    }
    if (!::SetCommState(port, &dcb)) {
        qDebug() << "unable to set comport cfg settings";
        ::CloseHandle(port);
        return false;
    }
    if (!setTimeouts(port, readMultiplier, readConstant, writeMultiplier, writeConstant)) {
        qDebug() << "unable to set comport time-out settings";
        ::CloseHandle(port);
        return false;
    }
    // Whatever arrived while nobody listened is not part of the next reply.
    ::PurgeComm(port, PURGE_RXCLEAR);
    handle = port;
    isOpen = true;
    return true;
}

bool ComPort::setReadWaits(quint32 readMultiplier, quint32 readConstant)
{
    if (!isOpen || lineLost)
        return false;
    COMMTIMEOUTS timeouts = {};
    if (!::GetCommTimeouts(handle, &timeouts))
        return false;
    timeouts.ReadTotalTimeoutMultiplier = readMultiplier;
    timeouts.ReadTotalTimeoutConstant = readConstant;
    if (!::SetCommTimeouts(handle, &timeouts))
        return false;
    ::PurgeComm(handle, PURGE_RXCLEAR);
    return true;
}

void ComPort::closePort()
{
    if (isOpen)
        ::CloseHandle(handle);
    handle = nullptr;
    isOpen = false;
}

void ComPort::writeByte(char byte)
{
    if (!isOpen || lineLost)
        return;
    DWORD written = 0;
    // A failed or timed-out write means the line is gone (a pulled adapter):
    // the remaining bytes are dropped instead of waiting again.
    if (!::WriteFile(handle, &byte, 1, &written, nullptr) || written != 1)
        lineLost = true;
}

bool ComPort::readByte(char *byte)
{
    DWORD read = 0;
    if (!::ReadFile(handle, byte, 1, &read, nullptr)) {
        lineLost = true;   // a removed adapter fails every read from now on
        return false;
    }
    if (read == 1)
        return true;
    // No byte in the read wait: a silent module, or a port that is gone,
    // which some drivers report only when asked for its state.
    DWORD errors = 0;
    if (!::ClearCommError(handle, &errors, nullptr))
        lineLost = true;
    return false;
}
