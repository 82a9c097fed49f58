// Transfer figures against the module simulator on a pseudo-terminal, with
// the real main window (offscreen) and a 128-number configuration:
//  - download, read-out and verify at 1200, 9600 and 115200 baud: wall time against
//    the protocol's floor (10 bit times per byte on the line plus the silent
//    waits that end the answers);
//  - the GUI thread's largest stall during a download, seen by a 5 ms timer;
//  - process CPU time over wall time (tool and simulator thread together).
// Run: build*/bin/bench_transfer [rounds]

#include "support/testsupport.h"

#include "windowbench.h"

#include "serial/moduleprotocol.h"
#include "sim/modulesimulator.h"
#include "transfer/dload.h"
#include "transfer/dlthread.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

using windowbench::fill128;
using windowbench::now;

// The module's answers to "~}" in this simulator: "READY\r" and "OK\r".
constexpr int kReadyBytes = 6;
constexpr int kAckBytes = 3;
constexpr int kImageBytes = 2653;   // 156 records with CR and the closing CR
constexpr int kCommandBytes = 2;

struct Figures
{
    double wall = 0;
    double cpu = 0;
    double stallMs = -1;
    double threadCpu = -1;   // the GUI thread alone, where read-out and verify run
};

Figures download(MainWindow &w, bool *ok)
{
    Figures f;
    QElapsedTimer gap;
    double maxGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxGap = std::max(maxGap, gap.nsecsElapsed() / 1e6);
        gap.restart();
    });
    double t0 = 0, cpu0 = 0;
    whenModalShows([&](QWidget *modal) {
        auto *dialog = qobject_cast<dload *>(modal);
        if (!dialog)
            return;
        QObject::connect(dialog->worker, &QThread::finished, dialog, [&, dialog] {
            f.wall = now(CLOCK_MONOTONIC) - t0;
            f.cpu = now(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
            ticker.stop();
            f.stallMs = maxGap;
            *ok = dialog->worker->success;
            // Skip the 2 s the dialog stays open to show the result.
            QTimer::singleShot(0, dialog, &QDialog::accept);
        });
    }, 2000);
    gap.start();
    ticker.start();
    t0 = now(CLOCK_MONOTONIC);
    cpu0 = now(CLOCK_PROCESS_CPUTIME_ID);
    w.download();
    return f;
}

template <typename Slot>
Figures timed(MainWindow &w, Slot slot)
{
    Figures f;
    const double t0 = now(CLOCK_MONOTONIC);
    const double cpu0 = now(CLOCK_PROCESS_CPUTIME_ID);
    const double thread0 = now(CLOCK_THREAD_CPUTIME_ID);
    (w.*slot)();
    f.wall = now(CLOCK_MONOTONIC) - t0;
    f.cpu = now(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    f.threadCpu = now(CLOCK_THREAD_CPUTIME_ID) - thread0;
    return f;
}

void row(const QString &what, int round, const Figures &f, double lineFloor, double ptyFloor, bool ok)
{
    std::printf("| %s | %d | %.3f | %.3f | %+.2f %% | %.3f | %+.2f %% | %s | %.2f %% | %s | %s |\n",
                qPrintable(what), round, f.wall, lineFloor, (f.wall / lineFloor - 1) * 100, ptyFloor,
                (f.wall / ptyFloor - 1) * 100,
                f.stallMs >= 0 ? qPrintable(QString::asprintf("%.1f ms", f.stallMs)) : "–",
                f.cpu / f.wall * 100,
                f.threadCpu >= 0 ? qPrintable(QString::asprintf("%.2f %%", f.threadCpu / f.wall * 100)) : "–",
                ok ? "ok" : "FAILED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    RecordingPrompter prompter;
    QElapsedTimer runClock;
    runClock.start();

    std::printf("| command | round | wall s | line floor s | over line floor | pty floor s | over pty floor "
                "| largest GUI stall | process CPU of one core | GUI thread CPU | result |\n"
                "|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const int baud : {1200, 9600, 115200}) {
        SimulatorOptions options;
        options.memorySize = 128;
        options.pacingBaud = baud;
        ModuleSimulator sim(options);
        if (!sim.start()) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
            return 1;
        }
        MainWindow w;
        QTest::qWait(650);   // let the start-up load the default configuration first
        w.state().setPortName(sim.devicePath());
        w.state().setBaudRate(baud);
        w.setMode(128);
        fill128(w);
        {
            // Programming mode, as the port button would leave it.
            moduleprotocol::ModuleSession(sim.devicePath(), baud).identify();
        }
        const double byteS = 10.0 / baud;
        const QString label = QStringLiteral(" %1").arg(baud);
        for (int round = 1; round <= rounds; ++round) {
            prompter.clear();
            bool ok = false;
            const Figures dl = download(w, &ok);
            row(QStringLiteral("download") + label, round, dl, (kCommandBytes + kReadyBytes + kImageBytes + kAckBytes) * byteS + 10.0,
                (kReadyBytes + kAckBytes) * byteS + 10.0, ok);

            const Figures ro = timed(w, &MainWindow::readup);
            row(QStringLiteral("read-out") + label, round, ro, (kCommandBytes + kImageBytes) * byteS + 0.7, kImageBytes * byteS + 0.7,
                prompter.messages.isEmpty());

            const Figures vf = timed(w, &MainWindow::verify);
            row(QStringLiteral("verify") + label, round, vf, (kCommandBytes + kImageBytes) * byteS + 0.7, kImageBytes * byteS + 0.7,
                prompter.last().text == QStringLiteral("Sikeres ellenőrzés."));
        }
    }
    const double total = now(CLOCK_PROCESS_CPUTIME_ID);
    std::printf("\nwhole run: %.3f s process CPU over %.1f s wall = %.2f %% of one core\n", total,
                runClock.elapsed() / 1000.0, total / (runClock.elapsed() / 1000.0) * 100);
    return 0;
}
