// The site register on a PostgreSQL server of the test's own: the same
// answers as on SQLite, two programs recording at once, a recorder killed
// mid-record, an old register upgraded; a server that goes away, whose
// versions wait in the local queue and arrive once it is back; a build
// without the PostgreSQL driver, and a server that never answers.

#include "registercontract.h"
#include "registertesthelpers.h"
#include "support/postgresserver.h"

#include "cli/cli.h"
#include "register/registerrecorder.h"
#include "sim/modulesimulator.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QLibraryInfo>
#include <QtCore/QRandomGenerator>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlQuery>
#include <QtTest/QSignalSpy>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace registertest;

namespace {

const char kNoDriverChild[] = "KORDAVO_TEST_REGISTER_NO_PSQL";

Location serverAt(const QString &url)
{
    QString why;
    const std::optional<Location> location = parseLocation(url, &why);
    if (!location)
        qFatal("%s", qPrintable(why));
    return *location;
}

TransferRecord download(int minute)
{
    return transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok,
                    gate(QStringLiteral("7"), QStringLiteral("Sorompo"), {{1, QStringLiteral("3630%1").arg(1000000 + minute)}}),
                    minute);
}

// As a Windows build without the PostgreSQL driver: the tool downloads with
// --register naming the server; the transfer succeeds, the user is told
// once, and the version waits in the local queue.
int downloadWithoutDriver(const QString &url)
{
    QTemporaryDir plugins;
    const QString drivers = plugins.filePath(QStringLiteral("sqldrivers"));
    QDir().mkpath(drivers);
    QFile::link(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/sqldrivers/libqsqlite.so"),
                drivers + QStringLiteral("/libqsqlite.so"));
    QCoreApplication::setLibraryPaths({plugins.path()});
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")) || !QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        std::fprintf(stderr, "the drivers are not as on Windows\n");
        return 1;
    }
    SimulatorOptions options;
    options.memorySize = 128;
    ModuleSimulator first(options);
    ModuleSimulator second(options);
    if (!first.start() || !second.start())
        return 1;
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("kapu.krv"));
    QString error;
    configfile::writeFile(file, fileOf(gate(QStringLiteral("8"), QStringLiteral("Garazs"), {{1, QStringLiteral("36301234567")}})), &error);
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const int code = cli::run({QStringLiteral("download"), file, QStringLiteral("--port"), first.devicePath(),
                               QStringLiteral("--port"), second.devicePath(), QStringLiteral("--fast"),
                               QStringLiteral("--register"), url},
                              {o, e, false});
    o.flush();
    e.flush();
    if (code != 0 || out.count(QStringLiteral("sikeres betöltés")) != 2 || err.count(QStringLiteral("QPSQL")) != 1
        || !err.contains(QStringLiteral("helyi sorban vár"))) {
        std::fprintf(stderr, "exit %d\n%s%s\n", code, qPrintable(out), qPrintable(err));
        return 1;
    }
    return 0;
}

} // namespace

class TestRegisterServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void answersOnPostgres();
    void olderRegisterIsUpgraded();
    void twoProgramsRecordingLoseNothing();
    void killedWhileRecordingLeavesNoHalfVersion();
    void serverGoingAwayQueuesVersions();
    void missingDriverQueuesVersions();
    void lockedSiteIsBounded();
    void silentServerIsBounded();

private:
    QString database(const QString &name);
    ScratchPostgres server;
};

QString TestRegisterServer::database(const QString &name)
{
    QString why;
    if (!server.createDatabase(name, &why))
        qFatal("CREATE DATABASE %s: %s", qPrintable(name), qPrintable(why));
    return server.url(name);
}

void TestRegisterServer::initTestCase()
{
    KORDAVO_START_POSTGRES(server);
}

void TestRegisterServer::cleanupTestCase()
{
    QVERIFY(server.stop());
}

void TestRegisterServer::answersOnPostgres()
{
    checkContract(serverAt(database(QStringLiteral("contract"))));
}

void TestRegisterServer::olderRegisterIsUpgraded()
{
    checkUpgrade(serverAt(database(QStringLiteral("upgrade"))));
}

void TestRegisterServer::twoProgramsRecordingLoseNothing()
{
    const QString url = database(QStringLiteral("two"));
    constexpr int count = 40;
    QProcess first;
    QProcess second;
    startRecorder(first, url, QStringLiteral("record"), QStringLiteral("A"), count);
    startRecorder(second, url, QStringLiteral("record"), QStringLiteral("B"), count);
    for (QProcess *child : {&first, &second}) {
        QVERIFY(child->waitForFinished(120000));
        QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0, child->readAll().constData());
    }
    SiteRegister reg(serverAt(url));
    QCOMPARE(reg.findSite(QStringLiteral("Kozos kapu"))->versions, 2 * count);
    QCOMPARE(reg.findSite(QStringLiteral("Kapu A"))->versions, count);
    QCOMPARE(reg.findSite(QStringLiteral("Kapu B"))->versions, count);
    const QString broken = inconsistency(reg);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

