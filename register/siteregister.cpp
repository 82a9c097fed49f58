#include "register/siteregister.h"

#include "document/configuration.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "register/numberkey.h"
#include "register/registerdatabase.h"
#include "register/registertext.h"
#include "transfer/configimage.h"

#include <QtCore/QBuffer>
#include <QtCore/QCryptographicHash>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>

// Recording: a transfer becomes a version of its site in one transaction,
// and a server's versions wait in the local queue until it answers.

namespace siteregister {

namespace {

constexpr int kAttempts = 3;

// --- what a record says of its site ---

// The image's records as the module holds them: 28 + N records, each with
// its separator, whatever came after them dropped.
QString canonicalImage(const QString &image, int memory)
{
    QStringList records = image.split(configimage::kSeparator);
    if (!records.isEmpty() && records.constLast().isEmpty())
        records.removeLast();
    const int count = configimage::kGeneralRecords + configimage::kReservedRecords + modulemodel::modelFor(memory).entries;
    if (records.size() > count)
        records = records.mid(0, count);
    return records.join(configimage::kSeparator) + configimage::kSeparator;
}

QString imageHash(const QString &canonical)
{
    return QString::fromLatin1(QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// Never null: the key's columns are NOT NULL.
QString trimmedRight(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text.isNull() ? QStringLiteral("") : text;
}

std::optional<Configuration> configurationOfFile(const QByteArray &krv)
{
    if (krv.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(krv);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    return configfile::fromLines(configfile::readLines(buffer));
}

struct SiteKey
{
    QString moduleId;
    QString moduleName;
    QString identification;
    QString defaultName;
};

QString placeholder(const char *objectName)
{
    for (const modulemodel::Placeholder &p : modulemodel::kReducedPlaceholders) {
        if (qstrcmp(p.objectName, objectName) == 0)
            return QString::fromLatin1(p.text);
    }
    return {};
}

// The identifier and name of a module holding `held`; a reduced module
// holds neither, and its first number stands for its name ("#3630…").
SiteKey moduleKey(const Configuration &held, int entries)
{
    SiteKey key;
    key.moduleId = trimmedRight(held.general.at(size_t(generalfields::indexOf(QStringLiteral("m_id")))));
    key.moduleName = trimmedRight(held.general.at(size_t(generalfields::indexOf(QStringLiteral("m_nev")))));
    if (key.moduleId == placeholder("m_id") && key.moduleName == placeholder("m_nev")) {
        QString first;
        for (int n = 1; n <= entries && first.isEmpty(); ++n)
            first = held.telephones.at(size_t(n - 1)).number;
        key.moduleName = QLatin1Char('#') + first;
    }
    return key;
}

// The module's identifier and name as it holds them, and its answer to "~|".
// A reduced module holds neither: its first number stands for its name.
std::optional<SiteKey> siteKey(const TransferRecord &record, const QString &canonical)
{
    const modulemodel::Model model = modulemodel::modelFor(record.memory);
    std::optional<Configuration> configuration;
    if (!canonical.isEmpty())
        configuration = configimage::parseImage(canonical, model.entries);
    const std::optional<Configuration> file = configurationOfFile(record.krv);
    if (!configuration && file) {
        // A failed download or verify: the module would hold the file as sent.
        const configimage::BuildResult built = configimage::buildImage(file->fittedTo(model), model.entries);
        if (built.ok())
            configuration = configimage::parseImage(configimage::asSent(built.image), model.entries);
    }
    if (!configuration || record.identification.isEmpty())
        return std::nullopt;
    const int nameField = generalfields::indexOf(QStringLiteral("m_nev"));
    SiteKey key = moduleKey(*configuration, model.entries);
    key.identification = record.identification;
    if (key.moduleName.startsWith(QLatin1Char('#'))) {
        key.defaultName = QStringLiteral("%1 (%2)").arg(record.identification, key.moduleName.mid(1));
        return key;
    }
    // The file's own spelling where it says the same (ő travels as ö).
    QString name = key.moduleName;
    if (file) {
        const QString fileName = trimmedRight(file->fittedTo(model).general.at(size_t(nameField)));
        if (configimage::asSent(fileName) == key.moduleName)
            name = fileName;
    }
    key.defaultName = QStringLiteral("%1 (%2)").arg(name, key.moduleId);
    return key;
}

} // namespace

QHash<int, NumberRow> numbersOfImage(const QString &canonical, int memory)
{
    QHash<int, NumberRow> numbers;
    const int entries = modulemodel::modelFor(memory).entries;
    const std::optional<Configuration> configuration = configimage::parseImage(canonical, entries);
    if (!configuration)
        return numbers;
    for (int n = 1; n <= entries; ++n) {
        const configfile::TelephoneEntry &entry = configuration->telephones.at(size_t(n - 1));
        if (!numberKey(entry.number).isEmpty())
            numbers.insert(n, {entry.number, entry.alarm, entry.output});
    }
    return numbers;
}


namespace {

QString versionText(const QString &site, int version)
{
    return Text::tr("%1, %2. változat").arg(site).arg(version);
}

} // namespace

std::optional<SiteSummary> SiteRegister::siteOfConfiguration(const Configuration &configuration, int memory,
                                                             const QString &identification)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    // The module holds the fields as a download sends them (ő as ö).
    Configuration held = configuration.fittedTo(model);
    const configimage::BuildResult built = configimage::buildImage(held, model.entries);
    if (built.ok()) {
        if (const std::optional<Configuration> parsed = configimage::parseImage(configimage::asSent(built.image), model.entries))
            held = *parsed;
    }
    const SiteKey key = moduleKey(held, model.entries);
    qint64 siteId = 0;
    {
        const Private::Settled settled{*d};
        if (!open())
            return std::nullopt;
        QSqlQuery *query = nullptr;
        const QString sql = QStringLiteral("SELECT DISTINCT site_id FROM site_keys WHERE module_id = ? AND module_name = ?");
        query = identification.isEmpty()
                    ? d->run(sql, {key.moduleId, key.moduleName})
                    : d->run(sql + QStringLiteral(" AND identification = ?"), {key.moduleId, key.moduleName, identification});
        if (!query)
            return std::nullopt;
        while (query->next()) {
            if (siteId) {
                d->problem = Text::tr("több telephely modulja viseli ezt az azonosítót és nevet");
                return std::nullopt;
            }
            siteId = query->value(0).toLongLong();
        }
        if (!siteId) {
            d->problem = Text::tr("ez a modul nincs a nyilvántartásban");
            return std::nullopt;
        }
    }
    return site(siteId);
}

// --- recording ---

// One attempt in one transaction; on failure nothing of it stays.
bool SiteRegister::Private::writeRecord(const TransferRecord &record, RecordOutcome *result)
{
    Private &d = *this;
    RecordOutcome &outcome = *result;
    QSqlDatabase database = d.db();
    QSqlQuery *query = nullptr;
    if (!d.begin())
        return false;
    const auto abort = [&d]() {
        d.rollback();
        return false;
    };

    // Delivered before (a queued version sent twice): nothing more to do.
    if (!(query = d.run(QStringLiteral("SELECT v.site_id, v.seq, s.name FROM versions v LEFT JOIN sites s ON s.id = v.site_id "
                                     "WHERE v.uid = ?"),
               {record.uid})))
        return abort();
    if (query->next()) {
        outcome.status = RecordOutcome::Status::Recorded;
        outcome.siteId = query->value(0).toLongLong();
        outcome.version = query->value(1).toInt();
        outcome.siteName = query->value(2).toString();
        outcome.text = outcome.siteId ? versionText(outcome.siteName, outcome.version) : QString();
        query->finish();
        if (!d.commit())
            return abort();
        return true;
    }

    // Only a whole image is kept: a short answer tells nothing of the site.
    const QString whole = canonicalImage(record.image, record.memory);
    const bool hasImage = !record.image.isEmpty()
                          && (record.result == TransferRecord::Result::Ok || record.result == TransferRecord::Result::Differs)
                          && configimage::parseImage(whole, modulemodel::modelFor(record.memory).entries).has_value();
    const QString canonical = hasImage ? whole : QString();
    // A verify that differs keeps what the module holds, as a file of its own.
    QByteArray krv = record.krv;
    if (hasImage && record.result == TransferRecord::Result::Differs) {
        const modulemodel::Model model = modulemodel::modelFor(record.memory);
        krv = configfile::formatLines(configfile::toLines(*configimage::parseImage(canonical, model.entries)));
    }
    const QString hash = hasImage ? imageHash(canonical) : QString();
    const std::optional<SiteKey> key = siteKey(record, canonical);
    const qint64 now = record.time.toMSecsSinceEpoch();

    qint64 siteId = 0;
    int versions = 0;
    qint64 currentVersion = 0;
    int currentSeq = 0;
    QString currentHash;
    QString siteName;
    if (key) {
        if (!(query = d.run(QStringLiteral("SELECT site_id FROM site_keys WHERE module_id = ? AND module_name = ? AND identification = ?"),
                   {key->moduleId, key->moduleName, key->identification})))
            return abort();
        if (query->next())
            siteId = query->value(0).toLongLong();
        query->finish();
        if (siteId) {
            if (!(query = d.run(QStringLiteral("SELECT name, versions, current_version, current_seq FROM sites WHERE id = ?")
                                  + schema::forUpdate(d.dialect),
                       {siteId}))
                || !query->next())
                return abort();
            siteName = query->value(0).toString();
            versions = query->value(1).toInt();
            currentVersion = query->value(2).toLongLong();
            currentSeq = query->value(3).toInt();
            query->finish();
            if (currentVersion) {
                if (!(query = d.run(QStringLiteral("SELECT image_hash FROM versions WHERE id = ?"), {currentVersion})))
                    return abort();
                if (query->next())
                    currentHash = query->value(0).toString();
                query->finish();
            }
        } else if (hasImage) {
            // Only a transfer that shows the module's content makes a site.
            if (!(query = d.run(QStringLiteral("INSERT INTO sites (name, created_at) VALUES (?, ?) RETURNING id"),
                       {key->defaultName, now}))
                || !query->next())
                return abort();
            siteId = query->value(0).toLongLong();
            siteName = key->defaultName;
            query->finish();
            if (!(query = d.run(QStringLiteral("INSERT INTO site_keys (module_id, module_name, identification, site_id) "
                                             "VALUES (?, ?, ?, ?)"),
                       {key->moduleId, key->moduleName, key->identification, siteId})))
                return abort();
        }
    }

    // A verify that finds the site's current version marks it, and adds no copy.
    if (siteId && currentVersion && record.command == TransferRecord::Command::Verify
        && record.result == TransferRecord::Result::Ok && hasImage && hash == currentHash) {
        const QString by = record.login + QLatin1Char('@') + record.host;
        if (!(query = d.run(QStringLiteral("UPDATE versions SET verified_at = ?, verified_by = ? WHERE id = ?"),
                   {now, by, currentVersion}))
            || !(query = d.run(QStringLiteral("UPDATE sites SET last_verify = ? WHERE id = ?"), {now, siteId}))
            || !d.commit())
            return abort();
        outcome.status = RecordOutcome::Status::Verified;
        outcome.siteId = siteId;
        outcome.siteName = siteName;
        outcome.version = currentSeq;
        outcome.text = Text::tr("%1: ellenőrizve").arg(versionText(siteName, currentSeq));
        return true;
    }

    const int seq = versions + 1;
    bool asInstalled = false;
    if (siteId && record.command == TransferRecord::Command::Download && record.result == TransferRecord::Result::Ok) {
        if (!(query = d.run(QStringLiteral("SELECT count(*) FROM versions WHERE site_id = ? AND as_installed = 1"), {siteId}))
            || !query->next())
            return abort();
        asInstalled = query->value(0).toInt() == 0;
        query->finish();
    }
    const QVariant site = siteId ? QVariant(siteId) : QVariant(QMetaType::fromType<qint64>());
    const QVariant seqValue = siteId ? QVariant(seq) : QVariant(QMetaType::fromType<int>());
    // An unset text is an empty one: NULL is kept for what a version lacks.
    const auto text = [](const QString &value) { return value.isNull() ? QStringLiteral("") : value; };
    if (!(query = d.run(QStringLiteral("INSERT INTO versions (uid, site_id, seq, recorded_at, login, host, program, "
                                     "program_version, command, result, message, port, identification, memory, image, "
                                     "image_hash, krv, as_installed) "
                                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
               {record.uid, site, seqValue, now, text(record.login), text(record.host), text(record.program),
                text(record.programVersion), commandName(record.command), resultName(record.result),
                text(record.message), text(record.port), text(record.identification), record.memory, nullableBytes(canonical.toUtf8(), hasImage),
                hasImage ? QVariant(hash) : QVariant(QMetaType::fromType<QString>()),
                nullableBytes(krv, hasImage), asInstalled ? 1 : 0}))
        || !query->next())
        return abort();
    const qint64 versionId = query->value(0).toLongLong();
    query->finish();

    if (siteId && hasImage) {
        // The current numbers follow the new version: only the places that changed are written.
        QHash<int, NumberRow> old;
        if (!(query = d.run(QStringLiteral("SELECT place, number, alarm_digit, output_digit FROM current_numbers WHERE site_id = ?"),
                   {siteId})))
            return abort();
        while (query->next())
            old.insert(query->value(0).toInt(), {query->value(1).toString(), query->value(2).toInt(), query->value(3).toInt()});
        query->finish();
        const QHash<int, NumberRow> fresh = numbersOfImage(canonical, record.memory);
        for (auto it = old.cbegin(); it != old.cend(); ++it) {
            if (fresh.value(it.key()) == it.value() && fresh.contains(it.key()))
                continue;
            if (!(query = d.run(QStringLiteral("DELETE FROM current_numbers WHERE site_id = ? AND place = ?"), {siteId, it.key()})))
                return abort();
        }
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
            if (old.contains(it.key()) && old.value(it.key()) == it.value())
                continue;
            if (!d.insertNumber(siteId, it.key(), it.value()))
                return abort();
        }
        const bool changed = hash != currentHash;
        const bool verifiedNow = record.command == TransferRecord::Command::Verify && record.result == TransferRecord::Result::Ok;
        if (!(query = d.run(QStringLiteral("UPDATE sites SET versions = ?, current_version = ?, current_seq = ?, memory = ?, "
                                         "identification = ?, numbers = ?, last_change = COALESCE(?, last_change), "
                                         "last_verify = COALESCE(?, last_verify) WHERE id = ?"),
                   {seq, versionId, seq, record.memory, record.identification, int(fresh.size()),
                    changed ? QVariant(now) : QVariant(QMetaType::fromType<qint64>()),
                    verifiedNow ? QVariant(now) : QVariant(QMetaType::fromType<qint64>()), siteId})))
            return abort();
        if (seq > d.keptCopies
            && !(query = d.run(QStringLiteral("UPDATE versions SET image = NULL, krv = NULL WHERE site_id = ? AND as_installed = 0 "
                                            "AND image IS NOT NULL AND seq <= ?"),
                      {siteId, seq - d.keptCopies})))
            return abort();
    } else if (siteId) {
        if (!(query = d.run(QStringLiteral("UPDATE sites SET versions = ? WHERE id = ?"), {seq, siteId})))
            return abort();
    }
    if (!d.commit())
        return abort();

    outcome.status = RecordOutcome::Status::Recorded;
    outcome.siteId = siteId;
    outcome.siteName = siteName;
    outcome.version = siteId ? seq : 0;
    if (!siteId)
        outcome.text = Text::tr("sikertelen átvitel rögzítve, telephely nélkül (a modul tartalma nem ismert)");
    else if (!hasImage)
        outcome.text = Text::tr("%1 (sikertelen, másolat nélkül)").arg(versionText(siteName, seq));
    else
        outcome.text = versionText(siteName, seq);
    return true;
}

RecordOutcome SiteRegister::record(const TransferRecord &record)
{
    const Private::Settled settled{*d};
    RecordOutcome outcome;
    if (d->location.kind == Location::Kind::Off) {
        outcome.status = RecordOutcome::Status::Off;
        return outcome;
    }
    if (!open()) {
        if (!d->server()) {
            outcome.problem = d->problem;
            return outcome;
        }
    } else {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            RecordOutcome written;
            if (d->writeRecord(record, &written)) {
                d->problem.clear();
                return written;
            }
            if (!Private::retryable(d->lastError))
                break;
        }
        if (d->readOnly && !d->server())
            d->problem = Text::tr("a(z) %1 nyilvántartás nem írható (csak olvasható)").arg(d->location.display());
        if (!d->server()) {
            outcome.problem = d->problem;
            return outcome;
        }
        // The server went away: the next record connects again.
        d->disconnect();
    }

    // What the server did not take waits in the local file.
    const QString why = d->problem;
    if (!d->openQueue()
        || !d->queue->d->exec(QStringLiteral("INSERT INTO pending (target, uid, queued_at, payload) VALUES (?, ?, ?, ?)"),
                              {d->location.display(), record.uid, QDateTime::currentMSecsSinceEpoch(), toPayload(record)})) {
        outcome.problem = Text::tr("%1; a helyi sorba sem került (%2), ez a változat elveszett")
                              .arg(why, d->queue->problem());
        return outcome;
    }
    outcome.status = RecordOutcome::Status::Queued;
    outcome.problem = Text::tr("%1; a változat a helyi sorban vár, és elküldöm, amint a szerver újra válaszol")
                          .arg(why);
    outcome.text = Text::tr("a helyi sorban vár");
    return outcome;
}

int SiteRegister::queuedCount()
{
    const Private::Settled settled{*d};
    if (!d->server()) {
        if (!open())
            return 0;
        QSqlQuery *query = nullptr;
        if (!(query = d->run(QStringLiteral("SELECT count(*) FROM pending"))) || !query->next())
            return 0;
        return query->value(0).toInt();
    }
    if (!QFileInfo::exists(d->location.queuePath))
        return 0;
    if (!d->openQueue())
        return 0;
    QSqlQuery *query = nullptr;
    if (!(query = d->queue->d->run(QStringLiteral("SELECT count(*) FROM pending WHERE target = ?"), {d->location.display()}))
        || !query->next())
        return 0;
    return query->value(0).toInt();
}

int SiteRegister::deliverQueued()
{
    const Private::Settled settled{*d};
    if (!d->server() || !d->opened || !QFileInfo::exists(d->location.queuePath))
        return 0;
    if (!d->openQueue())
        return 0;
    QList<QPair<qint64, QByteArray>> pending;
    {
        QSqlQuery *query = nullptr;
        if (!(query = d->queue->d->run(QStringLiteral("SELECT id, payload FROM pending WHERE target = ? ORDER BY id"),
                              {d->location.display()})))
            return 0;
        while (query->next())
            pending.append({query->value(0).toLongLong(), query->value(1).toByteArray()});
    }
    int delivered = 0;
    for (const auto &[id, payload] : pending) {
        const std::optional<TransferRecord> record = fromPayload(payload);
        bool done = !record;   // an unreadable entry would block the queue for good
        if (record) {
            for (int attempt = 0; attempt < kAttempts && !done; ++attempt) {
                RecordOutcome written;
                done = d->writeRecord(*record, &written);
                if (!done && !Private::retryable(d->lastError))
                    break;
            }
        }
        if (!done) {
            if (Private::connectionLost(d->lastError))
                d->disconnect();
            break;
        }
        // Sent twice at worst, if we stop right here: the uid keeps it one version.
        d->queue->d->exec(QStringLiteral("DELETE FROM pending WHERE id = ?"), {id});
        ++delivered;
    }
    return delivered;
}

} // namespace siteregister