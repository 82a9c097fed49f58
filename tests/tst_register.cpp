// The site register on SQLite: what it keeps and answers, what happens when
// two programs record at once or one is killed while recording, an old
// register opened by this program, and a register that cannot be written,
// which never costs the transfer. And kordavo-cli recording every transfer
// into it and answering its register commands.

#include "clitesthelpers.h"
#include "registercontract.h"
#include "registertesthelpers.h"

#include "cli/cli.h"
#include "register/numberkey.h"
#include "register/registerrecorder.h"
#include "register/registerschema.h"
#include "sim/modulesimulator.h"

#include <QtCore/QDir>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRandomGenerator>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlQuery>
#include <QtTest/QSignalSpy>

#include <array>

#include <sys/stat.h>
#include <unistd.h>

using namespace registertest;

namespace {

const char kToolChild[] = "KORDAVO_TEST_REGISTER_TOOL";

std::unique_ptr<ModuleSimulator> module128()
{
    SimulatorOptions options;
    options.memorySize = 128;
    auto sim = std::make_unique<ModuleSimulator>(options);
    if (!sim->start())
        qFatal("simulator: %s", qPrintable(sim->errorString()));
    return sim;
}

Location localAt(const QString &path)
{
    QString why;
    return *parseLocation(path, &why);
}

QString writeGate(const QString &path, const Configuration &c)
{
    QString error;
    if (!configfile::writeFile(path, fileOf(c), &error))
        qFatal("%s", qPrintable(error));
    return path;
}

// A download to two modules with a register that cannot take it: the
// transfers succeed as without one, and the reason is told once.
QString downloadPastBrokenRegister(const QString &registerPath, const QString &expected)
{
    const auto first = module128();
    const auto second = module128();
    const QString file = writeGate(QDir::temp().filePath(QStringLiteral("kordavo-register-test-%1.krv").arg(getpid())),
                                   gate(QStringLiteral("4172"), QStringLiteral("Fokapu"), {{1, QStringLiteral("36301111111")}}));
    const CliRun ran = runCliApart({QStringLiteral("download"), file, QStringLiteral("--port"), first->devicePath(),
                             QStringLiteral("--port"), second->devicePath(), QStringLiteral("--fast"),
                             QStringLiteral("--register"), registerPath});
    QFile::remove(file);
    if (ran.code != 0 || ran.out.count(QStringLiteral("sikeres betöltés")) != 2)
        return QStringLiteral("transfer: %1\n%2%3").arg(ran.code).arg(ran.out, ran.err);
    if (ran.err.count(QStringLiteral("Nyilvántartás: ")) != 1 || !ran.err.contains(expected))
        return QStringLiteral("expected one message with \"%1\":\n%2").arg(expected, ran.err);
    for (const ModuleSimulator *sim : {first.get(), second.get()}) {
        if (!sim->storedRecords().value(3).startsWith(QLatin1String("Fokapu")))
            return QStringLiteral("the module did not get the file: ") + sim->storedRecords().value(3);
    }
    return {};
}

} // namespace

class TestRegister : public QObject
{
    Q_OBJECT

private slots:
    void numberForms_data();
    void numberForms();
    void answersOnSqlite();
    void olderRegisterIsUpgraded();
    void twoProgramsRecordingLoseNothing();
    void programsStartingANewRegisterTogether();
    void killedWhileRecordingLeavesNoHalfVersion();
    void brokenRegisterNeverCostsTheTransfer();
    void toolRecordsAndAnswers();
    void windowRecorderFromTheEnvironment();
    void recorderOnTheCallersThread();
};

void TestRegister::numberForms_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("key");
    QTest::newRow("06") << "06 30 123 4567" << "301234567";
    QTest::newRow("0036") << "0036301234567" << "301234567";
    QTest::newRow("+36") << "+36 (30) 123-4567" << "301234567";
    QTest::newRow("36") << "36301234567" << "301234567";
    QTest::newRow("Budapest") << "06 1 234 5678" << "12345678";
    QTest::newRow("Budapest with country code") << "3612345678" << "12345678";
    // Eger's area code is 36: eight digits are a national number.
    QTest::newRow("Eger national") << "36123456" << "36123456";
    QTest::newRow("Eger") << "06 36 123 456" << "36123456";
    QTest::newRow("abroad") << "0049 170 1234567" << "+491701234567";
    QTest::newRow("abroad with plus") << "+49 170 1234567" << "+491701234567";
    QTest::newRow("no digits") << " - " << "";
}

void TestRegister::numberForms()
{
    QFETCH(QString, number);
    QFETCH(QString, key);
    QCOMPARE(numberKey(number), key);
}

