// The site register at an installer company's size, on SQLite and on
// PostgreSQL side by side: 2,000 sites of 20 versions each, recorded through
// the register's own recording, then the questions the clients ask of it and
// what recording adds to a kordavo-cli command.
// Run: build*/bin/bench_register [sites] [versions]
//
// Each figure is the median of many runs, beside a floor measured in the same
// run on the same connection: the register's lookup of one site by its number.

#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "register/numberkey.h"
#include "register/siteregister.h"
#include "sim/modulesimulator.h"
#include "support/coretestsupport.h"
#include "support/postgresserver.h"
#include "transfer/configimage.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QRandomGenerator>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <optional>
#include <vector>

using namespace siteregister;

namespace {

struct Stats
{
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Stats statsOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.at(std::min(ms.size() - 1, ms.size() * 95 / 100)), ms.back()};
}

Stats timed(int rounds, const std::function<void(int)> &step)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return statsOf(ms);
}

// Site s, version v: 20 to 60 numbers; every version changes one or two of them.
Configuration siteConfiguration(int s, int v)
{
    Configuration c;
    for (size_t i = 0; i < generalfields::kFields.size(); ++i)
        c.general[i] = QString::fromLatin1(generalfields::kFields[i].example);
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_id")))] = QString::number(s);
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))] = QStringLiteral("Kapu %1").arg(s);
    const int count = 20 + s % 41;
    for (int n = 1; n <= count; ++n) {
        // Residents' numbers; one in fifty is also at the next site.
        const int resident = (n % 50 == 0) ? (s + 1) * 1000 + n : s * 1000 + n;
        c.telephones[size_t(n - 1)] = {n % 4, (n / 4) % 4, QStringLiteral("3630%1").arg(1000000 + resident)};
    }
    for (int k = 0; k < v; ++k) {
        const int n = 1 + (k * 7 + s) % count;
        c.telephones[size_t(n - 1)] = {1, 1, QStringLiteral("3620%1").arg(1000000 + s * 100 + k)};
    }
    return c;
}

TransferRecord recordOf(int s, int v, const QDateTime &time)
{
    const Configuration c = siteConfiguration(s, v);
    TransferRecord r = TransferRecord::now(v == 0 ? TransferRecord::Command::Readout : TransferRecord::Command::Download,
                                           TransferRecord::Result::Ok);
    r.time = time;
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.identification = QStringLiteral("Qzv_GSM4_128");
    r.memory = 128;
    r.message = QStringLiteral("sikeres");
    r.image = configimage::asSent(configimage::buildImage(c, 128).image);
    r.krv = configfile::formatLines(configfile::toLines(c));
    return r;
}

Location at(const QString &text)
{
    QString why;
    const std::optional<Location> location = parseLocation(text, &why);
    if (!location)
        qFatal("%s", qPrintable(why));
    return *location;
}

struct Figures
{
    double buildSeconds = 0;
    Stats floor, find, history, list, shared, diff;
    Stats withRegister, withoutRegister;
    Stats pacedWithRegister, pacedWithoutRegister;
    Stats bareConnection;   // a PostgreSQL client process that connects and asks one thing
    double bytes = 0;
};

