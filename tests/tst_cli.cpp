// kordavo-cli's commands, run in-process against the simulated module on a
// pseudo-terminal, and the built program once for its exit codes.

#include "support/coretestsupport.h"

#include "cli/cli.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "sim/modulesimulator.h"
#include "transfer/configimage.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStringEncoder>
#include <QtSerialPort/QSerialPort>

#include <atomic>
#include <csignal>
#include <memory>
#include <thread>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

struct Ran
{
    int code = -1;
    QString out;
    QString err;
};

Ran runCli(const QStringList &arguments)
{
    Ran ran;
    QTextStream out(&ran.out);
    QTextStream err(&ran.err);
    ran.code = cli::run(arguments, {out, err, false});
    out.flush();
    err.flush();
    return ran;
}

std::unique_ptr<ModuleSimulator> startModule(int memory = 128)
{
    SimulatorOptions options;
    options.memorySize = memory;
    auto sim = std::make_unique<ModuleSimulator>(options);
    if (!sim->start())
        qFatal("simulator: %s", qPrintable(sim->errorString()));
    return sim;
}

// Every general field and all 128 numbers filled, with rights in every combination.
Configuration sampleConfiguration()
{
    Configuration c;
    for (size_t i = 0; i < generalfields::kFields.size(); ++i)
        c.general[i] = QString::fromLatin1(generalfields::kFields[i].example);
    c.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapuérzékelő");
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n)
        c.telephones[size_t(n - 1)] = {n % 4, (n / 4) % 4, QStringLiteral("3630%1").arg(1000000 + n * 37)};
    return c;
}

bool writeKrv(const QString &path, const Configuration &c)
{
    QString error;
    return configfile::writeFile(path, configfile::formatLines(configfile::toLines(c)), &error);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The records a module holds after a faithful download of `c`.
QStringList storedImage(const Configuration &c, int entries)
{
    QStringList records = configimage::asSent(configimage::buildImage(c, entries).image).split(QLatin1Char('|'));
    records.removeLast();
    return records;
}

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Asks the in-process run to stop, as Ctrl-C would, once the module has
// received what `ready` accepts, `delayMs` later.
class InterruptWhen
{
public:
    InterruptWhen(ModuleSimulator &sim, std::function<bool(const QByteArray &)> ready, int delayMs = 0)
        : thread([this, &sim, ready = std::move(ready), delayMs] {
            while (!stop) {
                if (ready(sim.received())) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                    cli::requestInterrupt(SIGINT);
                    fired = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        })
    {
    }
    ~InterruptWhen()
    {
        stop = true;
        thread.join();
    }
    std::atomic<bool> fired{false};

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpLanguageAndUsage();
    void optionFormsVersionAndLanguages();
    void downloadReadoutVerifyWithLog();
    void readoutRefusesToOverwrite();
    void readoutWritesOnlyFilesThatOpen();
    void verifyNamesExactlyTheRecordsThatDiffer();
    void moduleFailures();
    void toolWorksOnlyWithKnownModules_data();
    void toolWorksOnlyWithKnownModules();
    void readoutAndVerifyTakeOnlyWholeRecordSets();
    void badFiles();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void severalModulesInOneRun();
    void infoStatusRelayAndProgrammingMode();
    void portsAndProbe();
    void checkListsEveryBrokenValue();
    void checkNotesNumbersTheModuleWillNotMatch();
    void csvRoundTripAndWholeRefusal();
    void csvListsAsInstallersKeepThem_data();
    void csvListsAsInstallersKeepThem();
    void interruptLeavesProgrammingMode();
    void interruptAfterTheWorkIsNoFailure();
    void interruptedReadingWaitsForSilence();
    void portIsHeldForTheWholeCommand();
    void locksFollowTheDevice();
    void portFailuresNameTheReason();
    void fullDiskLosesNothing();
    void programExitCodes();
};

void TestCli::initTestCase()
{
    qunsetenv("LC_ALL");
    qputenv("LANG", "hu_HU.UTF-8");
}

void TestCli::helpLanguageAndUsage()
{
    const Ran help = runCli({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("Használat: kordavo-cli")));
    for (const char *code : {"0  siker", "1  a modul elutasította", "2  hibás használat", "3  port- vagy vonalhiba",
                             "4  hibás vagy hiányzó fájl"})
        QVERIFY2(help.out.contains(QString::fromUtf8(code)), code);
    QVERIFY(help.out.contains(QStringLiteral("--fast")));
    QVERIFY(help.out.contains(QStringLiteral("--version")));

    const Ran english = runCli({QStringLiteral("--help"), QStringLiteral("--lang"), QStringLiteral("en")});
    QVERIFY(english.out.startsWith(QStringLiteral("Usage: kordavo-cli")));
    QVERIFY(english.out.contains(QStringLiteral("Exit codes:")));

    qputenv("LANG", "en_GB.UTF-8");
    const Ran byLocale = runCli({QStringLiteral("download")});
    qputenv("LANG", "hu_HU.UTF-8");
    QCOMPARE(byLocale.code, 2);
    QVERIFY2(byLocale.err.contains(QStringLiteral("see kordavo-cli --help")), qPrintable(byLocale.err));

    QCOMPARE(runCli({}).code, 2);
    const Ran unknown = runCli({QStringLiteral("program")});
    QCOMPARE(unknown.code, 2);
    QVERIFY(unknown.err.contains(QStringLiteral("Ismeretlen parancs: program")));
    QCOMPARE(runCli({QStringLiteral("info"), QStringLiteral("--port")}).code, 2);
    QCOMPARE(runCli({QStringLiteral("info"), QStringLiteral("--speed"), QStringLiteral("9600")}).code, 2);
    QCOMPARE(runCli({QStringLiteral("verify"), QStringLiteral("a.krv")}).code, 2);   // no port
    QCOMPARE(runCli({QStringLiteral("readout"), QStringLiteral("a.krv"), QStringLiteral("--port"),
                     QStringLiteral("p1"), QStringLiteral("--port"), QStringLiteral("p2")})
                 .code,
             2);
}

void TestCli::optionFormsVersionAndLanguages()
{
    const Ran version = runCli({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QCOMPARE(version.out, QStringLiteral("kordavo-cli %1\n").arg(QString::fromLatin1(KORDAVO_VERSION)));

    // "--port=P" as well as "--port P", anywhere among the arguments.
    auto sim = startModule(32);
    const Ran joined = runCli({QStringLiteral("--port=") + sim->devicePath(), QStringLiteral("info"), QStringLiteral("--fast")});
    QVERIFY2(joined.code == 0, qPrintable(joined.err));
    QVERIFY(joined.out.startsWith(QStringLiteral("Azonosítás: Qzv_GSM4_32\n")));
    QVERIFY(!sim->programMode());

    // What is wrong is named, in the language asked for, whatever stands where.
    const struct
    {
        QStringList arguments;
        QString message;
    } usage[] = {
        {{QStringLiteral("info"), QStringLiteral("--port")}, QStringLiteral("--port: hiányzó érték")},
        {{QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("--fast")}, QStringLiteral("--port: hiányzó érték")},
        {{QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("--lang=en")}, QStringLiteral("--port: hiányzó érték")},
        {{QStringLiteral("info"), QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--log")},
         QStringLiteral("--log: missing value")},
        {{QStringLiteral("--lang=en"), QStringLiteral("info"), QStringLiteral("--speed"), QStringLiteral("9600")},
         QStringLiteral("unknown option: --speed")},
        {{QStringLiteral("info"), QStringLiteral("--fast=1")}, QStringLiteral("--fast: ez a kapcsoló nem kap értéket: „1”")},
        {{QStringLiteral("info"), QStringLiteral("--baud"), QStringLiteral("gyors")}, QStringLiteral("--baud: hibás érték: „gyors”")},
        {{QStringLiteral("info"), QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("--port"), sim->devicePath()},
         QStringLiteral("--lang: ismeretlen nyelv: „de” (választható: hu, en)")},
        {{QStringLiteral("--help"), QStringLiteral("--lang=english")}, QStringLiteral("--lang: ismeretlen nyelv: „english”")},
    };
    sim->clearReceived();
    for (const auto &u : usage) {
        const Ran ran = runCli(u.arguments);
        QCOMPARE(ran.code, 2);
        QVERIFY2(ran.err.startsWith(u.message), qPrintable(ran.err));
        QVERIFY(ran.out.isEmpty());
    }
    QVERIFY(sim->received().isEmpty());

    // A language the tool does not speak in the locale falls back to Hungarian.
    qputenv("LANG", "de_DE.UTF-8");
    const Ran german = runCli({QStringLiteral("info")});
    qputenv("LANG", "hu_HU.UTF-8");
    QCOMPARE(german.code, 2);
    QVERIFY2(german.err.startsWith(QStringLiteral("Adja meg a portot")), qPrintable(german.err));
}

void TestCli::downloadReadoutVerifyWithLog()
{
    ScratchDir dir;
    auto sim = startModule();
    const Configuration c = sampleConfiguration();
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    const QString log = dir.filePath(QStringLiteral("install.log"));
    QVERIFY(writeKrv(file, c));
    const QString port = sim->devicePath();

    const Ran download = runCli({QStringLiteral("download"), file, QStringLiteral("--port"), port,
                                 QStringLiteral("--fast"), QStringLiteral("--log"), log});
    QVERIFY2(download.code == 0, qPrintable(download.err));
    QCOMPARE(lines(download.out).size(), 1);
    QVERIFY(download.out.startsWith(port + QStringLiteral(": sikeres betöltés (Qzv_GSM4_128")));
    QCOMPARE(sim->storedRecords(), storedImage(c, 128));
    QVERIFY(!sim->programMode());

    const QString back = dir.filePath(QStringLiteral("back.krv"));
    const Ran readout = runCli({QStringLiteral("readout"), back, QStringLiteral("--port"), port,
                                QStringLiteral("--fast"), QStringLiteral("--log"), log});
    QVERIFY2(readout.code == 0, qPrintable(readout.err));
    const std::optional<Configuration> read = configfile::fromLines(configfile::readFile(back));
    QVERIFY(read);
    Configuration expected = c;
    expected.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapuérzékelö");
    QVERIFY(*read == expected);

    const Ran verify = runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), port,
                               QStringLiteral("--fast"), QStringLiteral("--log"), log});
    QVERIFY2(verify.code == 0, qPrintable(verify.out + verify.err));
    QCOMPARE(verify.out, port + QStringLiteral(": sikeres ellenőrzés (Qzv_GSM4_128)\n"));

    // One line per command: time, command, port, identification, memory, file, SHA-256, result.
    const QStringList logLines = lines(QString::fromUtf8(fileBytes(log)));
    QCOMPARE(logLines.size(), 3);
    const QString fileHash =
        QString::fromLatin1(QCryptographicHash::hash(fileBytes(file), QCryptographicHash::Sha256).toHex());
    const QString backHash =
        QString::fromLatin1(QCryptographicHash::hash(fileBytes(back), QCryptographicHash::Sha256).toHex());
    const QStringList commands = {QStringLiteral("download"), QStringLiteral("readout"), QStringLiteral("verify")};
    for (int i = 0; i < 3; ++i) {
        const QStringList fields = logLines.at(i).split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 8);
        QVERIFY(QDateTime::fromString(fields.at(0), Qt::ISODate).isValid());
        QCOMPARE(fields.at(1), commands.at(i));
        QCOMPARE(fields.at(2), port);
        QCOMPARE(fields.at(3), QStringLiteral("Qzv_GSM4_128"));
        QCOMPARE(fields.at(4), QStringLiteral("128"));
        QCOMPARE(fields.at(5), QFileInfo(i == 1 ? back : file).absoluteFilePath());
        QCOMPARE(fields.at(6), i == 1 ? backHash : fileHash);
        QCOMPARE(fields.at(7), QStringLiteral("ok"));
    }

    // A log that cannot take lines refuses the command before the module hears a byte.
    sim->clearReceived();
    for (const QString &bad : {dir.filePath(QStringLiteral("nincs/install.log")), dir.path()}) {
        for (const QString &command : {QStringLiteral("download"), QStringLiteral("readout"), QStringLiteral("verify")}) {
            const QString target = command == QLatin1String("readout") ? dir.filePath(QStringLiteral("new.krv")) : file;
            const Ran refused = runCli({command, target, QStringLiteral("--port"), port, QStringLiteral("--log"), bad});
            QCOMPARE(refused.code, 2);
            QVERIFY2(refused.err.startsWith(QStringLiteral("A naplófájl nem írható: %1 (").arg(bad)), qPrintable(refused.err));
        }
    }
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("new.krv"))));
    QCOMPARE(sim->received(), QByteArray());
}

