#include "cli/cli.h"

#include "cli/clitext.h"
#include "cli/csvlist.h"
#include "cli/filecheck.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "serial/moduleprotocol.h"
#include "serial/portdiagnosis.h"
#include "transfer/configimage.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDateTime>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QThread>
#include <QtSerialPort/QSerialPortInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>
#include <optional>

namespace cli {

namespace {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;
namespace ops = moduleoperations;

constexpr int kDefaultBaud = 1200;   // the window's default as well
constexpr char kAckChar = 'O';

PortSource &portSource()
{
    static PortSource source;
    return source;
}

struct Options
{
    QString command;
    QStringList positional;
    QStringList ports;
    int baud = kDefaultBaud;
    QString lang;
    QString log;
    QChar separator = QLatin1Char(csvlist::kDefaultSeparator);
    bool stay = false;
    bool fast = false;
    bool force = false;
    bool strict = false;
    bool json = false;
    bool probe = false;
    bool help = false;
};

// Parses everything; `error` names the first thing that is wrong, in both languages
// through `t` once --lang is known.
std::optional<Options> parseArguments(const QStringList &arguments, QString *badArgument, QString *missingValue)
{
    Options o;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        const auto value = [&](QString *target) {
            if (i + 1 >= arguments.size()) {
                *missingValue = a;
                return false;
            }
            *target = arguments.at(++i);
            return true;
        };
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--port")) {
            QString port;
            if (!value(&port))
                return std::nullopt;
            o.ports << port;
        } else if (a == QLatin1String("--baud")) {
            QString baud;
            if (!value(&baud))
                return std::nullopt;
            bool ok = false;
            o.baud = baud.toInt(&ok);
            if (!ok || o.baud <= 0) {
                *badArgument = baud;
                return std::nullopt;
            }
        } else if (a == QLatin1String("--lang")) {
            if (!value(&o.lang))
                return std::nullopt;
        } else if (a == QLatin1String("--log")) {
            if (!value(&o.log))
                return std::nullopt;
        } else if (a == QLatin1String("--separator")) {
            QString separator;
            if (!value(&separator))
                return std::nullopt;
            if (separator != QLatin1String(",") && separator != QLatin1String(";")) {
                *badArgument = separator;
                return std::nullopt;
            }
            o.separator = separator.at(0);
        } else if (a == QLatin1String("--stay")) {
            o.stay = true;
        } else if (a == QLatin1String("--fast")) {
            o.fast = true;
        } else if (a == QLatin1String("--force")) {
            o.force = true;
        } else if (a == QLatin1String("--strict")) {
            o.strict = true;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--probe")) {
            o.probe = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            *badArgument = a;
            return std::nullopt;
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else {
            o.positional << a;
        }
    }
    return o;
}

// A bar on standard error, only on a terminal and only once a transfer has
// taken a second: short commands and scripts stay quiet.
class ProgressBar
{
public:
    ProgressBar(Streams &streams, const QString &label, int total)
        : streams(streams), label(label), total(std::max(total, 1))
    {
        timer.start();
    }
    ~ProgressBar() { finish(); }

    void set(int value)
    {
        if (!streams.errIsTerminal || timer.elapsed() < 1000)
            return;
        const int percent = std::clamp(value * 100 / total, 0, 100);
        if (percent == lastPercent)
            return;
        lastPercent = percent;
        constexpr int width = 30;
        const int filled = percent * width / 100;
        streams.err << '\r' << label << " [" << QString(filled, QLatin1Char('#'))
                    << QString(width - filled, QLatin1Char('.')) << "] " << percent << " %";
        streams.err.flush();
        shown = true;
    }
    void finish()
    {
        if (shown)
            streams.err << '\n';
        streams.err.flush();
        shown = false;
    }

private:
    Streams &streams;
    QString label;
    int total;
    QElapsedTimer timer;
    int lastPercent = -1;
    bool shown = false;
};

// One port's progress while several run side by side: written by the port's
// own thread, read by the one that draws the combined bar.
struct PortProgress
{
    std::atomic<int> value{0};
    std::atomic<int> maximum{1};
};

// The result of one command on one port.
struct Outcome
{
    int code = kSuccess;
    QString message;
    QString identification;
    int memory = -1;
    QStringList details;   // the differing records of a verify
};

QString variantText(int memory, const Text &t)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    return model.reduced ? t(u"%1 telefonszám, egyszerűsített (azonosító, nevek és üzenetek nélkül)",
                             "%1 numbers, reduced (no identifier, names or messages)")
                               .arg(model.entries)
                         : t(u"%1 telefonszám, teljes", "%1 numbers, full").arg(model.entries);
}

