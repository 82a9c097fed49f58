#include "cli/cli.h"

#include "cli/clitext.h"
#include "cli/csvlist.h"
#include "cli/filecheck.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "kordavoversion.h"
#include "serial/modulecommands.h"
#include "serial/moduleprotocol.h"
#include "serial/portdiagnosis.h"
#include "transfer/configimage.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QCommandLineParser>
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
    QString log;
    QChar separator = QLatin1Char(csvlist::kDefaultSeparator);   // export-csv: "," or ";"
    bool stay = false;
    bool fast = false;
    bool force = false;
    bool strict = false;
    bool json = false;
    bool probe = false;
    bool help = false;
    bool version = false;
};

// The options as the parser knows them; `value` names what an option's value stands for.
struct KnownOption
{
    const char *name;
    const char *shortName;
    const char *value;
};
constexpr KnownOption kOptions[] = {
    {"port", nullptr, "P"},
    {"baud", nullptr, "B"},
    {"lang", nullptr, "LANG"},
    {"log", nullptr, "FILE"},
    {"separator", nullptr, "S"},
    {"stay", nullptr, nullptr},
    {"fast", nullptr, nullptr},
    {"force", nullptr, nullptr},
    {"strict", nullptr, nullptr},
    {"json", nullptr, nullptr},
    {"probe", nullptr, nullptr},
    {"help", "h", nullptr},
    {"version", nullptr, nullptr},
};

const KnownOption *optionNamed(const QString &name)
{
    for (const KnownOption &known : kOptions) {
        if (name == QLatin1String(known.name) || (known.shortName && name == QLatin1String(known.shortName)))
            return &known;
    }
    return nullptr;
}

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// What is wrong with the arguments, in the language of --lang.
struct UsageError
{
    enum class Kind { UnknownOption, MissingValue, UnexpectedValue, BadValue, UnknownLanguage } kind;
    QString option;   // as typed: "--port"
    QString value;
};

QString usageErrorText(const UsageError &error)
{
    switch (error.kind) {
    case UsageError::Kind::UnknownOption:
        return Text::tr("Ismeretlen kapcsoló: %1").arg(error.option);
    case UsageError::Kind::MissingValue:
        return Text::tr("%1: hiányzó érték").arg(error.option);
    case UsageError::Kind::UnexpectedValue:
        return Text::tr("%1: ez a kapcsoló nem kap értéket: „%2”").arg(error.option, error.value);
    case UsageError::Kind::BadValue:
        return Text::tr("%1: hibás érték: „%2”").arg(error.option, error.value);
    case UsageError::Kind::UnknownLanguage:
        return Text::tr("%1: ismeretlen nyelv: „%2” (választható: %3)")
            .arg(error.option, error.value, languages().join(QLatin1String(", ")));
    }
    return {};
}

struct Parsed
{
    Options options;
    std::optional<QString> lang;   // the last --lang, even when something else is wrong
    std::optional<UsageError> error;
};