void TestCli::readoutRefusesToOverwrite()
{
    ScratchDir dir;
    auto sim = startModule(32);
    const QString target = dir.filePath(QStringLiteral("keep.krv"));
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();

    const QStringList args = {QStringLiteral("readout"), target, QStringLiteral("--port"), sim->devicePath(),
                              QStringLiteral("--fast")};
    const Ran refused = runCli(args);
    QCOMPARE(refused.code, 2);
    QVERIFY(refused.err.contains(QStringLiteral("--force")));
    QCOMPARE(fileBytes(target), QByteArray("mine"));
    QVERIFY(sim->received().isEmpty());   // refused before the module was asked

    const Ran forced = runCli(args + QStringList{QStringLiteral("--force")});
    QVERIFY2(forced.code == 0, qPrintable(forced.err));
    const std::optional<Configuration> read = configfile::fromLines(configfile::readFile(target));
    QVERIFY(read);
    QCOMPARE(storedImage(*read, 32), sim->storedRecords());
}

void TestCli::readoutWritesOnlyFilesThatOpen()
{
    ScratchDir dir;
    auto sim = startModule(32);
    const QStringList clean = sim->storedRecords();
    const QString target = dir.filePath(QStringLiteral("back.krv"));
    const QStringList args = {QStringLiteral("readout"), target, QStringLiteral("--port"), sim->devicePath(),
                              QStringLiteral("--fast")};
    struct Case
    {
        int record;
        QString text;
        QString named;
    };
    const Case refused[] = {
        {3, QStringLiteral("---"), QStringLiteral("„Modul neve” mező tartalma „---”")},
        {12, QStringLiteral("Ajto\nnyitva"), QStringLiteral("„1. bemenet üzenete bekapcsoláskor” mező sortörést")},
        {29, QStringLiteral("0036\n30"), QStringLiteral("„2. telefonszám” mező sortörést")},
        // check and download would refuse the file at once.
        {3, QStringLiteral("Kapu|Udvar"), QStringLiteral("„Modul neve” mező „|” karaktert")},
    };
    for (const Case &c : refused) {
        QStringList records = clean;
        records[c.record] = c.text.leftJustified(16, QLatin1Char(' '));
        sim->setStoredRecords(records);
        const Ran ran = runCli(args);
        QCOMPARE(ran.code, 1);
        QVERIFY2(ran.err.contains(c.named) || ran.out.contains(c.named), qPrintable(ran.out + ran.err));
        QVERIFY(!QFileInfo::exists(target));
    }

    // Other control bytes show as "?": the file opens with its 144 lines.
    QStringList records = clean;
    records[5] = QStringLiteral("Kapu\x01\x1b[2J").leftJustified(16, QLatin1Char(' '));
    sim->setStoredRecords(records);
    const Ran ran = runCli(args);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    const QStringList lines = configfile::readFile(target);
    QCOMPARE(lines.size(), 144);
    QCOMPARE(lines.at(5), QStringLiteral("Kapu??[2J"));
}

void TestCli::verifyNamesExactlyTheRecordsThatDiffer()
{
    ScratchDir dir;
    auto sim = startModule();
    const Configuration c = sampleConfiguration();
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, c));
    QStringList records = storedImage(c, 128);
    records[3] = configimage::padRecord(QStringLiteral("Masik modul"));
    records[28 + 11] = configimage::padRecord(QStringLiteral("0036209999999"));
    sim->setStoredRecords(records);

    const Ran verify =
        runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath(), QStringLiteral("--fast")});
    QCOMPARE(verify.code, 1);
    const QStringList out = lines(verify.out);
    QCOMPARE(out.size(), 3);
    QVERIFY(out.at(0).endsWith(QStringLiteral("sikertelen ellenőrzés: 2 eltérés")));
    QCOMPARE(out.at(1), QStringLiteral("  Modul neve: a modulban „Masik modul”, a fájlban „Kordavo modul”"));
    // Entry 12 holds alarm digit 0 and output digit 3 (both outputs): the
    // number and the boxes are shown apart.
    QCOMPARE(c.telephones[11].output, 3);
    QCOMPARE(out.at(2), QStringLiteral("  12. telefonszám: a modulban „36209999999” (riasztás: 00, kimenet: 00), "
                                       "a fájlban „%1” (riasztás: 00, kimenet: 11)")
                            .arg(c.telephones[11].number));
    const Ran english = runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath(),
                                QStringLiteral("--fast"), QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(english.code, 1);
    QCOMPARE(lines(english.out).mid(1),
             (QStringList{QStringLiteral("  Module name: module \"Masik modul\", file \"Kordavo modul\""),
                          QStringLiteral("  telephone number 12: module \"36209999999\" (alarm: 00, output: 00), "
                                         "file \"%1\" (alarm: 00, output: 11)")
                              .arg(c.telephones[11].number)}));
}

void TestCli::moduleFailures()
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    const auto download = [&](const QString &port) {
        return runCli({QStringLiteral("download"), file, QStringLiteral("--port"), port, QStringLiteral("--fast")});
    };

    const Ran noPort = download(dir.filePath(QStringLiteral("ttyNone")));
    QCOMPARE(noPort.code, 3);
    QVERIFY(noPort.err.contains(QStringLiteral("nem lehet megnyitni a portot")));

    auto sim = startModule();
    const QStringList before = sim->storedRecords();
    sim->setFault(SimulatorOptions::Fault::Silent);
    const Ran silent = download(sim->devicePath());
    QCOMPARE(silent.code, 3);
    QVERIFY(silent.err.contains(QStringLiteral("a modul nem válaszol")));

    sim->setFault(SimulatorOptions::Fault::WrongPrefix);
    sim->clearReceived();
    const Ran prefix = download(sim->devicePath());
    QCOMPARE(prefix.code, 3);
    QVERIFY(prefix.err.contains(QStringLiteral("nem Kordavo modul válaszolt: „Xyz_GSM4_128”")));
    QCOMPARE(sim->received(), QByteArray("~|"));   // nothing sent to a stranger

    // Nothing stored, storing unknown, and a line that went away are told apart.
    sim->setFault(SimulatorOptions::Fault::NoReadyAnswer);
    const Ran notReady = download(sim->devicePath());
    QCOMPARE(notReady.code, 1);
    QVERIFY(notReady.out.contains(QStringLiteral("a modul nem állt készen („R”), semmi sem tárolódott")));
    sim->setFault(SimulatorOptions::Fault::NoAck);
    const Ran noAck = download(sim->devicePath());
    QCOMPARE(noAck.code, 1);
    QVERIFY(noAck.out.contains(QStringLiteral("a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)")));
    QCOMPARE(sim->storedRecords(), before);
    {
        auto dropping = startModule();
        dropping->setFault(SimulatorOptions::Fault::DropDuringTransfer);
        const Ran lost = download(dropping->devicePath());
        QCOMPARE(lost.code, 3);
        QVERIFY2(lost.err.contains(QStringLiteral("a vonal megszakadt a betöltés közben")), qPrintable(lost.err));
    }

    sim->setFault(SimulatorOptions::Fault::Silent);
    QCOMPARE(runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath()}).code, 3);
    QCOMPARE(runCli({QStringLiteral("status"), QStringLiteral("--port"), sim->devicePath()}).code, 3);

    // A foreign device is no module for the status query either.
    for (const SimulatorOptions::Fault fault : {SimulatorOptions::Fault::WrongPrefix, SimulatorOptions::Fault::LowerCasePrefix}) {
        sim->setFault(fault);
        sim->clearReceived();
        const Ran status = runCli({QStringLiteral("status"), QStringLiteral("--port"), sim->devicePath(), QStringLiteral("--fast")});
        QCOMPARE(status.code, 3);
        QVERIFY2(status.err.contains(QStringLiteral("nem Kordavo modul válaszolt")), qPrintable(status.err));
        QVERIFY(status.out.isEmpty());
        QCOMPARE(sim->received(), QByteArray("~|"));
    }

    // A module that never falls silent is not a silent one.
    sim->setFault(SimulatorOptions::Fault::Chatter);
    const Ran flooded = runCli({QStringLiteral("info"), QStringLiteral("--port"), sim->devicePath()});
    QCOMPARE(flooded.code, 3);
    QVERIFY2(flooded.err.contains(QStringLiteral("a modul megállás nélkül küld")), qPrintable(flooded.err));
}

