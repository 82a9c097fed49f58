// Serial port figures against the module simulator on a pseudo-terminal:
//  1. a 2653-byte read-out answer (128 numbers) paced at 9600 baud, read by
//     the module session's record read with its 700 ms per-byte wait,
//     against the floor of the line time plus one closing wait;
//  2. CPU used by the whole process (tool side and simulator thread) while
//     the signal query waits out a silent module with its 5 s wait.
// Run: build*/bin/bench_serial [rounds]

#include "serial/moduleprotocol.h"
#include "sim/modulesimulator.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double now(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    SimulatorOptions options;
    options.memorySize = 128;
    options.pacingBaud = 9600;
    ModuleSimulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }

    const double waitS = 0.7;
    const double floorS = 2653 * 10 / 9600.0 + waitS;
    std::printf("## Read-out answer, 2653 bytes at 9600 baud\n\n");
    std::printf("floor (line time + one 700 ms wait): %.4f s; limit +3 %%: %.4f s\n\n", floorS, floorS * 1.03);
    std::printf("| round | bytes | wall s | over floor | process CPU s |\n|---|---|---|---|---|\n");
    double worst = 0;
    for (int round = 1; round <= rounds; ++round) {
        moduleprotocol::ModuleSession session(sim.devicePath(), 9600);
        if (!session.identify().ok())
            return 1;
        const double cpu0 = now(CLOCK_PROCESS_CPUTIME_ID);
        const double t0 = now(CLOCK_MONOTONIC);
        const QString reply = session.readRecords().value;
        const double wall = now(CLOCK_MONOTONIC) - t0;
        const double cpu = now(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        worst = std::max(worst, wall);
        std::printf("| %d | %lld | %.4f | %+.2f %% | %.4f |\n", round, static_cast<long long>(reply.size()), wall,
                    (wall / floorS - 1) * 100, cpu);
    }
    std::printf("\nworst: %.4f s = %+.2f %% over the floor (%s)\n\n", worst, (worst / floorS - 1) * 100,
                worst <= floorS * 1.03 ? "within 3 %" : "OVER 3 %");

    sim.setFault(SimulatorOptions::Fault::Silent);
    std::printf("## Waiting on a silent line (5 s per-byte wait)\n\n");
    std::printf("| round | wall s | process CPU s | CPU of one core |\n|---|---|---|---|\n");
    double worstShare = 0;
    for (int round = 1; round <= rounds; ++round) {
        moduleprotocol::ModuleSession session(sim.devicePath(), 9600);
        const double cpu0 = now(CLOCK_PROCESS_CPUTIME_ID);
        const double t0 = now(CLOCK_MONOTONIC);
        const auto signal = session.readSignal();
        const double wall = now(CLOCK_MONOTONIC) - t0;
        const double cpu = now(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        worstShare = std::max(worstShare, cpu / wall);
        std::printf("| %d | %.4f | %.6f | %.3f %% |\n", round, wall, cpu, cpu / wall * 100);
        if (signal.failure != moduleprotocol::Failure::BadAnswer)
            return 1;
    }
    std::printf("\nworst: %.3f %% of one core (%s)\n", worstShare * 100, worstShare < 0.02 ? "under 2 %" : "OVER 2 %");
    return 0;
}