// "nem lehet megnyitni a portot", with what the installer can do about it.
QString portFailure(const QString &port, const Text &t)
{
    using Reason = portdiagnosis::Diagnosis::Reason;
    const portdiagnosis::Diagnosis d = portdiagnosis::diagnose(port);
    QString reason;
    switch (d.reason) {
    case Reason::NoSuchPort:
        reason = t(u"nincs ilyen port", "no such port");
        break;
    case Reason::NotSerial:
        reason = t(u"ez nem soros port", "not a serial port");
        break;
    case Reason::NoPermission:
        reason = d.group.isEmpty()
                     ? t(u"nincs jogosultság", "permission denied")
                     : t(u"nincs jogosultság; lépjen be a(z) %1 csoportba", "permission denied; join the group %1")
                           .arg(d.group);
        break;
    case Reason::Busy:
        reason = d.lockPid > 0 ? t(u"foglalt: a(z) %1 folyamat használja", "in use by process %1").arg(d.lockPid)
                               : t(u"foglalt: egy másik program használja", "in use by another program");
        break;
    case Reason::Unknown:
        break;
    }
    const QString text = t(u"nem lehet megnyitni a portot", "cannot open the port");
    return reason.isEmpty() ? text : text + QLatin1String(": ") + reason;
}

// "~|", as the port button sends it: a module that names itself as one is
// then in programming mode.
bool identify(ModuleSession &session, const Text &t, Outcome *outcome, ops::Identified *result = nullptr)
{
    const ops::Identified identified = ops::identify(session);
    if (result)
        *result = identified;
    outcome->identification = identified.answer.text;
    if (identified.failure == Failure::PortNotOpened) {
        outcome->code = kLineFailure;
        outcome->message = portFailure(session.portName(), t);
        return false;
    }
    if (!identified.inProgramMode()) {
        outcome->code = kLineFailure;
        outcome->message = identified.silent()
                               ? t(u"a modul nem válaszol", "the module does not answer")
                               : t(u"nem Kordavo modul válaszolt: „%1”", "not a Kordavo module: \"%1\"")
                                     .arg(identified.answer.text);
        return false;
    }
    outcome->memory = identified.memory;
    return true;
}

// Back to normal operation unless the user keeps programming mode.
void finish(ModuleSession &session, const Options &o)
{
    if (!o.stay)
        ops::leave(session);
    session.close();
}

std::atomic<bool> interruptFlag{false};
std::atomic<int> interruptSignal{0};

// What an operation lends the line: Ctrl-C, SIGTERM and SIGHUP stop it.
ops::Control interruptible()
{
    ops::Control control;
    control.cancel = &interruptFlag;
    return control;
}

// After an interrupt, at a safe point: the module goes back to normal
// operation unless --stay keeps it, and the outcome says where it was left.
bool interrupted(ModuleSession &session, const Options &o, bool inProgramMode, const Text &t, Outcome *outcome)
{
    if (!interruptFlag)
        return false;
    QString state;
    if (!inProgramMode) {
        state = t(u"a modul nem lépett programozási üzemmódba", "the module did not enter programming mode");
    } else if (o.stay) {
        state = t(u"a modul programozási üzemmódban maradt", "the module stays in programming mode");
    } else {
        ops::leave(session);
        state = t(u"a modul visszaállt normál üzemmódba", "the module is back in normal operation");
    }
    session.close();
    outcome->code = 128 + interruptSignal;
    outcome->message = t(u"megszakítva; %1", "interrupted; %1").arg(state);
    return true;
}

