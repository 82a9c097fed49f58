// kordavo-cli against the module simulator on a pseudo-terminal, paced at
// 115200 baud, with a 128-number configuration: download followed by verify,
// with --fast and without, each against its floor measured in this run.
// Run: build*/bin/bench_cli

#include "cli/cli.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "serial/moduleprotocol.h"
#include "sim/modulesimulator.h"
#include "transfer/configimage.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kBaud = 115200;

double runPair(const QString &file, bool fast, qint64 *lineBytes, qint64 *answerBytes)
{
    SimulatorOptions options;
    options.memorySize = 128;
    options.pacingBaud = kBaud;
    ModuleSimulator sim(options);
    if (!sim.start())
        qFatal("simulator: %s", qPrintable(sim.errorString()));
    QString out, err;
    QTextStream o(&out), e(&err);
    QStringList common = {QStringLiteral("--port"), sim.devicePath()};
    if (fast)
        common << QStringLiteral("--fast");
    QElapsedTimer timer;
    timer.start();
    const int downloaded = cli::run(QStringList{QStringLiteral("download"), file} + common, {o, e, false});
    const int verified = cli::run(QStringList{QStringLiteral("verify"), file} + common, {o, e, false});
    const double wall = timer.nsecsElapsed() / 1e9;
    if (downloaded != 0 || verified != 0)
        qFatal("download %d, verify %d: %s", downloaded, verified, qPrintable(err));
    // Tool to module: everything the simulator received. Module to tool: two
    // identifications ("Qzv_GSM4_128" + CR), READY + CR and OK + CR of "~}",
    // the records answer, OK + CR for each "~X".
    const qint64 records = (28 + 128) * (configimage::kRecordLength + 1) + 1;
    *answerBytes = 2 * 13 + 6 + 3 + records + 2 * 3;
    *lineBytes = sim.received().size() + *answerBytes;
    return wall;
}

// A download to `count` modules in one run of the tool, then a verify of
// them in another: the modules are worked side by side.
struct Times
{
    double download = 0;
    double verify = 0;
};

Times runParallel(const QString &file, bool fast, int count)
{
    std::vector<std::unique_ptr<ModuleSimulator>> sims;
    QStringList ports;
    for (int i = 0; i < count; ++i) {
        SimulatorOptions options;
        options.memorySize = 128;
        options.pacingBaud = kBaud;
        sims.push_back(std::make_unique<ModuleSimulator>(options));
        if (!sims.back()->start())
            qFatal("simulator: %s", qPrintable(sims.back()->errorString()));
        ports << QStringLiteral("--port") << sims.back()->devicePath();
    }
    if (fast)
        ports << QStringLiteral("--fast");
    Times times;
    for (const char *command : {"download", "verify"}) {
        QString out, err;
        QTextStream o(&out), e(&err);
        QElapsedTimer timer;
        timer.start();
        const int code = cli::run(QStringList{QString::fromLatin1(command), file} + ports, {o, e, false});
        (command[0] == 'd' ? times.download : times.verify) = timer.nsecsElapsed() / 1e9;
        if (code != 0)
            qFatal("%s on %d modules: %d: %s", command, count, code, qPrintable(err));
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The line's figures alone: bench_register measures what recording adds.
    qputenv("KORDAVO_REGISTER", "off");
    QTemporaryDir dir;
    Configuration c;
    for (size_t i = 0; i < generalfields::kFields.size(); ++i)
        c.general[i] = QString::fromLatin1(generalfields::kFields[i].example);
    for (int n = 1; n <= 128; ++n)
        c.telephones[size_t(n - 1)] = {n % 4, (n / 4) % 4, QStringLiteral("3630%1").arg(1000000 + n * 37)};
    const QString file = dir.filePath(QStringLiteral("bench.krv"));
    QString error;
    configfile::writeFile(file, configfile::formatLines(configfile::toLines(c)), &error);

    using namespace moduleprotocol;
    const auto wait = [](Waits w) { return (w.readMultiplier + w.readConstant) / 1000.0; };
    // Without --fast every answer ends after one silent wait: two identifications,
    // two "~X", both answers of "~}" and the records answer.
    const double silence = 4 * wait(kCommandWaits) + 2 * wait(kStoreWaits) + wait(kRecordsWaits);

    qint64 fastBytes = 0, slowBytes = 0, answers = 0;
    const double fastWall = runPair(file, true, &fastBytes, &answers);
    const double slowWall = runPair(file, false, &slowBytes, &answers);
    // A pseudo-terminal paces only the simulator's answers, not the tool's writes.
    const double ptyFast = answers * 10.0 / kBaud;
    const double ptySlow = ptyFast + silence;
    const double fastFloor = fastBytes * 10.0 / kBaud;
    const double slowFloor = slowBytes * 10.0 / kBaud + silence;
    std::printf("| mode | bytes on the line | floor s | wall s | wall / floor |\n|---|---|---|---|---|\n");
    std::printf("| --fast | %lld | %.3f (line time) | %.3f | %.3f |\n", (long long)fastBytes, fastFloor, fastWall,
                fastWall / fastFloor);
    std::printf("| default | %lld | %.3f (line time + %.1f s of silent waits) | %.3f | %.4f (%+.2f %%) |\n",
                (long long)slowBytes, slowFloor, silence, slowWall, slowWall / slowFloor,
                (slowWall / slowFloor - 1) * 100);
    std::printf("\npty floors (answers only): --fast %.3f s, wall / floor %.3f; default %.3f s, %+.2f %%\n", ptyFast,
                fastWall / ptyFast, ptySlow, (slowWall / ptySlow - 1) * 100);
    std::printf("\ndefault / --fast: %.1f times the wall time\n", slowWall / fastWall);

    // Four modules in one run against one module, measured in the same run.
    // A verify reads the records as the simulator paces them; a download's
    // own writes are not paced by a pseudo-terminal, so its --fast time is
    // the processors' alone.
    std::printf("\n| command | mode | 1 module s | 4 modules s | 4 / 1 (target <= 1.25) |\n|---|---|---|---|---|\n");
    for (const bool fast : {false, true}) {
        const Times one = runParallel(file, fast, 1);
        const Times four = runParallel(file, fast, 4);
        const char *mode = fast ? "--fast" : "default";
        std::printf("| download | %s | %.3f | %.3f | %.3f |\n", mode, one.download, four.download,
                    four.download / one.download);
        std::printf("| verify | %s | %.3f | %.3f | %.3f |\n", mode, one.verify, four.verify, four.verify / one.verify);
        std::printf("| both | %s | %.3f | %.3f | %.3f |\n", mode, one.download + one.verify,
                    four.download + four.verify, (four.download + four.verify) / (one.download + one.verify));
    }
    return 0;
}