void TestRegister::answersOnSqlite()
{
    ScratchDir scratch;
    checkContract(localAt(scratch.filePath(QStringLiteral("register.sqlite"))));
}

void TestRegister::olderRegisterIsUpgraded()
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("register.sqlite"));
    checkUpgrade(localAt(path));
    if (QTest::currentTestFailed())
        return;

    // One made by a newer program is neither changed nor written to.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("UPDATE register_meta SET value = '99' WHERE name = 'schema_version'")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    SiteRegister reg(localAt(path));
    QVERIFY(!reg.open());
    QVERIFY2(reg.problem().contains(QStringLiteral("újabb programváltozat")), qPrintable(reg.problem()));
    const RecordOutcome outcome = reg.record(transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok,
                                                      gate(QStringLiteral("1"), QStringLiteral("Regi"), {}), 9));
    QCOMPARE(outcome.status, RecordOutcome::Status::NotRecorded);
}

void TestRegister::twoProgramsRecordingLoseNothing()
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("register.sqlite"));
    constexpr int count = 40;
    QProcess first;
    QProcess second;
    startRecorder(first, path, QStringLiteral("record"), QStringLiteral("A"), count);
    startRecorder(second, path, QStringLiteral("record"), QStringLiteral("B"), count);
    for (QProcess *child : {&first, &second}) {
        QVERIFY(child->waitForFinished(120000));
        QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0, child->readAll().constData());
    }
    SiteRegister reg(localAt(path));
    QCOMPARE(reg.findSite(QStringLiteral("Kozos kapu"))->versions, 2 * count);
    QCOMPARE(reg.findSite(QStringLiteral("Kapu A"))->versions, count);
    QCOMPARE(reg.findSite(QStringLiteral("Kapu B"))->versions, count);
    const QString broken = inconsistency(reg);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

// A program opening a new register while another is making it waits for that
// one within its bound and records: here the test holds the new file's write
// lock for a moment, as a program does while it switches the file over. And
// programs recording for the first time into one new register at the same
// moment all keep their versions, a few times over.
void TestRegister::programsStartingANewRegisterTogether()
{
    {
        ScratchDir scratch;
        const QString path = scratch.filePath(QStringLiteral("register.sqlite"));
        QProcess child;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
            QVERIFY(db.open());
            QSqlQuery hold(db);
            QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
            startRecorder(child, path, QStringLiteral("record"), QStringLiteral("A"), 1);
            QVERIFY(child.waitForStarted());
            // Half the time a writer waits for another.
            QVERIFY2(!child.waitForFinished(1000), child.readAll().constData());
            QVERIFY(hold.exec(QStringLiteral("COMMIT")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("maker"));
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
        SiteRegister reg(localAt(path));
        const std::optional<SiteSummary> own = reg.findSite(QStringLiteral("Kapu A"));
        QVERIFY2(own, qPrintable(reg.problem()));
        QCOMPARE(own->versions, 1);
    }

    constexpr int rounds = 4;
    constexpr int programs = 4;
    for (int round = 0; round < rounds; ++round) {
        ScratchDir scratch;
        const QString path = scratch.filePath(QStringLiteral("register.sqlite"));
        // Past the time it takes to start them all, so none of them is first by much.
        const QDateTime moment = QDateTime::currentDateTimeUtc().addMSecs(250);
        std::array<QProcess, programs> children;
        for (int i = 0; i < programs; ++i)
            startRecorder(children[size_t(i)], path, QStringLiteral("record"), QString::number(i), 1, moment);
        for (QProcess &child : children) {
            QVERIFY(child.waitForFinished(30000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(QString::fromLocal8Bit(child.readAll()))));
        }
        SiteRegister reg(localAt(path));
        const std::optional<SiteSummary> shared = reg.findSite(QStringLiteral("Kozos kapu"));
        QVERIFY2(shared, qPrintable(reg.problem()));
        QCOMPARE(shared->versions, programs);
        QCOMPARE(reg.sites().size(), programs + 1);
        const QString broken = inconsistency(reg);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
    }
}

void TestRegister::killedWhileRecordingLeavesNoHalfVersion()
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("register.sqlite"));
    int before = 0;
    for (int round = 0; round < 5; ++round) {
        QProcess child;
        startRecorder(child, path, QStringLiteral("record-forever"), QString::number(round), 0);
        QVERIFY(child.waitForStarted());
        // Killed at some moment of its stream of transactions.
        QTest::qWait(150 + QRandomGenerator::global()->bounded(250));
        child.kill();
        QVERIFY(child.waitForFinished());
        SiteRegister reg(localAt(path));
        QVERIFY2(reg.open(), qPrintable(reg.problem()));
        const QString broken = inconsistency(reg);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
        const int now = reg.findSite(QStringLiteral("Kozos kapu")) ? reg.findSite(QStringLiteral("Kozos kapu"))->versions : 0;
        QVERIFY2(now > before, "the recorder was killed before it recorded anything");
        before = now;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));
    query = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