// The options may stand anywhere among the command and its arguments; "--"
// ends them, so that a file name may start with a dash.
Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const KnownOption &known : kOptions) {
        QStringList names = {QString::fromLatin1(known.name)};
        if (known.shortName)
            names.prepend(QString::fromLatin1(known.shortName));
        const QString valueName = known.value ? QString::fromLatin1(known.value) : QString();
        parser.addOption(QCommandLineOption(names, QString(), valueName));
    }
    Parsed parsed;
    const bool ok = parser.parse(QStringList{QStringLiteral("kordavo-cli")} + arguments);
    // The parser reads every argument before it gives up, so --lang is known
    // for the message about anything else.
    if (parser.isSet(QStringLiteral("lang")))
        parsed.lang = parser.values(QStringLiteral("lang")).constLast();
    if (!ok) {
        UsageError error{UsageError::Kind::UnknownOption, {}, {}};
        if (!parser.unknownOptionNames().isEmpty()) {
            error.option = dashed(parser.unknownOptionNames().constFirst());
        } else {
            // The parser tells a value missing at the end, or given to a
            // switch, only in its own words; the arguments tell which.
            for (const QString &argument : arguments) {
                if (argument == QLatin1String("--"))
                    break;
                if (!argument.startsWith(QLatin1Char('-')))
                    continue;
                const int dashes = argument.startsWith(QLatin1String("--")) ? 2 : 1;
                const QString name = argument.mid(dashes).section(QLatin1Char('='), 0, 0);
                const KnownOption *known = optionNamed(name);
                if (known && !known->value && argument.contains(QLatin1Char('='))) {
                    error = {UsageError::Kind::UnexpectedValue, dashed(name), argument.section(QLatin1Char('='), 1)};
                    break;
                }
            }
            if (error.option.isEmpty() && !arguments.isEmpty())
                error = {UsageError::Kind::MissingValue, arguments.constLast(), {}};
        }
        parsed.error = error;
        return parsed;
    }
    // "--port --fast": the parser takes the next option as the value; no
    // port or file is named like one of ours.
    for (const KnownOption &known : kOptions) {
        const QString name = QString::fromLatin1(known.name);
        if (!known.value || !parser.isSet(name))
            continue;
        for (const QString &value : parser.values(name)) {
            if (value.startsWith(QLatin1String("--")) && optionNamed(value.mid(2).section(QLatin1Char('='), 0, 0))) {
                parsed.error = UsageError{UsageError::Kind::MissingValue, dashed(name), {}};
                return parsed;
            }
        }
    }
    Options &o = parsed.options;
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        o.command = positional.constFirst();
        o.positional = positional.mid(1);
    }
    o.ports = parser.values(QStringLiteral("port"));
    o.log = parser.value(QStringLiteral("log"));
    o.stay = parser.isSet(QStringLiteral("stay"));
    o.fast = parser.isSet(QStringLiteral("fast"));
    o.force = parser.isSet(QStringLiteral("force"));
    o.strict = parser.isSet(QStringLiteral("strict"));
    o.json = parser.isSet(QStringLiteral("json"));
    o.probe = parser.isSet(QStringLiteral("probe"));
    o.help = parser.isSet(QStringLiteral("help"));
    o.version = parser.isSet(QStringLiteral("version"));
    if (parser.isSet(QStringLiteral("baud"))) {
        const QString baud = parser.value(QStringLiteral("baud"));
        bool isNumber = false;
        o.baud = baud.toInt(&isNumber);
        if (!isNumber || o.baud <= 0)
            parsed.error = UsageError{UsageError::Kind::BadValue, QStringLiteral("--baud"), baud};
    }
    if (parser.isSet(QStringLiteral("separator"))) {
        const QString separator = parser.value(QStringLiteral("separator"));
        if (separator == QLatin1String(",") || separator == QLatin1String(";"))
            o.separator = separator.at(0);
        else
            parsed.error = UsageError{UsageError::Kind::BadValue, QStringLiteral("--separator"), separator};
    }
    return parsed;
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

QString variantText(int memory)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    return model.reduced ? Text::tr("%1 telefonszám, egyszerűsített (azonosító, nevek és üzenetek nélkül)")
                               .arg(model.entries)
                         : Text::tr("%1 telefonszám, teljes").arg(model.entries);
}

// "nem lehet megnyitni a portot", with what the installer can do about it.
QString portFailure(const QString &port)
{
    using Reason = portdiagnosis::Diagnosis::Reason;
    const portdiagnosis::Diagnosis d = portdiagnosis::diagnose(port);
    QString reason;
    switch (d.reason) {
    case Reason::NoSuchPort:
        reason = Text::tr("nincs ilyen port");
        break;
    case Reason::NotSerial:
        reason = Text::tr("ez nem soros port");
        break;
    case Reason::NoPermission:
        reason = d.group.isEmpty()
                     ? Text::tr("nincs jogosultság")
                     : Text::tr("nincs jogosultság; lépjen be a(z) %1 csoportba")
                           .arg(d.group);
        break;
    case Reason::Busy:
        reason = d.lockPid > 0 ? Text::tr("foglalt: a(z) %1 folyamat használja").arg(d.lockPid)
                               : Text::tr("foglalt: egy másik program használja");
        break;
    case Reason::AccessDenied:
        reason = Text::tr("hozzáférés megtagadva: valószínűleg egy másik program használja");
        break;
    case Reason::Unknown:
        break;
    }
    const QString text = Text::tr("nem lehet megnyitni a portot");
    return reason.isEmpty() ? text : text + QLatin1String(": ") + reason;
}

