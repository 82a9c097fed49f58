#include "serial/moduleprotocol.h"

#include "serial/comport.h"
#include "serial/modulecommands.h"

#include <QtCore/QElapsedTimer>

#include <atomic>

namespace moduleprotocol {

namespace {
std::atomic<bool> earlyEndForTesting{false};
} // namespace

ModuleSession::ModuleSession(const QString &portName, int baudRate)
    : earlyEnd(earlyEndForTesting), ownLine(std::make_unique<ComPort>(portName, baudRate)), port(*ownLine)
{
}

ModuleSession::ModuleSession(const QString &portName, int baudRate, const LineFactory &lines)
    : earlyEnd(earlyEndForTesting)
    , ownLine(lines ? lines(portName, baudRate) : std::make_unique<ComPort>(portName, baudRate))
    , port(*ownLine)
{
}

ModuleSession::ModuleSession(ModuleLine &line) : earlyEnd(earlyEndForTesting), port(line) {}

// A borrowed line is closed as an own port would be: the command is over.
ModuleSession::~ModuleSession()
{
    port.closePort();
}

void ModuleSession::setEarlyEndForTesting(bool on)
{
    earlyEndForTesting = on;
}

bool ModuleSession::openWith(Waits waits)
{
    if (openWaits && *openWaits == waits && port.opened())
        return true;
    // The port and its lock stay held for the whole user command, so no
    // other program gets between its exchanges; only the waits change.
    if (port.opened() && port.setReadWaits(waits.readMultiplier, waits.readConstant)) {
        openWaits = waits;
        return true;
    }
    openWaits.reset();
    if (!port.openPort(waits.readMultiplier, waits.readConstant, 0, 0))
        return false;
    openWaits = waits;
    return true;
}

void ModuleSession::close()
{
    port.closePort();
    openWaits.reset();
}

ModuleLine::AnswerEnd ModuleSession::lineEnd() const
{
    if (!earlyEnd)
        return {};
    return [](char byte) { return byte == '\r'; };
}

void ModuleSession::drain()
{
    // New read waits on the open line drop its input: the same waits again.
    if (openWaits && port.opened())
        port.setReadWaits(openWaits->readMultiplier, openWaits->readConstant);
}

QString ModuleSession::withoutLeftoverLineFeed(QString answer) const
{
    if (earlyEnd && answer.startsWith(QLatin1Char('\n')))
        answer.remove(0, 1);
    return answer;
}

QString ModuleSession::exchange(const QString &command, int limit, const ReadProgress &progress,
                                const ModuleLine::AnswerEnd &end)
{
    cancelled = false;
    drain();
    port.sendText(command);
    ModuleLine::Progress counter;
    if (progress) {
        counter = [this, &progress](int step) {
            cancelled = !progress(step);
            return !cancelled;
        };
    }
    const QString answer = port.readReply(counter, limit, end);
    // What came before the line went away is not the whole answer: a cut
    // identification would still start with "Qzv".
    return port.lost() ? QString() : withoutLeftoverLineFeed(answer);
}

Result<Identification> ModuleSession::identify(Waits waits)
{
    if (!openWith(waits))
        return {Failure::PortNotOpened, {}};
    Identification id;
    id.answer = exchange(modulecommands::kIdentify, modulecommands::kShortAnswerLimit, {}, lineEnd());
    id.flooded = port.overflowed();
    id.text = id.answer;
    // A line feed after the terminator is no part of the text.
    if (id.text.endsWith(QLatin1String("\r\n")))
        id.text.chop(1);
    id.complete = id.text.endsWith(QLatin1Char('\r'));
    id.text.chop(1);
    id.recognised = modulereplies::isIdentification(id.text);
    id.memoryField = modulereplies::memoryField(id.text);
    id.memory = modulereplies::memoryNumber(id.memoryField);
    // A silent module, noise or an answer without a memory size identifies nothing.
    return {id.memory ? Failure::None : Failure::BadAnswer, id};
}

bool Identification::answersSearch() const
{
    return modulereplies::isIdentification(answer);
}

void ModuleSession::endSearch()
{
    port.sendByte(modulecommands::kEndSearch);
}

Failure ModuleSession::leave()
{
    if (!openWith(kCommandWaits))
        return Failure::PortNotOpened;
    exchange(modulecommands::kLeave, modulecommands::kShortAnswerLimit, {}, lineEnd());
    return Failure::None;
}

Result<modulereplies::IoStates> ModuleSession::readStates(const ReadProgress &progress)
{
    if (!openWith(kCommandWaits))
        return {Failure::PortNotOpened, {}};
    const std::optional<modulereplies::IoStates> states = modulereplies::parseStates(
        exchange(modulecommands::kStates, modulecommands::kShortAnswerLimit, progress, lineEnd()));
    if (!states)
        return {cancelled ? Failure::Cancelled : Failure::BadAnswer, {}};
    return {Failure::None, *states};
}

Result<modulereplies::SignalInfo> ModuleSession::readSignal(const ReadProgress &progress)
{
    if (!openWith(kSignalWaits))
        return {Failure::PortNotOpened, {}};
    const QString answer =
        exchange(modulecommands::kSignal, modulecommands::kShortAnswerLimit, progress, lineEnd());
    const std::optional<modulereplies::SignalInfo> signal = modulereplies::parseSignal(answer);
    if (!signal)
        return {cancelled ? Failure::Cancelled : Failure::BadAnswer, {}};
    return {Failure::None, *signal};
}

Failure ModuleSession::setOutputs(OutputMask outputs)
{
    if (!openWith(kCommandWaits))
        return Failure::PortNotOpened;
    exchange(modulereplies::relayCommand(outputs), modulecommands::kShortAnswerLimit, {}, lineEnd());
    return Failure::None;
}

ModuleSession::Silence ModuleSession::awaitSilence(qint64 boundMs)
{
    Silence silence;
    QElapsedTimer clock;
    clock.start();
    const auto boundReached = [&clock, boundMs](char) { return clock.elapsed() >= boundMs; };
    while (port.opened() && !port.lost()) {
        const QString dropped = port.readReply({}, ModuleLine::kMaxReplyBytes, boundReached);
        silence.discarded += dropped.size();
        if (port.lost() || clock.elapsed() >= boundMs)
            break;
        // A reading ends at its limit (read on) or at one read wait of silence.
        if (!port.overflowed()) {
            silence.silent = true;
            break;
        }
        silence.discarded += ModuleLine::kMaxReplyBytes;
    }
    silence.waitedMs = clock.elapsed();
    return silence;
}

Result<QString> ModuleSession::readRecords(const ReadProgress &progress, int records)
{
    if (!openWith(kRecordsWaits))
        return {Failure::PortNotOpened, {}};
    ModuleLine::AnswerEnd end;
    if (earlyEnd && records > 0) {
        // Records count from the last empty line, as normalizeReply() reads
        // them; the byte after the last record's CR closes the answer.
        end = [needed = records, counted = 0, afterCR = false, complete = false](char byte) mutable {
            if (complete)
                return true;
            if (byte == '\r') {
                counted = afterCR ? 0 : counted + 1;
                afterCR = true;
            } else {
                afterCR = false;
            }
            complete = counted >= needed;
            return false;
        };
    }
    // A module with 128 numbers read in 32 mode still sends all its records,
    // so the limit is the largest module's.
    const QString reply =
        exchange(modulecommands::kReadRecords, modulecommands::kRecordsAnswerLimit, progress, end);
    if (cancelled)
        return {Failure::Cancelled, reply};
    if (reply.isEmpty())
        return {Failure::BadAnswer, reply};
    return {Failure::None, reply};
}

Failure ModuleSession::writeRecords(const QByteArray &wire, char ackChar, const SendProgress &progress,
                                    WriteStage *reached)
{
    WriteStage unused;
    WriteStage &stage = reached ? *reached : unused;
    stage = WriteStage::NotReady;
    if (!openWith(kStoreWaits))
        return Failure::PortNotOpened;
    const QString ready =
        exchange(modulecommands::kWriteRecords, modulecommands::kShortAnswerLimit, {}, lineEnd());
    if (!ready.startsWith(QLatin1Char('R')))
        return Failure::BadAnswer;
    stage = WriteStage::Ready;
    // What came after the "R" answers nothing yet: a stale "O" is not the verdict.
    drain();
    // A module that answered "R" takes every byte as records until a lone
    // CR closes the set: a stop closes it short, so the module rejects it
    // and takes the next command as a command again.
    const auto closeShort = [this](bool withinRecord) {
        if (withinRecord)
            port.sendCR();
        port.sendCR();
        return Failure::Cancelled;
    };
    int value = 15;
    if (progress && !progress(value))
        return closeShort(false);
    // Once the last record's last byte is out, closing short completes the
    // set: the module may store it.
    const qsizetype lastRecordByte = wire.size() - 3;
    for (qsizetype i = 0; i < wire.size(); ++i) {
        const char byte = wire.at(i);
        if (byte == '\r')
            port.sendCR();
        else
            port.sendByte(byte);
        // Past the last byte the set is whole: its answer tells what was stored.
        if (progress && !progress(++value) && i + 1 < wire.size()) {
            if (i >= lastRecordByte)
                stage = WriteStage::RecordsSent;
            return closeShort(byte != '\r');
        }
    }
    stage = WriteStage::RecordsSent;
    const QString answer =
        withoutLeftoverLineFeed(port.readReply(nullptr, modulecommands::kShortAnswerLimit, lineEnd()));
    return answer.startsWith(QLatin1Char(ackChar)) ? Failure::None : Failure::BadAnswer;
}

} // namespace moduleprotocol