void TestRegister::brokenRegisterNeverCostsTheTransfer()
{
    ScratchDir scratch;
    // Not a database at all.
    const QString corrupt = scratch.filePath(QStringLiteral("corrupt.sqlite"));
    QFile junk(corrupt);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    QString failure = downloadPastBrokenRegister(corrupt, QStringLiteral("sérült"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // Locked by another program that writes and does not let go.
    const QString locked = scratch.filePath(QStringLiteral("locked.sqlite"));
    {
        SiteRegister made(localAt(locked));
        QVERIFY(made.open());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(locked);
        QVERIFY(db.open());
        QSqlQuery hold(db);
        QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
        failure = downloadPastBrokenRegister(locked, QStringLiteral("zárolja"));
        hold.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // Read-only: the folder and the file belong to root, and the tool runs as nobody.
    const QString folder = scratch.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(folder));
    const QString readOnly = folder + QStringLiteral("/register.sqlite");
    {
        SiteRegister made(localAt(readOnly));
        QVERIFY(made.open());
    }
    QVERIFY(::chmod(QFile::encodeName(scratch.path()).constData(), 0755) == 0);
    if (!runsAsRoot()) {
        QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        failure = downloadPastBrokenRegister(readOnly, QStringLiteral("nem írható"));
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kToolChild), readOnly);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(startAsUnprivileged(child));
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
    SiteRegister reg(localAt(readOnly));
    QVERIFY(reg.sites().isEmpty());
}

void TestRegister::toolRecordsAndAnswers()
{
    ScratchDir scratch;
    // The default register: in the data folder, shared with the window.
    const QByteArray keptRegister = qgetenv("KORDAVO_REGISTER");
    const QByteArray keptData = qgetenv("XDG_DATA_HOME");
    qunsetenv("KORDAVO_REGISTER");
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    const auto restore = qScopeGuard([&] {
        qputenv("KORDAVO_REGISTER", keptRegister);
        qputenv("XDG_DATA_HOME", keptData);
    });
    QCOMPARE(defaultLocalPath(), scratch.filePath(QStringLiteral("kordavo/kordavo-register.sqlite")));

    const auto sim = module128();
    const QString port = sim->devicePath();
    const QStringList onPort = {QStringLiteral("--port"), port, QStringLiteral("--fast")};
    const QString file = scratch.filePath(QStringLiteral("kapu.krv"));

    // Read out, changed, downloaded, verified.
    CliRun ran = runCliApart(QStringList{QStringLiteral("readout"), file} + onPort);
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.err.contains(port + QStringLiteral(": nyilvántartás: Kordavo modul (0001), 1. változat")), qPrintable(ran.err));
    QVERIFY(QFile::exists(defaultLocalPath()));
    std::optional<Configuration> c = configfile::fromLines(configfile::readFile(file));
    QVERIFY(c);
    c->telephones[4] = {1, 2, QStringLiteral("36305555555")};
    writeGate(file, *c);
    ran = runCliApart(QStringList{QStringLiteral("download"), file} + onPort);
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.err.contains(QStringLiteral("Kordavo modul (0001), 2. változat")), qPrintable(ran.err));
    ran = runCliApart(QStringList{QStringLiteral("verify"), file} + onPort);
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.err.contains(QStringLiteral("Kordavo modul (0001), 2. változat: ellenőrizve")), qPrintable(ran.err));

    // Someone changed the module: the verify differs and keeps what it holds.
    QStringList records = sim->storedRecords();
    records[28 + 6] = configimage::padRecord(QStringLiteral("1136307777777"));
    sim->setStoredRecords(records);
    ran = runCliApart(QStringList{QStringLiteral("verify"), file} + onPort);
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.err.contains(QStringLiteral("Kordavo modul (0001), 3. változat")), qPrintable(ran.err));

    // A module that goes silent after identifying: a failed download, no copy.
    sim->setFault(SimulatorOptions::Fault::NoReadyAnswer);
    ran = runCliApart(QStringList{QStringLiteral("download"), file} + onPort);
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.err.contains(QStringLiteral("Kordavo modul (0001), 4. változat (sikertelen, másolat nélkül)")),
             qPrintable(ran.err));
    sim->setFault(SimulatorOptions::Fault::None);
    // Off: nothing recorded, nothing said.
    ran = runCliApart(QStringList{QStringLiteral("verify"), file, QStringLiteral("--no-register")} + onPort);
    QCOMPARE(ran.code, 1);
    QVERIFY(!ran.err.contains(QStringLiteral("nyilvántartás"), Qt::CaseInsensitive));

    // The register's answers.
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("list"), QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    const QJsonArray sites = QJsonDocument::fromJson(ran.out.toUtf8()).array();
    QCOMPARE(sites.size(), 1);
    const QJsonObject site = sites.at(0).toObject();
    QCOMPARE(site.value(QStringLiteral("name")).toString(), QStringLiteral("Kordavo modul (0001)"));
    QCOMPARE(site.value(QStringLiteral("versions")).toInt(), 4);
    QCOMPARE(site.value(QStringLiteral("currentVersion")).toInt(), 3);
    QCOMPARE(site.value(QStringLiteral("memory")).toInt(), 128);
    QVERIFY(!site.value(QStringLiteral("lastVerify")).isNull());

    ran = runCliApart({QStringLiteral("register"), QStringLiteral("history"), QStringLiteral("kordavo modul"),
                   QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    const QJsonArray history = QJsonDocument::fromJson(ran.out.toUtf8()).object().value(QStringLiteral("history")).toArray();
    QStringList steps;
    for (const QJsonValue &v : history)
        steps << v.toObject().value(QStringLiteral("command")).toString() + QLatin1Char(' ')
                     + v.toObject().value(QStringLiteral("result")).toString();
    QCOMPARE(steps, QStringList({QStringLiteral("readout ok"), QStringLiteral("download ok"),
                                 QStringLiteral("verify differs"), QStringLiteral("download failed")}));
    QVERIFY(history.at(1).toObject().value(QStringLiteral("asInstalled")).toBool());
    QCOMPARE(history.at(1).toObject().value(QStringLiteral("program")).toString(), QStringLiteral("tool"));

    ran = runCliApart({QStringLiteral("register"), QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("1"),
                   QStringLiteral("2")});
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.out.contains(QStringLiteral("5. telefonszám: új: 36305555555 (1. bemenet riasztás, 2. kimenet vezérlés)")),
             qPrintable(ran.out));
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("3"),
                   QStringLiteral("3")});
    QCOMPARE(ran.code, 0);
    QVERIFY(ran.out.contains(QStringLiteral("nincs eltérés")));

    ran = runCliApart({QStringLiteral("register"), QStringLiteral("find"), QStringLiteral("+36 30 777 7777"),
                   QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    const QJsonArray places = QJsonDocument::fromJson(ran.out.toUtf8()).array();
    QCOMPARE(places.size(), 1);
    QCOMPARE(places.at(0).toObject().value(QStringLiteral("position")).toInt(), 7);
    QVERIFY(places.at(0).toObject().value(QStringLiteral("output2")).toBool() == false);
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("find"), QStringLiteral("06 30 999 9999")});
    QCOMPARE(ran.code, 1);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("find"), QStringLiteral("kapu")}).code, 2);

    // The as-installed file back out, then refused over an existing file.
    const QString exported = scratch.filePath(QStringLiteral("atadaskori.krv"));
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("export"), QStringLiteral("1"), QStringLiteral("2"), exported});
    QCOMPARE(ran.code, 0);
    QFile written(exported);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), fileOf(*c));
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("export"), QStringLiteral("1"), exported});
    QCOMPARE(ran.code, 2);
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("export"), QStringLiteral("1"), QStringLiteral("4"),
                   exported, QStringLiteral("--force")});
    QCOMPARE(ran.code, 2);   // the failed download kept no copy

    ran = runCliApart({QStringLiteral("register"), QStringLiteral("rename"), QStringLiteral("1"), QStringLiteral("Főkapu"),
                   QStringLiteral("nyitó")});
    QCOMPARE(ran.code, 0);
    QCOMPARE(ran.out.trimmed(), QStringLiteral("Főkapu nyitó [1]"));
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("note"), QStringLiteral("főkapu"), QStringLiteral("kulcs")}).code, 0);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("address"), QStringLiteral("1"), QStringLiteral("Fő utca 1.")}).code, 0);
    ran = runCliApart({QStringLiteral("register"), QStringLiteral("history"), QStringLiteral("1")});
    QVERIFY2(ran.out.startsWith(QStringLiteral("Főkapu nyitó [1]\nCím: Fő utca 1.\nMegjegyzés: kulcs\n")), qPrintable(ran.out));
    QVERIFY(ran.out.contains(QStringLiteral("átadáskori")));
    // The next transfer keeps the site's new name.
    ran = runCliApart(QStringList{QStringLiteral("readout"), scratch.filePath(QStringLiteral("ujra.krv"))} + onPort);
    QVERIFY2(ran.err.contains(QStringLiteral("Főkapu nyitó, 5. változat")), qPrintable(ran.err));

    // Unknown sites and versions, merging a site into itself, the register off.
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("history"), QStringLiteral("42")}).code, 2);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("history"), QStringLiteral("nincs ilyen")}).code, 2);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("diff"), QStringLiteral("1"), QStringLiteral("9")}).code, 2);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("merge"), QStringLiteral("1"), QStringLiteral("1")}).code, 2);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("list"), QStringLiteral("--no-register")}).code, 5);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("lista")}).code, 2);
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("list"), QStringLiteral("--register"),
                      QStringLiteral("mysql://x/y")}).code,
             2);
    qputenv("KORDAVO_REGISTER", "off");
    QCOMPARE(runCliApart({QStringLiteral("register"), QStringLiteral("list")}).code, 5);
}

