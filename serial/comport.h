#pragma once

#include "serial/moduleline.h"

#include <QtCore/QString>

#include <memory>

#if !defined(Q_OS_WIN)
class QSerialPort;
#endif
#if defined(Q_OS_UNIX)
class PortLock;
#endif

// A small synchronous wrapper around one serial port, used for a single user
// command: construct, openPort, one or more send/readReply exchanges, then
// closePort (or let the destructor close). Every byte goes with its own call
// in both directions, so a progress window can advance and be cancelled byte
// by byte. A ComPort must be created in the thread that uses it. On Windows
// it talks to the communications functions directly (comport_win.cpp);
// elsewhere through QSerialPort (comport.cpp).
class ComPort : public ModuleLine
{
public:
    // A byte leaves a real line within milliseconds; a write that cannot
    // finish in this long means the line is stuck, and waiting longer would
    // freeze the command. Used where the caller's write waits are zero.
    static constexpr int kWriteSafetyMs = 10000;

    // portName: "COM3" on Windows; on Linux and macOS a device name such as
    // "ttyUSB0" or a full path such as "/dev/pts/4".
    ComPort(const QString &portName, int baudRate);
    ~ComPort() override;
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // Opens the port exclusively at 8N1 without flow control. A one-byte read
    // then waits at most readMultiplier + readConstant ms; writes with zero
    // write time-outs wait until each byte has left.
    bool openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                  quint32 writeConstant) override;
    void closePort() override;
    bool opened() const override { return isOpen; }
    // Other read waits on the open port, for the next exchange; what arrived
    // before is dropped, as a fresh open would drop it. The port and its
    // lock stay ours.
    bool setReadWaits(quint32 readMultiplier, quint32 readConstant) override;
    // Whether the line went away (a pulled adapter, a closed pseudo-terminal)
    // since the port was opened: what was read of an answer then is not all.
    bool lost() const override { return lineLost; }
    QString portName() const override { return deviceName; }

    // True when the port can be opened exclusively right now: what the port
    // lists offer.
    static bool canOpen(const QString &name);

#if defined(Q_OS_WIN)
    // The name CreateFile opens a port by: "\\.\COM3". COM10 and above open
    // only with this prefix; COM1 to COM9 take it too.
    static QString windowsDevice(const QString &name);
#else
    // DTR and RTS stay off: the module's line has no use for them, and some
    // adapters and modules wire them to reset or power. Opening a port raises
    // both on Linux, so every opener calls this right after open().
    static void holdControlLinesOff(QSerialPort &port);
    // How the control lines are driven. A pseudo-terminal has none, so tests
    // install a recording driver; nullptr restores the real one.
    using ControlLineDriver = void (*)(QSerialPort &port, bool dataTerminalReady, bool requestToSend);
    static void setControlLineDriver(ControlLineDriver driver);
#endif

protected:
    void writeByte(char byte) override;
    bool startReading() override { return isOpen && !lineLost; }
    bool readByte(char *byte) override;

private:
    bool isOpen = false;
#if defined(Q_OS_UNIX)
    // The device's lock, held from the open to the close (serial/portlock.h).
    std::unique_ptr<PortLock> deviceLock;
#endif
#if defined(Q_OS_WIN)
    void *handle = nullptr;   // the port's HANDLE while isOpen
#else
    std::unique_ptr<QSerialPort> handle;
#endif
    QString deviceName;
    int baudRate = 0;
#if !defined(Q_OS_WIN)
    int readWaitMs = 0;
    int writeWaitMs = 0;
#endif
    bool lineLost = false;
};
