#include "sheet/sheetsources.h"

#include "document/configfile.h"
#include "document/modulemodel.h"
#include "register/registerwords.h"
#include "register/siteregister.h"
#include "register/transferrecord.h"
#include "sheet/sheettext.h"
#include "transfer/configimage.h"

#include <QtCore/QBuffer>

namespace handover {

namespace {

using namespace siteregister;

QString shownTime(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

std::optional<Configuration> configurationOfFile(const QByteArray &krv)
{
    QBuffer buffer;
    buffer.setData(krv);
    if (krv.isEmpty() || !buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    return configfile::fromLines(configfile::readLines(buffer));
}

QString placeOf(const SiteSummary &site)
{
    return siteLabel(site);
}

} // namespace

QString keptInstallerName(SiteRegister *site)
{
    return site ? site->installerName(currentLogin()) : QString();
}

std::optional<Sheet> sheetOfVersion(SiteRegister &site, qint64 siteId, int version, QString *problem)
{
    const std::optional<SiteSummary> summary = site.site(siteId);
    if (!summary) {
        *problem = site.problem();
        return std::nullopt;
    }
    const std::optional<StoredVersion> stored = site.version(siteId, version);
    if (!stored) {
        *problem = site.problem();
        return std::nullopt;
    }
    if (!stored->info.hasCopy) {
        *problem = Text::tr("a(z) %1. változatról nincs másolat (sikertelen átvitel, vagy régen törlődött)").arg(version);
        return std::nullopt;
    }
    const modulemodel::Model model = modulemodel::modelFor(stored->info.memory);
    Sheet sheet;
    // The file keeps the names as typed (ő, ű), which the module holds as ö, ü.
    if (const std::optional<Configuration> file = configurationOfFile(stored->krv))
        sheet.configuration = file->fittedTo(model);
    else if (const std::optional<Configuration> held = configimage::parseImage(stored->image, model.entries))
        sheet.configuration = *held;
    sheet.site = placeOf(*summary);
    sheet.siteName = summary->name;
    sheet.address = summary->address;
    sheet.memory = stored->info.memory;
    sheet.identification = stored->info.identification;
    sheet.source = Text::tr("%1. változat (%2, %3, %4@%5)")
                       .arg(version)
                       .arg(commandText(stored->info.command), shownTime(stored->info.time), stored->info.login,
                            stored->info.host);

    int previous = 0;
    for (const VersionInfo &info : site.history(siteId)) {
        if (info.version < version && info.hasCopy)
            previous = info.version;
    }
    if (previous == 0) {
        sheet.changesNote = Text::tr("Ez a telephely első megőrzött változata.");
    } else if (const std::optional<QList<VersionChange>> changes = site.changes(siteId, previous, version)) {
        sheet.changes = *changes;
        sheet.changesNote = Text::tr("A(z) %1. változathoz képest:").arg(previous);
    } else {
        sheet.changesNote = Text::tr("A változások nem olvashatók: %1.").arg(site.problem());
    }
    sheet.installer = keptInstallerName(&site);
    sheet.date = QDate::currentDate();
    return sheet;
}

Sheet sheetOfConfiguration(SiteRegister *site, const Configuration &configuration, int memory,
                           const QString &identification, const QString &source)
{
    Sheet sheet;
    sheet.memory = memory;
    sheet.identification = identification;
    sheet.source = source;
    sheet.date = QDate::currentDate();
    std::optional<SiteSummary> summary;
    if (!site) {
        sheet.changesNote = Text::tr("A nyilvántartás ki van kapcsolva.");
    } else {
        summary = site->siteOfConfiguration(configuration, memory > 0 ? memory : modulemodel::kLargeMemory, identification);
        if (!summary)
            sheet.changesNote = site->isOpen() ? Text::tr("A modul nincs a nyilvántartásban.")
                                               : Text::tr("A nyilvántartás nem érhető el: %1.").arg(site->problem());
    }
    if (summary) {
        sheet.site = placeOf(*summary);
        sheet.siteName = summary->name;
        sheet.address = summary->address;
        if (sheet.memory <= 0)
            sheet.memory = summary->memory;
    }
    sheet.configuration = sheet.memory > 0 ? configuration.fittedTo(modulemodel::modelFor(sheet.memory))
                                           : configuration.fittedToForm();
    sheet.installer = keptInstallerName(site);
    if (!summary)
        return sheet;

    const std::optional<StoredVersion> latest = site->latestCopy(summary->id);
    if (!latest) {
        sheet.changesNote = Text::tr("A telephelynek nincs megőrzött változata.");
        return sheet;
    }
    const modulemodel::Model model = modulemodel::modelFor(sheet.memory);
    const configimage::BuildResult built = configimage::buildImage(sheet.configuration, model.entries);
    if (!built.ok()) {
        sheet.changesNote = Text::tr("A változások nem számíthatók: a(z) „%1” mező üres.")
                                .arg(generalfields::generalFieldName(built.emptyField));
        return sheet;
    }
    sheet.changes = versionChanges(latest->image, latest->info.memory, configimage::asSent(built.image), sheet.memory);
    sheet.changesNote = Text::tr("A nyilvántartott %1. változathoz képest (%2):")
                            .arg(latest->info.version)
                            .arg(shownTime(latest->info.time));
    return sheet;
}

} // namespace handover
