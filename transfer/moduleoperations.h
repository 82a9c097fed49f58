#pragma once

// The configuration's operations, as the window and kordavo-cli both run them:
// which exchanges make up each one, what a configuration becomes on the line,
// and what the answers mean (the module's own operations are in
// serial/deviceoperations.h). The clients gather their input, lend a progress
// and a cancel flag, and show the typed result; neither walks a command
// sequence or builds a record image itself, so the same file sends the same
// bytes from both.

#include "document/configuration.h"
#include "document/modulemodel.h"
#include "serial/deviceoperations.h"
#include "serial/moduleprotocol.h"
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
    int records = 0;         // the image's records
    // The records that went out whole (each with its CR) before the line
    // went away, or all that went out.
    int recordsSent = 0;
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
    Failure failure = Failure::None;   // BadAnswer: no answer, or no whole record set
    // What the module holds, as the form shows it: a reduced module's names
    // and rights too, which only a download replaces.
    std::optional<Configuration> configuration;
    QString image;             // the answer in image form (normalizeReply)
    bool incomplete = false;   // an answer came, with too few records or cut short
    // What keeps the answer from being the model's record set; nothing when
    // it is one, or when no answer came.
    std::optional<configimage::RecordSetProblem> recordProblem;
    bool flooded = false;      // the line never fell silent
    bool lineLost = false;
    bool ok() const { return failure == Failure::None; }
};
ReadOut readout(ModuleSession &session, const modulemodel::Model &model, const Control &control = {});

struct Verified
{
    Failure failure = Failure::None;   // BadAnswer: the module sent no records
    QList<configimage::RecordDifference> differences;
    QString stored;   // the module's answer in image form (normalizeReply)
    // The normalised answer is the image itself, character for character.
    bool exact = false;
    // The answer stopped before its closing character.
    bool endedEarly = false;
    bool flooded = false;
    bool lineLost = false;
    bool ok() const { return failure == Failure::None; }
    bool matches() const { return failure == Failure::None && exact; }
};
// Compares the module's records with a prepared image as a download sends
// it: ő and ű travel as ö and ü, so a module holding those holds a faithful copy.
Verified verify(ModuleSession &session, const QString &image, int entries, const Control &control = {});

// After a records answer was stopped (a cancel, a signal): the module goes
// on sending its records, and a command sent meanwhile would be lost in
// them. Reads on until the line falls silent, for at most as long as the
// largest answer takes at this baud rate.
moduleprotocol::ModuleSession::Silence settleAfterRecords(ModuleSession &session, int baudRate);

} // namespace moduleoperations