// "~|", as the port button sends it: a module that names itself as one is
// then in programming mode.
bool identify(ModuleSession &session, Outcome *outcome, ops::Identified *result = nullptr)
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

QString fileHash(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Before the module is touched: a log that cannot take lines refuses the command.
int refuseUnusableLog(const Options &o, Streams &streams)
{
    if (o.log.isEmpty())
        return kSuccess;
    QFile log(o.log);
    QString error;
    if (configfile::openForAppending(log, &error))
        return kSuccess;
    streams.err << Text::tr("A naplófájl nem írható: %1 (%2). A modulhoz nem nyúltam.")
                       .arg(o.log, error)
                << '\n';
    return kUsage;
}

// kBadFile, with a message, when the line does not reach the log.
int appendLog(const Options &o, const QString &port, const Outcome &outcome, const QString &file,
              const QString &hash, Streams &streams)
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
    streams.err << Text::tr("A naplósor nem írható a(z) %1 fájlba (%2).")
                       .arg(o.log, error)
                << '\n';
    return kBadFile;
}

// Whatever went to standard output reached it: flushed and checked, so a
// full disk or /dev/full is no silent success.
int checkedOutput(int code, Streams &streams)
{
    errno = 0;
    streams.out.flush();
    auto *device = qobject_cast<QFileDevice *>(streams.out.device());
    const bool flushed = !device || device->flush();
    const int error = errno;
    if (streams.out.status() == QTextStream::Ok && flushed && (!device || device->error() == QFileDevice::NoError))
        return code;
    const QString other = device && !device->errorString().isEmpty() ? device->errorString() : Text::tr("írási hiba");
    streams.err << Text::tr("A kimenet nem írható (%1).")
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

void printProblems(const QList<filecheck::Problem> &problems, QTextStream &stream)
{
    for (const filecheck::Problem &p : problems)
        stream << (p.warning ? Text::tr("megjegyzés: ") : QString())
               << Text::tr("%1. sor, %2: „%3”: %4").arg(p.line).arg(p.label, visible(p.value), p.message)
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

std::optional<LoadedFile> loadFile(const QString &path, Streams &streams)
{
    QFile file(path);
    if (!QFileInfo::exists(path) || !file.open(QIODevice::ReadOnly)) {
        streams.err << Text::tr("A fájl nem létezik vagy nem olvasható: %1")
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
        streams.err << Text::tr("Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).")
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

QString problemText(const ops::FieldProblem &problem)
{
    if (problem.kind == ops::FieldProblem::Kind::Empty)
        return Text::tr("az összes mező kitöltése kötelező; üres: „%1”")
            .arg(fieldLabel(problem.field));
    return Text::tr("a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni")
        .arg(fieldLabel(problem.field));
}

// What of the file this module does not get; empty when it gets it all.
QString notTransferred(const ops::Prepared &prepared)
{
    QStringList parts;
    if (prepared.droppedNumbers > 0)
        parts << Text::tr("a %1–%2. telefonszám nem fér el: %3 szám kimarad")
                     .arg(prepared.firstDropped)
                     .arg(prepared.lastDropped)
                     .arg(prepared.droppedNumbers);
    if (prepared.reducedDropped)
        parts << Text::tr("egyszerűsített modell: nevek, üzenetek és jogok nélkül");
    return parts.join(QLatin1String("; "));
}

// What goes to this module, or the outcome that says why nothing does.
// `note` names what the module will not hold; --strict refuses it instead.
std::optional<ops::Prepared> preparedFor(const Configuration &configuration, const ops::Identified &module,
                                         const Options &o, Outcome *outcome, QString *note)
{
    ops::Prepared prepared = ops::prepare(configuration, module.model);
    if (prepared.problem) {
        outcome->code = kBadFile;
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

QString withNote(const QString &message, const QString &note)
{
    return note.isEmpty() ? message : message + QLatin1String("; ") + note;
}

QString unsavableText(const configfile::UnsavableField &unsavable)
{
    if (unsavable.reason == configfile::UnsavableField::Reason::Terminator)
        return Text::tr("a(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét jelentené; a fájl nem készült el")
            .arg(fieldLabel(unsavable.field));
    return Text::tr("a(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene; a fájl nem készült el")
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
    } else if (downloaded.failure == Failure::PortNotOpened) {
        outcome.code = kLineFailure;
        outcome.message = portFailure(port);
    } else if (downloaded.lineLost) {
        outcome.code = kLineFailure;
        outcome.message = downloaded.reached == WriteStage::NotReady
                              ? Text::tr("a vonal megszakadt a betöltés előtt: semmi sem tárolódott")
                              : Text::tr("a vonal megszakadt a betöltés közben: a rekordok egy része vagy egésze "
                                         "elment, a tárolás nem ismert");
    } else if (downloaded.reached == WriteStage::NotReady) {
        outcome.code = kRefused;
        outcome.message = Text::tr("betöltés hiba: a modul nem állt készen („R”), semmi sem tárolódott");
    } else {
        outcome.code = kRefused;
        outcome.message = Text::tr("betöltés hiba: a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)");
    }
    finish(session, o);
    return outcome;
}

QString recordLabel(int index)
{
    if (index < configimage::kGeneralRecords)
        return generalfields::generalFieldName(index);
    const int reserved = index - configimage::kGeneralRecords;
    if (reserved < configimage::kReservedRecords)
        return generalfields::reservedRecordName(reserved + 1);
    return generalfields::telephoneFieldName(reserved - configimage::kReservedRecords + 1);
}

QString shownRecord(const std::optional<QString> &record)
{
    if (!record)
        return Text::tr("(nincs)");
    return Text::tr("„%1”").arg(*record);
}

// A telephone record holds the alarm digit, the output digit and the number
// in one: shown apart, each digit as its two check boxes ("10": input 1 or
// output 1 ticked). A record that does not start with two digits shows as it is.
QString shownTelephoneRecord(const std::optional<QString> &record)
{
    static const QRegularExpression digits(QStringLiteral("^[0-3]{2}"));
    if (!record || !digits.match(*record).hasMatch())
        return shownRecord(record);
    const auto boxes = [](QChar digit) {
        const int value = digit.digitValue();
        return QStringLiteral("%1%2")
            .arg(value & configfile::groupBitValue(1) ? 1 : 0)
            .arg(value & configfile::groupBitValue(2) ? 1 : 0);
    };
    return Text::tr("„%1” (riasztás: %2, kimenet: %3)")
        .arg(record->mid(2), boxes(record->at(0)), boxes(record->at(1)));
}

// Why the module's records did not come.
void noRecords(const QString &port, Failure failure, Outcome *outcome)
{
    outcome->code = kLineFailure;
    outcome->message = failure == Failure::PortNotOpened
                           ? portFailure(port)
                           : Text::tr("a modul nem küldte el a rekordjait");
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
    if (interrupted(session, o, true, &outcome))
        return outcome;
    finish(session, o);
    if (!verified.ok()) {
        noRecords(port, verified.failure, &outcome);
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
    return outcome;
}

int needPorts(const Options &o, Streams &streams, bool several)
{
    if (o.ports.isEmpty()) {
        streams.err << Text::tr("Adja meg a portot: --port P") << '\n';
        return kUsage;
    }
    if (!several && o.ports.size() > 1) {
        streams.err << Text::tr("Ez a parancs egyetlen portot fogad el.") << '\n';
        return kUsage;
    }
    if (o.ports.contains(QString())) {
        streams.err << Text::tr("A --port értéke nem lehet üres.") << '\n';
        return kUsage;
    }
    return kSuccess;
}

int needPositional(const Options &o, int count, Streams &streams)
{
    if (o.positional.size() != count) {
        streams.err << Text::tr("Hibás használat; lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    return kSuccess;
}

// The commands that take `count` file arguments and one port.
int needOnePort(const Options &o, int count, Streams &streams)
{
    if (int code = needPositional(o, count, streams))
        return code;
    return needPorts(o, streams, false);
}

// The identification, with its failure reported for the port.
bool identifyOrReport(ModuleSession &session, const QString &port, Outcome *outcome, Streams &streams)
{
    if (identify(session, outcome))
        return true;
    printOutcome(port, *outcome, streams);
    return false;
}

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
    // What stops it on every module is found before any port is touched.
    if (const std::optional<ops::FieldProblem> problem = ops::problemOnAnyModule(file->configuration)) {
        streams.err << problemText(*problem) << '\n';
        return kBadFile;
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
            if (run->reported || !run->done)
                continue;
            run->thread->wait();
            run->reported = true;
            ++reported;
            bar.finish();
            printOutcome(run->port, run->outcome, streams);
            worst = std::max({worst, run->outcome.code,
                              appendLog(o, run->port, run->outcome, o.positional.first(), hash, streams)});
        }
    }
    // An interrupt gives its own code, whatever the other ports did.
    return interruptFlag ? 128 + interruptSignal : worst;
}

// readout and export-csv write over an existing file only when asked to.
int refuseOverwrite(const QString &path, const Options &o, Streams &streams)
{
    if (!QFileInfo::exists(path) || o.force)
        return kSuccess;
    streams.err << Text::tr("A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.").arg(path)
                << '\n';
    return kUsage;
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
        bar.finish();
        if (!interrupted(session, o, true, &outcome))
            finish(session, o);
        const std::optional<Configuration> &configuration = read.configuration;
        std::optional<configfile::UnsavableField> unsavable;
        if (configuration)
            unsavable = configfile::unsavableField(*configuration);
        if (interruptFlag) {
            // Nothing is written of an interrupted read-out.
        } else if (read.incomplete) {
            outcome.code = kRefused;
            outcome.message = Text::tr("sikertelen kiolvasás: a modul válasza hiányos");
        } else if (!read.ok()) {
            noRecords(port, read.failure, &outcome);
        } else if (unsavable) {
            // The window's save refuses the same form: a file must open again.
            outcome.code = kRefused;
            outcome.message = unsavableText(*unsavable);
        } else if (configuration) {
            const QByteArray bytes = configfile::formatLines(configfile::toLines(*configuration));
            QString error;
            if (!configfile::writeFile(path, bytes, &error)) {
                outcome.code = kBadFile;
                outcome.message = Text::tr("a fájl mentése nem sikerült: %1 (%2)")
                                      .arg(path, error);
            } else {
                hash = fileHash(bytes);
                outcome.message = Text::tr("sikeres kiolvasás: %1 (%2, %3)")
                                      .arg(path, outcome.identification, variantText(outcome.memory));
            }
        }
    }
    printOutcome(port, outcome, streams);
    return std::max(outcome.code, appendLog(o, port, outcome, path, hash, streams));
}

int commandInfo(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 0, streams))
        return code;
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (!identifyOrReport(session, port, &outcome, streams))
        return outcome.code;
    finish(session, o);
    streams.out << Text::tr("Azonosítás: %1\nMemória: %2\nVáltozat: %3\n")
                       .arg(visible(outcome.identification))
                       .arg(outcome.memory)
                       .arg(variantText(outcome.memory));
    if (o.stay)
        streams.out << Text::tr("A modul programozási üzemmódban maradt.\n");
    return kSuccess;
}

int commandStatus(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 0, streams))
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
    if (interrupted(session, o, inProgramMode, &outcome)) {
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    if (inProgramMode)
        finish(session, o);
    if (!status.ok()) {
        outcome.code = kLineFailure;
        if (status.reached != ops::Status::Step::Identify)
            outcome.message = Text::tr("sikertelen lekérdezés");
        else if (status.failure == Failure::PortNotOpened)
            outcome.message = portFailure(port);
        else if (status.identification.text.isEmpty())
            outcome.message = Text::tr("a modul nem válaszol");
        else
            outcome.message = Text::tr("nem Kordavo modul válaszolt: „%1”")
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
    const QString active = Text::tr("aktív");
    const QString inactive = Text::tr("nem aktív");
    streams.out << Text::tr("Azonosítás: %1\n").arg(visible(outcome.identification));
    streams.out << Text::tr("1. bemenet: %1\n").arg(states.input1Active ? active : inactive);
    streams.out << Text::tr("2. bemenet: %1\n").arg(states.input2Active ? active : inactive);
    for (int i = 0; i < 4; ++i)
        streams.out << Text::tr("%1. kimenet: %2\n")
                           .arg(i + 1)
                           .arg(states.outputs.isOn(i + 1) ? Text::tr("be") : Text::tr("ki"));
    streams.out << Text::tr("Térerő: %1\n").arg(signal.strength);
    streams.out << Text::tr("Szolgáltató: %1\n").arg(visible(signal.service));
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

int commandRelay(const Options &o, Streams &streams)
{
    if (int code = needOnePort(o, 1, streams))
        return code;
    const std::optional<OutputMask> states = relayStates(o.positional.first());
    if (!states) {
        streams.err << Text::tr("Hibás maszk: „%1”; például 1010 (1–4. kimenet) vagy egy hexadecimális számjegy.")
                           .arg(o.positional.first())
                    << '\n';
        return kUsage;
    }
    const QString port = o.ports.first();
    Outcome outcome;
    ModuleSession session(port, o.baud);
    if (identify(session, &outcome)) {
        ops::setOutputs(session, *states);
        finish(session, o);
        outcome.message = Text::tr("kimenetek (1–4): %1").arg(states->text());
    }
    printOutcome(port, outcome, streams);
    return outcome.code;
}


int commandPorts(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 0, streams))
        return code;
    const ops::PortListing listing = ops::listPorts(portSource());
    for (const QString &name : listing.ports) {
        QString description = ops::portDescription(name);
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
                    + Text::tr("Kordavo modul: %1, %2").arg(answer->text, variantText(memory));
            } else {
                line += QLatin1Char('\t') + Text::tr("nincs modul");
            }
        }
        streams.out << line << '\n';
    }
    if (listing.ports.isEmpty())
        streams.err << Text::tr("Nincs megnyitható port.") << '\n';
    return kSuccess;
}

