#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/files.h"
#include "cli/moduleaccess.h"
#include "cli/output.h"
#include "cli/registerrecording.h"
#include "cli/wording.h"
#include "document/configfile.h"
#include "serial/modulecommands.h"
#include "transfer/configimage.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace cli {

namespace {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;
namespace ops = moduleoperations;

// What goes to this module, or the outcome that says why nothing does.
// `note` names what the module will not hold; --strict refuses it instead.
std::optional<ops::Prepared> preparedFor(const Configuration &configuration, const ops::Identified &module,
                                         const Options &o, Outcome *outcome, QString *note)
{
    ops::Prepared prepared = ops::prepare(configuration, module.model);
    if (prepared.problem) {
        // A field that breaks the rules, as check says of it.
        outcome->code = kRefused;
        outcome->message = problemText(*prepared.problem);
        return std::nullopt;
    }
    *note = notTransferred(prepared);
    if (o.strict && !note->isEmpty()) {
        outcome->code = kRefused;
        outcome->message = Text::tr("--strict: a fájl nem fér el a modulban (%1)")
                               .arg(*note);
        return std::nullopt;
    }
    return prepared;
}

// The whole answer of "~{": every record with its CR and the closing character.
int recordBytes(int entries)
{
    return ops::recordCharacters(entries) + configimage::kGeneralRecords + configimage::kReservedRecords + entries + 1;
}

Outcome downloadTo(const QString &port, const Options &o, const LoadedFile &file, PortProgress &progress)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, &outcome, &module);
    if (interrupted(session, o, identified, &outcome) || !identified)
        return outcome;
    QString note;
    const std::optional<ops::Prepared> prepared = preparedFor(file.configuration, module, o, &outcome, &note);
    if (!prepared) {
        finish(session, o);
        return outcome;
    }
    progress.maximum = ops::downloadProgressMaximum(prepared->image);
    ops::Control control = interruptible();
    control.sendProgress = [&progress](int value) {
        progress.value = value;
        return true;
    };
    const ops::Downloaded downloaded = ops::download(session, prepared->image, modulecommands::kStored, control);
    outcome.transferred = true;
    if (downloaded.ok())
        outcome.image = configimage::asSent(prepared->image);
    using moduleprotocol::WriteStage;
    if (interrupted(session, o, true, &outcome)) {
        // A set stopped short is closed short, which the module rejects.
        if (downloaded.ok())
            outcome.message += Text::tr("; a konfiguráció már tárolódott");
        else if (downloaded.reached == WriteStage::RecordsSent)
            outcome.message += Text::tr("; a rekordok mind elmentek, a tárolás nem ismert");
        else if (downloaded.reached == WriteStage::Ready)
            outcome.message += Text::tr("; a betöltés félbeszakadt, semmi sem tárolódott");
        return outcome;
    }
    if (downloaded.ok()) {
        outcome.message = withNote(Text::tr("sikeres betöltés (%1, %2)")
                                       .arg(outcome.identification, variantText(outcome.memory)),
                                   note);
    } else if (downloaded.failure == Failure::PortNotOpened || downloaded.lineLost) {
        outcome.code = kLineFailure;
        outcome.message = resultwords::downloadFailure(downloaded, port);
    } else {
        // The module said no: it was not ready, or did not acknowledge.
        outcome.code = kRefused;
        outcome.message = Text::tr("betöltés hiba: %1").arg(resultwords::downloadFailure(downloaded, port));
    }
    finish(session, o);
    return outcome;
}

