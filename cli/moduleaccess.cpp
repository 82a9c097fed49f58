#include "cli/moduleaccess.h"

#include "cli/clitext.h"
#include "cli/wording.h"

#include <atomic>

namespace cli {

namespace {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;
namespace ops = moduleoperations;

std::atomic<bool> interruptFlag{false};
std::atomic<int> interruptSignal{0};

} // namespace

bool identify(ModuleSession &session, Outcome *outcome, ops::Identified *result)
{
    const ops::Identified identified = ops::identify(session);
    if (result)
        *result = identified;
    outcome->identification = identified.answer.text;
    if (identified.failure == Failure::PortNotOpened) {
        outcome->code = kLineFailure;
        outcome->message = portFailure(session.portName());
        return false;
    }
    if (!identified.known()) {
        refuse(session, identified.refusal, identified.answer, outcome);
        return false;
    }
    outcome->memory = identified.memory;
    return true;
}

void refuse(ModuleSession &session, ops::Refusal refusal, const moduleprotocol::Identification &answer,
            Outcome *outcome)
{
    outcome->code = kLineFailure;
    outcome->message = refusalText(refusal, answer);
    // A module the tool does not know goes back to normal operation, --stay
    // or not: nothing is to be done with it.
    if (refusedInProgramMode(refusal))
        ops::leave(session);
    session.close();
}

bool identifyOrReport(ModuleSession &session, const QString &port, Outcome *outcome, Streams &streams)
{
    if (identify(session, outcome))
        return true;
    printOutcome(port, *outcome, streams);
    return false;
}

void finish(ModuleSession &session, const Options &o)
{
    if (!o.stay)
        ops::leave(session);
    session.close();
}

void noRecords(const QString &port, Failure failure, Outcome *outcome, bool flooded, bool lineLost)
{
    outcome->code = kLineFailure;
    outcome->message = resultwords::noRecords(failure, flooded, lineLost, port);
}

ops::Control interruptible()
{
    ops::Control control;
    control.cancel = &interruptFlag;
    return control;
}

bool interrupted(ModuleSession &session, const Options &o, bool inProgramMode, Outcome *outcome,
                 const QString &note)
{
    if (!interruptFlag)
        return false;
    QString state = note.isEmpty() ? QString() : note + QLatin1String("; ");
    if (!inProgramMode) {
        state += Text::tr("a modul nem lépett programozási üzemmódba");
    } else if (o.stay) {
        state += Text::tr("a modul programozási üzemmódban maradt");
    } else {
        ops::leave(session);
        state += Text::tr("a modul visszaállt normál üzemmódba");
    }
    session.close();
    outcome->code = 128 + interruptSignal;
    outcome->message = Text::tr("megszakítva; %1").arg(state);
    return true;
}

QString settleAfterInterruptedRead(ModuleSession &session, const Options &o, const std::function<void()> &waiting)
{
    if (!interruptFlag)
        return {};
    if (waiting)
        waiting();
    return settledText(ops::settleAfterRecords(session, o.baud));
}

void clearInterrupt()
{
    interruptFlag = false;
    interruptSignal = 0;
}

void requestInterrupt(int signal)
{
    interruptSignal = signal;
    interruptFlag = true;
}

bool interruptRequested()
{
    return interruptFlag;
}

} // namespace cli
