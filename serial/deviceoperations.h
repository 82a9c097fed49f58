#pragma once

// The module's own operations, as the window and kordavo-cli both run them:
// identification, leaving programming mode, the status query, the outputs and
// the port list. The clients lend a progress and a cancel flag and show the
// typed result; neither walks a command sequence itself.

#include "document/modulemodel.h"
#include "serial/moduleprotocol.h"
#include "serial/modulereplies.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>
#include <functional>
#include <optional>

namespace moduleoperations {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;

// What a client lends an operation: the progress it shows, and the flag that
// stops it (the window's Mégse, the tool's Ctrl-C). The flag is read at every
// byte that moves and before every exchange, so an operation stops at the
// next byte or, on a silent line, once the read wait runs out.
struct Control
{
    moduleprotocol::ReadProgress readProgress;   // the answer bytes of a reading
    moduleprotocol::SendProgress sendProgress;   // the download's progress value
    const std::atomic<bool> *cancel = nullptr;

    bool cancelled() const { return cancel && cancel->load(); }
    // The progress callbacks with the flag folded in.
    moduleprotocol::ReadProgress reading() const;
    moduleprotocol::SendProgress sending() const;
};

// --- identification ("~|") ---

// Why an answer to "~|" names no module that the tool can work with. The
// window takes any answer with a module's prefix; kordavo-cli only a whole
// answer from a model it knows, so it never reads or writes a module as a
// model it is not.
enum class Refusal {
    None,
    PortNotOpened,
    Cancelled,
    Silent,         // no answer at all
    LineLost,       // the line went away during the answer
    Flooded,        // the line never fell silent
    Foreign,        // not a Kordavo module's prefix
    Incomplete,     // no terminator: the answer was cut short
    UnknownModel,   // a memory field that none of the known models reports
};
Refusal refusalOf(const moduleprotocol::Identification &answer, Failure failure, bool lineLost);

struct Identified
{
    Failure failure = Failure::None;   // PortNotOpened, Cancelled, or BadAnswer: silent or no module
    moduleprotocol::Identification answer;
    // A module that names itself as one is in programming mode now, whatever
    // its memory field holds; a field that is not a number counts as 0.
    int memory = 0;
    modulemodel::Model model;
    Refusal refusal = Refusal::None;

    bool inProgramMode() const { return failure == Failure::None; }
    // A whole answer from a known model: what kordavo-cli works with.
    bool known() const { return refusal == Refusal::None; }
    bool silent() const { return answer.text.isEmpty(); }
};
Identified identify(ModuleSession &session, const Control &control = {});

// "~X": back to normal operation; the module restarts.
Failure leave(ModuleSession &session);

// --- status ("~|", "~R", "~S") ---

struct Status
{
    enum class Step { Identify, States, Signal, Done };
    Step reached = Step::Identify;   // the step that failed, or Done
    Failure failure = Failure::None;
    moduleprotocol::Identification identification;
    int memory = 0;
    modulereplies::IoStates states;
    modulereplies::SignalInfo signal;   // raw value and the bar's value
    Refusal refusal = Refusal::None;    // the identification's, when known models only were asked for
    bool lineLost = false;   // the step that failed lost the line
    bool flooded = false;    // the step that failed met a line that never fell silent
    bool ok() const { return reached == Step::Done; }
};
// The status query asks only for a memory size that is a number; the
// prefix is not checked, unless `knownOnly` asks for a whole answer from a
// known model as kordavo-cli does. `stepDone` is told after the
// identification and after the states, so a window can show each as it comes.
Status status(ModuleSession &session, const Control &control = {},
              const std::function<void(const Status &)> &stepDone = {}, bool knownOnly = false);

// --- outputs ---

moduleprotocol::Result<modulereplies::IoStates> outputStates(ModuleSession &session);
// The outputs that shall be on. The port stays open for what the caller
// sends next.
Failure setOutputs(ModuleSession &session, OutputMask outputs);

// --- ports ---

using PortSource = std::function<QStringList()>;

struct PortListing
{
    QStringList ports;   // in natural order, each one that can be opened now
    // The first listed port that exists but this user may not open, and the
    // group that may; empty when there is none.
    QString deniedPath;
    QString deniedGroup;
};
// The ports the system reports, or the source's. On Windows the system's
// are COM1 to COM32.
constexpr int kWindowsPorts = 32;
PortListing listPorts(const PortSource &source = {});
// What the system calls the port ("FT232R USB UART"); empty when it says
// nothing, as on Windows.
QString portDescription(const QString &name);

struct SearchStep
{
    QString port;
    bool found = false;
    moduleprotocol::Identification answer;
};
struct Found
{
    std::optional<QString> port;   // the last port whose answer names a module
    bool cancelled = false;
};
// Probes every port in turn with "~|", waiting `waitMs` for each answer, and
// sends ESC to each that answered as a module. `afterProbe` is told of every
// port that opened; returning false stops the search. Each port's line comes
// from `lines` (the serial port when it is empty).
Found search(const QStringList &ports, int baudRate, quint32 waitMs,
             const std::function<bool(const SearchStep &)> &afterProbe = {},
             const moduleprotocol::LineFactory &lines = {});

} // namespace moduleoperations
