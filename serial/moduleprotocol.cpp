#include "serial/moduleprotocol.h"

#include "serial/modulecommands.h"

namespace moduleprotocol {

ModuleSession::ModuleSession(const QString &portName, int baudRate) : port(portName, baudRate) {}

bool ModuleSession::openWith(Waits waits)
{
    if (openWaits && *openWaits == waits && port.opened())
        return true;
    openWaits.reset();
    // Reopening closes the port first, as the module's exchanges expect.
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

QString ModuleSession::exchange(const QString &command, int limit, const ReadProgress &progress)
{
    cancelled = false;
    port.sendText(command);
    ComPort::Progress counter;
    if (progress) {
        counter = [this, &progress](int step) {
            cancelled = !progress(step);
            return !cancelled;
        };
    }
    return port.readReply(counter, limit);
}

Result<Identification> ModuleSession::identify(Waits waits)
{
    if (!openWith(waits))
        return {Failure::PortNotOpened, {}};
    Identification id;
    id.text = exchange(modulecommands::kIdentify, modulecommands::kShortAnswerLimit);
    id.text.chop(1);
    id.recognised = modulereplies::isIdentification(id.text);
    id.memoryField = modulereplies::memoryField(id.text);
    id.memory = modulereplies::memoryNumber(id.memoryField);
    // A silent module, noise or an answer without a memory size identifies nothing.
    return {id.memory ? Failure::None : Failure::BadAnswer, id};
}

void ModuleSession::endSearch()
{
    port.sendByte(modulecommands::kEndSearch);
}

Failure ModuleSession::leave()
{
    if (!openWith(kCommandWaits))
        return Failure::PortNotOpened;
    exchange(modulecommands::kLeave, modulecommands::kShortAnswerLimit);
    return Failure::None;
}

Result<modulereplies::IoStates> ModuleSession::readStates(const ReadProgress &progress)
{
    if (!openWith(kCommandWaits))
        return {Failure::PortNotOpened, {}};
    const std::optional<modulereplies::IoStates> states = modulereplies::parseStates(
        exchange(modulecommands::kStates, modulecommands::kShortAnswerLimit, progress));
    if (!states)
        return {cancelled ? Failure::Cancelled : Failure::BadAnswer, {}};
    return {Failure::None, *states};
}

Result<modulereplies::SignalInfo> ModuleSession::readSignal(const ReadProgress &progress)
{
    if (!openWith(kSignalWaits))
        return {Failure::PortNotOpened, {}};
    const QString answer = exchange(modulecommands::kSignal, modulecommands::kShortAnswerLimit, progress);
    close();
    const std::optional<modulereplies::SignalInfo> signal = modulereplies::parseSignal(answer);
    if (!signal)
        return {cancelled ? Failure::Cancelled : Failure::BadAnswer, {}};
    return {Failure::None, *signal};
}

Failure ModuleSession::setOutputs(const QString &states)
{
    if (!openWith(kCommandWaits))
        return Failure::PortNotOpened;
    exchange(modulereplies::relayCommand(states), modulecommands::kShortAnswerLimit);
    return Failure::None;
}

Result<QString> ModuleSession::readRecords(const ReadProgress &progress)
{
    if (!openWith(kRecordsWaits))
        return {Failure::PortNotOpened, {}};
    // A module with 128 numbers read in 32 mode still sends all its records,
    // so the limit is the largest module's.
    const QString reply = exchange(modulecommands::kReadRecords, modulecommands::kRecordsAnswerLimit, progress);
    close();
    if (cancelled)
        return {Failure::Cancelled, reply};
    if (reply.isEmpty())
        return {Failure::BadAnswer, reply};
    return {Failure::None, reply};
}

Failure ModuleSession::writeRecords(const QByteArray &wire, char ackChar, const SendProgress &progress)
{
    if (!openWith(kStoreWaits))
        return Failure::PortNotOpened;
    const QString ready = exchange(modulecommands::kWriteRecords, modulecommands::kShortAnswerLimit);
    if (!ready.startsWith(QLatin1Char('R'))) {
        close();
        return Failure::BadAnswer;
    }
    int value = 15;
    if (progress && !progress(value)) {
        close();
        return Failure::Cancelled;
    }
    for (const char byte : wire) {
        if (byte == '\r')
            port.sendCR();
        else
            port.sendByte(byte);
        if (progress && !progress(++value)) {
            // The module gets an incomplete transfer, which it rejects.
            close();
            return Failure::Cancelled;
        }
    }
    const QString answer = port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    close();
    return answer.startsWith(QLatin1Char(ackChar)) ? Failure::None : Failure::BadAnswer;
}

} // namespace moduleprotocol