Figures measure(const QString &where, int sites, int versions, const QString &file)
{
    Figures f;
    QString error;
    std::optional<SiteRegister> reg;
    reg.emplace(at(where));
    if (!reg->open())
        qFatal("%s", qPrintable(reg->problem()));
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-versions);
    QElapsedTimer build;
    build.start();
    for (int v = 0; v < versions; ++v) {
        for (int s = 1; s <= sites; ++s) {
            const RecordOutcome outcome = reg->record(recordOf(s, v, start.addSecs(qint64(v) * 86400 + s)));
            if (outcome.status != RecordOutcome::Status::Recorded)
                qFatal("record %d/%d: %s", s, v, qPrintable(outcome.problem));
        }
    }
    f.buildSeconds = build.nsecsElapsed() / 1e9;

    QRandomGenerator random(4172);
    std::vector<qint64> ids;
    for (const SiteSummary &site : reg->sites())
        ids.push_back(site.id);
    if (int(ids.size()) != sites)
        qFatal("%d sites", int(ids.size()));
    const auto anySite = [&] { return ids.at(random.bounded(int(ids.size()))); };
    constexpr int rounds = 200;
    f.floor = timed(rounds, [&](int) { reg->site(anySite()); });
    // A resident's number, typed in one of the forms installers use.
    const QStringList forms = {QStringLiteral("06 %1 %2"), QStringLiteral("+36 %1 %2"), QStringLiteral("0036 %1 %2"),
                               QStringLiteral("36%1%2")};
    std::vector<QString> numbers;
    for (int i = 0; i < rounds; ++i) {
        const int s = 1 + random.bounded(sites);
        const QString stored = siteConfiguration(s, versions - 1).telephones[size_t(random.bounded(20))].number;
        numbers.push_back(forms.at(i % forms.size()).arg(stored.mid(2, 2), stored.mid(4)));
    }
    f.find = timed(rounds, [&](int i) {
        if (reg->findNumber(numbers.at(size_t(i))).isEmpty())
            qFatal("%s not found", qPrintable(numbers.at(size_t(i))));
    });
    f.history = timed(rounds, [&](int) {
        if (reg->history(anySite()).size() != versions)
            qFatal("history");
    });
    f.diff = timed(50, [&](int) { reg->changes(anySite(), 1, versions); });
    f.list = timed(20, [&](int) { reg->sites(); });
    f.shared = timed(10, [&](int) { reg->sharedNumbers(); });

    // What recording adds to a command, the tool as its own process and the
    // only one with the register open, as an installer runs it, with the
    // register and without in turns: a download (--fast) to a simulated
    // 128-number module that answers at once, and a verify (--fast) of one
    // that answers as a 115200-baud line, about a quarter of a second.
    reg.reset();
    const auto command = [&](const QString &name, int pacingBaud, Stats *with, Stats *without) {
        SimulatorOptions options;
        options.memorySize = 128;
        options.pacingBaud = pacingBaud;
        ModuleSimulator sim(options);
        if (!sim.start())
            qFatal("simulator: %s", qPrintable(sim.errorString()));
        // The module holds the file, so every verify finds it as recorded.
        QProcess first;
        first.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kordavo-cli"),
                    {QStringLiteral("download"), file, QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--fast"),
                     QStringLiteral("--no-register")});
        first.waitForFinished(60000);
        std::vector<double> recorded;
        std::vector<double> plain;
        for (int i = 0; i < 40; ++i) {
            const bool recording = i % 2 == 0;
            QStringList arguments = {name, file, QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--fast")};
            arguments << (recording ? QStringList{QStringLiteral("--register"), where}
                                    : QStringList{QStringLiteral("--no-register")});
            QProcess tool;
            QElapsedTimer timer;
            timer.start();
            tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kordavo-cli"), arguments);
            tool.waitForFinished(60000);
            (recording ? recorded : plain).push_back(timer.nsecsElapsed() / 1e6);
            const QString err = QString::fromUtf8(tool.readAllStandardError());
            if (tool.exitCode() != 0 || (recording && !err.contains(QStringLiteral("változat"))))
                qFatal("%s %d: %s", qPrintable(name), tool.exitCode(), qPrintable(err));
        }
        *with = statsOf(recorded);
        *without = statsOf(plain);
    };
    command(QStringLiteral("download"), 0, &f.withRegister, &f.withoutRegister);
    command(QStringLiteral("verify"), 115200, &f.pacedWithRegister, &f.pacedWithoutRegister);
    const QString psql = QStandardPaths::findExecutable(QStringLiteral("psql"));
    const std::optional<Location> server = parseLocation(where, &error);
    if (server && server->kind == Location::Kind::Server && !psql.isEmpty()) {
        f.bareConnection = timed(20, [&](int) {
            QProcess client;
            client.start(psql, {QStringLiteral("-h"), server->host, QStringLiteral("-U"), server->user, QStringLiteral("-qAt"),
                                QStringLiteral("-c"), QStringLiteral("SELECT 1"), server->database});
            client.waitForFinished(60000);
        });
    }
    return f;
}

// What one fdatasync of a small write costs on the register's disk: SQLite's
// WAL syncs its new header and its folder at a process's first commit, and
// its file twice when the last connection closes.
Stats syncFloor(const QString &folder)
{
    QFile file(folder + QStringLiteral("/sync-probe"));
    if (!file.open(QIODevice::ReadWrite))
        qFatal("%s", qPrintable(file.errorString()));
    const QByteArray page(4096, 'x');
    const Stats stats = timed(40, [&](int i) {
        file.seek(qint64(i % 4) * page.size());
        file.write(page);
        file.flush();
        ::fdatasync(file.handle());
    });
    file.remove();
    return stats;
}

