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
    if (!identified.inProgramMode()) {
        outcome->code = kLineFailure;
        outcome->message = identified.silent()
                               ? Text::tr("a modul nem válaszol")
                               : Text::tr("nem Kordavo modul válaszolt: „%1”")
                                     .arg(identified.answer.text);
        return false;
    }
    outcome->memory = identified.memory;
    return true;
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

void noRecords(const QString &port, Failure failure, Outcome *outcome)
{
    outcome->code = kLineFailure;
    outcome->message = failure == Failure::PortNotOpened
                           ? portFailure(port)
                           : Text::tr("a modul nem küldte el a rekordjait");
}

ops::Control interruptible()
{
    ops::Control control;
    control.cancel = &interruptFlag;
    return control;
}

bool interrupted(ModuleSession &session, const Options &o, bool inProgramMode, Outcome *outcome)
{
    if (!interruptFlag)
        return false;
    QString state;
    if (!inProgramMode) {
        state = Text::tr("a modul nem lépett programozási üzemmódba");
    } else if (o.stay) {
        state = Text::tr("a modul programozási üzemmódban maradt");
    } else {
        ops::leave(session);
        state = Text::tr("a modul visszaállt normál üzemmódba");
    }
    session.close();
    outcome->code = 128 + interruptSignal;
    outcome->message = Text::tr("megszakítva; %1").arg(state);
    return true;
}

int interruptExitCode()
{
    return 128 + interruptSignal;
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