void TestCli::toolWorksOnlyWithKnownModules_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("identification");   // empty: the simulator's own
    QTest::addColumn<QString>("shown");
    const QStringList commands = {QStringLiteral("info"), QStringLiteral("status"), QStringLiteral("download"),
                                  QStringLiteral("readout"), QStringLiteral("verify"), QStringLiteral("relay")};
    for (const QString &command : commands) {
        QTest::addRow("%s, cut to _12", qPrintable(command))
            << command << int(SimulatorOptions::Fault::CutIdentification) << QByteArray() << QStringLiteral("„Qzv_GSM4_12”");
        QTest::addRow("%s, memory 64", qPrintable(command))
            << command << int(SimulatorOptions::Fault::None) << QByteArray("Qzv_GSM4_64") << QStringLiteral("„Qzv_GSM4_64\\x0d”");
    }
    QTest::newRow("info, empty memory field")
        << QStringLiteral("info") << int(SimulatorOptions::Fault::None) << QByteArray("Qzv_GSM4_") << QStringLiteral("„Qzv_GSM4_\\x0d”");
    QTest::newRow("readout, 128x")
        << QStringLiteral("readout") << int(SimulatorOptions::Fault::None) << QByteArray("Qzv_GSM4_128x") << QStringLiteral("„Qzv_GSM4_128x\\x0d”");
}

void TestCli::toolWorksOnlyWithKnownModules()
{
    QFETCH(QString, command);
    QFETCH(int, fault);
    QFETCH(QByteArray, identification);
    QFETCH(QString, shown);
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    SimulatorOptions options;
    options.memorySize = 128;
    options.fault = SimulatorOptions::Fault(fault);
    options.identification = identification;
    auto sim = std::make_unique<ModuleSimulator>(options);
    QVERIFY(sim->start());
    const QStringList before = sim->storedRecords();
    const QString out = dir.filePath(QStringLiteral("out.krv"));
    QStringList arguments = {command};
    if (command == QLatin1String("download") || command == QLatin1String("verify"))
        arguments << file;
    else if (command == QLatin1String("readout"))
        arguments << out;
    else if (command == QLatin1String("relay"))
        arguments << QStringLiteral("1111");
    arguments << QStringLiteral("--port") << sim->devicePath() << QStringLiteral("--fast");

    const Ran ran = runCli(arguments);
    QCOMPARE(ran.code, 3);
    QVERIFY2(ran.err.contains(QStringLiteral("ismeretlen modul: ") + shown), qPrintable(ran.err));
    QVERIFY(ran.out.isEmpty());
    // Nothing but "~X" follows, so the module is not left in programming mode.
    QTRY_COMPARE_WITH_TIMEOUT(sim->received(), QByteArray("~|~X"), 5000);
    QVERIFY(sim->waitIdle());
    QVERIFY(!sim->programMode());
    QCOMPARE(sim->storedRecords(), before);
    QVERIFY(!QFileInfo::exists(out));
}

void TestCli::readoutAndVerifyTakeOnlyWholeRecordSets()
{
    ScratchDir dir;
    const QString back = dir.filePath(QStringLiteral("back.krv"));
    auto sim = startModule(128);
    const QStringList records = sim->storedRecords();
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    Configuration stored = *configimage::parseImage(configimage::normalizeReply(records.join(QLatin1Char('\r')) + "\r\r"), 128);
    stored.general[7] = QStringLiteral("5");
    QVERIFY(writeKrv(file, stored));
    for (const bool fast : {false, true}) {
        QStringList speed;
        if (fast)
            speed << QStringLiteral("--fast");
        // Line noise before the records is no SMS centre.
        sim->setFault(SimulatorOptions::Fault::NoiseBeforeRecords);
        const Ran noisy = runCli(QStringList{QStringLiteral("readout"), back, QStringLiteral("--port"), sim->devicePath()} + speed);
        QCOMPARE(noisy.code, 1);
        QVERIFY2(noisy.out.contains(QStringLiteral("sikertelen kiolvasás: a modul válaszában a(z) 1. rekord 116 karakteres (16 kell)")),
                 qPrintable(noisy.out + noisy.err));
        QVERIFY(!QFileInfo::exists(back));
        const Ran noisyVerify = runCli(QStringList{QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath()} + speed);
        QCOMPARE(noisyVerify.code, 1);

        // An answer without its closing character is cut short: it neither reads nor verifies.
        sim->setFault(SimulatorOptions::Fault::NoClosingCharacter);
        const Ran cut = runCli(QStringList{QStringLiteral("readout"), back, QStringLiteral("--port"), sim->devicePath()} + speed);
        QCOMPARE(cut.code, 1);
        QVERIFY2(cut.out.contains(QStringLiteral("sikertelen kiolvasás: a modul válasza a záró karakter előtt véget ért")),
                 qPrintable(cut.out + cut.err));
        QVERIFY(!QFileInfo::exists(back));
        const Ran verify = runCli(QStringList{QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath()} + speed);
        QCOMPARE(verify.code, 1);
        QCOMPARE(lines(verify.out).mid(1), QStringList{QStringLiteral("  a modul válasza a záró karakter előtt véget ért")});

        sim->setFault(SimulatorOptions::Fault::None);
        const Ran whole = runCli(QStringList{QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath()} + speed);
        QVERIFY2(whole.code == 0, qPrintable(whole.out + whole.err));
    }
}

void TestCli::badFiles()
{
    ScratchDir dir;
    auto sim = startModule();
    const QString shortFile = dir.filePath(QStringLiteral("short.krv"));
    QStringList fewLines = configfile::toLines(sampleConfiguration());
    fewLines.removeLast();
    QString error;
    QVERIFY(configfile::writeFile(shortFile, configfile::formatLines(fewLines), &error));
    const QString port = sim->devicePath();

    for (const QString &command : {QStringLiteral("download"), QStringLiteral("verify")}) {
        const Ran ran = runCli({command, shortFile, QStringLiteral("--port"), port});
        QCOMPARE(ran.code, 4);
        QVERIFY(ran.err.contains(QStringLiteral("144 sor kell")));
    }
    QCOMPARE(runCli({QStringLiteral("check"), shortFile}).code, 4);
    QCOMPARE(runCli({QStringLiteral("export-csv"), shortFile}).code, 4);
    QCOMPARE(runCli({QStringLiteral("download"), dir.filePath(QStringLiteral("none.krv")), QStringLiteral("--port"), port})
                 .code,
             4);
    QVERIFY(sim->received().isEmpty());

    // A file no module can store is refused before the port is touched.
    Configuration c = sampleConfiguration();
    c.telephones[4].number = QStringLiteral("36|30");
    const QString piped = dir.filePath(QStringLiteral("piped.krv"));
    QVERIFY(writeKrv(piped, c));
    const Ran refused = runCli({QStringLiteral("download"), piped, QStringLiteral("--port"), port, QStringLiteral("--fast")});
    // A field that breaks the rules: the code check gives for it.
    QCOMPARE(refused.code, 1);
    QCOMPARE(runCli({QStringLiteral("check"), piped}).code, 1);
    QVERIFY(refused.err.contains(QStringLiteral("„5. telefonszám” mező „|” karaktert")));
    QVERIFY(sim->received().isEmpty());

    c = sampleConfiguration();
    c.general[1].clear();
    const QString empty = dir.filePath(QStringLiteral("empty.krv"));
    QVERIFY(writeKrv(empty, c));
    QCOMPARE(runCli({QStringLiteral("check"), empty}).code, 1);
    for (const QString &command : {QStringLiteral("download"), QStringLiteral("verify")}) {
        const Ran ran = runCli({command, empty, QStringLiteral("--port"), port, QStringLiteral("--force")});
        QCOMPARE(ran.code, 1);
        QVERIFY2(ran.err.contains(QStringLiteral("üres: „Modul PIN-kód”")), qPrintable(ran.err));
    }
    QVERIFY(sim->received().isEmpty());
}

void TestCli::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("dir");
    QTest::newRow("device") << QStringLiteral("device");
}

