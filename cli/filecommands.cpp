#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/csvlist.h"
#include "cli/filecheck.h"
#include "cli/files.h"
#include "cli/output.h"
#include "cli/wording.h"
#include "document/configfile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace cli {

int commandCheck(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 1, streams))
        return code;
    const QString path = o.positional.first();
    const configfile::PathKind kind = configfile::pathKind(path);
    if (kind == configfile::PathKind::Missing) {
        streams.err << Text::tr("A fájl nem létezik: %1").arg(path) << '\n';
        return kBadFile;
    }
    if (kind != configfile::PathKind::Regular) {
        streams.err << Text::tr("A megadott út nem fájl, hanem %1: %2").arg(pathKindText(kind), path) << '\n';
        return kBadFile;
    }
    const auto problems = filecheck::check(configfile::readFile(path));
    if (!problems) {
        streams.err << Text::tr("Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).")
                           .arg(path)
                           .arg(configfile::kConfigurationLines)
                    << '\n';
        return kBadFile;
    }
    printProblems(*problems, streams.out);
    const int faults = filecheck::faults(*problems);
    if (problems->isEmpty()) {
        streams.out << Text::tr("Nincs hibás mező.") << '\n';
        return kSuccess;
    }
    if (faults == 0) {
        streams.out << Text::tr("Nincs hibás mező; %1 megjegyzés.").arg(problems->size())
                    << '\n';
        return kSuccess;
    }
    streams.out << Text::tr("%1 hibás érték.").arg(faults) << '\n';
    return kRefused;
}

int commandExportCsv(const Options &o, Streams &streams)
{
    if (o.positional.size() != 1 && o.positional.size() != 2)
        return needPositional(o, 1, streams);
    if (o.positional.size() == 2) {
        if (int code = refuseOverwrite(o.positional.at(1), o, streams))
            return code;
    }
    const std::optional<LoadedFile> file = loadFile(o.positional.first(), streams);
    if (!file)
        return kBadFile;
    const QByteArray csv = csvlist::exportList(file->configuration, o.separator);
    if (o.positional.size() == 1) {
        // Decoding would drop the byte order mark the spreadsheet needs.
        streams.out << QChar(0xFEFF) << QString::fromUtf8(csv.mid(3));
        return kSuccess;
    }
    QString error;
    if (!configfile::writeFile(o.positional.at(1), csv, &error)) {
        streams.err << Text::tr("A fájl mentése nem sikerült: %1 (%2)")
                           .arg(o.positional.at(1), error)
                    << '\n';
        return kBadFile;
    }
    return kSuccess;
}

int commandImportCsv(const Options &o, Streams &streams)
{
    if (int code = needPositional(o, 2, streams))
        return code;
    const QString csvPath = o.positional.at(0);
    const QString krvPath = o.positional.at(1);
    QFile csvFile;
    if (!openForReading(csvFile, csvPath, streams))
        return kBadFile;
    std::optional<LoadedFile> file = loadFile(krvPath, streams);
    if (!file)
        return kBadFile;
    // One byte past the limit tells a list that is too long from one that fits.
    const QByteArray csv = csvFile.read(csvlist::kMaxBytes + 1);
    if (csv.size() > csvlist::kMaxBytes) {
        streams.err << Text::tr("A CSV túl nagy (legfeljebb %1 bájt lehet), a %2 fájl nem változott: %3")
                           .arg(csvlist::kMaxBytes)
                           .arg(krvPath, csvPath)
                    << '\n';
        return kBadFile;
    }
    const csvlist::ImportResult imported = csvlist::importList(csv);
    if (!imported.ok()) {
        streams.err << Text::tr("A CSV hibás, a %1 fájl nem változott:").arg(krvPath)
                    << '\n';
        for (const QString &error : imported.errors)
            streams.err << "  " << error << '\n';
        return kBadFile;
    }
    // An empty export or a header alone is no list: it would wipe every number.
    if (imported.rows == 0) {
        streams.err << Text::tr("A CSV-ben nincs egyetlen sor sem a telefonszámokkal, a %1 fájl nem változott: %2")
                           .arg(krvPath, csvPath)
                    << '\n';
        return kBadFile;
    }
    const csvlist::Changes changes = csvlist::compare(file->configuration.telephones, imported.telephones);
    file->configuration.telephones = imported.telephones;
    // The information lines of a default configuration come after the list.
    const QStringList lines =
        configfile::toLines(file->configuration) + file->lines.mid(configfile::kConfigurationLines);
    QString error;
    if (!configfile::writeFile(krvPath, configfile::formatLines(lines), &error)) {
        streams.err << Text::tr("A fájl mentése nem sikerült: %1 (%2)").arg(krvPath, error)
                    << '\n';
        return kBadFile;
    }
    streams.out << Text::tr("%1 szám beolvasva, %2 törölve, %3 változatlan")
                       .arg(changes.read)
                       .arg(changes.removed)
                       .arg(changes.unchanged)
                << '\n';
    if (imported.converted > 0)
        streams.out << Text::tr("%1 magyar szám nemzetközi formára alakítva („06…” és „0036…” helyett „36…”)")
                           .arg(imported.converted)
                    << '\n';
    return kSuccess;
}

} // namespace cli
