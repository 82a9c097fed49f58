#pragma once

#include <QtCore/QString>

#include <memory>

class QProgressDialog;
class QSerialPort;

// A small synchronous wrapper around one serial port, used for a single user
// command: construct, openPort, one or more send/readReply exchanges, then
// closePort (or let the destructor close). Every byte goes with its own call
// in both directions, so a progress dialog can advance and be cancelled byte
// by byte. A ComPort must be created in the thread that uses it.
class ComPort
{
public:
    // A reply never grows past this many bytes, so a line that never falls
    // silent (noise, a looping device) cannot hold a command forever.
    static constexpr int kMaxReplyBytes = 8192;

    // portName: "COM3" on Windows; on Linux and macOS a device name such as
    // "ttyUSB0" or a full path such as "/dev/pts/4".
    ComPort(const QString &portName, int baudRate);
    ~ComPort();
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // Opens the port exclusively at 8N1 without flow control. A one-byte read
    // then waits at most readMultiplier + readConstant ms; writes with zero
    // write time-outs wait until each byte has left.
    bool openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                  quint32 writeConstant);
    void closePort();
    bool opened() const { return isOpen; }

    // The byte a character travels as: its Latin-1 code, or 0 when it has none.
    static char lineByte(QChar c) { return c.unicode() <= 0xFF ? char(c.unicode()) : '\0'; }

    void sendByte(char byte, bool appendCR = false);
    void sendCR();
    // Each character as one Latin-1 byte; characters above U+00FF go as byte 0.
    void sendText(const QString &text, bool appendCR = false);

    // Reads byte by byte until the line is silent for one read wait, the port
    // fails, kMaxReplyBytes have arrived or the progress dialog was cancelled.
    // CR stays in the result; every other byte advances the dialog by one.
    QString readReply(QProgressDialog *progress = nullptr);

private:
    void writeByte(char byte);

    bool isOpen = false;
    std::unique_ptr<QSerialPort> handle;
    QString portName;
    int baudRate = 0;
    int readWaitMs = 0;
    int writeWaitMs = 0;
    bool lineLost = false;
};