void TestCli::onlyRegularFilesAreRead()
{
#if defined(Q_OS_UNIX)
    QFETCH(QString, kind);
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    QString odd = dir.filePath(QStringLiteral("odd"));
    QString named;
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0600), 0);
        named = QStringLiteral("nevesített cső (FIFO)");
    } else if (kind == QLatin1String("dir")) {
        QVERIFY(QDir().mkdir(odd));
        named = QStringLiteral("mappa");
    } else {
        odd = QStringLiteral("/dev/zero");
        named = QStringLiteral("eszköz");
    }
    const QString csv = dir.filePath(QStringLiteral("list.csv"));
    QCOMPARE(runCli({QStringLiteral("export-csv"), file, csv}).code, 0);
    auto sim = startModule();
    const QString port = sim->devicePath();
    const QList<QStringList> runs = {
        {QStringLiteral("download"), odd, QStringLiteral("--port"), port},
        {QStringLiteral("verify"), odd, QStringLiteral("--port"), port},
        {QStringLiteral("check"), odd},
        {QStringLiteral("export-csv"), odd},
        {QStringLiteral("import-csv"), odd, file},
        {QStringLiteral("import-csv"), csv, odd},
    };
    for (const QStringList &arguments : runs) {
        // As its own process: a reader that blocks must not stop the suite.
        QProcess process;
        process.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"), arguments);
        QVERIFY(process.waitForStarted());
        const bool finished = process.waitForFinished(5000);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        QVERIFY2(finished, qPrintable(arguments.join(QLatin1Char(' '))));
        QCOMPARE(process.exitCode(), 4);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("nem fájl, hanem %1: %2").arg(named, odd)), qPrintable(err));
    }
    QVERIFY(sim->received().isEmpty());
#else
    QSKIP("named pipes and devices are a Unix matter");
#endif
}

void TestCli::severalModulesInOneRun()
{
    ScratchDir dir;
    const Configuration c = sampleConfiguration();
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, c));
    auto small = startModule(32);
    auto large = startModule(128);
    const QString missing = dir.filePath(QStringLiteral("ttyGone"));

    const Ran ran = runCli({QStringLiteral("download"), file, QStringLiteral("--port"), small->devicePath(),
                            QStringLiteral("--port"), missing, QStringLiteral("--port"), large->devicePath(),
                            QStringLiteral("--fast")});
    QCOMPARE(ran.code, 3);   // the worst of the three
    QCOMPARE(lines(ran.out).size(), 2);
    QVERIFY(ran.out.contains(small->devicePath() + QStringLiteral(": sikeres betöltés (Qzv_GSM4_32, 32 telefonszám")));
    QVERIFY(ran.out.contains(large->devicePath() + QStringLiteral(": sikeres betöltés (Qzv_GSM4_128, 128 telefonszám")));
    QCOMPARE(ran.err, missing + QStringLiteral(": nem lehet megnyitni a portot: nincs ilyen port\n"));
    // What the small module does not get is named; --strict refuses it instead.
    QVERIFY(ran.out.contains(QStringLiteral("32 telefonszám, teljes); a 33–128. telefonszám nem fér el: 96 szám kimarad")));
    const QStringList strict = {QStringLiteral("download"), file, QStringLiteral("--port"), small->devicePath(),
                                QStringLiteral("--fast"), QStringLiteral("--strict")};
    small->clearReceived();
    const Ran refused = runCli(strict);
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.out.contains(QStringLiteral("--strict: a fájl nem fér el a modulban")));
    QVERIFY(!small->received().contains("~}"));
    // Each module got the image of its own memory size.
    QCOMPARE(small->storedRecords(), storedImage(c, 32));
    QCOMPARE(large->storedRecords(), storedImage(c, 128));

    // A reduced model gets what the window holds for one: placeholders for
    // the names and messages, and no rights.
    auto reduced = startModule(31);
    QCOMPARE(runCli({QStringLiteral("download"), file, QStringLiteral("--port"), reduced->devicePath(),
                     QStringLiteral("--fast")}).code, 0);
    Configuration asReduced = c;
    asReduced.reduceForModel();
    QCOMPARE(reduced->storedRecords(), storedImage(asReduced, 32));
    QCOMPARE(reduced->storedRecords().at(3).trimmed(), QStringLiteral("-"));
}

void TestCli::infoStatusRelayAndProgrammingMode()
{
    SimulatorOptions options;
    options.memorySize = 127;
    options.input2Active = true;
    options.outputs = 0x2;
    options.signal = 4;
    auto sim = std::make_unique<ModuleSimulator>(options);
    QVERIFY(sim->start());
    const QString port = sim->devicePath();

    const Ran info = runCli({QStringLiteral("info"), QStringLiteral("--port"), port});
    QCOMPARE(info.code, 0);
    QVERIFY(info.out.contains(QStringLiteral("Azonosítás: Qzv_GSM4_127\nMemória: 127\n")));
    QVERIFY(info.out.contains(QStringLiteral("128 telefonszám, egyszerűsített")));
    QVERIFY(!sim->programMode());
    QCOMPARE(runCli({QStringLiteral("info"), QStringLiteral("--port"), port, QStringLiteral("--stay")}).code, 0);
    QVERIFY(sim->programMode());
    QCOMPARE(sim->received(), QByteArray("~|~X~|"));

    const Ran json = runCli({QStringLiteral("status"), QStringLiteral("--port"), port, QStringLiteral("--json")});
    QCOMPARE(json.code, 0);
    const QJsonObject status = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(status.value(QStringLiteral("memory")).toInt(), 127);
    QCOMPARE(status.value(QStringLiteral("inputs")).toArray(), (QJsonArray{false, true}));
    QCOMPARE(status.value(QStringLiteral("outputs")).toArray(), (QJsonArray{false, true, false, false}));
    QCOMPARE(status.value(QStringLiteral("signal")).toInt(), 4);
    QCOMPARE(status.value(QStringLiteral("service")).toString(), QStringLiteral("TelenorHU"));
    QVERIFY(!sim->programMode());

    const Ran text = runCli({QStringLiteral("status"), QStringLiteral("--port"), port, QStringLiteral("--lang"),
                             QStringLiteral("en")});
    QCOMPARE(text.code, 0);
    QVERIFY(text.out.contains(QStringLiteral("Input 2: active\nOutput 1: off\nOutput 2: on\n")));

    // A service name with an escape sequence and a NUL reaches the terminal escaped;
    // --fast ends the signal answer at its CR; JSON has the raw value beside the bar's.
    SimulatorOptions odd = options;
    odd.service = QByteArray("Tele\x1b[2J\0nor", 12);
    odd.signal = 31;
    sim->setOptions(odd);
    QElapsedTimer clock;
    clock.start();
    const Ran escaped = runCli({QStringLiteral("status"), QStringLiteral("--port"), port, QStringLiteral("--fast")});
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(escaped.code, 0);
    QVERIFY2(escaped.out.contains(QStringLiteral("Szolgáltató: Tele\\x1b[2J\\x00nor\n")), qPrintable(escaped.out));
    QVERIFY(!escaped.out.contains(QChar(0x1b)));
    const Ran raw = runCli({QStringLiteral("status"), QStringLiteral("--port"), port, QStringLiteral("--json"),
                            QStringLiteral("--fast")});
    const QJsonObject rawStatus = QJsonDocument::fromJson(raw.out.toUtf8()).object();
    QCOMPARE(rawStatus.value(QStringLiteral("signalRaw")).toInt(), 31);
    QCOMPARE(rawStatus.value(QStringLiteral("signal")).toInt(), 9);
    sim->setOptions(options);

    QCOMPARE(runCli({QStringLiteral("relay"), QStringLiteral("1010"), QStringLiteral("--port"), port}).code, 0);
    QCOMPARE(sim->outputs(), quint8(0x5));   // outputs 1 and 3
    QVERIFY(!sim->programMode());
    QCOMPARE(runCli({QStringLiteral("relay"), QStringLiteral("c"), QStringLiteral("--port"), port,
                     QStringLiteral("--stay")})
                 .code,
             0);
    QCOMPARE(sim->outputs(), quint8(0xC));
    QVERIFY(sim->programMode());
    sim->clearReceived();
    for (const QString &bad : {QStringLiteral("10102"), QStringLiteral("G"), QStringLiteral("1 01")})
        QCOMPARE(runCli({QStringLiteral("relay"), bad, QStringLiteral("--port"), port}).code, 2);
    QVERIFY(sim->received().isEmpty());
}

void TestCli::portsAndProbe()
{
    auto sim = startModule(32);
    ScratchDir dir;
    const QString port = sim->devicePath();
    const QString gone = dir.filePath(QStringLiteral("ttyGone"));
    cli::setPortSource([&] { return QStringList{gone, port}; });

    const Ran plain = runCli({QStringLiteral("ports")});
    QCOMPARE(plain.code, 0);
    QCOMPARE(lines(plain.out).size(), 1);   // only the one that opens
    QVERIFY(plain.out.startsWith(port + QLatin1Char('\t')));
    QVERIFY(sim->received().isEmpty());

    const Ran probed = runCli({QStringLiteral("ports"), QStringLiteral("--probe")});
    QCOMPARE(probed.code, 0);
    QVERIFY2(probed.out.trimmed().endsWith(QStringLiteral("\tKordavo modul: Qzv_GSM4_32, 32 telefonszám, teljes")),
             qPrintable(probed.out));
    QVERIFY(sim->waitIdle());
    QCOMPARE(sim->received(), QByteArray("~|\x1b"));
    QVERIFY(!sim->programMode());

    sim->setFault(SimulatorOptions::Fault::WrongPrefix);
    QVERIFY(runCli({QStringLiteral("ports"), QStringLiteral("--probe")}).out.trimmed().endsWith(QStringLiteral("\tnincs modul")));
    // A module's prefix with a cut answer is no model the tool names.
    sim->setFault(SimulatorOptions::Fault::CutIdentification);
    const Ran cut = runCli({QStringLiteral("ports"), QStringLiteral("--probe")});
    QVERIFY2(cut.out.contains(QStringLiteral("\tismeretlen modul: „Qzv_GSM4_3”")), qPrintable(cut.out));
    cli::setPortSource({});
}

