#pragma once

// What every module command of the tool does around the core's operations:
// the identification reported as an outcome, the way back to normal
// operation, and the interrupt that stops a command at its next safe point.

#include "cli/options.h"
#include "cli/output.h"
#include "serial/deviceoperations.h"
#include "serial/moduleprotocol.h"

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
// Why the module's records did not come.
void noRecords(const QString &port, moduleprotocol::Failure failure, Outcome *outcome);

// What an operation lends the line: Ctrl-C, SIGTERM and SIGHUP stop it.
moduleoperations::Control interruptible();
// After an interrupt, at a safe point: the module goes back to normal
// operation unless --stay keeps it, and the outcome says where it was left.
bool interrupted(moduleprotocol::ModuleSession &session, const Options &o, bool inProgramMode, Outcome *outcome);
// 128 + the signal that interrupted the command.
int interruptExitCode();
void clearInterrupt();

} // namespace cli
