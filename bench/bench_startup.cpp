// Start-up, memory and file figures of the windowed program.
//   bench_startup [runs]     launches itself `runs` times as the program does
//                            main(), then times open and save of a 128-number file
// The child steps exactly as app/main.cpp and reports, in ms from the
// parent's fork, when the window was first exposed and when the default
// configuration (loaded by the 500 ms timer) stood in the window.

#include "app/appearance.h"
#include "app/mainwindow.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "support/testsupport.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

qint64 nowNs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

class ExposeWatch : public QObject
{
public:
    qint64 exposedNs = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !exposedNs)
            exposedNs = nowNs();
        return false;
    }
};

int runChild(int argc, char *argv[], qint64 startNs)
{
    QApplication app(argc, argv);
    applyProgramFont();
    installQtTranslation();
    MainWindow window;
    ExposeWatch watch;
    window.winId();
    window.windowHandle()->installEventFilter(&watch);
    window.show();
    qint64 loadedNs = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (window.state().fileName() == QLatin1String("kordavo_default.dll") && !window.state().infoLine1().isEmpty()) {
            loadedNs = nowNs();
            app.quit();
        }
    });
    poll.start(1);
    QTimer::singleShot(5000, &app, &QApplication::quit);
    app.exec();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %.3f %ld\n", (watch.exposedNs - startNs) / 1e6, loadedNs ? (loadedNs - startNs) / 1e6 : -1.0,
                usage.ru_maxrss);
    return loadedNs ? 0 : 1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(1, argv, QByteArray(argv[2]).toLongLong());

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    QTemporaryDir folder;
    for (const char *name : {"kordavo_default.dll", "cfg_i31.dll", "cfg_i32.dll"})
        QFile::copy(QStringLiteral(KORDAVO_BIN_DIR "/") + QLatin1String(name), folder.filePath(QLatin1String(name)));

    std::vector<double> shown, loaded, rssMb;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setWorkingDirectory(folder.path());
        const qint64 start = nowNs();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QString::number(start)});
        child.waitForFinished(10000);
        const QList<QByteArray> fields = child.readAllStandardOutput().simplified().split(' ');
        if (child.exitCode() != 0 || fields.size() != 3) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        shown.push_back(fields[0].toDouble());
        loaded.push_back(fields[1].toDouble());
        rssMb.push_back(fields[2].toDouble() / 1024.0);
    }
    std::printf("start-up, %d runs (median; worst)\n", runs);
    std::printf("  window shown        %7.1f ms; %7.1f ms   target 100 ms\n", median(shown),
                *std::max_element(shown.begin(), shown.end()));
    std::printf("  default loaded      %7.1f ms; %7.1f ms   floor 500 ms timer, ratio %.3f; target 520 ms\n",
                median(loaded), *std::max_element(loaded.begin(), loaded.end()), median(loaded) / 500.0);
    std::printf("  peak memory (RSS)   %7.1f MB; %7.1f MB   target 40 MB\n", median(rssMb),
                *std::max_element(rssMb.begin(), rssMb.end()));

    // File open and save of a full 128-number configuration, against the
    // peer: reading and writing the same bytes with no parsing or formatting.
    const QString source = folder.filePath(QStringLiteral("full.krv"));
    Configuration full = *configfile::fromLines(configfile::readFile(folder.filePath(QStringLiteral("kordavo_default.dll"))));
    for (int n = 0; n < configfile::kTelephoneEntries; ++n)
        full.telephones[size_t(n)] = {3, 3, QStringLiteral("3630%1").arg(1000000 + n)};
    const QByteArray bytes = configfile::formatLines(configfile::toLines(full));
    QString error;
    configfile::writeFile(source, bytes, &error);
    const int rounds = 1000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i) {
        if (!configfile::fromLines(configfile::readFile(source)))
            return 1;
    }
    const double openMs = clock.nsecsElapsed() / 1e6 / rounds;
    clock.restart();
    for (int i = 0; i < rounds; ++i) {
        QFile file(source);
        file.open(QIODevice::ReadOnly);
        if (file.readAll().size() != bytes.size())
            return 1;
    }
    const double readMs = clock.nsecsElapsed() / 1e6 / rounds;
    clock.restart();
    for (int i = 0; i < rounds; ++i)
        configfile::writeFile(source, configfile::formatLines(configfile::toLines(full)), &error);
    const double saveMs = clock.nsecsElapsed() / 1e6 / rounds;
    clock.restart();
    for (int i = 0; i < rounds; ++i) {
        QFile file(source);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    const double writeMs = clock.nsecsElapsed() / 1e6 / rounds;
    std::printf("file, %d rounds of a 128-number configuration (%lld bytes)\n", rounds, qint64(bytes.size()));
    std::printf("  open (read + parse)   %.4f ms; raw read  %.4f ms; ratio %.1f   target 2 ms\n", openMs, readMs, openMs / readMs);
    std::printf("  save (format + write) %.4f ms; raw write %.4f ms; ratio %.1f   target 2 ms\n", saveMs, writeMs, saveMs / writeMs);
    return 0;
}