void TestCli::checkListsEveryBrokenValue()
{
    ScratchDir dir;
    Configuration c = sampleConfiguration();
    const QString good = dir.filePath(QStringLiteral("good.krv"));
    c.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapu");
    QVERIFY(writeKrv(good, c));
    const Ran clean = runCli({QStringLiteral("check"), good});
    QCOMPARE(clean.code, 0);
    QCOMPARE(clean.out, QStringLiteral("Nincs hibás mező.\n"));

    c.general[size_t(generalfields::indexOf(QStringLiteral("m_pin")))] = QStringLiteral("12a4");
    c.general[size_t(generalfields::indexOf(QStringLiteral("visszaallas")))] = QStringLiteral("2");
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))] = QStringLiteral("Kapu|Udvar");
    c.general[size_t(generalfields::indexOf(QStringLiteral("ki3_on")))] = QStringLiteral("Kőbánya");
    QStringList fileLines = configfile::toLines(c);
    fileLines[16 + 3 - 1] = QStringLiteral("1236a01");
    fileLines[16 + 12 - 1] = QStringLiteral("71362011122223334");
    const QString bad = dir.filePath(QStringLiteral("bad.krv"));
    QString error;
    QVERIFY(configfile::writeFile(bad, configfile::formatLines(fileLines), &error));

    const Ran checked = runCli({QStringLiteral("check"), bad});
    QCOMPARE(checked.code, 1);
    QStringList out = lines(checked.out);
    QCOMPARE(out.takeLast(), QStringLiteral("6 hibás érték."));
    const QStringList expected = {
        QStringLiteral("2. sor, Modul PIN-kód: „12a4”: Csak számok adhatóak meg!"),
        QStringLiteral("4. sor, Modul neve: „Kapu|Udvar”: A „|” karakter nem adható meg, mert a modul ezzel "
                       "választja el a mezőket."),
        QStringLiteral("5. sor, Visszaállás: „2”: Az érték 0 vagy 1 lehet."),
        QStringLiteral("megjegyzés: 9. sor, 3-as kimeneti parancs bekapcsoláskor: „Kőbánya”: a modul másként "
                       "tárolja: „ő” helyett „ö”"),
        QStringLiteral("19. sor, 3. telefonszám: „1236a01”: Csak valós telefonszámok adhatóak meg, nemzetközi "
                       "formátumban, '+' karakter nélkül."),
        QStringLiteral("28. sor, 12. telefonszám: „71362011122223334”: az első két karakter 0 és 3 közötti "
                       "számjegy lehet"),
        QStringLiteral("28. sor, 12. telefonszám: „71362011122223334”: legfeljebb 14 karakter lehet"),
    };
    QCOMPARE(out, expected);

    const Ran english = runCli({QStringLiteral("check"), bad, QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(english.code, 1);
    // The same rules as the form's, with the fields named in English too.
    for (const char *line : {"line 2, Module PIN code: \"12a4\": only digits are allowed",
                             "line 5, Restore: \"2\": the value must be 0 or 1",
                             "line 19, telephone number 3: \"1236a01\": only digits are allowed, in international form "
                             "without \"+\""})
        QVERIFY2(english.out.contains(QString::fromUtf8(line)), qPrintable(english.out));

    // ő and ű are notes: the shipped default configuration passes.
    const Ran shipped = runCli({QStringLiteral("check"), QStringLiteral(KORDAVO_BIN_DIR "/kordavo_default.dll")});
    QCOMPARE(shipped.code, 0);
    QVERIFY(shipped.out.contains(QStringLiteral("megjegyzés: ")));

    // A download or verify of a file that breaks the rules touches no port
    // unless forced.
    auto sim = startModule();
    for (const QString &command : {QStringLiteral("download"), QStringLiteral("verify")}) {
        const Ran refused = runCli({command, bad, QStringLiteral("--port"), sim->devicePath(), QStringLiteral("--fast")});
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains(QStringLiteral("2. sor, Modul PIN-kód: „12a4”")));
        QVERIFY(refused.err.contains(QStringLiteral("--force")));
    }
    QVERIFY(sim->received().isEmpty());
    fileLines[3] = QStringLiteral("Kapu");   // no "|", which no module can take
    QVERIFY(configfile::writeFile(bad, configfile::formatLines(fileLines), &error));
    QCOMPARE(runCli({QStringLiteral("download"), bad, QStringLiteral("--port"), sim->devicePath(), QStringLiteral("--fast"),
                     QStringLiteral("--force")})
                 .code,
             0);
    QVERIFY(sim->received().contains("~}"));
}

void TestCli::checkNotesNumbersTheModuleWillNotMatch()
{
    // The module matches a caller in international form without "+": a
    // number written as dialled at home, or twice, is noted, not refused.
    ScratchDir dir;
    Configuration c = sampleConfiguration();
    c.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapu");
    c.telephones[2].number = QStringLiteral("06301234567");
    c.telephones[3].number = QStringLiteral("0036309876543");
    c.telephones[4].number = QStringLiteral("00491512345678");
    c.telephones[9].number = QStringLiteral("36301234567");    // number 3 in international form
    c.telephones[10].number = c.telephones[0].number;
    const QString file = dir.filePath(QStringLiteral("notes.krv"));
    QVERIFY(writeKrv(file, c));

    const Ran checked = runCli({QStringLiteral("check"), file});
    QCOMPARE(checked.code, 0);
    const QStringList expected = {
        QStringLiteral("megjegyzés: 19. sor, 3. telefonszám: „3006301234567”: belföldi formában áll; a modul "
                       "nemzetközi formában, „+” nélkül várja: „36301234567”"),
        QStringLiteral("megjegyzés: 20. sor, 4. telefonszám: „010036309876543”: „00” előtaggal áll; a modul "
                       "nemzetközi formában, „+” és „00” nélkül várja: „36309876543”"),
        QStringLiteral("megjegyzés: 21. sor, 5. telefonszám: „1100491512345678”: „00” előtaggal áll; a modul "
                       "nemzetközi formában, „+” és „00” nélkül várja: „491512345678”"),
        QStringLiteral("megjegyzés: 26. sor, 10. telefonszám: „2236301234567”: ugyanez a szám a(z) 3. helyen is "
                       "szerepel"),
        QStringLiteral("megjegyzés: 27. sor, 11. telefonszám: „3236301000037”: ugyanez a szám a(z) 1. helyen is "
                       "szerepel"),
        QStringLiteral("Nincs hibás mező; 5 megjegyzés."),
    };
    QCOMPARE(lines(checked.out), expected);
    const Ran english = runCli({QStringLiteral("check"), file, QStringLiteral("--lang"), QStringLiteral("en")});
    QVERIFY2(english.out.contains(QStringLiteral("line 27, telephone number 11: \"3236301000037\": the same number "
                                                 "is also at position 1")),
             qPrintable(english.out));
}