QString fileHash(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Before the module is touched: a log that cannot take lines refuses the command.
int refuseUnusableLog(const Options &o, Streams &streams, const Text &t)
{
    if (o.log.isEmpty())
        return kSuccess;
    QFile log(o.log);
    QString error;
    if (configfile::openForAppending(log, &error))
        return kSuccess;
    streams.err << t(u"A naplófájl nem írható: %1 (%2). A modulhoz nem nyúltam.",
                     "cannot write the log file %1 (%2); the module was not touched")
                       .arg(o.log, error)
                << '\n';
    return kUsage;
}

// kBadFile, with a message, when the line does not reach the log.
int appendLog(const Options &o, const QString &port, const Outcome &outcome, const QString &file,
              const QString &hash, Streams &streams, const Text &t)
{
    if (o.log.isEmpty())
        return kSuccess;
    const QStringList fields = {
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
        o.command,
        port,
        outcome.identification,
        outcome.memory >= 0 ? QString::number(outcome.memory) : QStringLiteral("-"),
        QFileInfo(file).absoluteFilePath(),
        hash.isEmpty() ? QStringLiteral("-") : hash,
        outcome.code == kSuccess ? QStringLiteral("ok") : QStringLiteral("%1 %2").arg(outcome.code).arg(outcome.message),
    };
    QString error;
    if (configfile::appendToFile(o.log, fields.join(QLatin1Char('\t')).toUtf8() + '\n', &error))
        return kSuccess;
    streams.err << t(u"A naplósor nem írható a(z) %1 fájlba (%2).", "cannot write the log line to %1 (%2)")
                       .arg(o.log, error)
                << '\n';
    return kBadFile;
}

// Whatever went to standard output reached it: flushed and checked, so a
// full disk or /dev/full is no silent success.
int checkedOutput(int code, Streams &streams, const Text &t)
{
    errno = 0;
    streams.out.flush();
    auto *device = qobject_cast<QFileDevice *>(streams.out.device());
    const bool flushed = !device || device->flush();
    const int error = errno;
    if (streams.out.status() == QTextStream::Ok && flushed && (!device || device->error() == QFileDevice::NoError))
        return code;
    const QString other = device && !device->errorString().isEmpty() ? device->errorString() : t(u"írási hiba", "write error");
    streams.err << t(u"A kimenet nem írható (%1).", "cannot write the output (%1)")
                       .arg(configfile::errorText(error, other))
                << '\n';
    streams.err.flush();
    return std::max(code, int(kBadFile));
}

// A module's text reaches the terminal as text: a control byte (an escape
// sequence, a NUL) is shown escaped, never sent as one.
QString visible(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void printProblems(const QList<filecheck::Problem> &problems, QTextStream &stream, const Text &t)
{
    for (const filecheck::Problem &p : problems)
        stream << (p.warning ? t(u"megjegyzés: ", "note: ") : QString())
               << t(u"%1. sor, %2: „%3”: %4", "line %1, %2: \"%3\": %4").arg(p.line).arg(p.label, visible(p.value), p.message)
               << '\n';
}

void printOutcome(const QString &port, const Outcome &outcome, Streams &streams)
{
    QTextStream &stream = outcome.code == kSuccess || outcome.code == kRefused ? streams.out : streams.err;
    stream << port << ": " << visible(outcome.message) << '\n';
    for (const QString &line : outcome.details)
        stream << "  " << visible(line) << '\n';
    stream.flush();
}

struct LoadedFile
{
    QByteArray bytes;
    QStringList lines;
    Configuration configuration;
};

std::optional<LoadedFile> loadFile(const QString &path, Streams &streams, const Text &t)
{
    QFile file(path);
    if (!QFileInfo::exists(path) || !file.open(QIODevice::ReadOnly)) {
        streams.err << t(u"A fájl nem létezik vagy nem olvasható: %1", "the file does not exist or cannot be read: %1")
                           .arg(path)
                    << '\n';
        return std::nullopt;
    }
    LoadedFile loaded;
    loaded.bytes = file.read(configfile::kMaxBytesScanned);
    file.close();
    loaded.lines = configfile::readFile(path);
    const std::optional<Configuration> configuration = configfile::fromLines(loaded.lines);
    if (!configuration) {
        streams.err << t(u"Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).",
                         "cannot read the file %1; check its syntax (%2 lines needed)")
                           .arg(path)
                           .arg(configfile::kConfigurationLines)
                    << '\n';
        return std::nullopt;
    }
    loaded.configuration = *configuration;
    return loaded;
}

QString fieldLabel(int field)
{
    return field < configimage::kGeneralRecords
               ? generalfields::generalFieldName(field)
               : generalfields::telephoneFieldName(field - configimage::kGeneralRecords + 1);
}

QString problemText(const ops::FieldProblem &problem, const Text &t)
{
    if (problem.kind == ops::FieldProblem::Kind::Empty)
        return t(u"az összes mező kitöltése kötelező; üres: „%1”", "every field must be filled; empty: \"%1\"")
            .arg(fieldLabel(problem.field));
    return t(u"a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni",
             "field \"%1\" holds \"|\", which the module cannot store")
        .arg(fieldLabel(problem.field));
}

// What of the file this module does not get; empty when it gets it all.
QString notTransferred(const ops::Prepared &prepared, const Text &t)
{
    QStringList parts;
    if (prepared.droppedNumbers > 0)
        parts << t(u"a %1–%2. telefonszám nem fér el: %3 szám kimarad", "numbers %1-%2 do not fit: %3 left out")
                     .arg(prepared.firstDropped)
                     .arg(prepared.lastDropped)
                     .arg(prepared.droppedNumbers);
    if (prepared.reducedDropped)
        parts << t(u"egyszerűsített modell: nevek, üzenetek és jogok nélkül",
                   "reduced model: without names, messages and rights");
    return parts.join(QLatin1String("; "));
}

// What goes to this module, or the outcome that says why nothing does.
// `note` names what the module will not hold; --strict refuses it instead.
std::optional<ops::Prepared> preparedFor(const Configuration &configuration, const ops::Identified &module,
                                         const Options &o, const Text &t, Outcome *outcome, QString *note)
{
    ops::Prepared prepared = ops::prepare(configuration, module.model);
    if (prepared.problem) {
        outcome->code = kBadFile;
        outcome->message = problemText(*prepared.problem, t);
        return std::nullopt;
    }
    *note = notTransferred(prepared, t);
    if (o.strict && !note->isEmpty()) {
        outcome->code = kRefused;
        outcome->message = t(u"--strict: a fájl nem fér el a modulban (%1)", "--strict: the file does not fit the module (%1)")
                               .arg(*note);
        return std::nullopt;
    }
    return prepared;
}

QString withNote(const QString &message, const QString &note)
{
    return note.isEmpty() ? message : message + QLatin1String("; ") + note;
}

QString unsavableText(const configfile::UnsavableField &unsavable, const Text &t)
{
    if (unsavable.reason == configfile::UnsavableField::Reason::Terminator)
        return t(u"a(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét jelentené; a fájl nem készült el",
                 "field \"%1\" holds \"---\", which would end the file; no file was written")
            .arg(fieldLabel(unsavable.field));
    return t(u"a(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene; a fájl nem készült el",
             "field \"%1\" holds a line break, which would start a new line in the file; no file was written")
        .arg(fieldLabel(unsavable.field));
}

moduleprotocol::ReadProgress readProgress(ProgressBar &bar)
{
    return [&bar, value = 0](int step) mutable {
        value += step + (step == 0 ? 1 : 0);
        bar.set(value);
        return true;
    };
}

// The whole answer of "~{": every record with its CR and the closing character.
int recordBytes(int entries)
{
    return ops::recordCharacters(entries) + configimage::kGeneralRecords + configimage::kReservedRecords + entries + 1;
}

Outcome downloadTo(const QString &port, const Options &o, const LoadedFile &file, PortProgress &progress, const Text &t)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, t, &outcome, &module);
    if (interrupted(session, o, identified, t, &outcome) || !identified)
        return outcome;
    QString note;
    const std::optional<ops::Prepared> prepared = preparedFor(file.configuration, module, o, t, &outcome, &note);
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
    const ops::Downloaded downloaded = ops::download(session, prepared->image, kAckChar, control);
    using moduleprotocol::WriteStage;
    if (interrupted(session, o, true, t, &outcome)) {
        if (downloaded.reached != WriteStage::NotReady)
            outcome.message += t(u"; a betöltés félbeszakadt", "; the download was cut short");
        return outcome;
    }
    if (downloaded.ok()) {
        outcome.message = withNote(t(u"sikeres betöltés (%1, %2)", "download complete (%1, %2)")
                                       .arg(outcome.identification, variantText(outcome.memory, t)),
                                   note);
    } else if (downloaded.failure == Failure::PortNotOpened) {
        outcome.code = kLineFailure;
        outcome.message = portFailure(port, t);
    } else if (downloaded.lineLost) {
        outcome.code = kLineFailure;
        outcome.message = downloaded.reached == WriteStage::NotReady
                              ? t(u"a vonal megszakadt a betöltés előtt: semmi sem tárolódott",
                                  "the line went away before the download: nothing was stored")
                              : t(u"a vonal megszakadt a betöltés közben: a rekordok egy része vagy egésze "
                                  "elment, a tárolás nem ismert",
                                  "the line went away during the download: records went out, whether they "
                                  "were stored is not known");
    } else if (downloaded.reached == WriteStage::NotReady) {
        outcome.code = kRefused;
        outcome.message = t(u"betöltés hiba: a modul nem állt készen („R”), semmi sem tárolódott",
                            "download failed: the module was not ready (\"R\"), nothing was stored");
    } else {
        outcome.code = kRefused;
        outcome.message = t(u"betöltés hiba: a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)",
                            "download failed: the records went out, but the module did not confirm storing "
                            "them (\"O\")");
    }
    finish(session, o);
    return outcome;
}

