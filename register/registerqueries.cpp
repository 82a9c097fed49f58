#include "register/siteregister.h"

#include "register/numberkey.h"
#include "register/registerdatabase.h"
#include "register/registertext.h"
#include "register/registerwords.h"


#include <algorithm>

// The questions both clients ask of the register, and the user's changes to
// its sites.

namespace siteregister {

namespace {

const QString kSiteColumns = QStringLiteral(
    "id, name, address, note, identification, memory, numbers, versions, current_seq, created_at, last_change, "
    "last_verify");

SiteSummary siteFrom(const QSqlQuery &query)
{
    SiteSummary site;
    site.id = query.value(0).toLongLong();
    site.name = query.value(1).toString();
    site.address = query.value(2).toString();
    site.note = query.value(3).toString();
    site.identification = query.value(4).toString();
    site.memory = query.value(5).toInt();
    site.numbers = query.value(6).toInt();
    site.versions = query.value(7).toInt();
    site.currentVersion = query.value(8).toInt();
    site.created = timeOf(query.value(9));
    site.lastChange = timeOf(query.value(10));
    site.lastVerify = timeOf(query.value(11));
    return site;
}

const QString kVersionColumns = QStringLiteral(
    "seq, recorded_at, login, host, program, program_version, command, result, message, port, identification, memory, "
    "CASE WHEN image IS NULL THEN 0 ELSE 1 END, as_installed, verified_at, verified_by");
constexpr int kVersionColumnCount = 16;

VersionInfo versionFrom(const QSqlQuery &query)
{
    VersionInfo v;
    v.version = query.value(0).toInt();
    v.time = timeOf(query.value(1));
    v.login = query.value(2).toString();
    v.host = query.value(3).toString();
    v.program = query.value(4).toString();
    v.programVersion = query.value(5).toString();
    v.command = query.value(6).toString();
    v.result = query.value(7).toString();
    v.message = query.value(8).toString();
    v.port = query.value(9).toString();
    v.identification = query.value(10).toString();
    v.memory = query.value(11).toInt();
    v.hasCopy = query.value(12).toInt() != 0;
    v.asInstalled = query.value(13).toInt() != 0;
    v.verified = timeOf(query.value(14));
    v.verifiedBy = query.value(15).toString();
    return v;
}

bool byName(const SiteSummary &a, const SiteSummary &b)
{
    const int order = a.name.compare(b.name, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a.id < b.id;
}

NumberPlace placeFrom(const QSqlQuery &query, int first)
{
    NumberPlace place;
    place.siteId = query.value(first).toLongLong();
    place.siteName = query.value(first + 1).toString();
    place.version = query.value(first + 2).toInt();
    place.position = query.value(first + 3).toInt();
    place.number = query.value(first + 4).toString();
    place.alarm = query.value(first + 5).toInt();
    place.output = query.value(first + 6).toInt();
    return place;
}

const QString kPlaceColumns = QStringLiteral(
    "c.site_id, s.name, s.current_seq, c.place, c.number, c.alarm_digit, c.output_digit");

} // namespace

QList<SiteSummary> SiteRegister::sites()
{
    const Private::Settled settled{*d};
    QList<SiteSummary> sites;
    if (!open())
        return sites;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT %1 FROM sites").arg(kSiteColumns))))
        return sites;
    while (query->next())
        sites.append(siteFrom(*query));
    std::sort(sites.begin(), sites.end(), byName);
    d->problem.clear();
    return sites;
}

std::optional<SiteSummary> SiteRegister::site(qint64 id)
{
    const Private::Settled settled{*d};
    if (!open())
        return std::nullopt;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT %1 FROM sites WHERE id = ?").arg(kSiteColumns), {id})))
        return std::nullopt;
    if (!query->next()) {
        d->problem = Text::tr("nincs %1. számú telephely").arg(id);
        return std::nullopt;
    }
    d->problem.clear();
    return siteFrom(*query);
}

std::optional<SiteSummary> SiteRegister::findSite(const QString &text, QList<SiteSummary> *candidates)
{
    const QString wanted = text.trimmed();
    bool isNumber = false;
    const qint64 id = wanted.toLongLong(&isNumber);
    if (isNumber)
        return site(id);
    const QList<SiteSummary> all = sites();
    if (!d->problem.isEmpty())
        return std::nullopt;
    const QString key = foldedName(wanted);
    QList<SiteSummary> whole;
    QList<SiteSummary> parts;
    for (const SiteSummary &s : all) {
        const QString name = foldedName(s.name);
        if (name == key)
            whole.append(s);
        else if (!key.isEmpty() && name.contains(key))
            parts.append(s);
    }
    const QList<SiteSummary> &fitting = whole.isEmpty() ? parts : whole;
    if (fitting.size() == 1)
        return fitting.constFirst();
    if (candidates)
        *candidates = fitting;
    d->problem = fitting.isEmpty() ? Text::tr("nincs ilyen nevű telephely: „%1”").arg(wanted)
                                   : Text::tr("több telephely neve illik erre: „%1”; adja meg a számát").arg(wanted);
    return std::nullopt;
}

QList<VersionInfo> SiteRegister::history(qint64 siteId)
{
    const Private::Settled settled{*d};
    QList<VersionInfo> versions;
    if (!open())
        return versions;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT %1 FROM versions WHERE site_id = ? ORDER BY seq").arg(kVersionColumns),
                {siteId})))
        return versions;
    while (query->next())
        versions.append(versionFrom(*query));
    d->problem.clear();
    return versions;
}