void TestCli::csvRoundTripAndWholeRefusal()
{
    ScratchDir dir;
    const Configuration source = sampleConfiguration();
    const QString sourceFile = dir.filePath(QStringLiteral("source.krv"));
    QVERIFY(writeKrv(sourceFile, source));
    const QString csv = dir.filePath(QStringLiteral("list.csv"));
    QCOMPARE(runCli({QStringLiteral("export-csv"), sourceFile, csv}).code, 0);

    const QByteArray bytes = fileBytes(csv);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList rows = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 128);
    QCOMPARE(rows.at(0).split(QLatin1Char(';')).size(), 6);
    // Entry 7: alarm digit 3 (inputs 1 and 2), output digit 1 (output 1).
    QCOMPARE(rows.at(7), QStringLiteral("7;%1;1;1;1;0").arg(source.telephones[6].number));
    QCOMPARE(runCli({QStringLiteral("export-csv"), sourceFile}).out.toUtf8(), bytes);

    // An existing list is overwritten only when asked; "," only when asked.
    const Ran again = runCli({QStringLiteral("export-csv"), sourceFile, csv, QStringLiteral("--separator"),
                              QStringLiteral(",")});
    QCOMPARE(again.code, 2);
    QCOMPARE(again.err, QStringLiteral("A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.\n").arg(csv));
    QCOMPARE(fileBytes(csv), bytes);
    const QString commaCsv = dir.filePath(QStringLiteral("comma.csv"));
    QVERIFY(writeKrv(commaCsv, Configuration()));
    QCOMPARE(runCli({QStringLiteral("export-csv"), sourceFile, commaCsv, QStringLiteral("--separator"),
                     QStringLiteral(","), QStringLiteral("--force")})
                 .code,
             0);
    QCOMPARE(fileBytes(commaCsv), QByteArray(bytes).replace(';', ','));
    QCOMPARE(runCli({QStringLiteral("export-csv"), sourceFile, QStringLiteral("--separator"), QStringLiteral(",")})
                 .out.toUtf8(),
             QByteArray(bytes).replace(';', ','));
    QCOMPARE(runCli({QStringLiteral("export-csv"), sourceFile, QStringLiteral("--separator"), QStringLiteral("\t")})
                 .code,
             2);

    // Into another file: its general fields stay, its list becomes the source's.
    Configuration target;
    for (size_t i = 0; i < target.general.size(); ++i)
        target.general[i] = QStringLiteral("G%1").arg(i);
    target.telephones[0] = {3, 3, QStringLiteral("36999")};
    const QString targetFile = dir.filePath(QStringLiteral("target.krv"));
    QVERIFY(writeKrv(targetFile, target));
    const Ran intoTarget = runCli({QStringLiteral("import-csv"), csv, targetFile});
    QCOMPARE(intoTarget.code, 0);
    QCOMPARE(intoTarget.out, QStringLiteral("128 szám beolvasva, 0 törölve, 0 változatlan\n"));
    const Ran sameAgain = runCli({QStringLiteral("import-csv"), commaCsv, targetFile, QStringLiteral("--lang"),
                                  QStringLiteral("en")});
    QCOMPARE(sameAgain.out, QStringLiteral("128 numbers read, 0 deleted, 128 unchanged\n"));
    const std::optional<Configuration> imported = configfile::fromLines(configfile::readFile(targetFile));
    QVERIFY(imported);
    QCOMPARE(imported->general, target.general);
    for (int n = 0; n < 128; ++n) {
        QCOMPARE(imported->telephones[size_t(n)].number, source.telephones[size_t(n)].number);
        QCOMPARE(imported->telephones[size_t(n)].alarm, source.telephones[size_t(n)].alarm);
        QCOMPARE(imported->telephones[size_t(n)].output, source.telephones[size_t(n)].output);
    }

    // One bad row and nothing changes; every bad row is listed.
    QStringList edited = rows;
    edited[3] = QStringLiteral("3;3630abc;0;0;0;0");
    edited[5] = QStringLiteral("5;36301234;0;2;0;0");
    edited[9] = QStringLiteral("129;3630;0;0;0;0");
    const QString badCsv = dir.filePath(QStringLiteral("bad.csv"));
    QString error;
    QVERIFY(configfile::writeFile(badCsv, edited.join(QStringLiteral("\r\n")).toUtf8(), &error));
    const QByteArray before = fileBytes(targetFile);
    const Ran refused = runCli({QStringLiteral("import-csv"), badCsv, targetFile});
    QCOMPARE(refused.code, 4);
    QCOMPARE(fileBytes(targetFile), before);
    const QStringList errors = lines(refused.err).mid(1);
    QCOMPARE(errors.size(), 3);
    QVERIFY(errors.at(0).startsWith(QStringLiteral("  4. sor: „3630abc”")));
    QCOMPARE(errors.at(1), QStringLiteral("  6. sor: „2” a(z) „2. bemenet riasztás” oszlopban: 1/0, IGAZ/HAMIS, "
                                          "igen/nem vagy x/üres lehet"));
    QVERIFY(errors.at(2).startsWith(QStringLiteral("  10. sor: a pozíció 1 és 128 közötti")));

    // Lone CRs (old Mac spreadsheets) end rows as well.
    QVERIFY(writeKrv(targetFile, target));
    const QString macCsv = dir.filePath(QStringLiteral("mac.csv"));
    QVERIFY(configfile::writeFile(macCsv, QByteArray(bytes).replace("\r\n", "\r"), &error));
    const Ran mac = runCli({QStringLiteral("import-csv"), macCsv, targetFile});
    QVERIFY2(mac.code == 0, qPrintable(mac.err));
    const std::optional<Configuration> fromMac = configfile::fromLines(configfile::readFile(targetFile));
    QVERIFY(fromMac);
    QVERIFY(*fromMac == *imported);

    // A list longer than the reader takes is refused whole, not cut.
    QVERIFY(writeKrv(targetFile, target));
    const QByteArray tooLong = bytes + QByteArray(1024 * 1024, '\n') + "1,36111,0,0,0,0\r\n";
    const QString longCsv = dir.filePath(QStringLiteral("long.csv"));
    QVERIFY(configfile::writeFile(longCsv, tooLong, &error));
    const QByteArray untouched = fileBytes(targetFile);
    const Ran tooLarge = runCli({QStringLiteral("import-csv"), longCsv, targetFile});
    QCOMPARE(tooLarge.code, 4);
    QVERIFY2(tooLarge.err.startsWith(QStringLiteral("A CSV túl nagy (legfeljebb 1048576 bájt lehet)")),
             qPrintable(tooLarge.err));
    QCOMPARE(fileBytes(targetFile), untouched);
}

void TestCli::csvListsAsInstallersKeepThem_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("english");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");   // the summary, or the start of the refusal's last line
    QTest::addColumn<QStringList>("entries");   // "position alarm output number" of every filled entry

    const auto cp1250 = [](const QString &text) { return configfile::encode(text); };
    const QString hungarianHeader = QStringLiteral("Név;Pozíció;Telefonszám;1. bemenet riasztás;2. bemenet riasztás;"
                                                   "1. kimenet vezérlés;2. kimenet vezérlés;;\r\n");
    QTest::newRow("no header, \";\", spaces")
        << QByteArray("1;36301111111;1;0;0;0\r\n2; 36 30 999 8888 ;0;0;1;1\r\n") << false << 0
        << QStringLiteral("2 szám beolvasva, 1 törölve, 1 változatlan")
        << QStringList{QStringLiteral("1 1 0 36301111111"), QStringLiteral("2 0 3 36309998888")};
    QTest::newRow("Windows-1250, name column, empty rows and columns, IGAZ/igen")
        << cp1250((hungarianHeader + QStringLiteral("Kovács Ödön, Győr;3;+36 30 333 3333;IGAZ;HAMIS;igen;nem;;\r\n"
                                                    ";;;;;;;;\r\n\r\n\r\n;2;36302222222;;;x;x;;\r\n")))
        << false << 0 << QStringLiteral("2 szám beolvasva, 1 törölve, 1 változatlan")
        << QStringList{QStringLiteral("2 0 3 36302222222"), QStringLiteral("3 1 1 36303333333")};
    QTest::newRow("English header, \",\", x and empty, no-break spaces")
        << QStringLiteral("name,position,number,alarm input 1,alarm input 2,output 1,output 2\n"
                          "\"Kovács, Ödön\",1,+36\u00A030\u00A0111\u00A01111,x,,,X\n")
               .toUtf8()
        << false << 0 << QStringLiteral("1 szám beolvasva, 2 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 1 2 36301111111")};
    QTest::newRow("no position column: the rows in order")
        << cp1250(QStringLiteral("Név;Telefonszám;1. bemenet;2. bemenet;1. kimenet;2. kimenet\r\n"
                                 "Kovács Ödön;+36 30 444 4444;IGAZ;;x;\r\n;;;;;\r\nŐr Ágnes;36305555555;;igen;;x\r\n"))
        << false << 0 << QStringLiteral("2 szám beolvasva, 1 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 1 1 36304444444"), QStringLiteral("2 2 2 36305555555")};
    QTest::newRow("Hungarian numbers as dialled at home")
        << QByteArray("1;06 30 111 1111;1;0;0;0\n2;+36 30 999 8888;0;0;1;1\n3;0036 30 333 3333;0;0;0;0\n"
                      "4;+49 151 2345678;0;0;0;0\n5;0049 151 2345678;0;0;0;0\n")
        << false << 0
        << QStringLiteral("5 szám beolvasva, 0 törölve, 1 változatlan\n"
                          "2 magyar szám nemzetközi formára alakítva („06…” és „0036…” helyett „36…”)")
        << QStringList{QStringLiteral("1 1 0 36301111111"), QStringLiteral("2 0 3 36309998888"),
                       QStringLiteral("3 0 0 36303333333"), QStringLiteral("4 0 0 491512345678"),
                       QStringLiteral("5 0 0 00491512345678")};
    QTest::newRow("a bad number, shown as written in Windows-1250")
        << cp1250((hungarianHeader + QStringLiteral("Ödön;4;3630ő12;0;0;0;0\r\n"))) << false << 4
        << QStringLiteral("  2. sor: „3630ő12”: csak számjegyek és „+” adhatók meg") << QStringList();
    QTest::newRow("a bad right")
        << QByteArray("1;36301111111;0;0;0;0\n\n3;36303333333;IGEN;2;0;0\n") << false << 4
        << QStringLiteral("  3. sor: „2” a(z) „2. bemenet riasztás” oszlopban") << QStringList();
    QTest::newRow("an unknown column")
        << QByteArray("pozíció;telefonszám;e-mail;1. bemenet riasztás\n1;3630;a@b;0\n") << false << 4
        << QStringLiteral("  1. sor: ismeretlen oszlop: „e-mail”") << QStringList();
    QTest::newRow("a header alone")
        << QByteArray("\xEF\xBB\xBFpozíció;telefonszám;1. bemenet riasztás;2. bemenet riasztás;"
                      "1. kimenet vezérlés;2. kimenet vezérlés\r\n;;;;;\r\n")
        << false << 4 << QStringLiteral("A CSV-ben nincs egyetlen sor sem a telefonszámokkal") << QStringList();
    QTest::newRow("an empty file, in English") << QByteArray() << true << 4
                                               << QStringLiteral("the CSV holds no rows of numbers") << QStringList();
    // Lists as they come from other hands: numbers alone, no rights, UTF-16.
    QTest::newRow("one column of numbers")
        << QByteArray("36301111111\r\n+36 30 222 2222\r\n") << false << 0
        << QStringLiteral("2 szám beolvasva, 1 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 0 0 36301111111"), QStringLiteral("2 0 0 36302222222")};
    QTest::newRow("position and number only, with a header")
        << QByteArray("pozíció;telefonszám\r\n1;36301111111\r\n3;36303333333\r\n") << false << 0
        << QStringLiteral("2 szám beolvasva, 1 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 0 0 36301111111"), QStringLiteral("3 0 0 36303333333")};
    QTest::newRow("position and number only, no header")
        << QByteArray("1;36301111111\r\n") << false << 0
        << QStringLiteral("1 szám beolvasva, 2 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 0 0 36301111111")};
    // Every leading "+" goes, as the window's field drops each one typed: a
    // number kept with one would change when its list is exported and read again.
    QTest::newRow("two plus signs")
        << QByteArray("++36301111111\r\n") << false << 0
        << QStringLiteral("1 szám beolvasva, 2 törölve, 0 változatlan")
        << QStringList{QStringLiteral("1 0 0 36301111111")};
    const QString utf16Text = QStringLiteral("Pozíció;Telefonszám;1. bemenet riasztás;2. bemenet riasztás;"
                                             "1. kimenet vezérlés;2. kimenet vezérlés\r\n1;36301111111;1;0;0;0\r\n");
    for (const bool bigEndian : {false, true}) {
        QStringEncoder encoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
        const QByteArray bom = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        QTest::addRow("UTF-16 %s with its byte order mark", bigEndian ? "big endian" : "little endian")
            << bom + QByteArray(encoder(utf16Text)) << false << 0
            << QStringLiteral("1 szám beolvasva, 2 törölve, 1 változatlan")
            << QStringList{QStringLiteral("1 1 0 36301111111")};
    }
}

