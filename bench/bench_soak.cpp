// Soak: 200 status queries and 50 download–read-out–verify cycles against
// the simulated module in one process, through the real main window
// (offscreen). Every 10 commands it prints the resident memory and the open
// descriptors; after warm-up both stay flat, or something leaks.
// Run: build*/bin/bench_soak [status queries] [cycles]

#include "support/testsupport.h"

#include "windowbench.h"

#include "serial/moduleprotocol.h"
#include "sim/modulesimulator.h"
#include "transfer/dload.h"
#include "transfer/dlthread.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

long residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

long openDescriptors()
{
    return long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

int commands = 0;
int failures = 0;

void counted(bool ok)
{
    ++commands;
    failures += ok ? 0 : 1;
    if (commands % 10 == 0) {
        std::printf("| %d | %ld | %ld | %d |\n", commands, residentKb(), openDescriptors(), failures);
        std::fflush(stdout);
    }
}

bool download(MainWindow &w)
{
    bool ok = false;
    whenModalShows([&ok](QWidget *modal) {
        auto *dialog = qobject_cast<dload *>(modal);
        if (!dialog)
            return;
        QObject::connect(dialog->worker, &QThread::finished, dialog, [&ok, dialog] {
            ok = dialog->worker->success;
            // Skip the 2 s the dialog stays open to show the result.
            QTimer::singleShot(0, dialog, &QDialog::accept);
        });
    }, 2000);
    w.download();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const int queries = argc > 1 ? std::max(0, atoi(argv[1])) : 200;
    const int cycles = argc > 2 ? std::max(0, atoi(argv[2])) : 50;
    ScratchDir dir(ScratchDir::ProgramFiles);
    RecordingPrompter prompter;

    SimulatorOptions options;
    options.memorySize = 128;
    ModuleSimulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    MainWindow w;
    QTest::qWait(650);
    w.state().setPortName(sim.devicePath());
    w.state().setProgramMode(true);
    w.updateModeDisplay();
    w.setMode(128);
    windowbench::fill128(w);
    moduleprotocol::ModuleSession(sim.devicePath(), 1200).identify();

    std::printf("| commands | RSS KiB | open descriptors | failed |\n|---|---|---|---|\n");
    std::printf("| 0 | %ld | %ld | 0 |\n", residentKb(), openDescriptors());
    for (int i = 0; i < queries; ++i) {
        prompter.clear();
        w.status();
        counted(prompter.messages.isEmpty());
    }
    for (int i = 0; i < cycles; ++i) {
        counted(download(w));
        prompter.clear();
        w.readup();
        counted(prompter.messages.isEmpty());
        prompter.clear();
        w.verify();
        counted(prompter.last().text == QStringLiteral("Sikeres ellenőrzés."));
    }
    return failures == 0 ? 0 : 1;
}