Outcome verifyOn(const QString &port, const Options &o, const LoadedFile &file, PortProgress &progress)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, &outcome, &module);
    if (interrupted(session, o, identified, &outcome) || !identified)
        return outcome;
    QString note;
    const std::optional<ops::Prepared> prepared = preparedFor(file.configuration, module, o, &outcome, &note);
    if (!prepared) {
        finish(session, o);
        return outcome;
    }
    progress.maximum = recordBytes(module.model.entries);
    ops::Control control = interruptible();
    control.readProgress = [&progress](int step) {
        progress.value += step + (step == 0 ? 1 : 0);
        return true;
    };
    const ops::Verified verified = ops::verify(session, prepared->image, module.model.entries, control);
    outcome.transferred = true;
    outcome.image = verified.stored;
    const QString settled = verified.failure == Failure::Cancelled
        ? settleAfterInterruptedRead(session, o, [&progress] { progress.settling = true; })
        : QString();
    if (interrupted(session, o, true, &outcome, settled))
        return outcome;
    finish(session, o);
    if (!verified.ok()) {
        noRecords(port, verified.failure, &outcome, verified.flooded, verified.lineLost);
        return outcome;
    }
    if (verified.matches()) {
        outcome.message = withNote(Text::tr("sikeres ellenőrzés (%1)").arg(outcome.identification), note);
        return outcome;
    }
    const int firstTelephone = configimage::kGeneralRecords + configimage::kReservedRecords;
    for (const configimage::RecordDifference &difference : verified.differences) {
        const auto shown = difference.record >= firstTelephone ? shownTelephoneRecord : shownRecord;
        outcome.details << Text::tr("%1: a modulban %2, a fájlban %3")
                               .arg(recordLabel(difference.record), shown(difference.stored), shown(difference.expected));
    }
    outcome.code = kRefused;
    outcome.message = Text::tr("sikertelen ellenőrzés: %1 eltérés").arg(outcome.details.size());
    // Records alike, but the answer stopped short of its end: no match either.
    if (verified.endedEarly) {
        const QString early = recordProblemText({configimage::RecordSetProblem::Kind::EndedEarly}, module.model.entries);
        if (outcome.details.isEmpty())
            outcome.message = Text::tr("sikertelen ellenőrzés: a válasz nem teljes");
        outcome.details << early;
    }
    return outcome;
}

} // namespace

int commandDownloadOrVerify(const Options &o, Streams &streams, bool download)
{
    if (int code = needPositional(o, 1, streams))
        return code;
    if (int code = needPorts(o, streams, true))
        return code;
    if (int code = refuseUnusableLog(o, streams))
        return code;
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams);
    if (!file)
        return kBadFile;
    // What stops it on every module is found before any port is touched:
    // a field that breaks the rules, as check says of it, even with --force.
    if (const std::optional<ops::FieldProblem> problem = ops::problemOnAnyModule(file->configuration)) {
        streams.err << problemText(*problem) << '\n';
        return kRefused;
    }
    // A value the form would not take (a PIN with a letter can lock the SIM)
    // goes out only when forced.
    if (!o.force) {
        const std::optional<QList<filecheck::Problem>> problems = filecheck::check(file->lines);
        if (problems && filecheck::faults(*problems) > 0) {
            QList<filecheck::Problem> faults;
            std::copy_if(problems->begin(), problems->end(), std::back_inserter(faults),
                         [](const filecheck::Problem &p) { return !p.warning; });
            printProblems(faults, streams.err);
            streams.err << Text::tr("%1 hibás érték; a modul nem kapta meg. Küldés mégis: --force")
                               .arg(faults.size())
                        << '\n';
            return kRefused;
        }
    }
    const QString hash = fileHash(file->bytes);
    TransferRegister siteRegister(o, streams);

    // One session per port, side by side: each module takes as long as one.
    // Each port's line is printed as it ends.
    struct Run
    {
        QString port;
        PortProgress progress;
        Outcome outcome;
        std::atomic<bool> done{false};
        bool reported = false;
        // A QThread, since the serial port needs one for its notifiers.
        std::unique_ptr<QThread> thread;
    };
    std::vector<std::unique_ptr<Run>> runs;
    std::mutex mutex;
    std::condition_variable ended;
    for (const QString &port : o.ports) {
        auto run = std::make_unique<Run>();
        run->port = port;
        Run *r = run.get();
        run->thread.reset(QThread::create([r, &o, &file, download, &mutex, &ended] {
            r->outcome = download ? downloadTo(r->port, o, *file, r->progress)
                                  : verifyOn(r->port, o, *file, r->progress);
            const std::lock_guard<std::mutex> lock(mutex);
            r->done = true;
            ended.notify_one();
        }));
        run->thread->start();
        runs.push_back(std::move(run));
    }
    ProgressBar bar(streams, download ? Text::tr("Betöltés") : Text::tr("Ellenőrzés"), 1000);
    int worst = kSuccess;
    for (size_t reported = 0; reported < runs.size();) {
        {
            // Woken at once by a port that ends; otherwise the bar moves on.
            std::unique_lock<std::mutex> lock(mutex);
            ended.wait_for(lock, std::chrono::milliseconds(100), [&runs] {
                return std::any_of(runs.begin(), runs.end(),
                                   [](const std::unique_ptr<Run> &r) { return r->done && !r->reported; });
            });
        }
        qint64 value = 0;
        qint64 maximum = 0;
        for (const auto &run : runs) {
            value += run->progress.value;
            maximum += std::max(1, run->progress.maximum.load());
        }
        bar.set(int(value * 1000 / std::max<qint64>(maximum, 1)));
        for (const auto &run : runs) {
            if (run->progress.settling.exchange(false)) {
                bar.finish();
                streams.err << settlingNotice(run->port) << '\n';
                streams.err.flush();
            }
            if (run->reported || !run->done)
                continue;
            run->thread->wait();
            run->reported = true;
            ++reported;
            bar.finish();
            printOutcome(run->port, run->outcome, streams);
            worst = std::max({worst, run->outcome.code,
                              appendLog(o, run->port, run->outcome, o.positional.first(), hash, streams)});
            siteRegister.record(run->port, run->outcome, file->bytes);
        }
    }
    // An interrupted port gives 128 + signal; one whose work was done before
    // the signal came keeps its own code and line, so they never disagree.
    return worst;
}

