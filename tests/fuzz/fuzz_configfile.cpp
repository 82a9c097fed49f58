// Any bytes as a configuration file: the reader never fails on them, and a
// configuration that loaded is saved and loaded again unchanged.

#include "document/configuration.h"

#include <QtCore/QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const QStringList lines = configfile::readLines(file);
    if (lines.isEmpty() || lines.size() > configfile::kMaxLinesRead)
        std::abort();
    for (const QString &line : lines) {
        if (line.size() > configfile::kMaxLineBytes || line.contains(QLatin1Char('\n')))
            std::abort();
    }

    const std::optional<Configuration> loaded = configfile::fromLines(lines);
    if (bool(loaded) != (lines.size() >= configfile::kConfigurationLines))
        std::abort();
    if (!loaded)
        return 0;

    QByteArray saved = configfile::formatLines(configfile::toLines(*loaded));
    QBuffer again(&saved);
    again.open(QIODevice::ReadOnly);
    const std::optional<Configuration> reloaded = configfile::fromLines(configfile::readLines(again));
    if (!reloaded || !(*reloaded == *loaded))
        std::abort();
    return 0;
}
