// Any bytes as what the tool sends to the simulated module: the module's
// command handling keeps 28 + N records of 16 characters whatever arrives,
// and answers only what its commands answer.

#include "document/modulemodel.h"
#include "sim/modulesimulator.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const int memories[] = {32, 128, 31, 127};
    SimulatorOptions options;
    options.memorySize = memories[data[0] % 4];
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const ModuleSimulator::Offline served = ModuleSimulator::serveOffline(options, input);

    const int entries = modulemodel::modelFor(options.memorySize).entries;
    if (served.records.size() != 28 + entries)
        std::abort();
    for (const QString &record : served.records) {
        if (record.size() != 16)
            std::abort();
    }
    // Without "~" nothing is a command, and nothing is answered.
    if (!input.contains('~') && !served.answers.isEmpty())
        std::abort();
    return 0;
}