int commandReadout(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 1, streams))
        return code;
    const QString path = o.positional.first();
    if (int code = refuseOverwrite(path, o, streams))
        return code;
    if (int code = refuseUnusableLog(o, streams))
        return code;
    const QString port = o.ports.first();
    TransferRegister siteRegister(o, streams);
    Outcome outcome;
    QString hash;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, &outcome, &module);
    if (!interrupted(session, o, identified, &outcome) && identified) {
        ProgressBar bar(streams, Text::tr("Kiolvasás"), recordBytes(module.model.entries));
        ops::Control control = interruptible();
        control.readProgress = readProgress(bar);
        const ops::ReadOut read = ops::readout(session, module.model, control);
        outcome.transferred = true;
        bar.finish();
        const QString settled = read.failure == Failure::Cancelled
            ? settleAfterInterruptedRead(session, o, [&] { streams.err << settlingNotice(port) << '\n'; streams.err.flush(); })
            : QString();
        const bool stopped = interrupted(session, o, true, &outcome, settled);
        if (!stopped)
            finish(session, o);
        const std::optional<Configuration> &configuration = read.configuration;
        std::optional<configfile::UnsavableField> unsavable;
        if (configuration)
            unsavable = configfile::unsavableField(*configuration);
        // check and download refuse a "|" in any field: such a file would be no use.
        const int separator = configuration ? configimage::fieldWithSeparator(*configuration, configfile::kTelephoneEntries) : -1;
        if (stopped) {
            // Nothing is written of an interrupted read-out.
        } else if (read.recordProblem || read.incomplete) {
            outcome.code = kRefused;
            outcome.message = Text::tr("sikertelen kiolvasás: %1")
                                  .arg(readoutFailure(read, module.model.entries, port));
        } else if (!read.ok()) {
            noRecords(port, read.failure, &outcome, read.flooded, read.lineLost);
        } else if (unsavable) {
            // The window's save refuses the same form: a file must open again.
            outcome.code = kRefused;
            outcome.message = unsavableText(*unsavable);
        } else if (separator >= 0) {
            outcome.code = kRefused;
            outcome.message = Text::tr("%1; a fájl nem készült el")
                                  .arg(problemText({ops::FieldProblem::Kind::Separator, separator}));
        } else if (configuration) {
            const QByteArray bytes = configfile::formatLines(configfile::toLines(*configuration));
            QString error;
            if (!configfile::writeFile(path, bytes, &error)) {
                outcome.code = kBadFile;
                outcome.message = Text::tr("a fájl mentése nem sikerült: %1 (%2)")
                                      .arg(path, error);
            } else {
                hash = fileHash(bytes);
                outcome.image = read.image;
                outcome.krv = bytes;
                outcome.message = Text::tr("sikeres kiolvasás: %1 (%2, %3)")
                                      .arg(path, outcome.identification, variantText(outcome.memory));
            }
        }
    }
    printOutcome(port, outcome, streams);
    const int code = std::max(outcome.code, appendLog(o, port, outcome, path, hash, streams));
    siteRegister.record(port, outcome, {});
    return code;
}

} // namespace cli
