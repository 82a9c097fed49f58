#include "cli/files.h"

#include "cli/clitext.h"
#include "cli/wording.h"
#include "document/configfile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace cli {

bool openForReading(QFile &file, const QString &path, Streams &streams)
{
    const configfile::PathKind kind = configfile::openPlainFile(file, path);
    if (kind == configfile::PathKind::Regular && file.isOpen())
        return true;
    if (kind == configfile::PathKind::Regular || kind == configfile::PathKind::Missing)
        streams.err << Text::tr("A fájl nem létezik vagy nem olvasható: %1").arg(path) << '\n';
    else
        streams.err << Text::tr("A megadott út nem fájl, hanem %1: %2").arg(pathKindText(kind), path) << '\n';
    return false;
}

std::optional<LoadedFile> loadFile(const QString &path, Streams &streams)
{
    QFile file;
    if (!openForReading(file, path, streams))
        return std::nullopt;
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