QString recordLabel(int index, const Text &t)
{
    if (index < configimage::kGeneralRecords)
        return generalfields::generalFieldName(index);
    const int reserved = index - configimage::kGeneralRecords;
    if (reserved < configimage::kReservedRecords)
        return t.english() ? QStringLiteral("reserved record %1").arg(reserved + 1)
                           : generalfields::reservedRecordName(reserved + 1);
    return generalfields::telephoneFieldName(reserved - configimage::kReservedRecords + 1);
}

QString shownRecord(const std::optional<QString> &record, const Text &t)
{
    if (!record)
        return t(u"(nincs)", "(none)");
    return t(u"„%1”", "\"%1\"").arg(*record);
}

// Why the module's records did not come.
void noRecords(const QString &port, Failure failure, const Text &t, Outcome *outcome)
{
    outcome->code = kLineFailure;
    outcome->message = failure == Failure::PortNotOpened
                           ? portFailure(port, t)
                           : t(u"a modul nem küldte el a rekordjait", "the module sent no records");
}

Outcome verifyOn(const QString &port, const Options &o, const LoadedFile &file, PortProgress &progress, const Text &t)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, t, &outcome, &module);
    if (interrupted(session, o, identified, t, &outcome) || !identified)
        return outcome;
    QString note;
    const std::optional<ops::Prepared> prepared = preparedFor(file.configuration, module, o, t, &outcome, &note);
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
    if (interrupted(session, o, true, t, &outcome))
        return outcome;
    finish(session, o);
    if (!verified.ok()) {
        noRecords(port, verified.failure, t, &outcome);
        return outcome;
    }
    if (verified.matches()) {
        outcome.message = withNote(t(u"sikeres ellenőrzés (%1)", "verified (%1)").arg(outcome.identification), note);
        return outcome;
    }
    for (const configimage::RecordDifference &difference : verified.differences)
        outcome.details << t(u"%1: a modulban %2, a fájlban %3", "%1: module %2, file %3")
                               .arg(recordLabel(difference.record, t), shownRecord(difference.stored, t),
                                    shownRecord(difference.expected, t));
    outcome.code = kRefused;
    outcome.message = t(u"sikertelen ellenőrzés: %1 eltérés", "verify failed: %1 differences").arg(outcome.details.size());
    return outcome;
}