void printRow(const char *what, const Stats &sqlite, const Stats &postgres, const Stats &floorS, const Stats &floorP,
              const char *target)
{
    std::printf("| %s | %.2f | %.2f | %.1f | %.2f | %.2f | %.1f | %s |\n", what, sqlite.median, sqlite.p95,
                sqlite.median / floorS.median, postgres.median, postgres.p95, postgres.median / floorP.median, target);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int sites = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int versions = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kapu.krv"));
    QString error;
    configfile::writeFile(file, configfile::formatLines(configfile::toLines(siteConfiguration(1, 0))), &error);

    const QString sqlitePath = dir.filePath(QStringLiteral("register.sqlite"));
    const Figures sqlite = measure(sqlitePath, sites, versions, file);
    ScratchPostgres server;
    QString why;
    if (!server.start(&why) || !server.createDatabase(QStringLiteral("bench"), &why))
        qFatal("PostgreSQL: %s", qPrintable(why));
    const Figures postgres = measure(server.url(QStringLiteral("bench")), sites, versions, file);

    std::printf("register: %d sites × %d versions; SQLite file %.1f MB\n\n", sites, versions,
                QFileInfo(sqlitePath).size() / 1e6);
    std::printf("built through record(): SQLite %.1f s (%.2f ms a version), PostgreSQL %.1f s (%.2f ms a version)\n\n",
                sqlite.buildSeconds, sqlite.buildSeconds * 1000 / (sites * versions), postgres.buildSeconds,
                postgres.buildSeconds * 1000 / (sites * versions));
    std::printf("| question | SQLite median ms | p95 ms | / floor | PostgreSQL median ms | p95 ms | / floor | target |\n"
                "|---|---|---|---|---|---|---|---|\n");
    printRow("floor: one site by its number", sqlite.floor, postgres.floor, sqlite.floor, postgres.floor, "–");
    printRow("find a number (any form)", sqlite.find, postgres.find, sqlite.floor, postgres.floor, "< 50 ms");
    printRow("history of a site", sqlite.history, postgres.history, sqlite.floor, postgres.floor, "< 20 ms");
    printRow("diff of version 1 and 20", sqlite.diff, postgres.diff, sqlite.floor, postgres.floor, "–");
    printRow("list of all sites", sqlite.list, postgres.list, sqlite.floor, postgres.floor, "–");
    printRow("numbers at more than one site", sqlite.shared, postgres.shared, sqlite.floor, postgres.floor, "–");
    std::printf("\n| kordavo-cli, a process each | SQLite median ms | p95 ms | PostgreSQL median ms | p95 ms |\n"
                "|---|---|---|---|---|\n");
    const auto commandRows = [&](const char *name, const Stats &sw, const Stats &so, const Stats &pw, const Stats &po) {
        std::printf("| %s, --no-register (floor) | %.2f | %.2f | %.2f | %.2f |\n", name, so.median, so.p95, po.median, po.p95);
        std::printf("| %s, recording | %.2f | %.2f | %.2f | %.2f |\n", name, sw.median, sw.p95, pw.median, pw.p95);
        std::printf("| %s, added by recording (target < 20 ms) | %+.2f | | %+.2f | |\n", name, sw.median - so.median,
                    pw.median - po.median);
    };
    commandRows("download --fast, module answers at once", sqlite.withRegister, sqlite.withoutRegister,
                postgres.withRegister, postgres.withoutRegister);
    commandRows("verify --fast, module at 115200 baud", sqlite.pacedWithRegister, sqlite.pacedWithoutRegister,
                postgres.pacedWithRegister, postgres.pacedWithoutRegister);
    const Stats sync = syncFloor(dir.path());
    std::printf("| floor: what the register's own way costs here | 4 fdatasyncs: %.2f | | a bare psql connection: %.2f | %.2f |\n",
                4 * sync.median, postgres.bareConnection.median, postgres.bareConnection.p95);
    std::printf("\none fdatasync of a 4 KiB write on this disk: median %.2f ms, p95 %.2f ms\n", sync.median, sync.p95);
    std::printf("recording with the register open (the window's recorder), a version: SQLite %.2f ms, PostgreSQL %.2f ms\n",
                sqlite.buildSeconds * 1000 / (sites * versions), postgres.buildSeconds * 1000 / (sites * versions));
    return 0;
}