void TestRegister::windowRecorderFromTheEnvironment()
{
    ScratchDir scratch;
    const QByteArray kept = qgetenv("KORDAVO_REGISTER");
    const auto restore = qScopeGuard([&] { qputenv("KORDAVO_REGISTER", kept); });
    const TransferRecord r = transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok,
                                      gate(QStringLiteral("4172"), QStringLiteral("Fokapu nyito"), {}), 1);
    {
        // A value no register has: told once, never an obstacle.
        qputenv("KORDAVO_REGISTER", "mysql://host/db");
        RegisterRecorder recorder;
        RecordOutcome outcome = recorder.recordAndWait(r);
        QCOMPARE(outcome.status, RecordOutcome::Status::NotRecorded);
        QVERIFY2(outcome.problem.contains(QStringLiteral("KORDAVO_REGISTER")), qPrintable(outcome.problem));
        QVERIFY(outcome.tell);
        QVERIFY(!recorder.recordAndWait(r).tell);
    }
    qputenv("KORDAVO_REGISTER", QFile::encodeName(scratch.filePath(QStringLiteral("register.sqlite"))));
    RegisterRecorder recorder;
    QSignalSpy recorded(&recorder, &RegisterRecorder::recorded);
    recorder.record(r);
    QVERIFY(recorded.wait(10000));
    QCOMPARE(recorded.constFirst().constFirst().value<RecordOutcome>().text, QStringLiteral("Fokapu nyito (4172), 1. változat"));
}