void TestCli::csvListsAsInstallersKeepThem()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, english);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QStringList, entries);

    // A default configuration: its two information lines follow the list.
    ScratchDir dir;
    Configuration old;
    for (size_t i = 0; i < old.general.size(); ++i)
        old.general[i] = QStringLiteral("G%1").arg(i);
    old.telephones[0] = {1, 0, QStringLiteral("36301111111")};
    old.telephones[1] = {0, 3, QStringLiteral("36302222222")};
    old.telephones[2] = {3, 3, QStringLiteral("36303333333")};
    const QStringList infoLines = {QStringLiteral("<a href=\"https://example.hu\">Példa Kft.</a>"),
                                   QStringLiteral("Írta: Kovács Ödön")};
    const QString krv = dir.filePath(QStringLiteral("kordavo_default.dll"));
    QVERIFY(configfile::writeFile(krv, configfile::formatLines(configfile::toLines(old) + infoLines), nullptr));
    const QByteArray before = fileBytes(krv);
    const QString list = dir.filePath(QStringLiteral("lista.csv"));
    QVERIFY(configfile::writeFile(list, csv, nullptr));

    QStringList arguments = {QStringLiteral("import-csv"), list, krv};
    if (english)
        arguments << QStringLiteral("--lang") << QStringLiteral("en");
    const Ran ran = runCli(arguments);
    QVERIFY2(ran.code == code, qPrintable(ran.out + ran.err));
    if (code != 0) {
        QVERIFY2(lines(ran.err).last().startsWith(message), qPrintable(ran.err));
        QVERIFY(ran.out.isEmpty());
        QCOMPARE(fileBytes(krv), before);
        return;
    }
    QCOMPARE(ran.out, message + QLatin1Char('\n'));
    const QStringList written = configfile::readFile(krv);
    QCOMPARE(written.mid(configfile::kConfigurationLines), infoLines);
    const std::optional<Configuration> now = configfile::fromLines(written);
    QVERIFY(now);
    QCOMPARE(now->general, old.general);
    QStringList filled;
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        const configfile::TelephoneEntry &e = now->telephones[size_t(n - 1)];
        if (!e.number.isEmpty() || e.alarm || e.output)
            filled << QStringLiteral("%1 %2 %3 %4").arg(n).arg(e.alarm).arg(e.output).arg(e.number);
    }
    QCOMPARE(filled, entries);
}

void TestCli::fullDiskLosesNothing()
{
    FullDisk disk;
    KORDAVO_MOUNT_FULL_DISK(disk);
    auto sim = startModule();
    const QString port = sim->devicePath();
    const QString krv = disk.filePath(QStringLiteral("F.krv"));
    QVERIFY(writeKrv(krv, sampleConfiguration()));
    const QByteArray oldKrv = fileBytes(krv);
    // A list that differs from F.krv's, so a write that got through would show.
    ScratchDir scratch;
    const QString other = scratch.filePath(QStringLiteral("other.krv"));
    Configuration otherList = sampleConfiguration();
    otherList.telephones[0] = {0, 0, QStringLiteral("36111")};
    QVERIFY(writeKrv(other, otherList));
    const QString csv = disk.filePath(QStringLiteral("list.csv"));
    QCOMPARE(runCli({QStringLiteral("export-csv"), other, csv}).code, 0);
    const QString oldCsv = disk.filePath(QStringLiteral("old.csv"));
    QVERIFY(configfile::writeFile(oldCsv, "pozíció\r\n", nullptr));
    // A log that ends at a page: its next line needs space the disk no longer has.
    const QString log = disk.filePath(QStringLiteral("log.txt"));
    const QByteArray oldLog = QByteArray(4095, 'x') + '\n';
    QVERIFY(configfile::writeFile(log, oldLog, nullptr));
    sim->setStoredRecords(storedImage(otherList, 128));
    const QStringList before = disk.files();
    QVERIFY(disk.fill());

    const QString noSpace = QStringLiteral("Nincs elég hely a lemezen.");
    const auto refused = [&](const QStringList &arguments) {
        const Ran ran = runCli(arguments);
        if (ran.code != 4 || !ran.err.contains(noSpace))
            qWarning("%s: exit %d, %s", qPrintable(arguments.join(QLatin1Char(' '))), ran.code, qPrintable(ran.err));
        return ran.code == 4 && ran.err.contains(noSpace);
    };
    const QString fast = QStringLiteral("--fast");
    QVERIFY(refused({QStringLiteral("readout"), krv, QStringLiteral("--force"), QStringLiteral("--port"), port, fast}));
    QVERIFY(refused({QStringLiteral("readout"), disk.filePath(QStringLiteral("new.krv")), QStringLiteral("--port"),
                     port, fast}));
    QVERIFY(refused({QStringLiteral("import-csv"), csv, krv}));
    QVERIFY(refused({QStringLiteral("export-csv"), krv, oldCsv, QStringLiteral("--force")}));
    QVERIFY(refused({QStringLiteral("export-csv"), krv, disk.filePath(QStringLiteral("new.csv"))}));
    // The reason comes in the language asked for.
    const Ran english = runCli({QStringLiteral("export-csv"), krv, oldCsv, QStringLiteral("--force"), QStringLiteral("--lang"),
                               QStringLiteral("en")});
    QCOMPARE(english.code, 4);
    QCOMPARE(english.err, QStringLiteral("cannot save the file %1 (There is not enough space on the disk.)\n").arg(oldCsv));
    // The module is programmed, the log line is lost: said so, and not exit 0.
    const Ran logged = runCli({QStringLiteral("download"), krv, QStringLiteral("--port"), port, fast,
                               QStringLiteral("--log"), log});
    QCOMPARE(logged.code, 4);
    QVERIFY2(logged.out.startsWith(port + QStringLiteral(": sikeres betöltés")), qPrintable(logged.out));
    QCOMPARE(logged.err, QStringLiteral("A naplósor nem írható a(z) %1 fájlba (%2).\n").arg(log, noSpace));

    QCOMPARE(fileBytes(krv), oldKrv);
    QCOMPARE(fileBytes(oldCsv), QByteArray("pozíció\r\n"));
    QCOMPARE(fileBytes(log), oldLog);
    QCOMPARE(disk.files(), before);
}

void TestCli::interruptLeavesProgrammingMode()
{
#if defined(Q_OS_UNIX)
    ScratchDir dir;
    const QString program = QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli");
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    struct Case
    {
        QStringList arguments;
        int signal;
        int times;
        int code;
        QByteArray waitFor;
        QByteArray received;
    };
    const Case cases[] = {
        // Stopped once the module is ready for records: a lone CR closes the
        // set short, so the module rejects it and takes "~X" as a command.
        {{QStringLiteral("download"), file, QStringLiteral("--log"), log}, SIGINT, 1, 130, "~|~}", "~|~}\r~X"},
        {{QStringLiteral("status")}, SIGTERM, 1, 143, "~|~R~S", "~|~R~S~X"},
        {{QStringLiteral("download"), file, QStringLiteral("--stay")}, SIGHUP, 1, 129, "~|~}", "~|~}\r"},
        // A second Ctrl-C ends it at once, with no word to the module.
        {{QStringLiteral("download"), file}, SIGINT, 2, 130, "~|~}", "~|~}"},
    };
    for (const Case &c : cases) {
        auto sim = startModule();
        QProcess process;
        process.start(program, c.arguments + QStringList{QStringLiteral("--port"), sim->devicePath()});
        QVERIFY(process.waitForStarted());
        // Into the command's silent wait after the module's answer.
        QTRY_COMPARE_WITH_TIMEOUT(sim->received(), c.waitFor, 5000);
        QTest::qWait(1200);
        QElapsedTimer clock;
        clock.start();
        const pid_t pid = pid_t(process.processId());
        QVERIFY(pid > 0);
        for (int i = 0; i < c.times; ++i) {
            ::kill(pid, c.signal);
            QTest::qWait(100);
        }
        const bool finished = process.state() == QProcess::NotRunning || process.waitForFinished(15000);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(finished, qPrintable(QString::fromLatin1(sim->received()) + err));
        if (c.times == 2)
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), c.code);
        QVERIFY(sim->waitIdle());
        QCOMPARE(sim->received(), c.received);
        QCOMPARE(sim->programMode(), !c.received.endsWith("~X"));
        if (c.times == 1)
            QVERIFY2(err.contains(QStringLiteral("megszakítva")), qPrintable(err));
    }
    QVERIFY(fileBytes(log).contains("130 megszakítva"));
#else
    QSKIP("signals are a Unix matter");
#endif
}

