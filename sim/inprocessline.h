#pragma once

// A simulated module behind the session's line, in the same thread and
// without a pseudo-terminal: every byte sent reaches the module at once, and
// a reading takes what the module has to say and ends where it has nothing
// more (its silence costs no time). Tests of the session's own logic run on
// it in milliseconds; the pacing and waits of a real line are the simulator's.

#include "serial/moduleline.h"
#include "sim/simulatedmodule.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>

class InProcessLine : public ModuleLine
{
public:
    // The module stays the caller's and must outlive the line.
    explicit InProcessLine(SimulatedModule &module, const QString &name = QStringLiteral("in-process"));

    bool openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                  quint32 writeConstant) override;
    void closePort() override;
    bool opened() const override { return isOpen; }
    bool setReadWaits(quint32 readMultiplier, quint32 readConstant) override;
    bool lost() const override { return lineLost; }
    QString portName() const override { return name; }


    // The line goes away once this many more answer bytes have reached the
    // tool (0: now), as a pulled adapter would; it cannot be opened again.
    void goAwayAfter(qint64 bytes);
    bool gone() const { return isGone; }

    // Every byte the tool sent, and the read wait (ms) of every reading, in order.
    QByteArray sent() const { return sentBytes; }
    QList<int> readWaits() const { return waitsRead; }
    void clearLog();

protected:
    void writeByte(char byte) override;
    bool startReading() override;
    // The next answer byte, or nothing when the module is silent or the line
    // went away (then the line is lost).
    bool readByte(char *byte) override;

private:
    bool nextByte(char *byte);

    SimulatedModule &module;
    QString name;
    bool isOpen = false;
    bool lineLost = false;
    bool isGone = false;
    int readWaitMs = 0;
    qint64 bytesBeforeGone = -1;
    QByteArray sentBytes;
    QList<int> waitsRead;
};
