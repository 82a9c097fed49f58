#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/files.h"
#include "cli/output.h"
#include "cli/registeraccess.h"
#include "document/configfile.h"
#include "register/numberkey.h"
#include "register/registerlocation.h"
#include "register/registerwords.h"
#include "register/siteregister.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <algorithm>
#include <memory>
#include <optional>

// kordavo-cli register …: the site register's questions and the user's
// changes to its sites.

namespace cli {

namespace {

using namespace siteregister;

QString shownTime(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("–");
}

QJsonValue jsonTime(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

QJsonObject siteJson(const SiteSummary &site)
{
    QJsonObject o;
    o.insert(QStringLiteral("site"), site.id);
    o.insert(QStringLiteral("name"), site.name);
    o.insert(QStringLiteral("address"), site.address);
    o.insert(QStringLiteral("note"), site.note);
    o.insert(QStringLiteral("identification"), site.identification);
    o.insert(QStringLiteral("memory"), site.memory);
    o.insert(QStringLiteral("numbers"), site.numbers);
    o.insert(QStringLiteral("versions"), site.versions);
    o.insert(QStringLiteral("currentVersion"), site.currentVersion);
    o.insert(QStringLiteral("created"), jsonTime(site.created));
    o.insert(QStringLiteral("lastChange"), jsonTime(site.lastChange));
    o.insert(QStringLiteral("lastVerify"), jsonTime(site.lastVerify));
    return o;
}

QJsonObject placeJson(const NumberPlace &place)
{
    QJsonObject o;
    o.insert(QStringLiteral("site"), place.siteId);
    o.insert(QStringLiteral("name"), place.siteName);
    o.insert(QStringLiteral("version"), place.version);
    o.insert(QStringLiteral("position"), place.position);
    o.insert(QStringLiteral("number"), place.number);
    o.insert(QStringLiteral("alarmInput1"), (place.alarm & 1) != 0);
    o.insert(QStringLiteral("alarmInput2"), (place.alarm & 2) != 0);
    o.insert(QStringLiteral("output1"), (place.output & 1) != 0);
    o.insert(QStringLiteral("output2"), (place.output & 2) != 0);
    return o;
}

void printJson(Streams &streams, const QJsonValue &value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    streams.out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

int failed(SiteRegister &site, Streams &streams)
{
    streams.err << Text::tr("A nyilvántartás nem válaszolt: %1.").arg(site.problem()) << '\n';
    return kRegisterUnusable;
}

int listSites(const Options &o, SiteRegister &site, Streams &streams)
{
    const QList<SiteSummary> sites = site.sites();
    if (!site.problem().isEmpty())
        return failed(site, streams);
    if (o.json) {
        QJsonArray array;
        for (const SiteSummary &s : sites)
            array.append(siteJson(s));
        printJson(streams, array);
        return kSuccess;
    }
    if (sites.isEmpty()) {
        streams.out << Text::tr("A nyilvántartás üres.") << '\n';
        return kSuccess;
    }
    const QString nameHeader = Text::tr("Telephely");
    int width = int(nameHeader.size());
    for (const SiteSummary &s : sites)
        width = std::max(width, int(s.name.size()));
    streams.out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
                       .arg(QStringLiteral("#"), 4)
                       .arg(nameHeader, -width)
                       .arg(Text::tr("Memória"), 7)
                       .arg(Text::tr("Számok"), 6)
                       .arg(Text::tr("Változat"), 8)
                       .arg(Text::tr("Utolsó változás"), -16)
                       .arg(Text::tr("Utolsó ellenőrzés"));
    for (const SiteSummary &s : sites)
        streams.out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
                           .arg(s.id, 4)
                           .arg(visible(s.name), -width)
                           .arg(s.memory, 7)
                           .arg(s.numbers, 6)
                           .arg(s.versions, 8)
                           .arg(shownTime(s.lastChange), -16)
                           .arg(shownTime(s.lastVerify));
    return kSuccess;
}

QString versionLine(const VersionInfo &v)
{
    QStringList marks;
    if (v.asInstalled)
        marks << Text::tr("átadáskori");
    if (v.verified.isValid())
        marks << Text::tr("ellenőrizve %1 (%2)").arg(shownTime(v.verified), v.verifiedBy);
    if (!v.hasCopy)
        marks << Text::tr("másolat nélkül");
    QString line = QStringLiteral("%1. %2  %3  %4  %5  %6  %7@%8  %9")
                       .arg(v.version, 3)
                       .arg(shownTime(v.time), commandText(v.command), resultText(v.result), v.port)
                       .arg(v.memory)
                       .arg(v.login, v.host, programText(v.program, v.programVersion));
    if (v.result != QLatin1String("ok") && !v.message.isEmpty())
        line += QStringLiteral("\n       ") + v.message;
    if (!marks.isEmpty())
        line += QStringLiteral("\n       ") + marks.join(QLatin1String("; "));
    return visible(line).replace(QLatin1String("\\x0a"), QLatin1String("\n"));
}

int showHistory(const Options &o, SiteRegister &site, const SiteSummary &s, Streams &streams)
{
    const QList<VersionInfo> versions = site.history(s.id);
    if (!site.problem().isEmpty())
        return failed(site, streams);
    if (o.json) {
        QJsonArray array;
        for (const VersionInfo &v : versions) {
            QJsonObject object;
            object.insert(QStringLiteral("version"), v.version);
            object.insert(QStringLiteral("time"), jsonTime(v.time));
            object.insert(QStringLiteral("command"), v.command);
            object.insert(QStringLiteral("result"), v.result);
            object.insert(QStringLiteral("message"), v.message);
            object.insert(QStringLiteral("port"), v.port);
            object.insert(QStringLiteral("identification"), v.identification);
            object.insert(QStringLiteral("memory"), v.memory);
            object.insert(QStringLiteral("login"), v.login);
            object.insert(QStringLiteral("host"), v.host);
            object.insert(QStringLiteral("program"), v.program);
            object.insert(QStringLiteral("programVersion"), v.programVersion);
            object.insert(QStringLiteral("copy"), v.hasCopy);
            object.insert(QStringLiteral("asInstalled"), v.asInstalled);
            object.insert(QStringLiteral("verified"), jsonTime(v.verified));
            object.insert(QStringLiteral("verifiedBy"), v.verifiedBy.isEmpty() ? QJsonValue() : QJsonValue(v.verifiedBy));
            array.append(object);
        }
        QJsonObject object = siteJson(s);
        object.insert(QStringLiteral("history"), array);
        printJson(streams, object);
        return kSuccess;
    }
    streams.out << visible(siteLabel(s)) << '\n';
    if (!s.address.isEmpty())
        streams.out << Text::tr("Cím: %1").arg(visible(s.address)) << '\n';
    if (!s.note.isEmpty())
        streams.out << Text::tr("Megjegyzés: %1").arg(visible(s.note).replace(QLatin1String("\\x0a"), QLatin1String("\n  ")))
                    << '\n';
    for (const VersionInfo &v : versions)
        streams.out << versionLine(v) << '\n';
    return kSuccess;
}

int showDiff(const Options &o, SiteRegister &site, const SiteSummary &s, Streams &streams)
{
    const std::optional<int> first = versionNumber(o.positional.at(2), streams);
    if (!first)
        return kUsage;
    std::optional<int> second;
    if (o.positional.size() > 3) {
        second = versionNumber(o.positional.at(3), streams);
        if (!second)
            return kUsage;
    } else {
        const std::optional<StoredVersion> latest = site.latestCopy(s.id);
        if (!latest) {
            streams.err << site.problem() << '\n';
            return site.isOpen() ? kUsage : kRegisterUnusable;
        }
        second = latest->info.version;
    }
    const std::optional<QList<VersionChange>> changes = site.changes(s.id, *first, *second);
    if (!changes) {
        streams.err << Text::tr("%1: %2").arg(siteLabel(s), site.problem()) << '\n';
        return site.isOpen() ? kUsage : kRegisterUnusable;
    }
    streams.out << Text::tr("%1: %2. → %3. változat").arg(visible(siteLabel(s))).arg(*first).arg(*second) << '\n';
    if (changes->isEmpty()) {
        streams.out << Text::tr("nincs eltérés") << '\n';
        return kSuccess;
    }
    for (const VersionChange &change : *changes)
        streams.out << "  " << visible(change.text) << '\n';
    return kRefused;
}

int findNumber(const Options &o, SiteRegister &site, Streams &streams)
{
    const QString number = o.positional.mid(1).join(QLatin1Char(' '));
    if (numberKey(number).isEmpty()) {
        streams.err << Text::tr("Hibás telefonszám: „%1”").arg(number) << '\n';
        return kUsage;
    }
    const QList<NumberPlace> places = site.findNumber(number);
    if (!site.problem().isEmpty())
        return failed(site, streams);
    if (o.json) {
        QJsonArray array;
        for (const NumberPlace &place : places)
            array.append(placeJson(place));
        printJson(streams, array);
    } else {
        for (const NumberPlace &place : places)
            streams.out << visible(placeText(place)) << '\n';
        if (places.isEmpty())
            streams.err << Text::tr("A(z) %1 szám egyik telephely jelenlegi változatában sincs.").arg(number) << '\n';
    }
    return places.isEmpty() ? kRefused : kSuccess;
}

int sharedNumbers(const Options &o, SiteRegister &site, Streams &streams)
{
    const QList<SharedNumber> shared = site.sharedNumbers();
    if (!site.problem().isEmpty())
        return failed(site, streams);
    if (o.json) {
        QJsonArray array;
        for (const SharedNumber &number : shared) {
            QJsonArray places;
            for (const NumberPlace &place : number.places)
                places.append(placeJson(place));
            array.append(QJsonObject{{QStringLiteral("key"), number.key}, {QStringLiteral("places"), places}});
        }
        printJson(streams, array);
        return kSuccess;
    }
    for (const SharedNumber &number : shared) {
        streams.out << number.places.constFirst().number << '\n';
        for (const NumberPlace &place : number.places)
            streams.out << "  " << visible(placeText(place)) << '\n';
    }
    if (shared.isEmpty())
        streams.out << Text::tr("Nincs szám, amely több telephelyen is szerepel.") << '\n';
    return kSuccess;
}

int exportVersion(const Options &o, SiteRegister &site, const SiteSummary &s, Streams &streams)
{
    const QString path = o.positional.constLast();
    if (int code = refuseOverwrite(path, o, streams))
        return code;
    std::optional<StoredVersion> stored;
    if (o.positional.size() == 4) {
        const std::optional<int> version = versionNumber(o.positional.at(2), streams);
        if (!version)
            return kUsage;
        stored = site.version(s.id, *version);
    } else {
        stored = site.latestCopy(s.id);
    }
    if (!stored) {
        streams.err << Text::tr("%1: %2").arg(siteLabel(s), site.problem()) << '\n';
        return site.isOpen() ? kUsage : kRegisterUnusable;
    }
    if (!stored->info.hasCopy) {
        streams.err << Text::tr("%1: a(z) %2. változatról nincs másolat").arg(siteLabel(s)).arg(stored->info.version) << '\n';
        return kUsage;
    }
    QString error;
    if (!configfile::writeFile(path, stored->krv, &error)) {
        streams.err << Text::tr("a fájl mentése nem sikerült: %1 (%2)").arg(path, error) << '\n';
        return kBadFile;
    }
    streams.out << Text::tr("%1, %2. változat: %3").arg(visible(siteLabel(s))).arg(stored->info.version).arg(path) << '\n';
    return kSuccess;
}

int changeSite(const Options &o, SiteRegister &site, const SiteSummary &s, Streams &streams)
{
    const QString &what = o.positional.constFirst();
    const QString value = o.positional.mid(2).join(QLatin1Char(' '));
    if (what == QLatin1String("rename") && value.trimmed().isEmpty()) {
        streams.err << Text::tr("A telephely neve nem lehet üres.") << '\n';
        return kUsage;
    }
    bool ok = false;
    if (what == QLatin1String("rename"))
        ok = site.rename(s.id, value);
    else if (what == QLatin1String("address"))
        ok = site.setAddress(s.id, value);
    else
        ok = site.setNote(s.id, value);
    if (!ok) {
        streams.err << Text::tr("%1: %2").arg(siteLabel(s), site.problem()) << '\n';
        return kRegisterUnusable;
    }
    const std::optional<SiteSummary> changed = site.site(s.id);
    if (changed)
        streams.out << visible(siteLabel(*changed)) << '\n';
    return kSuccess;
}

int mergeSites(SiteRegister &site, const SiteSummary &from, const SiteSummary &into, Streams &streams)
{
    if (!site.merge(from.id, into.id)) {
        streams.err << Text::tr("Az összevonás nem sikerült: %1.").arg(site.problem()) << '\n';
        return from.id == into.id ? kUsage : kRegisterUnusable;
    }
    const std::optional<SiteSummary> joined = site.site(into.id);
    streams.out << Text::tr("%1 beolvadt ide: %2; %3 változat")
                       .arg(visible(siteLabel(from)), visible(siteLabel(joined.value_or(into))))
                       .arg(joined ? joined->versions : 0)
                << '\n';
    return kSuccess;
}

} // namespace

// The register this command asks, opened; nothing after a message.
std::unique_ptr<SiteRegister> openRegister(const Options &o, Streams &streams, int *code)
{
    *code = kRegisterUnusable;
    if (o.noRegister) {
        streams.err << Text::tr("A nyilvántartás ki van kapcsolva (--no-register).") << '\n';
        return nullptr;
    }
    QString why;
    const std::optional<Location> location =
        o.registerLocation.isEmpty() ? locationFromEnvironment(&why) : parseLocation(o.registerLocation, &why);
    if (!location) {
        streams.err << Text::tr("A nyilvántartás nem használható: %1 (%2).")
                           .arg(why, QString::fromLatin1(kEnvironmentVariable))
                    << '\n';
        return nullptr;
    }
    if (location->kind == Location::Kind::Off) {
        streams.err << Text::tr("A nyilvántartás ki van kapcsolva (%1=off).").arg(QString::fromLatin1(kEnvironmentVariable))
                    << '\n';
        return nullptr;
    }
    auto site = std::make_unique<SiteRegister>(*location);
    if (!site->open()) {
        streams.err << Text::tr("A nyilvántartás nem használható: %1.").arg(site->problem()) << '\n';
        return nullptr;
    }
    *code = kSuccess;
    return site;
}

// SITE: a site's number or its name; nothing after a message.
std::optional<SiteSummary> siteNamed(SiteRegister &site, const QString &text, Streams &streams, int *code)
{
    QList<SiteSummary> candidates;
    const std::optional<SiteSummary> found = site.findSite(text, &candidates);
    if (found)
        return found;
    // A register that failed on the way is another matter than an unknown name.
    *code = site.isOpen() ? kUsage : kRegisterUnusable;
    streams.err << Text::tr("Telephely: %1.").arg(site.problem()) << '\n';
    for (const SiteSummary &candidate : candidates)
        streams.err << "  " << siteLabel(candidate) << '\n';
    return std::nullopt;
}

std::optional<int> versionNumber(const QString &text, Streams &streams)
{
    bool ok = false;
    const int version = text.toInt(&ok);
    if (ok && version > 0)
        return version;
    streams.err << Text::tr("Hibás változatszám: „%1”").arg(text) << '\n';
    return std::nullopt;
}

int commandRegister(const Options &o, Streams &streams)
{
    struct Form
    {
        const char *name;
        int least;   // positional arguments after "register", the subcommand included
        int most;
    };
    static const Form forms[] = {
        {"list", 1, 1},   {"history", 2, 2}, {"diff", 3, 4},   {"find", 2, 99}, {"shared", 1, 1},
        {"export", 3, 4}, {"rename", 3, 99}, {"address", 2, 99}, {"note", 2, 99}, {"merge", 3, 3},
    };
    const QString what = o.positional.value(0);
    const auto form = std::find_if(std::begin(forms), std::end(forms),
                                   [&what](const Form &f) { return what == QLatin1String(f.name); });
    if (form == std::end(forms) || o.positional.size() < form->least || o.positional.size() > form->most) {
        streams.err << Text::tr("Hibás használat; lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    int code = kSuccess;
    const std::unique_ptr<SiteRegister> site = openRegister(o, streams, &code);
    if (!site)
        return code;
    if (what == QLatin1String("list"))
        return listSites(o, *site, streams);
    if (what == QLatin1String("find"))
        return findNumber(o, *site, streams);
    if (what == QLatin1String("shared"))
        return sharedNumbers(o, *site, streams);
    const std::optional<SiteSummary> s = siteNamed(*site, o.positional.at(1), streams, &code);
    if (!s)
        return code;
    if (what == QLatin1String("history"))
        return showHistory(o, *site, *s, streams);
    if (what == QLatin1String("diff"))
        return showDiff(o, *site, *s, streams);
    if (what == QLatin1String("export"))
        return exportVersion(o, *site, *s, streams);
    if (what == QLatin1String("merge")) {
        const std::optional<SiteSummary> into = siteNamed(*site, o.positional.at(2), streams, &code);
        return into ? mergeSites(*site, *s, *into, streams) : code;
    }
    return changeSite(o, *site, *s, streams);
}

} // namespace cli
