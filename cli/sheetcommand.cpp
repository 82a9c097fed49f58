#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/files.h"
#include "cli/output.h"
#include "cli/registeraccess.h"
#include "register/registerwords.h"
#include "register/transferrecord.h"
#include "sheet/handoversheet.h"
#include "sheet/sheetsources.h"

#include <QtCore/QFileInfo>
#include <QtGui/QGuiApplication>

// kordavo-cli sheet (SITE | FILE.krv) [V] OUT.pdf: the handover sheet of a
// version in the register, or of a configuration file.

namespace cli {

namespace {

using namespace siteregister;

// A path that names a file, or one that ends in ".krv", is a file; anything
// else names a site.
bool namesFile(const QString &argument)
{
    return QFileInfo(argument).isFile() || argument.endsWith(QLatin1String(".krv"), Qt::CaseInsensitive);
}

// The register when there is one to ask; a file's sheet is made without it,
// saying why once.
std::unique_ptr<SiteRegister> registerForFile(const Options &o, Streams &streams)
{
    if (o.noRegister)
        return nullptr;
    QString why;
    const std::optional<Location> location =
        o.registerLocation.isEmpty() ? locationFromEnvironment(&why) : parseLocation(o.registerLocation, &why);
    if (location && location->kind == Location::Kind::Off)
        return nullptr;
    std::unique_ptr<SiteRegister> site = location ? std::make_unique<SiteRegister>(*location) : nullptr;
    if (!site || !site->open()) {
        streams.err << Text::tr("Nyilvántartás: %1; a lap telephely nélkül készül.").arg(site ? site->problem() : why)
                    << '\n';
        return nullptr;
    }
    return site;
}

} // namespace

int commandSheet(const Options &o, Streams &streams)
{
    if (o.positional.size() < 2 || o.positional.size() > 3) {
        streams.err << Text::tr("Hibás használat; lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    // Fonts come with a QGuiApplication, which main() makes for this command.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        streams.err << Text::tr("Az átadási lap a betűkészletekhez grafikus Qt-alkalmazást igényel.") << '\n';
        return kBadFile;
    }
    const QString source = o.positional.constFirst();
    const QString out = o.positional.constLast();
    if (int code = refuseOverwrite(out, o, streams))
        return code;

    int code = kSuccess;
    std::unique_ptr<SiteRegister> site;
    std::optional<handover::Sheet> sheet;
    if (namesFile(source)) {
        if (o.positional.size() == 3) {
            streams.err << Text::tr("Fájlnak nincs változata; lásd: kordavo-cli --help") << '\n';
            return kUsage;
        }
        const std::optional<LoadedFile> file = loadFile(source, streams);
        if (!file)
            return kBadFile;
        site = registerForFile(o, streams);
        sheet = handover::sheetOfConfiguration(site.get(), file->configuration, 0, QString(), QFileInfo(source).fileName());
    } else {
        site = openRegister(o, streams, &code);
        if (!site)
            return code;
        const std::optional<SiteSummary> named = siteNamed(*site, source, streams, &code);
        if (!named)
            return code;
        int version = 0;
        if (o.positional.size() == 3) {
            const std::optional<int> given = versionNumber(o.positional.at(1), streams);
            if (!given)
                return kUsage;
            version = *given;
        } else if (const std::optional<StoredVersion> latest = site->latestCopy(named->id)) {
            version = latest->info.version;
        } else {
            streams.err << Text::tr("%1: %2").arg(siteLabel(*named), site->problem()) << '\n';
            return site->isOpen() ? kUsage : kRegisterUnusable;
        }
        QString problem;
        sheet = handover::sheetOfVersion(*site, named->id, version, &problem);
        if (!sheet) {
            streams.err << Text::tr("%1: %2").arg(siteLabel(*named), problem) << '\n';
            return site->isOpen() ? kUsage : kRegisterUnusable;
        }
    }

    // The name given once is kept for this login; the sheets after it carry it.
    if (!o.installer.isNull()) {
        sheet->installer = o.installer.trimmed();
        if (site && !site->setInstallerName(currentLogin(), sheet->installer))
            streams.err << Text::tr("Nyilvántartás: a telepítő neve nem menthető: %1.").arg(site->problem()) << '\n';
    } else if (sheet->installer.isEmpty()) {
        streams.err << Text::tr("A lapon nincs telepítőnév; adja meg egyszer: --installer NÉV") << '\n';
    }

    QString error;
    if (!handover::writePdf(*sheet, out, &error)) {
        streams.err << Text::tr("Az átadási lap nem írható: %1 (%2)").arg(out, error) << '\n';
        return kBadFile;
    }
    const QString from = sheet->site.isEmpty() ? sheet->source : sheet->site + QStringLiteral(", ") + sheet->source;
    streams.out << Text::tr("Átadási lap: %1 – %2").arg(out, from) << '\n';
    return kSuccess;
}

} // namespace cli