int needPorts(const Options &o, Streams &streams, const Text &t, bool several)
{
    if (o.ports.isEmpty()) {
        streams.err << t(u"Adja meg a portot: --port P", "give the port: --port P") << '\n';
        return kUsage;
    }
    if (!several && o.ports.size() > 1) {
        streams.err << t(u"Ez a parancs egyetlen portot fogad el.", "this command takes one port only") << '\n';
        return kUsage;
    }
    if (o.ports.contains(QString())) {
        streams.err << t(u"A --port értéke nem lehet üres.", "--port needs a port name") << '\n';
        return kUsage;
    }
    return kSuccess;
}

int needPositional(const Options &o, int count, Streams &streams, const Text &t)
{
    if (o.positional.size() != count) {
        streams.err << t(u"Hibás használat; lásd: kordavo-cli --help", "wrong usage; see kordavo-cli --help") << '\n';
        return kUsage;
    }
    return kSuccess;
}

// The commands that take `count` file arguments and one port.
int needOnePort(const Options &o, int count, Streams &streams, const Text &t)
{
    if (int code = needPositional(o, count, streams, t))
        return code;
    return needPorts(o, streams, t, false);
}

// The identification, with its failure reported for the port.
bool identifyOrReport(ModuleSession &session, const QString &port, const Text &t, Outcome *outcome, Streams &streams)
{
    if (identify(session, t, outcome))
        return true;
    printOutcome(port, *outcome, streams);
    return false;
}

int commandDownloadOrVerify(const Options &o, Streams &streams, const Text &t, bool download)
{
    if (int code = needPositional(o, 1, streams, t))
        return code;
    if (int code = needPorts(o, streams, t, true))
        return code;
    if (int code = refuseUnusableLog(o, streams, t))
        return code;
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams, t);
    if (!file)
        return kBadFile;
    // What stops it on every module is found before any port is touched.
    if (const std::optional<ops::FieldProblem> problem = ops::problemOnAnyModule(file->configuration)) {
        streams.err << problemText(*problem, t) << '\n';
        return kBadFile;
    }
    // A value the form would not take (a PIN with a letter can lock the SIM)
    // goes out only when forced.
    if (!o.force) {
        const std::optional<QList<filecheck::Problem>> problems = filecheck::check(file->lines, t);
        if (problems && filecheck::faults(*problems) > 0) {
            QList<filecheck::Problem> faults;
            std::copy_if(problems->begin(), problems->end(), std::back_inserter(faults),
                         [](const filecheck::Problem &p) { return !p.warning; });
            printProblems(faults, streams.err, t);
            streams.err << t(u"%1 hibás érték; a modul nem kapta meg. Küldés mégis: --force",
                             "%1 bad values; nothing was sent. To send anyway: --force")
                               .arg(faults.size())
                        << '\n';
            return kRefused;
        }
    }
    const QString hash = fileHash(file->bytes);

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
        run->thread.reset(QThread::create([r, &o, &file, &t, download, &mutex, &ended] {
            r->outcome = download ? downloadTo(r->port, o, *file, r->progress, t)
                                  : verifyOn(r->port, o, *file, r->progress, t);
            const std::lock_guard<std::mutex> lock(mutex);
            r->done = true;
            ended.notify_one();
        }));
        run->thread->start();
        runs.push_back(std::move(run));
    }
    ProgressBar bar(streams, download ? t(u"Betöltés", "Download") : t(u"Ellenőrzés", "Verify"), 1000);
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
            if (run->reported || !run->done)
                continue;
            run->thread->wait();
            run->reported = true;
            ++reported;
            bar.finish();
            printOutcome(run->port, run->outcome, streams);
            worst = std::max({worst, run->outcome.code,
                              appendLog(o, run->port, run->outcome, o.positional.first(), hash, streams, t)});
        }
    }
    // An interrupt gives its own code, whatever the other ports did.
    return interruptFlag ? 128 + interruptSignal : worst;
}

