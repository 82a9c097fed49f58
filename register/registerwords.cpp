#include "register/registerwords.h"

#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "register/registertext.h"
#include "register/versionchanges.h"

namespace siteregister {

QString commandText(const QString &command)
{
    if (command == QLatin1String("download"))
        return Text::tr("betöltés");
    if (command == QLatin1String("readout"))
        return Text::tr("kiolvasás");
    if (command == QLatin1String("verify"))
        return Text::tr("ellenőrzés");
    return command;
}

QString resultText(const QString &result)
{
    if (result == QLatin1String("ok"))
        return Text::tr("sikeres");
    if (result == QLatin1String("differs"))
        return Text::tr("eltér");
    if (result == QLatin1String("failed"))
        return Text::tr("sikertelen");
    if (result == QLatin1String("interrupted"))
        return Text::tr("megszakítva");
    return result;
}

QString programText(const QString &program, const QString &version)
{
    const QString name = program == QLatin1String("window") ? QStringLiteral("kordavo") : QStringLiteral("kordavo-cli");
    return version.isEmpty() ? name : name + QLatin1Char(' ') + version;
}

QString modelText(int memory)
{
    if (memory <= 0)
        return Text::tr("nem ismert");
    const modulemodel::Model model = modulemodel::modelFor(memory);
    if (!modulemodel::isKnownMemory(memory))
        return Text::tr("ismeretlen (%1)").arg(memory);
    return model.reduced ? Text::tr("%1 számos, egyszerűsített").arg(model.entries) : Text::tr("%1 számos").arg(model.entries);
}

QString foldedName(const QString &name)
{
    QString plain;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    }
    return plain.toCaseFolded();
}

QString siteLabel(const SiteSummary &site)
{
    return QStringLiteral("%1 [%2]").arg(site.name).arg(site.id);
}

QString placeText(const NumberPlace &place)
{
    return Text::tr("%1 [%2], %3. változat: %4: %5")
        .arg(place.siteName)
        .arg(place.siteId)
        .arg(place.version)
        .arg(generalfields::telephoneFieldName(place.position),
             entryText({place.alarm, place.output, place.number}));
}

} // namespace siteregister
