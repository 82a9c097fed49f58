#pragma once

#include <QtCore/QString>

#include <functional>

// The line a module session talks over, for one user command: opened with
// the read waits of its first exchange, written byte by byte, read until the
// module falls silent. ComPort is the real serial port; an in-process module
// stands behind the same calls, so the session's own logic runs without one.
class ModuleLine
{
public:
    // A reply never grows past this many bytes, so a line that never falls
    // silent (noise, a looping device) cannot hold a command forever.
    static constexpr int kMaxReplyBytes = 8192;

    virtual ~ModuleLine() = default;

    // A one-byte read then waits at most readMultiplier + readConstant ms;
    // writes with zero write time-outs wait until each byte has left.
    virtual bool openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                          quint32 writeConstant) = 0;
    virtual void closePort() = 0;
    virtual bool opened() const = 0;
    // Other read waits on the open line, for the next exchange; what arrived
    // before is dropped, as a fresh open would drop it.
    virtual bool setReadWaits(quint32 readMultiplier, quint32 readConstant) = 0;
    // Whether the line went away since it was opened: what was read of an
    // answer then is not all.
    virtual bool lost() const = 0;
    virtual QString portName() const = 0;

    // The byte a character travels as: its Latin-1 code. The module stores one
    // Latin-1 byte per character and takes byte 0 as the end of a text, so
    // ő and ű go as ö and ü (the nearest letters it can store, and the ones its
    // text messages have); U+0000, which would cut the text short, and
    // anything else without a Latin-1 code go as "?".
    static char lineByte(QChar c);

    void sendByte(char byte, bool appendCR = false);
    void sendCR();
    // Each character as the one byte it travels as (lineByte).
    void sendText(const QString &text, bool appendCR = false);

    // Told of every byte read: step 1 for a byte that counts, 0 for a CR.
    // Returning false stops the reading after that byte (a cancel).
    using Progress = std::function<bool(int step)>;
    // Told of every byte once it is in the reply; true ends the reading at
    // once, for a caller that knows how the module ends its answer.
    using AnswerEnd = std::function<bool(char byte)>;
    // Reads byte by byte until the line is silent for one read wait, the line
    // fails or the progress callback says stop. CR stays in the result. An
    // answer that grows past `limit` bytes ends the reading at once and gives
    // an empty result, as a silent module would.
    QString readReply(const Progress &progress = {}, int limit = kMaxReplyBytes, const AnswerEnd &end = {});
    // Whether the last readReply() stopped at its limit.
    bool overflowed() const { return lastOverflowed; }

protected:
    // One byte onto the line, or nothing on a closed or lost line.
    virtual void writeByte(char byte) = 0;
    // Whether a reading may begin: false on a closed or lost line.
    virtual bool startReading() = 0;
    // The next answer byte; false once the line is silent for one read wait
    // or fails (then lost() says so).
    virtual bool readByte(char *byte) = 0;

private:
    bool lastOverflowed = false;
};
