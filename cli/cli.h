#pragma once

// kordavo-cli's commands: run() takes the arguments after the program name
// and returns the exit code. The program's main() only connects it to the
// standard streams; the tests call it directly.

#include <QtCore/QStringList>
#include <QtCore/QTextStream>

#include <functional>

namespace cli {

enum ExitCode {
    kSuccess = 0,
    kRefused = 1,     // the module said no, or differs; a file's fields break the rules
    kUsage = 2,
    kLineFailure = 3, // the port does not open, the module is silent or no module
    kBadFile = 4,
    kRegisterUnusable = 5,   // register commands: the register is off, unreachable, read-only or damaged
};

struct Streams
{
    QTextStream &out;
    QTextStream &err;
    // Progress bars are drawn only on a terminal.
    bool errIsTerminal = false;
};

int run(const QStringList &arguments, Streams streams);

// Asks the running command to stop at its next safe point (the next byte on
// the line, or the end of the current read wait): the module is sent back to
// normal operation unless --stay was given, the log says "megszakítva", and
// run() returns 128 + signal. Only sets atomics, so a signal handler may call it.
void requestInterrupt(int signal);
bool interruptRequested();

// The ports that `ports` lists; tests install their own (a pseudo-terminal
// is not in the system's list). An empty function restores the system's.
using PortSource = std::function<QStringList()>;
void setPortSource(PortSource source);

} // namespace cli