std::optional<StoredVersion> SiteRegister::version(qint64 siteId, int version)
{
    const Private::Settled settled{*d};
    if (!open())
        return std::nullopt;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT %1, image, krv FROM versions WHERE site_id = ? AND seq = ?").arg(kVersionColumns),
                {siteId, version})))
        return std::nullopt;
    if (!query->next()) {
        d->problem = Text::tr("a telephelynek nincs %1. változata").arg(version);
        return std::nullopt;
    }
    StoredVersion stored;
    stored.info = versionFrom(*query);
    stored.image = QString::fromUtf8(query->value(kVersionColumnCount).toByteArray());
    stored.krv = query->value(kVersionColumnCount + 1).toByteArray();
    d->problem.clear();
    return stored;
}

std::optional<StoredVersion> SiteRegister::latestCopy(qint64 siteId)
{
    const Private::Settled settled{*d};
    if (!open())
        return std::nullopt;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT max(seq) FROM versions WHERE site_id = ? AND image IS NOT NULL"), {siteId})))
        return std::nullopt;
    if (!query->next() || query->value(0).isNull()) {
        d->problem = Text::tr("a telephelynek nincs egyetlen megőrzött változata sem");
        return std::nullopt;
    }
    const int latest = query->value(0).toInt();
    query->finish();
    return version(siteId, latest);
}

std::optional<QList<VersionChange>> SiteRegister::changes(qint64 siteId, int a, int b)
{
    const std::optional<StoredVersion> first = version(siteId, a);
    if (!first)
        return std::nullopt;
    const std::optional<StoredVersion> second = version(siteId, b);
    if (!second)
        return std::nullopt;
    for (const StoredVersion *v : {&*first, &*second}) {
        if (!v->info.hasCopy) {
            d->problem = Text::tr("a(z) %1. változatról nincs másolat (sikertelen átvitel, vagy régen törlődött)")
                             .arg(v->info.version);
            return std::nullopt;
        }
    }
    return versionChanges(first->image, first->info.memory, second->image, second->info.memory);
}

std::optional<QList<VersionChange>> SiteRegister::changesSincePrevious(qint64 siteId, int version)
{
    const Private::Settled settled{*d};
    if (!open())
        return std::nullopt;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT max(seq) FROM versions WHERE site_id = ? AND seq < ? AND image IS NOT NULL"),
                {siteId, version}))
        || !query->next())
        return std::nullopt;
    if (query->value(0).isNull())
        return QList<VersionChange>{};
    const int previous = query->value(0).toInt();
    query->finish();
    return changes(siteId, previous, version);
}

