#pragma once

// What every module command of the tool does around the core's operations:
// the identification reported as an outcome, the way back to normal
// operation, and the interrupt that stops a command at its next safe point.

#include "cli/options.h"
#include "cli/output.h"
#include "serial/deviceoperations.h"
#include "serial/moduleprotocol.h"

#include <functional>

namespace cli {

// "~|", as the port button sends it: a module that names itself as one is
// then in programming mode.
bool identify(moduleprotocol::ModuleSession &session, Outcome *outcome,
              moduleoperations::Identified *result = nullptr);
// The identification, with its failure reported for the port.
bool identifyOrReport(moduleprotocol::ModuleSession &session, const QString &port, Outcome *outcome,
                      Streams &streams);
// Back to normal operation unless the user keeps programming mode.
void finish(moduleprotocol::ModuleSession &session, const Options &o);
// A module the tool does not work with, told as the outcome; one that took
// "~|" as a module goes back to normal operation.
void refuse(moduleprotocol::ModuleSession &session, moduleoperations::Refusal refusal,
            const moduleprotocol::Identification &answer, Outcome *outcome);
// Why the module's records did not come.
void noRecords(const QString &port, moduleprotocol::Failure failure, Outcome *outcome, bool flooded = false,
               bool lineLost = false);

// What an operation lends the line: Ctrl-C, SIGTERM and SIGHUP stop it.
moduleoperations::Control interruptible();
// After an interrupt, at a safe point: the module goes back to normal
// operation unless --stay keeps it, and the outcome says where it was left.
// `note` says first what happened on the line before that.
bool interrupted(moduleprotocol::ModuleSession &session, const Options &o, bool inProgramMode, Outcome *outcome,
                 const QString &note = {});
// After a records answer was stopped by an interrupt: waits, for at most as
// long as the whole answer takes at --baud, until the module has sent it,
// so that "~X" and the next command are not lost in it. `waiting` is told
// first. The words for the interrupt line; empty when nothing was stopped.
QString settleAfterInterruptedRead(moduleprotocol::ModuleSession &session, const Options &o,
                                   const std::function<void()> &waiting = {});
void clearInterrupt();

} // namespace cli