int commandReadout(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needOnePort(o, 1, streams, t))
        return code;
    const QString path = o.positional.first();
    if (QFileInfo::exists(path) && !o.force) {
        streams.err << t(u"A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.",
                         "the file exists: %1; give --force to overwrite it")
                           .arg(path)
                    << '\n';
        return kUsage;
    }
    if (int code = refuseUnusableLog(o, streams, t))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    QString hash;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    ops::Identified module;
    const bool identified = identify(session, t, &outcome, &module);
    if (!interrupted(session, o, identified, t, &outcome) && identified) {
        ProgressBar bar(streams, t(u"Kiolvasás", "Read-out"), recordBytes(module.model.entries));
        ops::Control control = interruptible();
        control.readProgress = readProgress(bar);
        const ops::ReadOut read = ops::readout(session, module.model, control);
        bar.finish();
        if (!interrupted(session, o, true, t, &outcome))
            finish(session, o);
        const std::optional<Configuration> &configuration = read.configuration;
        std::optional<configfile::UnsavableField> unsavable;
        if (configuration)
            unsavable = configfile::unsavableField(*configuration);
        if (interruptFlag) {
            // Nothing is written of an interrupted read-out.
        } else if (read.incomplete) {
            outcome.code = kRefused;
            outcome.message = t(u"sikertelen kiolvasás: a modul válasza hiányos",
                                "read-out failed: the module's answer is incomplete");
        } else if (!read.ok()) {
            noRecords(port, read.failure, t, &outcome);
        } else if (unsavable) {
            // The window's save refuses the same form: a file must open again.
            outcome.code = kRefused;
            outcome.message = unsavableText(*unsavable, t);
        } else if (configuration) {
            const QByteArray bytes = configfile::formatLines(configfile::toLines(*configuration));
            QString error;
            if (!configfile::writeFile(path, bytes, &error)) {
                outcome.code = kBadFile;
                outcome.message = t(u"a fájl mentése nem sikerült: %1 (%2)", "cannot save the file %1 (%2)")
                                      .arg(path, error);
            } else {
                hash = fileHash(bytes);
                outcome.message = t(u"sikeres kiolvasás: %1 (%2, %3)", "read out into %1 (%2, %3)")
                                      .arg(path, outcome.identification, variantText(outcome.memory, t));
            }
        }
    }
    printOutcome(port, outcome, streams);
    return std::max(outcome.code, appendLog(o, port, outcome, path, hash, streams, t));
}

int commandInfo(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needOnePort(o, 0, streams, t))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (!identifyOrReport(session, port, t, &outcome, streams))
        return outcome.code;
    finish(session, o);
    streams.out << t(u"Azonosítás: %1\nMemória: %2\nVáltozat: %3\n", "Identification: %1\nMemory: %2\nVariant: %3\n")
                       .arg(visible(outcome.identification))
                       .arg(outcome.memory)
                       .arg(variantText(outcome.memory, t));
    if (o.stay)
        streams.out << t(u"A modul programozási üzemmódban maradt.\n", "The module stays in programming mode.\n");
    return kSuccess;
}

int commandStatus(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needOnePort(o, 0, streams, t))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    const ops::Status status = ops::status(session, interruptible());
    outcome.identification = status.identification.text;
    outcome.memory = status.memory;
    // A module that answered "~|" is in programming mode and goes back.
    const bool inProgramMode = status.reached != ops::Status::Step::Identify;
    if (interrupted(session, o, inProgramMode, t, &outcome)) {
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    if (inProgramMode)
        finish(session, o);
    if (!status.ok()) {
        outcome.code = kLineFailure;
        if (status.reached != ops::Status::Step::Identify)
            outcome.message = t(u"sikertelen lekérdezés", "status query failed");
        else if (status.failure == Failure::PortNotOpened)
            outcome.message = portFailure(port, t);
        else if (status.identification.text.isEmpty())
            outcome.message = t(u"a modul nem válaszol", "the module does not answer");
        else
            outcome.message = t(u"nem Kordavo modul válaszolt: „%1”", "not a Kordavo module: \"%1\"")
                                  .arg(status.identification.text);
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
    const QString active = t(u"aktív", "active");
    const QString inactive = t(u"nem aktív", "inactive");
    streams.out << t(u"Azonosítás: %1\n", "Identification: %1\n").arg(visible(outcome.identification));
    streams.out << t(u"1. bemenet: %1\n", "Input 1: %1\n").arg(states.input1Active ? active : inactive);
    streams.out << t(u"2. bemenet: %1\n", "Input 2: %1\n").arg(states.input2Active ? active : inactive);
    for (int i = 0; i < 4; ++i)
        streams.out << t(u"%1. kimenet: %2\n", "Output %1: %2\n")
                           .arg(i + 1)
                           .arg(states.outputs.isOn(i + 1) ? t(u"be", "on") : t(u"ki", "off"));
    streams.out << t(u"Térerő: %1\n", "Signal: %1\n").arg(signal.strength);
    streams.out << t(u"Szolgáltató: %1\n", "Service: %1\n").arg(visible(signal.service));
    return kSuccess;
}

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

int commandRelay(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needOnePort(o, 1, streams, t))
        return code;
    const std::optional<OutputMask> states = relayStates(o.positional.first());
    if (!states) {
        streams.err << t(u"Hibás maszk: „%1”; például 1010 (1–4. kimenet) vagy egy hexadecimális számjegy.",
                         "bad mask \"%1\"; for example 1010 (outputs 1-4) or one hexadecimal digit")
                           .arg(o.positional.first())
                    << '\n';
        return kUsage;
    }
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (identify(session, t, &outcome)) {
        ops::setOutputs(session, *states);
        finish(session, o);
        outcome.message = t(u"kimenetek (1–4): %1", "outputs (1-4): %1").arg(states->text());
    }
    printOutcome(port, outcome, streams);
    return outcome.code;
}