QList<NumberPlace> SiteRegister::findNumber(const QString &number)
{
    const Private::Settled settled{*d};
    QList<NumberPlace> places;
    const QString key = numberKey(number);
    if (key.isEmpty() || !open())
        return places;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(
              QStringLiteral("SELECT %1 FROM current_numbers c JOIN sites s ON s.id = c.site_id WHERE c.number_key = ?")
                  .arg(kPlaceColumns),
              {key})))
        return places;
    while (query->next())
        places.append(placeFrom(*query, 0));
    std::sort(places.begin(), places.end(), [](const NumberPlace &a, const NumberPlace &b) {
        const int order = a.siteName.compare(b.siteName, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : (a.siteId != b.siteId ? a.siteId < b.siteId : a.position < b.position);
    });
    d->problem.clear();
    return places;
}

QList<SharedNumber> SiteRegister::sharedNumbers()
{
    const Private::Settled settled{*d};
    QList<SharedNumber> shared;
    if (!open())
        return shared;
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT c.number_key, %1 FROM current_numbers c JOIN sites s ON s.id = c.site_id "
                                      "WHERE c.number_key IN (SELECT number_key FROM current_numbers GROUP BY number_key "
                                      "HAVING count(DISTINCT site_id) > 1) ORDER BY c.number_key, s.name, c.site_id, c.place")
                           .arg(kPlaceColumns))))
        return shared;
    while (query->next()) {
        const QString key = query->value(0).toString();
        if (shared.isEmpty() || shared.constLast().key != key)
            shared.append({key, {}});
        shared.last().places.append(placeFrom(*query, 1));
    }
    d->problem.clear();
    return shared;
}

bool SiteRegister::Private::changeSite(const QString &sql, qint64 siteId, const QString &value)
{
    QSqlQuery *query = nullptr;
    if (!(query = run(sql, {value, siteId})))
        return false;
    if (query->numRowsAffected() != 1) {
        problem = Text::tr("nincs %1. számú telephely").arg(siteId);
        return false;
    }
    problem.clear();
    return true;
}

bool SiteRegister::rename(qint64 siteId, const QString &name)
{
    const Private::Settled settled{*d};
    if (name.trimmed().isEmpty()) {
        d->problem = Text::tr("a telephely neve nem lehet üres");
        return false;
    }
    return open() && d->changeSite(QStringLiteral("UPDATE sites SET name = ? WHERE id = ?"), siteId, name.trimmed());
}

bool SiteRegister::setAddress(qint64 siteId, const QString &address)
{
    const Private::Settled settled{*d};
    return open() && d->changeSite(QStringLiteral("UPDATE sites SET address = ? WHERE id = ?"), siteId, address.trimmed());
}

bool SiteRegister::setNote(qint64 siteId, const QString &note)
{
    const Private::Settled settled{*d};
    return open() && d->changeSite(QStringLiteral("UPDATE sites SET note = ? WHERE id = ?"), siteId, note);
}

