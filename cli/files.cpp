#include "cli/files.h"

#include "cli/clitext.h"
#include "document/configfile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace cli {

std::optional<LoadedFile> loadFile(const QString &path, Streams &streams)
{
    QFile file(path);
    if (!QFileInfo::exists(path) || !file.open(QIODevice::ReadOnly)) {
        streams.err << Text::tr("A fájl nem létezik vagy nem olvasható: %1")
                           .arg(path)
                    << '\n';
        return std::nullopt;
    }
    LoadedFile loaded;
    loaded.bytes = file.read(configfile::kMaxBytesScanned);
    file.close();
    loaded.lines = configfile::readFile(path);
    const std::optional<Configuration> configuration = configfile::fromLines(loaded.lines);
    if (!configuration) {
        streams.err << Text::tr("Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).")
                           .arg(path)
                           .arg(configfile::kConfigurationLines)
                    << '\n';
        return std::nullopt;
    }
    loaded.configuration = *configuration;
    return loaded;
}

int refuseOverwrite(const QString &path, const Options &o, Streams &streams)
{
    if (!QFileInfo::exists(path) || o.force)
        return kSuccess;
    streams.err << Text::tr("A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.").arg(path)
                << '\n';
    return kUsage;
}

} // namespace cli