int commandPorts(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needPositional(o, 0, streams, t))
        return code;
    const ops::PortListing listing = ops::listPorts(portSource());
    for (const QString &name : listing.ports) {
        QString description = QSerialPortInfo(name).description();
        QString line = name + QLatin1Char('\t') + (description.isEmpty() ? QStringLiteral("-") : description);
        if (o.probe) {
            std::optional<moduleprotocol::Identification> answer;
            ops::search({name}, o.baud, moduleprotocol::kSearchWaitMs, [&answer](const ops::SearchStep &step) {
                if (step.found)
                    answer = step.answer;
                return true;
            });
            if (answer) {
                const int memory = answer->memory.value_or(0);
                line += QLatin1Char('\t')
                    + t(u"Kordavo modul: %1, %2", "Kordavo module: %1, %2").arg(answer->text, variantText(memory, t));
            } else {
                line += QLatin1Char('\t') + t(u"nincs modul", "no module");
            }
        }
        streams.out << line << '\n';
    }
    if (listing.ports.isEmpty())
        streams.err << t(u"Nincs megnyitható port.", "no port can be opened") << '\n';
    return kSuccess;
}

int commandCheck(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needPositional(o, 1, streams, t))
        return code;
    const QString path = o.positional.first();
    if (!QFileInfo(path).isFile()) {
        streams.err << t(u"A fájl nem létezik: %1", "the file does not exist: %1").arg(path) << '\n';
        return kBadFile;
    }
    const auto problems = filecheck::check(configfile::readFile(path), t);
    if (!problems) {
        streams.err << t(u"Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).",
                         "cannot read the file %1; check its syntax (%2 lines needed)")
                           .arg(path)
                           .arg(configfile::kConfigurationLines)
                    << '\n';
        return kBadFile;
    }
    printProblems(*problems, streams.out, t);
    const int faults = filecheck::faults(*problems);
    if (problems->isEmpty()) {
        streams.out << t(u"Nincs hibás mező.", "no field breaks a rule") << '\n';
        return kSuccess;
    }
    if (faults == 0) {
        streams.out << t(u"Nincs hibás mező; %1 megjegyzés.", "no field breaks a rule; %1 notes").arg(problems->size())
                    << '\n';
        return kSuccess;
    }
    streams.out << t(u"%1 hibás érték.", "%1 bad values").arg(faults) << '\n';
    return kRefused;
}

int commandExportCsv(const Options &o, Streams &streams, const Text &t)
{
    if (o.positional.size() != 1 && o.positional.size() != 2)
        return needPositional(o, 1, streams, t);
    if (o.positional.size() == 2 && QFileInfo::exists(o.positional.at(1)) && !o.force) {
        streams.err << t(u"A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.",
                         "the file exists: %1; give --force to overwrite it")
                           .arg(o.positional.at(1))
                    << '\n';
        return kUsage;
    }
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams, t);
    if (!file)
        return kBadFile;
    const QByteArray csv = csvlist::exportList(file->configuration, o.separator, t);
    if (o.positional.size() == 1) {
        // Decoding would drop the byte order mark the spreadsheet needs.
        streams.out << QChar(0xFEFF) << QString::fromUtf8(csv.mid(3));
        return kSuccess;
    }
    QString error;
    if (!configfile::writeFile(o.positional.at(1), csv, &error)) {
        streams.err << t(u"A fájl mentése nem sikerült: %1 (%2)", "cannot save the file %1 (%2)")
                           .arg(o.positional.at(1), error)
                    << '\n';
        return kBadFile;
    }
    return kSuccess;
}