bool SiteRegister::merge(qint64 from, qint64 into)
{
    const Private::Settled settled{*d};
    if (from == into) {
        d->problem = Text::tr("egy telephely nem vonható össze önmagával");
        return false;
    }
    if (!open() || !d->begin())
        return false;
    const auto abort = [this] {
        d->rollback();
        return false;
    };
    QSqlQuery *query = nullptr;
    QString address;
    QString note;
    QString fromAddress;
    QString fromNote;
    for (const qint64 id : {into, from}) {
        if (!(query = d->run(QStringLiteral("SELECT address, note FROM sites WHERE id = ?") + schema::forUpdate(d->dialect), {id})))
            return abort();
        if (!query->next()) {
            d->rollback();
            d->problem = Text::tr("nincs %1. számú telephely").arg(id);
            return false;
        }
        (id == into ? address : fromAddress) = query->value(0).toString();
        (id == into ? note : fromNote) = query->value(1).toString();
        query->finish();
    }
    if (address.isEmpty())
        address = fromAddress;
    if (!fromNote.isEmpty())
        note = note.isEmpty() ? fromNote : note + QLatin1Char('\n') + fromNote;

    // Both sites' versions in one row, numbered again by when they were made.
    QList<qint64> versionIds;
    if (!(query = d->run(QStringLiteral("SELECT id FROM versions WHERE site_id IN (?, ?) ORDER BY recorded_at, id"), {from, into})))
        return abort();
    while (query->next())
        versionIds.append(query->value(0).toLongLong());
    query->finish();
    if (!(query = d->run(QStringLiteral("UPDATE versions SET seq = NULL, site_id = ? WHERE site_id IN (?, ?)"), {into, from, into}))
        || !(query = d->run(QStringLiteral("UPDATE site_keys SET site_id = ? WHERE site_id = ?"), {into, from}))
        || !(query = d->run(QStringLiteral("DELETE FROM current_numbers WHERE site_id IN (?, ?)"), {from, into})))
        return abort();
    for (int i = 0; i < versionIds.size(); ++i) {
        if (!(query = d->run(QStringLiteral("UPDATE versions SET seq = ? WHERE id = ?"), {i + 1, versionIds.at(i)})))
            return abort();
    }

    // The summary and the current numbers from the joined versions.
    qint64 current = 0;
    int currentSeq = 0;
    int memory = 0;
    QString identification;
    QByteArray currentImage;
    QVariant lastChange;
    QVariant lastVerify;
    QString previousHash;
    if (!(query = d->run(QStringLiteral("SELECT id, seq, recorded_at, command, result, memory, identification, image_hash, "
                                      "verified_at, image FROM versions WHERE site_id = ? ORDER BY seq"),
                {into})))
        return abort();
    while (query->next()) {
        const qint64 time = query->value(2).toLongLong();
        const bool okVerify = query->value(3).toString() == QLatin1String("verify")
                              && query->value(4).toString() == QLatin1String("ok");
        if (okVerify && (lastVerify.isNull() || time > lastVerify.toLongLong()))
            lastVerify = time;
        if (!query->value(8).isNull() && (lastVerify.isNull() || query->value(8).toLongLong() > lastVerify.toLongLong()))
            lastVerify = query->value(8);
        const QString hash = query->value(7).toString();
        if (hash.isEmpty())
            continue;
        if (hash != previousHash)
            lastChange = time;
        previousHash = hash;
        current = query->value(0).toLongLong();
        currentSeq = query->value(1).toInt();
        memory = query->value(5).toInt();
        identification = query->value(6).toString();
        currentImage = query->value(9).toByteArray();
    }
    query->finish();
    int numbers = 0;
    if (current) {
        const QHash<int, NumberRow> entries = numbersOfImage(QString::fromUtf8(currentImage), memory);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            if (!d->insertNumber(into, it.key(), it.value()))
                return abort();
        }
        numbers = int(entries.size());
    }
    const QVariant currentId = current ? QVariant(current) : QVariant(QMetaType::fromType<qint64>());
    if (!(query = d->run(QStringLiteral("UPDATE sites SET address = ?, note = ?, versions = ?, current_version = ?, current_seq = ?, "
                                      "memory = ?, identification = ?, numbers = ?, last_change = ?, last_verify = ? WHERE id = ?"),
                {address, note, int(versionIds.size()), currentId, currentSeq, memory, identification, numbers,
                 lastChange.isNull() ? QVariant(QMetaType::fromType<qint64>()) : lastChange,
                 lastVerify.isNull() ? QVariant(QMetaType::fromType<qint64>()) : lastVerify, into}))
        || !(query = d->run(QStringLiteral("DELETE FROM sites WHERE id = ?"), {from})) || !d->commit())
        return abort();
    d->problem.clear();
    return true;
}

QString SiteRegister::installerName(const QString &login)
{
    const Private::Settled settled{*d};
    if (!open())
        return {};
    QSqlQuery *query = nullptr;
    if (!(query = d->run(QStringLiteral("SELECT name FROM installers WHERE login = ?"), {login})))
        return {};
    d->problem.clear();
    return query->next() ? query->value(0).toString() : QString();
}

bool SiteRegister::setInstallerName(const QString &login, const QString &name)
{
    const Private::Settled settled{*d};
    if (!open()
        || !d->exec(QStringLiteral("INSERT INTO installers (login, name) VALUES (?, ?) "
                                   "ON CONFLICT (login) DO UPDATE SET name = excluded.name"),
                    {login, name.trimmed()}))
        return false;
    d->problem.clear();
    return true;
}

} // namespace siteregister
