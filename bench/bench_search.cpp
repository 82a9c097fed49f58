// The port dialog's automatic search over 8 ports, none of which answers:
// each probe waits 300 ms for a first byte, so the floor is 8 × 300 ms.
// Run: build*/bin/bench_search [rounds]

#include "support/testsupport.h"

#include "serial/setcom.h"
#include "sim/modulesimulator.h"

#include "windowbench.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    RecordingPrompter prompter;

    constexpr int kPorts = 8;
    constexpr double kProbeWaitS = 0.3;
    SimulatorOptions silent;
    silent.fault = SimulatorOptions::Fault::Silent;
    std::vector<std::unique_ptr<ModuleSimulator>> modules;
    QStringList paths;
    for (int i = 0; i < kPorts; ++i) {
        modules.push_back(std::make_unique<ModuleSimulator>(silent));
        if (!modules.back()->start()) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(modules.back()->errorString()));
            return 1;
        }
        paths << modules.back()->devicePath();
    }
    setcom::setPortSource([paths] { return paths; });

    const double floorS = kPorts * kProbeWaitS;
    std::printf("## Automatic search over %d silent ports\n\nfloor (8 × 300 ms): %.3f s\n\n", kPorts, floorS);
    std::printf("| round | wall s | over floor | process CPU s | result |\n|---|---|---|---|---|\n");
    for (int round = 1; round <= rounds; ++round) {
        prompter.clear();
        const double t0 = windowbench::now(CLOCK_MONOTONIC);
        const double cpu0 = windowbench::now(CLOCK_PROCESS_CPUTIME_ID);
        {
            setcom dialog(QStringLiteral("COM1"), 1200, 300, true);
        }
        const double wall = windowbench::now(CLOCK_MONOTONIC) - t0;
        const double cpu = windowbench::now(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        const bool reported = prompter.last().text == QStringLiteral("Az eszköz nem nem található.");
        std::printf("| %d | %.3f | %+.2f %% | %.3f | %s |\n", round, wall, (wall / floorS - 1) * 100, cpu,
                    reported ? "not found, as expected" : "UNEXPECTED");
        std::fflush(stdout);
    }
    setcom::setPortSource({});
    return 0;
}
