#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/moduleaccess.h"
#include "cli/output.h"
#include "cli/wording.h"
#include "serial/deviceoperations.h"
#include "serial/outputmask.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <optional>

namespace cli {

namespace {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;
namespace ops = moduleoperations;

// "1010" (output 1 first) or one hexadecimal digit (output 1 is bit 0).
std::optional<OutputMask> relayStates(const QString &mask)
{
    if (const std::optional<OutputMask> states = OutputMask::fromText(mask))
        return states;
    bool ok = false;
    const int value = mask.toInt(&ok, 16);
    if (mask.size() != 1 || !ok)
        return std::nullopt;
    return OutputMask::fromBits(unsigned(value));
}

} // namespace

PortSource &portSource()
{
    static PortSource source;
    return source;
}

int commandInfo(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 0, streams))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (!identifyOrReport(session, port, &outcome, streams))
        return outcome.code;
    finish(session, o);
    streams.out << Text::tr("Azonosítás: %1\nMemória: %2\nVáltozat: %3\n")
                       .arg(visible(outcome.identification))
                       .arg(outcome.memory)
                       .arg(variantText(outcome.memory));
    if (o.stay)
        streams.out << Text::tr("A modul programozási üzemmódban maradt.\n");
    return kSuccess;
}

int commandStatus(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 0, streams))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    // Only a whole answer from a known model, as for every other command.
    const ops::Status status = ops::status(session, interruptible(), {}, true);
    outcome.identification = status.identification.text;
    outcome.memory = status.memory;
    if (status.refusal != ops::Refusal::None && status.refusal != ops::Refusal::PortNotOpened
        && status.refusal != ops::Refusal::Cancelled) {
        refuse(session, status.refusal, status.identification, &outcome);
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    // A module that answered "~|" is in programming mode and goes back.
    const bool inProgramMode = status.reached != ops::Status::Step::Identify;
    if (interrupted(session, o, inProgramMode, &outcome)) {
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    if (inProgramMode)
        finish(session, o);
    if (!status.ok()) {
        outcome.code = kLineFailure;
        if (status.reached != ops::Status::Step::Identify)
            outcome.message = Text::tr("sikertelen lekérdezés: %1").arg(statusFailure(status, port));
        else if (status.failure == Failure::PortNotOpened)
            outcome.message = portFailure(port);
        else if (status.identification.text.isEmpty())
            outcome.message = refusalText(ops::Refusal::Silent, status.identification);
        else
            outcome.message = refusalText(ops::Refusal::Foreign, status.identification);
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    const modulereplies::IoStates &states = status.states;
    const modulereplies::SignalInfo &signal = status.signal;
    if (o.json) {
        QJsonObject object;
        object.insert(QStringLiteral("port"), port);
        object.insert(QStringLiteral("identification"), outcome.identification);
        object.insert(QStringLiteral("memory"), outcome.memory);
        object.insert(QStringLiteral("inputs"), QJsonArray{states.input1Active, states.input2Active});
        QJsonArray outputs;
        for (int output = 1; output <= OutputMask::kOutputs; ++output)
            outputs.append(states.outputs.isOn(output));
        object.insert(QStringLiteral("outputs"), outputs);
        object.insert(QStringLiteral("signal"), signal.strength);
        object.insert(QStringLiteral("signalRaw"), signal.raw);
        object.insert(QStringLiteral("service"), signal.service);
        streams.out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
        return kSuccess;
    }
    const QString active = Text::tr("aktív");
    const QString inactive = Text::tr("nem aktív");
    streams.out << Text::tr("Azonosítás: %1\n").arg(visible(outcome.identification));
    streams.out << Text::tr("1. bemenet: %1\n").arg(states.input1Active ? active : inactive);
    streams.out << Text::tr("2. bemenet: %1\n").arg(states.input2Active ? active : inactive);
    for (int i = 0; i < 4; ++i)
        streams.out << Text::tr("%1. kimenet: %2\n")
                           .arg(i + 1)
                           .arg(states.outputs.isOn(i + 1) ? Text::tr("be") : Text::tr("ki"));
    streams.out << Text::tr("Térerő: %1\n").arg(signal.strength);
    streams.out << Text::tr("Szolgáltató: %1\n").arg(visible(signal.service));
    return kSuccess;
}

int commandRelay(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 1, streams))
        return code;
    const std::optional<OutputMask> states = relayStates(o.positional.first());
    if (!states) {
        streams.err << Text::tr("Hibás maszk: „%1”; például 1010 (1–4. kimenet) vagy egy hexadecimális számjegy.")
                           .arg(o.positional.first())
                    << '\n';
        return kUsage;
    }
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (identify(session, &outcome)) {
        ops::setOutputs(session, *states);
        finish(session, o);
        outcome.message = Text::tr("kimenetek (1–4): %1").arg(states->text());
    }
    printOutcome(port, outcome, streams);
    return outcome.code;
}


int commandPorts(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 0, streams))
        return code;
    const ops::PortListing listing = ops::listPorts(portSource());
    for (const QString &name : listing.ports) {
        QString description = ops::portDescription(name);
        QString line = name + QLatin1Char('\t') + (description.isEmpty() ? QStringLiteral("-") : description);
        if (o.probe) {
            std::optional<moduleprotocol::Identification> answer;
            ops::search({name}, o.baud, moduleprotocol::kSearchWaitMs, [&answer](const ops::SearchStep &step) {
                if (step.found)
                    answer = step.answer;
                return true;
            });
            const ops::Refusal refusal =
                answer ? ops::refusalOf(*answer, Failure::None, false) : ops::Refusal::Silent;
            if (answer && refusal == ops::Refusal::None) {
                line += QLatin1Char('\t')
                    + Text::tr("Kordavo modul: %1, %2").arg(answer->text, variantText(*answer->memory));
            } else if (answer) {
                // A prefix alone names no model: the same words as the other commands.
                line += QLatin1Char('\t') + refusalText(refusal, *answer);
            } else {
                line += QLatin1Char('\t') + Text::tr("nincs modul");
            }
        }
        streams.out << line << '\n';
    }
    if (listing.ports.isEmpty())
        streams.err << Text::tr("Nincs megnyitható port.") << '\n';
    return kSuccess;
}

} // namespace cli
