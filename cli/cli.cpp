#include "cli/cli.h"

#include "cli/clitext.h"
#include "cli/csvlist.h"
#include "cli/filecheck.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "serial/comport.h"
#include "serial/moduleprotocol.h"
#include "serial/modulereplies.h"
#include "serial/portnames.h"
#include "transfer/configimage.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDateTime>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtSerialPort/QSerialPort>
#include <QtSerialPort/QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace cli {

namespace {

using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;

constexpr int kDefaultBaud = 1200;   // the window's default as well
constexpr char kAckChar = 'O';
constexpr char kSeparator = '|';

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
    bool stay = false;
    bool fast = false;
    bool force = false;
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
        } else if (a == QLatin1String("--stay")) {
            o.stay = true;
        } else if (a == QLatin1String("--fast")) {
            o.fast = true;
        } else if (a == QLatin1String("--force")) {
            o.force = true;
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

// "~|", as the port button sends it: only a module that names itself as one
// counts, and it is then in programming mode.
bool identify(ModuleSession &session, const QString &port, const Text &t, Outcome *outcome)
{
    const auto identified = session.identify();
    outcome->identification = identified.value.text;
    if (identified.failure == Failure::PortNotOpened) {
        outcome->code = kLineFailure;
        outcome->message = t(u"nem lehet megnyitni a portot", "cannot open the port");
        return false;
    }
    if (identified.value.text.isEmpty()) {
        outcome->code = kLineFailure;
        outcome->message = t(u"a modul nem válaszol", "the module does not answer");
        return false;
    }
    if (!identified.value.recognised || !identified.ok()) {
        outcome->code = kLineFailure;
        outcome->message = t(u"nem Kordavo modul válaszolt: „%1”", "not a Kordavo module: \"%1\"")
                               .arg(identified.value.text);
        return false;
    }
    Q_UNUSED(port);
    outcome->memory = *identified.value.memory;
    return true;
}

// Back to normal operation unless the user keeps programming mode.
void finish(ModuleSession &session, const Options &o)
{
    if (!o.stay)
        session.leave();
    session.close();
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

void printOutcome(const QString &port, const Outcome &outcome, Streams &streams)
{
    QTextStream &stream = outcome.code == kSuccess || outcome.code == kRefused ? streams.out : streams.err;
    stream << port << ": " << outcome.message << '\n';
    for (const QString &line : outcome.details)
        stream << "  " << line << '\n';
    stream.flush();
}

int recordCount(int entries)
{
    return configimage::kGeneralRecords + configimage::kReservedRecords + entries;
}

// The whole answer of "~{": every record with its CR and the closing character.
int recordBytes(int entries)
{
    return recordCount(entries) * (configimage::kRecordLength + 1) + 1;
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

// The image for the module's size, or the reason a download or verify refuses it.
std::optional<QString> imageFor(Configuration configuration, int memory, const Text &t, Outcome *outcome)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    // A reduced model gets the file as the window holds it for one: its
    // placeholders in place of the names and messages, and no rights.
    if (model.reduced)
        configuration.reduceForModel();
    const int entries = model.entries;
    const configimage::BuildResult built = configimage::buildImage(configuration, entries, QLatin1Char(kSeparator));
    if (!built.ok()) {
        outcome->code = kBadFile;
        outcome->message = t(u"az összes mező kitöltése kötelező; üres: „%1”", "every field must be filled; empty: \"%1\"")
                               .arg(generalfields::generalFieldName(built.emptyField));
        return std::nullopt;
    }
    const int field = configimage::fieldWithSeparator(configuration, entries, QLatin1Char(kSeparator));
    if (field >= 0) {
        const QString name = field < configimage::kGeneralRecords
                                 ? generalfields::generalFieldName(field)
                                 : generalfields::telephoneFieldName(field - configimage::kGeneralRecords + 1);
        outcome->code = kBadFile;
        outcome->message = t(u"a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni",
                             "field \"%1\" holds \"|\", which the module cannot store")
                               .arg(name);
        return std::nullopt;
    }
    return built.image;
}

moduleprotocol::ReadProgress readProgress(ProgressBar &bar)
{
    return [&bar, value = 0](int step) mutable {
        value += step + (step == 0 ? 1 : 0);
        bar.set(value);
        return true;
    };
}

Outcome downloadTo(const QString &port, const Options &o, const LoadedFile &file, Streams &streams, const Text &t)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    if (!identify(session, port, t, &outcome))
        return outcome;
    const std::optional<QString> image = imageFor(file.configuration, outcome.memory, t, &outcome);
    if (!image) {
        finish(session, o);
        return outcome;
    }
    const QByteArray wire = configimage::wireBytes(*image, QLatin1Char(kSeparator));
    ProgressBar bar(streams, t(u"Betöltés", "Download"), int(wire.size()) + 15);
    const Failure failure = session.writeRecords(wire, kAckChar, [&bar](int value) {
        bar.set(value);
        return true;
    });
    bar.finish();
    if (failure == Failure::None) {
        outcome.message = t(u"sikeres betöltés (%1, %2)", "download complete (%1, %2)")
                              .arg(outcome.identification, variantText(outcome.memory, t));
    } else if (failure == Failure::PortNotOpened) {
        outcome.code = kLineFailure;
        outcome.message = t(u"nem lehet megnyitni a portot", "cannot open the port");
    } else {
        outcome.code = kRefused;
        outcome.message = t(u"betöltés hiba: a modul nem fogadta el a konfigurációt",
                            "download failed: the module did not accept the configuration");
    }
    finish(session, o);
    return outcome;
}

// The stored records' answer, or the outcome that says why there is none.
std::optional<QString> readNormalized(ModuleSession &session, int entries, const QString &label, Streams &streams,
                                      const Text &t, Outcome *outcome)
{
    ProgressBar bar(streams, label, recordBytes(entries));
    const auto records = session.readRecords(readProgress(bar), recordCount(entries));
    bar.finish();
    if (records.failure == Failure::PortNotOpened) {
        outcome->code = kLineFailure;
        outcome->message = t(u"nem lehet megnyitni a portot", "cannot open the port");
        return std::nullopt;
    }
    if (!records.ok()) {
        outcome->code = kLineFailure;
        outcome->message = t(u"a modul nem küldte el a rekordjait", "the module sent no records");
        return std::nullopt;
    }
    return configimage::normalizeReply(records.value);
}

QString recordLabel(int index, const Text &t)
{
    if (index < configimage::kGeneralRecords)
        return generalfields::generalFieldName(index);
    const int reserved = index - configimage::kGeneralRecords;
    if (reserved < configimage::kReservedRecords)
        return t(u"%1. tartalék rekord", "reserved record %1").arg(reserved + 1);
    return generalfields::telephoneFieldName(reserved - configimage::kReservedRecords + 1);
}

QString shownRecord(const QStringList &records, int index, const Text &t)
{
    if (index >= records.size())
        return t(u"(nincs)", "(none)");
    QString text = records.at(index);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    text.replace(configimage::kStoredSeparator, QLatin1Char('|'));
    return t(u"„%1”", "\"%1\"").arg(text);
}

Outcome verifyOn(const QString &port, const Options &o, const LoadedFile &file, Streams &streams, const Text &t)
{
    Outcome outcome;
    ModuleSession session(port, o.baud);
    session.setEarlyEnd(o.fast);
    if (!identify(session, port, t, &outcome))
        return outcome;
    const int entries = modulemodel::modelFor(outcome.memory).entries;
    const std::optional<QString> image = imageFor(file.configuration, outcome.memory, t, &outcome);
    if (!image) {
        finish(session, o);
        return outcome;
    }
    const std::optional<QString> stored =
        readNormalized(session, entries, t(u"Ellenőrzés", "Verify"), streams, t, &outcome);
    finish(session, o);
    if (!stored)
        return outcome;
    // What a download sends: ő and ű travel as ö and ü.
    const QString expected = configimage::asSent(*image);
    if (*stored == expected) {
        outcome.message = t(u"sikeres ellenőrzés (%1)", "verified (%1)").arg(outcome.identification);
        return outcome;
    }
    QStringList moduleRecords = stored->split(QLatin1Char(kSeparator));
    QStringList fileRecords = expected.split(QLatin1Char(kSeparator));
    for (QStringList *records : {&moduleRecords, &fileRecords}) {
        if (!records->isEmpty() && records->last().isEmpty())
            records->removeLast();
    }
    const int count = int(std::max(moduleRecords.size(), fileRecords.size()));
    for (int i = 0; i < count; ++i) {
        if (i < moduleRecords.size() && i < fileRecords.size() && moduleRecords.at(i) == fileRecords.at(i))
            continue;
        outcome.details << t(u"%1: a modulban %2, a fájlban %3", "%1: module %2, file %3")
                               .arg(recordLabel(i, t), shownRecord(moduleRecords, i, t), shownRecord(fileRecords, i, t));
    }
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
    if (identify(session, port, t, outcome))
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
    const QString hash = fileHash(file->bytes);
    int worst = kSuccess;
    for (const QString &port : o.ports) {
        const Outcome outcome = download ? downloadTo(port, o, *file, streams, t) : verifyOn(port, o, *file, streams, t);
        printOutcome(port, outcome, streams);
        worst = std::max({worst, outcome.code, appendLog(o, port, outcome, o.positional.first(), hash, streams, t)});
    }
    return worst;
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
    if (identify(session, port, t, &outcome)) {
        const int entries = modulemodel::modelFor(outcome.memory).entries;
        const std::optional<QString> stored =
            readNormalized(session, entries, t(u"Kiolvasás", "Read-out"), streams, t, &outcome);
        finish(session, o);
        const std::optional<Configuration> configuration =
            stored ? configimage::parseImage(*stored, entries) : std::nullopt;
        if (stored && !configuration) {
            outcome.code = kRefused;
            outcome.message = t(u"sikertelen kiolvasás: a modul válasza hiányos",
                                "read-out failed: the module's answer is incomplete");
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
                       .arg(outcome.identification)
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
    if (!identifyOrReport(session, port, t, &outcome, streams))
        return outcome.code;
    const auto states = session.readStates();
    const auto signal = states.ok() ? session.readSignal() : moduleprotocol::Result<modulereplies::SignalInfo>{};
    finish(session, o);
    if (!states.ok() || !signal.ok()) {
        outcome.code = kLineFailure;
        outcome.message = t(u"sikertelen lekérdezés", "status query failed");
        printOutcome(port, outcome, streams);
        return outcome.code;
    }
    if (o.json) {
        QJsonObject object;
        object.insert(QStringLiteral("port"), port);
        object.insert(QStringLiteral("identification"), outcome.identification);
        object.insert(QStringLiteral("memory"), outcome.memory);
        object.insert(QStringLiteral("inputs"), QJsonArray{states.value.input1Active, states.value.input2Active});
        QJsonArray outputs;
        for (bool on : states.value.outputOn)
            outputs.append(on);
        object.insert(QStringLiteral("outputs"), outputs);
        object.insert(QStringLiteral("signal"), signal.value.strength);
        object.insert(QStringLiteral("service"), signal.value.service);
        streams.out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
        return kSuccess;
    }
    const QString active = t(u"aktív", "active");
    const QString inactive = t(u"nem aktív", "inactive");
    streams.out << t(u"Azonosítás: %1\n", "Identification: %1\n").arg(outcome.identification);
    streams.out << t(u"1. bemenet: %1\n", "Input 1: %1\n").arg(states.value.input1Active ? active : inactive);
    streams.out << t(u"2. bemenet: %1\n", "Input 2: %1\n").arg(states.value.input2Active ? active : inactive);
    for (int i = 0; i < 4; ++i)
        streams.out << t(u"%1. kimenet: %2\n", "Output %1: %2\n")
                           .arg(i + 1)
                           .arg(states.value.outputOn[size_t(i)] ? t(u"be", "on") : t(u"ki", "off"));
    streams.out << t(u"Térerő: %1\n", "Signal: %1\n").arg(signal.value.strength);
    streams.out << t(u"Szolgáltató: %1\n", "Service: %1\n").arg(signal.value.service);
    return kSuccess;
}

// "1010" (output 1 first) or one hexadecimal digit (output 1 is bit 0).
std::optional<QString> relayStates(const QString &mask)
{
    static const QRegularExpression bits(QStringLiteral("^[01]{4}$"));
    if (bits.match(mask).hasMatch())
        return mask;
    bool ok = false;
    const int value = mask.toInt(&ok, 16);
    if (mask.size() != 1 || !ok)
        return std::nullopt;
    QString states;
    for (int i = 0; i < 4; ++i)
        states += (value >> i) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}

int commandRelay(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needOnePort(o, 1, streams, t))
        return code;
    const std::optional<QString> states = relayStates(o.positional.first());
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
    if (identify(session, port, t, &outcome)) {
        session.setOutputs(*states);
        finish(session, o);
        outcome.message = t(u"kimenetek (1–4): %1", "outputs (1-4): %1").arg(*states);
    }
    printOutcome(port, outcome, streams);
    return outcome.code;
}


int commandPorts(const Options &o, Streams &streams, const Text &t)
{
    if (int code = needPositional(o, 0, streams, t))
        return code;
    QStringList names;
    if (portSource()) {
        names = portSource()();
    } else {
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos)
            names << info.portName();
    }
    std::sort(names.begin(), names.end(), portNameLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    int listed = 0;
    for (const QString &name : std::as_const(names)) {
        if (!ComPort::canOpen(name))
            continue;
        ++listed;
        QString description = QSerialPortInfo(name).description();
        QString line = name + QLatin1Char('\t') + (description.isEmpty() ? QStringLiteral("-") : description);
        if (o.probe) {
            ModuleSession session(name, o.baud);
            const auto identified = session.identify({0, moduleprotocol::kSearchWaitMs});
            if (identified.value.recognised && identified.ok()) {
                // Ends programming mode as the port search does.
                session.endSearch();
                line += QLatin1Char('\t')
                    + t(u"Kordavo modul: %1, %2", "Kordavo module: %1, %2")
                          .arg(identified.value.text, variantText(*identified.value.memory, t));
            } else {
                line += QLatin1Char('\t') + t(u"nincs modul", "no module");
            }
            session.close();
        }
        streams.out << line << '\n';
    }
    if (listed == 0)
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
    for (const filecheck::Problem &p : *problems)
        streams.out << t(u"%1. sor, %2: „%3”: %4", "line %1, %2: \"%3\": %4").arg(p.line).arg(p.label, p.value, p.message)
                    << '\n';
    if (problems->isEmpty()) {
        streams.out << t(u"Nincs hibás mező.", "no field breaks a rule") << '\n';
        return kSuccess;
    }
    streams.out << t(u"%1 hibás érték.", "%1 bad values").arg(problems->size()) << '\n';
    return kRefused;
}

int commandExportCsv(const Options &o, Streams &streams, const Text &t)
{
    if (o.positional.size() != 1 && o.positional.size() != 2)
        return needPositional(o, 1, streams, t);
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams, t);
    if (!file)
        return kBadFile;
    const QByteArray csv = csvlist::exportList(file->configuration, t);
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
    file->configuration.telephones = imported.telephones;
    QString error;
    if (!configfile::writeFile(krvPath, configfile::formatLines(configfile::toLines(file->configuration)), &error)) {
        streams.err << t(u"A fájl mentése nem sikerült: %1 (%2)", "cannot save the file %1 (%2)").arg(krvPath, error)
                    << '\n';
        return kBadFile;
    }
    return kSuccess;
}

} // namespace

void setPortSource(PortSource source)
{
    portSource() = std::move(source);
}

int run(const QStringList &arguments, Streams streams)
{
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