void TestCli::interruptAfterTheWorkIsNoFailure()
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    SimulatorOptions options;
    options.memorySize = 128;
    options.answerDelayMs = 100;   // the answer to "~X" comes after a while
    auto sim = std::make_unique<ModuleSimulator>(options);
    QVERIFY(sim->start());
    const QString back = dir.filePath(QStringLiteral("back.krv"));
    const QList<QStringList> runs = {
        {QStringLiteral("download"), file},
        {QStringLiteral("readout"), back},
    };
    for (const QStringList &run : runs) {
        sim->clearReceived();
        // The signal lands once the module's work is done: while "~X" is answered.
        const InterruptWhen interrupt(*sim, [](const QByteArray &received) { return received.endsWith("~X"); });
        const Ran ran = runCli(run + QStringList{QStringLiteral("--port"), sim->devicePath(), QStringLiteral("--fast"),
                                                 QStringLiteral("--log"), log});
        QVERIFY(interrupt.fired);
        QVERIFY2(ran.code == 0, qPrintable(QString::number(ran.code) + ran.out + ran.err));
        QVERIFY(ran.out.contains(QStringLiteral(": sikeres ")));
    }
    QVERIFY(QFileInfo::exists(back));
    const QStringList logLines = lines(QString::fromUtf8(fileBytes(log)));
    QCOMPARE(logLines.size(), 2);
    for (const QString &line : logLines)
        QVERIFY2(line.endsWith(QStringLiteral("\tok")), qPrintable(line));
}

void TestCli::interruptedReadingWaitsForSilence()
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    SimulatorOptions options;
    options.memorySize = 128;
    options.pacingBaud = 9600;   // the records take about 2.8 s
    auto sim = std::make_unique<ModuleSimulator>(options);
    QVERIFY(sim->start());
    const QString port = sim->devicePath();
    const QList<QStringList> runs = {
        {QStringLiteral("verify"), file},
        {QStringLiteral("readout"), dir.filePath(QStringLiteral("back.krv"))},
    };
    for (const QStringList &run : runs) {
        sim->clearReceived();
        Ran ran;
        {
            const InterruptWhen interrupt(*sim, [](const QByteArray &received) { return received.endsWith("~{"); }, 300);
            ran = runCli(run + QStringList{QStringLiteral("--port"), port, QStringLiteral("--baud"), QStringLiteral("9600")});
        }
        QCOMPARE(ran.code, 130);
        QVERIFY2(ran.err.contains(QStringLiteral("a modul még küldte a rekordjait; megvártam, amíg elhallgat")), qPrintable(ran.err));
        // "~X" came after the records, so the module took it, and the next command gets its own answer.
        QTRY_COMPARE_WITH_TIMEOUT(sim->received(), QByteArray("~|~{~X"), 5000);
        QVERIFY(sim->waitIdle());
        QVERIFY(!sim->programMode());
        const Ran next = runCli({QStringLiteral("info"), QStringLiteral("--port"), port, QStringLiteral("--baud"),
                                 QStringLiteral("9600")});
        QVERIFY2(next.code == 0, qPrintable(next.err));
    }
}

void TestCli::portIsHeldForTheWholeCommand()
{
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    auto sim = startModule();
    QProcess first;
    first.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"),
                {QStringLiteral("download"), file, QStringLiteral("--port"), sim->devicePath()});
    QVERIFY(first.waitForStarted());
    // Between its exchanges another run finds the port in use and sends nothing.
    QTRY_VERIFY_WITH_TIMEOUT(sim->received().startsWith("~|~}"), 5000);
    const Ran second = runCli({QStringLiteral("info"), QStringLiteral("--port"), sim->devicePath()});
    QCOMPARE(second.code, 3);
    QVERIFY2(second.err.contains(QStringLiteral("foglalt: a(z) %1 folyamat használja").arg(first.processId())),
             qPrintable(second.err));
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(sim->waitIdle());
    const QByteArray received = sim->received();
    QVERIFY(received.endsWith("~X"));
    QCOMPARE(received.count("~|"), 1);
}

void TestCli::locksFollowTheDevice()
{
#if defined(Q_OS_UNIX)
    ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    auto sim = startModule();
    const QString device = sim->devicePath();
    // Another name for the same device, as /dev/serial/by-id gives one.
    const QString alias = dir.filePath(QStringLiteral("usb-Kordavo_GSM4-if00"));
    QVERIFY(QFile::link(device, alias));

    // A second run through the other name finds the device in use, also as root.
    QProcess first;
    first.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"), {QStringLiteral("download"), file, QStringLiteral("--port"), device});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim->received().startsWith("~|~}"), 5000);
    const Ran second = runCli({QStringLiteral("info"), QStringLiteral("--port"), alias});
    QCOMPARE(second.code, 3);
    QVERIFY2(second.err.contains(QStringLiteral("foglalt: a(z) %1 folyamat használja").arg(first.processId())),
             qPrintable(second.err));
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(sim->waitIdle());
    QCOMPARE(sim->received().count("~|"), 1);

    // Lock files that nobody holds any more: one left empty by a kill right
    // after it was made, one of root's whose process is gone. Neither keeps
    // the port from anyone, an unprivileged user included.
    QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions(0x6666)));
    QProcess gone;
    gone.start(QStringLiteral("true"), QStringList());
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.processId();
    const QString lockFolder = QStringLiteral("/run/lock");
    QVERIFY(QFileInfo(lockFolder).isWritable());
    const QString qtLock = lockFolder + QStringLiteral("/LCK..") + device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    const struct
    {
        QByteArray contents;
        bool unprivileged;
    } stale[] = {{QByteArray(), false}, {QByteArray(), true}, {QByteArray::number(deadPid) + "\nkordavo-cli\n", true}};
    for (const auto &lock : stale) {
        QFile leftover(qtLock);
        QVERIFY(leftover.open(QIODevice::WriteOnly | QIODevice::Truncate));
        leftover.write(lock.contents);
        leftover.close();
        QVERIFY(QFile::setPermissions(qtLock, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        QProcess process;
        const QStringList arguments = {QStringLiteral("info"), QStringLiteral("--port"), device};
        if (lock.unprivileged)
            QVERIFY(startUnprivileged(process, QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"), arguments));
        else
            process.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"), arguments);
        QVERIFY(process.waitForFinished(10000));
        QVERIFY2(process.exitCode() == 0, qPrintable(QString::fromUtf8(process.readAllStandardError())));
        QFile::remove(qtLock);
    }
#else
    QSKIP("lock files are a Unix matter");
#endif
}

void TestCli::portFailuresNameTheReason()
{
    ScratchDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeKrv(plain, sampleConfiguration()));
    auto sim = startModule();
    QSerialPort holder(sim->devicePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const struct
    {
        QString port;
        QString reason;
    } cases[] = {
        {dir.filePath(QStringLiteral("none")), QStringLiteral("nincs ilyen port")},
        {plain, QStringLiteral("ez nem soros port")},
        {dir.path(), QStringLiteral("ez nem soros port")},
        {QStringLiteral("/dev/null"), QStringLiteral("ez nem soros port")},
        {sim->devicePath(), QStringLiteral("foglalt: a(z) %1 folyamat használja").arg(QCoreApplication::applicationPid())},
    };
    for (const auto &c : cases) {
        const Ran ran = runCli({QStringLiteral("info"), QStringLiteral("--port"), c.port});
        QCOMPARE(ran.code, 3);
        QVERIFY2(ran.err.contains(QStringLiteral("nem lehet megnyitni a portot: ") + c.reason), qPrintable(ran.err));
    }
    QVERIFY(sim->received().isEmpty());
    holder.close();
    QCOMPARE(runCli({QStringLiteral("info"), QStringLiteral("--port"), QString()}).code, 2);

#if defined(Q_OS_UNIX)
    // A port this user may not open: the group to join is named. The port
    // is closed to everyone, and the tool asks as an unprivileged user.
    {
        QVERIFY(QFile::setPermissions(sim->devicePath(), QFileDevice::Permissions()));
        QProcess process;
        QVERIFY2(startUnprivileged(process, QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"),
                                   {QStringLiteral("info"), QStringLiteral("--port"), sim->devicePath()}),
                 "setpriv (util-linux) is needed to open the port as an unprivileged user");
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 3);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const QString group = QFileInfo(sim->devicePath()).group();
        QVERIFY2(err.contains(QStringLiteral("nincs jogosultság; lépjen be a(z) %1 csoportba").arg(group)), qPrintable(err));
    }
#endif
}

void TestCli::programExitCodes()
{
    ScratchDir dir;
    const QString program = QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli");
    const auto exitCode = [&](const QStringList &arguments, QByteArray *out = nullptr) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(20000))
            return -1;
        if (out)
            *out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QByteArray help;
    QCOMPARE(exitCode({QStringLiteral("--help")}, &help), 0);
    QVERIFY(QString::fromUtf8(help).contains(QStringLiteral("Kilépési kódok:")));
    QCOMPARE(exitCode({QStringLiteral("--bogus")}), 2);
    QCOMPARE(exitCode({QStringLiteral("info"), QStringLiteral("--port"), dir.filePath(QStringLiteral("none"))}), 3);
    QCOMPARE(exitCode({QStringLiteral("check"), dir.filePath(QStringLiteral("none.krv"))}), 4);
    {
        // Standard output that takes nothing is no success.
        const QString krv = dir.filePath(QStringLiteral("list.krv"));
        QVERIFY(writeKrv(krv, sampleConfiguration()));
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(program, {QStringLiteral("export-csv"), krv});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 4);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 QStringLiteral("A kimenet nem írható (Nincs elég hely a lemezen.).\n"));
    }

    auto sim = startModule();
    const QString file = dir.filePath(QStringLiteral("in.krv"));
    QVERIFY(writeKrv(file, sampleConfiguration()));
    QCOMPARE(exitCode({QStringLiteral("download"), file, QStringLiteral("--port"), sim->devicePath(),
                       QStringLiteral("--fast")}),
             0);
    QStringList records = sim->storedRecords();
    records[0] = configimage::padRecord(QStringLiteral("36000000000"));
    sim->setStoredRecords(records);
    QCOMPARE(exitCode({QStringLiteral("verify"), file, QStringLiteral("--port"), sim->devicePath(),
                       QStringLiteral("--fast")}),
             1);
}

KORDAVO_CORE_TEST_MAIN(TestCli)
#include "tst_cli.moc"