int commandImportCsv(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needPositional(o, 2, streams, t))
        return code;
    const QString csvPath = o.positional.at(0);
    const QString krvPath = o.positional.at(1);
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::ReadOnly)) {
        streams.err << t(u"A fájl nem létezik vagy nem olvasható: %1", "the file does not exist or cannot be read: %1")
                           .arg(csvPath)
                    << '\n';
        return kBadFile;
    }
    std::optional<LoadedFile> file = loadFile(krvPath, streams, t);
    if (!file)
        return kBadFile;
    // One byte past the limit tells a list that is too long from one that fits.
    const QByteArray csv = csvFile.read(csvlist::kMaxBytes + 1);
    if (csv.size() > csvlist::kMaxBytes) {
        streams.err << t(u"A CSV túl nagy (legfeljebb %1 bájt lehet), a %2 fájl nem változott: %3",
                         "the CSV is too large (at most %1 bytes); %2 is unchanged: %3")
                           .arg(csvlist::kMaxBytes)
                           .arg(krvPath, csvPath)
                    << '\n';
        return kBadFile;
    }
    const csvlist::ImportResult imported = csvlist::importList(csv, t);
    if (!imported.ok()) {
        streams.err << t(u"A CSV hibás, a %1 fájl nem változott:", "the CSV has errors; %1 is unchanged:").arg(krvPath)
                    << '\n';
        for (const QString &error : imported.errors)
            streams.err << "  " << error << '\n';
        return kBadFile;
    }
    // An empty export or a header alone is no list: it would wipe every number.
    if (imported.rows == 0) {
        streams.err << t(u"A CSV-ben nincs egyetlen sor sem a telefonszámokkal, a %1 fájl nem változott: %2",
                         "the CSV holds no rows of numbers; %1 is unchanged: %2")
                           .arg(krvPath, csvPath)
                    << '\n';
        return kBadFile;
    }
    const csvlist::Changes changes = csvlist::compare(file->configuration.telephones, imported.telephones);
    file->configuration.telephones = imported.telephones;
    // The information lines of a default configuration come after the list.
    const QStringList lines =
        configfile::toLines(file->configuration) + file->lines.mid(configfile::kConfigurationLines);
    QString error;
    if (!configfile::writeFile(krvPath, configfile::formatLines(lines), &error)) {
        streams.err << t(u"A fájl mentése nem sikerült: %1 (%2)", "cannot save the file %1 (%2)").arg(krvPath, error)
                    << '\n';
        return kBadFile;
    }
    streams.out << t(u"%1 szám beolvasva, %2 törölve, %3 változatlan", "%1 numbers read, %2 deleted, %3 unchanged")
                       .arg(changes.read)
                       .arg(changes.removed)
                       .arg(changes.unchanged)
                << '\n';
    return kSuccess;
}

} // namespace

void requestInterrupt(int signal)
{
    interruptSignal = signal;
    interruptFlag = true;
}

bool interruptRequested()
{
    return interruptFlag;
}

void setPortSource(PortSource source)
{
    portSource() = std::move(source);
}

int run(const QStringList &arguments, Streams streams)
{
    interruptFlag = false;
    interruptSignal = 0;
    QString badArgument;
    QString missingValue;
    const std::optional<Options> parsed = parseArguments(arguments, &badArgument, &missingValue);
    QString lang;
    const int langAt = int(arguments.indexOf(QStringLiteral("--lang")));
    if (langAt >= 0 && langAt + 1 < arguments.size())
        lang = arguments.at(langAt + 1);
    const Text t(wantsEnglish(lang));
    if (!parsed) {
        if (!missingValue.isEmpty())
            streams.err << t(u"Hiányzik a(z) %1 értéke.", "%1 needs a value").arg(missingValue) << '\n';
        else
            streams.err << t(u"Ismeretlen kapcsoló vagy érték: %1", "unknown option or value: %1").arg(badArgument)
                        << '\n';
        streams.err << t(u"Lásd: kordavo-cli --help", "see kordavo-cli --help") << '\n';
        return kUsage;
    }
    const Options &o = *parsed;
    if (o.help || o.command == QLatin1String("help")) {
        streams.out << helpText(t);
        return checkedOutput(kSuccess, streams, t);
    }
    struct Command
    {
        const char *name;
        int (*run)(const Options &, Streams &, const Text &);
    };
    static const Command commands[] = {
        {"ports", commandPorts},
        {"info", commandInfo},
        {"status", commandStatus},
        {"download", [](const Options &o, Streams &s, const Text &t) { return commandDownloadOrVerify(o, s, t, true); }},
        {"readout", commandReadout},
        {"verify", [](const Options &o, Streams &s, const Text &t) { return commandDownloadOrVerify(o, s, t, false); }},
        {"relay", commandRelay},
        {"check", commandCheck},
        {"export-csv", commandExportCsv},
        {"import-csv", commandImportCsv},
    };
    for (const Command &command : commands) {
        if (o.command == QLatin1String(command.name))
            return checkedOutput(command.run(o, streams, t), streams, t);
    }
    if (o.command.isEmpty())
        streams.err << helpText(t);
    else
        streams.err << t(u"Ismeretlen parancs: %1\nLásd: kordavo-cli --help", "unknown command: %1\nsee kordavo-cli --help")
                           .arg(o.command)
                    << '\n';
    return kUsage;
}

} // namespace cli