int commandCheck(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 1, streams))
        return code;
    const QString path = o.positional.first();
    if (!QFileInfo(path).isFile()) {
        streams.err << Text::tr("A fájl nem létezik: %1").arg(path) << '\n';
        return kBadFile;
    }
    const auto problems = filecheck::check(configfile::readFile(path));
    if (!problems) {
        streams.err << Text::tr("Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).")
                           .arg(path)
                           .arg(configfile::kConfigurationLines)
                    << '\n';
        return kBadFile;
    }
    printProblems(*problems, streams.out);
    const int faults = filecheck::faults(*problems);
    if (problems->isEmpty()) {
        streams.out << Text::tr("Nincs hibás mező.") << '\n';
        return kSuccess;
    }
    if (faults == 0) {
        streams.out << Text::tr("Nincs hibás mező; %1 megjegyzés.").arg(problems->size())
                    << '\n';
        return kSuccess;
    }
    streams.out << Text::tr("%1 hibás érték.").arg(faults) << '\n';
    return kRefused;
}

int commandExportCsv(const Options &o, Streams &streams)
{
    if (o.positional.size() != 1 && o.positional.size() != 2)
        return needPositional(o, 1, streams);
    if (o.positional.size() == 2) {
        if (int code = refuseOverwrite(o.positional.at(1), o, streams))
            return code;
    }
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams);
    if (!file)
        return kBadFile;
    const QByteArray csv = csvlist::exportList(file->configuration, o.separator);
    if (o.positional.size() == 1) {
        // Decoding would drop the byte order mark the spreadsheet needs.
        streams.out << QChar(0xFEFF) << QString::fromUtf8(csv.mid(3));
        return kSuccess;
    }
    QString error;
    if (!configfile::writeFile(o.positional.at(1), csv, &error)) {
        streams.err << Text::tr("A fájl mentése nem sikerült: %1 (%2)")
                           .arg(o.positional.at(1), error)
                    << '\n';
        return kBadFile;
    }
    return kSuccess;
}

