#include "sim/inprocessline.h"

#include <limits>

namespace {

int waitOf(quint32 multiplier, quint32 constant)
{
    const quint64 sum = quint64(multiplier) + quint64(constant);
    return sum > quint64(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(sum);
}

} // namespace

InProcessLine::InProcessLine(SimulatedModule &module, const QString &name) : module(module), name(name) {}

bool InProcessLine::openPort(quint32 readMultiplier, quint32 readConstant, quint32, quint32)
{
    isOpen = false;
    lineLost = false;
    if (isGone)
        return false;   // the port has vanished
    // What the module said while nobody listened is not part of the next reply.
    module.dropAnswer();
    readWaitMs = waitOf(readMultiplier, readConstant);
    isOpen = true;
    return true;
}

void InProcessLine::closePort()
{
    isOpen = false;
}

bool InProcessLine::setReadWaits(quint32 readMultiplier, quint32 readConstant)
{
    if (!isOpen || lineLost)
        return false;
    module.dropAnswer();
    readWaitMs = waitOf(readMultiplier, readConstant);
    return true;
}

void InProcessLine::goAwayAfter(qint64 bytes)
{
    bytesBeforeGone = bytes;
    if (bytes <= 0) {
        isGone = true;
        module.silence();
    }
}

void InProcessLine::clearLog()
{
    sentBytes.clear();
    waitsRead.clear();
}

void InProcessLine::writeByte(char byte)
{
    if (!isOpen || lineLost)
        return;
    if (isGone) {
        lineLost = true;
        return;
    }
    sentBytes.append(byte);
    module.receive(byte);
    // A module that cuts the line on what it received has taken this byte.
    if (module.lineCutRequested())
        goAwayAfter(0);
}

bool InProcessLine::nextByte(char *byte)
{
    if (isGone)
        return false;
    if (module.chattering() && module.answer().size() < 256)
        module.topUpChatter();
    if (module.answer().isEmpty())
        return false;
    if (module.sendable(1) == 0) {
        goAwayAfter(0);
        return false;
    }
    *byte = module.answer().at(0);
    if (module.sent(1))
        bytesBeforeGone = 0;   // gone once the tool has this byte
    else if (bytesBeforeGone > 0)
        --bytesBeforeGone;
    if (bytesBeforeGone == 0) {
        bytesBeforeGone = -1;
        isGone = true;
        module.silence();
    }
    return true;
}

bool InProcessLine::startReading()
{
    if (!isOpen || lineLost)
        return false;
    waitsRead.append(readWaitMs);
    return true;
}

bool InProcessLine::readByte(char *byte)
{
    if (nextByte(byte))
        return true;
    // A line that went away reports an error, not silence.
    if (isGone)
        lineLost = true;
    return false;
}