// As kordavo-cli records on Windows: no thread of the recorder's, the same rules.
void TestRegister::recorderOnTheCallersThread()
{
    ScratchDir scratch;
    const TransferRecord r = transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok,
                                      gate(QStringLiteral("4172"), QStringLiteral("Fokapu nyito"), {}), 1);
    const QString corrupt = scratch.filePath(QStringLiteral("corrupt.sqlite"));
    QFile junk(corrupt);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    {
        RegisterRecorder broken(localAt(corrupt), RegisterRecorder::Threading::Caller);
        const RecordOutcome first = broken.recordAndWait(r);
        QCOMPARE(first.status, RecordOutcome::Status::NotRecorded);
        QVERIFY2(first.problem.contains(QStringLiteral("sérült")), qPrintable(first.problem));
        QVERIFY(first.tell);
        QVERIFY(!broken.recordAndWait(r).tell);
    }
    RegisterRecorder recorder(localAt(scratch.filePath(QStringLiteral("register.sqlite"))),
                              RegisterRecorder::Threading::Caller);
    QCOMPARE(recorder.recordAndWait(r).text, QStringLiteral("Fokapu nyito (4172), 1. változat"));
    QSignalSpy recorded(&recorder, &RegisterRecorder::recorded);
    recorder.record(r);
    QCOMPARE(recorded.size(), 1);   // at once, on this thread
    QVERIFY(recorded.constFirst().constFirst().value<RecordOutcome>().written());
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    if (isRecorderChild())
        return runRecorder();
    if (qEnvironmentVariableIsSet(kToolChild)) {
        // As nobody, against a register it may read but not write.
        const QString failure = downloadPastBrokenRegister(qEnvironmentVariable(kToolChild), QStringLiteral("nem írható"));
        if (!failure.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(failure));
        return failure.isEmpty() ? 0 : 1;
    }
    TestRegister tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_register.moc"