int commandImportCsv(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 2, streams))
        return code;
    const QString csvPath = o.positional.at(0);
    const QString krvPath = o.positional.at(1);
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::ReadOnly)) {
        streams.err << Text::tr("A fájl nem létezik vagy nem olvasható: %1")
                           .arg(csvPath)
                    << '\n';
        return kBadFile;
    }
    std::optional<LoadedFile> file = loadFile(krvPath, streams);
    if (!file)
        return kBadFile;
    // One byte past the limit tells a list that is too long from one that fits.
    const QByteArray csv = csvFile.read(csvlist::kMaxBytes + 1);
    if (csv.size() > csvlist::kMaxBytes) {
        streams.err << Text::tr("A CSV túl nagy (legfeljebb %1 bájt lehet), a %2 fájl nem változott: %3")
                           .arg(csvlist::kMaxBytes)
                           .arg(krvPath, csvPath)
                    << '\n';
        return kBadFile;
    }
    const csvlist::ImportResult imported = csvlist::importList(csv);
    if (!imported.ok()) {
        streams.err << Text::tr("A CSV hibás, a %1 fájl nem változott:").arg(krvPath)
                    << '\n';
        for (const QString &error : imported.errors)
            streams.err << "  " << error << '\n';
        return kBadFile;
    }
    // An empty export or a header alone is no list: it would wipe every number.
    if (imported.rows == 0) {
        streams.err << Text::tr("A CSV-ben nincs egyetlen sor sem a telefonszámokkal, a %1 fájl nem változott: %2")
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
        streams.err << Text::tr("A fájl mentése nem sikerült: %1 (%2)").arg(krvPath, error)
                    << '\n';
        return kBadFile;
    }
    streams.out << Text::tr("%1 szám beolvasva, %2 törölve, %3 változatlan")
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
    Parsed parsed = parseArguments(arguments);
    const std::optional<QString> language = chosenLanguage(parsed.lang);
    if (!language && !parsed.error)
        parsed.error = UsageError{UsageError::Kind::UnknownLanguage, QStringLiteral("--lang"), *parsed.lang};
    const Language speaking(language.value_or(QStringLiteral("hu")));
    if (parsed.error) {
        streams.err << usageErrorText(*parsed.error) << '\n' << Text::tr("Lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    const Options &o = parsed.options;
    if (o.help || o.command == QLatin1String("help")) {
        streams.out << helpText();
        return checkedOutput(kSuccess, streams);
    }
    if (o.version) {
        streams.out << "kordavo-cli " << kordavo::kVersion << '\n';
        return checkedOutput(kSuccess, streams);
    }
    struct Command
    {
        const char *name;
        int (*run)(const Options &, Streams &);
    };
    static const Command commands[] = {
        {"ports", commandPorts},
        {"info", commandInfo},
        {"status", commandStatus},
        {"download", [](const Options &o, Streams &s) { return commandDownloadOrVerify(o, s, true); }},
        {"readout", commandReadout},
        {"verify", [](const Options &o, Streams &s) { return commandDownloadOrVerify(o, s, false); }},
        {"relay", commandRelay},
        {"check", commandCheck},
        {"export-csv", commandExportCsv},
        {"import-csv", commandImportCsv},
    };
    for (const Command &command : commands) {
        if (o.command == QLatin1String(command.name))
            return checkedOutput(command.run(o, streams), streams);
    }
    if (o.command.isEmpty())
        streams.err << helpText();
    else
        streams.err << Text::tr("Ismeretlen parancs: %1\nLásd: kordavo-cli --help")
                           .arg(o.command)
                    << '\n';
    return kUsage;
}

} // namespace cli