void TestRegisterServer::killedWhileRecordingLeavesNoHalfVersion()
{
    const QString url = database(QStringLiteral("killed"));
    int before = 0;
    for (int round = 0; round < 3; ++round) {
        QProcess child;
        startRecorder(child, url, QStringLiteral("record-forever"), QString::number(round), 0);
        QVERIFY(child.waitForStarted());
        QTest::qWait(300 + QRandomGenerator::global()->bounded(300));
        child.kill();
        QVERIFY(child.waitForFinished());
        SiteRegister reg(serverAt(url));
        QVERIFY2(reg.open(), qPrintable(reg.problem()));
        const QString broken = inconsistency(reg);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
        const std::optional<SiteSummary> shared = reg.findSite(QStringLiteral("Kozos kapu"));
        QVERIFY2(shared && shared->versions > before, "the recorder was killed before it recorded anything");
        before = shared->versions;
    }
}

void TestRegisterServer::serverGoingAwayQueuesVersions()
{
    ScratchDir scratch;
    // The local queue lives in the user's data folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    const Location location = serverAt(database(QStringLiteral("away")));
    QCOMPARE(location.queuePath, scratch.filePath(QStringLiteral("kordavo/kordavo-register.sqlite")));
    {
        RegisterRecorder recorder(location);
        RecordOutcome outcome = recorder.recordAndWait(download(1));
        QCOMPARE(outcome.text, QStringLiteral("Sorompo (7), 1. változat"));

        QVERIFY(server.stop(true));
        outcome = recorder.recordAndWait(download(2));
        QCOMPARE(outcome.status, RecordOutcome::Status::Queued);
        QVERIFY2(outcome.problem.contains(QStringLiteral("nem érhető el")), qPrintable(outcome.problem));
        QVERIFY(outcome.tell);
        outcome = recorder.recordAndWait(download(3));
        QCOMPARE(outcome.status, RecordOutcome::Status::Queued);
        QVERIFY(!outcome.tell);   // told once

        KORDAVO_START_POSTGRES(server);
        // As the window gets it: on the recorder's thread, the outcome by signal.
        QSignalSpy recorded(&recorder, &RegisterRecorder::recorded);
        recorder.record(download(4));
        QVERIFY(recorded.wait(20000));
        outcome = recorded.constFirst().constFirst().value<RecordOutcome>();
        QCOMPARE(outcome.text, QStringLiteral("Sorompo (7), 4. változat"));
        QVERIFY(outcome.problem.isEmpty());
    }
    SiteRegister reg(location);
    QVERIFY(reg.open());
    QCOMPARE(reg.queuedCount(), 0);
    const QList<VersionInfo> history = reg.history(reg.findSite(QStringLiteral("Sorompo"))->id);
    QCOMPARE(history.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(history.at(i).time, kStart.addSecs(60 * (i + 1)));
    qunsetenv("XDG_DATA_HOME");
}

void TestRegisterServer::missingDriverQueuesVersions()
{
    ScratchDir scratch;
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    const QString url = database(QStringLiteral("nodriver"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kNoDriverChild), url);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());

    // A program with the driver delivers them.
    SiteRegister reg(serverAt(url));
    QCOMPARE(reg.queuedCount(), 2);
    QVERIFY2(reg.open(), qPrintable(reg.problem()));
    QCOMPARE(reg.queuedCount(), 0);
    QCOMPARE(reg.findSite(QStringLiteral("Garazs"))->versions, 2);
    qunsetenv("XDG_DATA_HOME");
}

void TestRegisterServer::lockedSiteIsBounded()
{
    ScratchDir scratch;
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    const QString url = database(QStringLiteral("locked"));
    const Location location = serverAt(url);
    SiteRegister reg(location);
    QCOMPARE(reg.record(download(1)).status, RecordOutcome::Status::Recorded);
    {
        // Another program holds the site and does not let go.
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("holder"));
        holder.setHostName(server.socketDir());
        holder.setUserName(QStringLiteral("kordavo"));
        holder.setDatabaseName(QStringLiteral("locked"));
        QVERIFY(holder.open());
        QSqlQuery hold(holder);
        QVERIFY(hold.exec(QStringLiteral("BEGIN")));
        QVERIFY(hold.exec(QStringLiteral("SELECT * FROM sites FOR UPDATE")));
        QElapsedTimer timer;
        timer.start();
        const RecordOutcome outcome = reg.record(download(2));
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(outcome.status, RecordOutcome::Status::Queued);
        QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    // Once it is free the queued version goes first.
    QCOMPARE(reg.record(download(3)).version, 3);
    QCOMPARE(reg.queuedCount(), 0);
    qunsetenv("XDG_DATA_HOME");
}

void TestRegisterServer::silentServerIsBounded()
{
    ScratchDir scratch;
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    // A socket that takes the connection and never says a word.
    const QByteArray socketPath = QFile::encodeName(scratch.filePath(QStringLiteral(".s.PGSQL.5432")));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 4) == 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });

    const Location location = serverAt(QStringLiteral("postgresql://kordavo@/silent?host=") + scratch.path());
    SiteRegister reg(location);
    QElapsedTimer timer;
    timer.start();
    const RecordOutcome outcome = reg.record(download(1));
    // A bound, not a speed: libpq's connect_timeout of 2 s ends the wait.
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(outcome.status, RecordOutcome::Status::Queued);
    QCOMPARE(reg.queuedCount(), 1);
    qunsetenv("XDG_DATA_HOME");
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    if (isRecorderChild())
        return runRecorder();
    if (qEnvironmentVariableIsSet(kNoDriverChild))
        return downloadWithoutDriver(qEnvironmentVariable(kNoDriverChild));
    TestRegisterServer tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_registerserver.moc"
