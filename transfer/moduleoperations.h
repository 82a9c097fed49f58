#pragma once

// The module's operations, as the window and kordavo-cli both run them:
// which exchanges make up each one, what a configuration becomes on the line,
// and what the answers mean. The clients gather their input, lend a progress
// and a cancel flag, and show the typed result; neither walks a command
// sequence or builds a record image itself, so the same file sends the same
// bytes from both.

#include "document/configuration.h"
#include "document/modulemodel.h"
#include "serial/moduleprotocol.h"
#include "serial/modulereplies.h"
#include "transfer/configimage.h"

#include <QtCore/QList>
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

struct Identified
{
    Failure failure = Failure::None;   // PortNotOpened, Cancelled, or BadAnswer: silent or no module
    moduleprotocol::Identification answer;
    // A module that names itself as one is in programming mode now, whatever
    // its memory field holds; a field that is not a number counts as 0.
    int memory = 0;
    modulemodel::Model model;

    bool inProgramMode() const { return failure == Failure::None; }
    bool silent() const { return answer.text.isEmpty(); }
};
Identified identify(ModuleSession &session, const Control &control = {});

// "~X": back to normal operation; the module restarts.
Failure leave(ModuleSession &session);

// --- what goes to a module ---

// A field that stops a download or verify before anything is sent. Fields
// count in record order: 0 … 15 the general fields, 16 + n - 1 number n.
struct FieldProblem
{
    enum class Kind { Empty, Separator };
    Kind kind = Kind::Empty;
    int field = -1;
};

// The faults that stop a download or verify on any module, found before a
// port is opened: an empty general field or a "|" in one that every model
// sends as it stands, or a "|" in one of the first 32 numbers.
std::optional<FieldProblem> problemOnAnyModule(const Configuration &configuration);

struct Prepared
{
    modulemodel::Model model;
    Configuration fitted;     // as the window's form holds it for this model
    // The record image; on a problem, the records before the empty field.
    QString image;
    std::optional<FieldProblem> problem;

    // What the module will not hold of the configuration as it was given.
    int firstDropped = 0;      // numbers past the module's memory: the first
    int lastDropped = 0;       // and last position among them, and how many
    int droppedNumbers = 0;    // of them hold a number
    bool reducedDropped = false;   // a reduced model: names, messages, restore setting or rights replaced

    bool ok() const { return !problem; }
};
Prepared prepare(const Configuration &configuration, const modulemodel::Model &model);

// --- download ("~}") ---

struct Downloaded
{
    Failure failure = Failure::None;
    // NotReady: nothing was stored. Ready or RecordsSent without success: the
    // records went out and whether they were stored is not known.
    moduleprotocol::WriteStage reached = moduleprotocol::WriteStage::NotReady;
    bool lineLost = false;   // the line went away on the way
    bool ok() const { return failure == Failure::None; }
};
// Sends a prepared image. The progress value is 15 once the module is ready,
// then one more for every byte.
Downloaded download(ModuleSession &session, const QString &image, char ackChar, const Control &control = {});
// The progress value's end: the image's length plus 15.
int downloadProgressMaximum(const QString &image);

// --- read-out and verify ("~{") ---

// The answer bytes a read-out of `entries` numbers counts, for a progress bar.
int recordCharacters(int entries);

struct ReadOut
{
    Failure failure = Failure::None;   // BadAnswer: no answer, or too few records
    std::optional<Configuration> configuration;   // fitted to the model
    bool incomplete = false;   // an answer came, with too few records
    bool lineLost = false;
    bool ok() const { return failure == Failure::None; }
};
ReadOut readout(ModuleSession &session, const modulemodel::Model &model, const Control &control = {});

struct Verified
{
    Failure failure = Failure::None;   // BadAnswer: the module sent no records
    QList<configimage::RecordDifference> differences;
    bool lineLost = false;
    bool ok() const { return failure == Failure::None; }
    bool matches() const { return failure == Failure::None && differences.isEmpty(); }
};
// Compares the module's records with a prepared image as a download sends
// it: ő and ű travel as ö and ü, so a module holding those holds a faithful copy.
Verified verify(ModuleSession &session, const QString &image, int entries, const Control &control = {});

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
    bool ok() const { return reached == Step::Done; }
};
// The status query asks only for a memory size that is a number; the
// prefix is not checked. `stepDone` is told after the identification and
// after the states, so a window can show each as it comes.
Status status(ModuleSession &session, const Control &control = {},
              const std::function<void(const Status &)> &stepDone = {});

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
// The ports the system reports, or the source's.
PortListing listPorts(const PortSource &source = {});

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
// port that opened; returning false stops the search.
Found search(const QStringList &ports, int baudRate, quint32 waitMs,
             const std::function<bool(const SearchStep &)> &afterProbe = {});

} // namespace moduleoperations
