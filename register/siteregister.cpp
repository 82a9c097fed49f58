#include "register/siteregister.h"

#include "document/configuration.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "register/numberkey.h"
#include "register/registerdatabase.h"
#include "register/registertext.h"
#include "transfer/configimage.h"
#include "kordavoversion.h"

#include <QtCore/QAtomicInteger>
#include <QtCore/QBuffer>
#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSysInfo>
#include <QtCore/QUuid>

#include <cstdlib>
#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace siteregister {

namespace {

QAtomicInteger<quint64> connectionCounter;

constexpr int kAttempts = 3;

// SQLite's primary result codes that name what the user can do something about.
enum SqliteCode { kBusy = 5, kLocked = 6, kReadOnly = 8, kCorrupt = 11, kCantOpen = 14, kNotADatabase = 26 };

int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

// --- the record ---

TransferRecord TransferRecord::now(Command command, Result result)
{
    TransferRecord record;
    record.command = command;
    record.result = result;
    record.programVersion = QString::fromLatin1(kordavo::kVersion);
#if defined(Q_OS_UNIX)
    // The account itself: USER is not always set (services, su, containers).
    if (const passwd *account = getpwuid(geteuid()))
        record.login = QString::fromLocal8Bit(account->pw_name);
#endif
    if (record.login.isEmpty())
        record.login = qEnvironmentVariable("USERNAME");
    if (record.login.isEmpty())
        record.login = qEnvironmentVariable("USER");
    record.host = QSysInfo::machineHostName();
    record.time = QDateTime::currentDateTimeUtc();
    record.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return record;
}

QString commandName(TransferRecord::Command command)
{
    switch (command) {
    case TransferRecord::Command::Download:
        return QStringLiteral("download");
    case TransferRecord::Command::Readout:
        return QStringLiteral("readout");
    case TransferRecord::Command::Verify:
        return QStringLiteral("verify");
    }
    return {};
}

QString resultName(TransferRecord::Result result)
{
    switch (result) {
    case TransferRecord::Result::Ok:
        return QStringLiteral("ok");
    case TransferRecord::Result::Differs:
        return QStringLiteral("differs");
    case TransferRecord::Result::Failed:
        return QStringLiteral("failed");
    case TransferRecord::Result::Interrupted:
        return QStringLiteral("interrupted");
    }
    return {};
}

QString siteText(const SiteSummary &site)
{
    return site.name;
}

namespace {

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
    const int idField = generalfields::indexOf(QStringLiteral("m_id"));
    const int nameField = generalfields::indexOf(QStringLiteral("m_nev"));
    SiteKey key;
    key.identification = record.identification;
    key.moduleId = trimmedRight(configuration->general.at(size_t(idField)));
    key.moduleName = trimmedRight(configuration->general.at(size_t(nameField)));
    if (key.moduleId == placeholder("m_id") && key.moduleName == placeholder("m_nev")) {
        QString first;
        for (int n = 1; n <= model.entries && first.isEmpty(); ++n)
            first = configuration->telephones.at(size_t(n - 1)).number;
        key.moduleName = QLatin1Char('#') + first;
        key.defaultName = QStringLiteral("%1 (%2)").arg(record.identification, first);
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

// --- the queue's payload ---

QByteArray toPayload(const TransferRecord &r)
{
    QJsonObject o;
    o.insert(QStringLiteral("command"), commandName(r.command));
    o.insert(QStringLiteral("result"), resultName(r.result));
    o.insert(QStringLiteral("message"), r.message);
    o.insert(QStringLiteral("port"), r.port);
    o.insert(QStringLiteral("identification"), r.identification);
    o.insert(QStringLiteral("memory"), r.memory);
    o.insert(QStringLiteral("image"), r.image);
    o.insert(QStringLiteral("krv"), QString::fromLatin1(r.krv.toBase64()));
    o.insert(QStringLiteral("program"), r.program);
    o.insert(QStringLiteral("programVersion"), r.programVersion);
    o.insert(QStringLiteral("login"), r.login);
    o.insert(QStringLiteral("host"), r.host);
    o.insert(QStringLiteral("time"), r.time.toMSecsSinceEpoch());
    o.insert(QStringLiteral("uid"), r.uid);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<TransferRecord> fromPayload(const QByteArray &payload)
{
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    if (o.isEmpty())
        return std::nullopt;
    TransferRecord r;
    const QString command = o.value(QStringLiteral("command")).toString();
    for (auto c : {TransferRecord::Command::Download, TransferRecord::Command::Readout, TransferRecord::Command::Verify}) {
        if (commandName(c) == command)
            r.command = c;
    }
    const QString result = o.value(QStringLiteral("result")).toString();
    for (auto c : {TransferRecord::Result::Ok, TransferRecord::Result::Differs, TransferRecord::Result::Failed,
                   TransferRecord::Result::Interrupted}) {
        if (resultName(c) == result)
            r.result = c;
    }
    r.message = o.value(QStringLiteral("message")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.identification = o.value(QStringLiteral("identification")).toString();
    r.memory = o.value(QStringLiteral("memory")).toInt();
    r.image = o.value(QStringLiteral("image")).toString();
    r.krv = QByteArray::fromBase64(o.value(QStringLiteral("krv")).toString().toLatin1());
    r.program = o.value(QStringLiteral("program")).toString();
    r.programVersion = o.value(QStringLiteral("programVersion")).toString();
    r.login = o.value(QStringLiteral("login")).toString();
    r.host = o.value(QStringLiteral("host")).toString();
    r.time = QDateTime::fromMSecsSinceEpoch(o.value(QStringLiteral("time")).toInteger(), Qt::UTC);
    r.uid = o.value(QStringLiteral("uid")).toString();
    if (r.uid.isEmpty())
        return std::nullopt;
    return r;
}

QString versionText(const QString &site, int version)
{
    return Text::tr("%1, %2. változat").arg(site).arg(version);
}

} // namespace

// --- the connection ---

bool SiteRegister::Private::connect(int schemaTarget)
{
    problem.clear();
    readOnly = false;
    const QString driver = server() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        problem = server() ? Text::tr("a PostgreSQL-illesztő (QPSQL) hiányzik ebből a telepítésből; "
                                      "a(z) %1 nyilvántartás nem érhető el")
                                 .arg(location.display())
                           : Text::tr("az SQLite-illesztő (QSQLITE) hiányzik ebből a telepítésből");
        return false;
    }
    if (!server()) {
        const QString folder = QFileInfo(location.path).absolutePath();
        if (!QDir().mkpath(folder)) {
            problem = Text::tr("a(z) %1 mappa nem hozható létre; a nyilvántartás nem írható")
                          .arg(QDir::toNativeSeparators(folder));
            return false;
        }
        // WAL writes files beside the register: the folder must take them too.
        const QFileInfo file(location.path);
        readOnly = file.exists() && (!file.isWritable() || !QFileInfo(folder).isWritable());
    }
    connectionName = QStringLiteral("kordavo-register-%1").arg(++connectionCounter);
    bool connected = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(driver, connectionName);
        if (server()) {
            database.setHostName(location.host);
            database.setPort(location.port);
            database.setUserName(location.user);
            if (!location.password.isEmpty())
                database.setPassword(location.password);
            database.setDatabaseName(location.database);
            // The session's bounds ride along with the connection: no round trip of their own.
            database.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=kordavo;"
                                                      "options='-c statement_timeout=%2 -c lock_timeout=%3 "
                                                      "-c client_min_messages=warning'")
                                           .arg(kConnectSeconds)
                                           .arg(kStatementMilliseconds)
                                           .arg(kBusyMilliseconds));
        } else {
            database.setDatabaseName(location.path);
            database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds));
        }
        connected = database.open();
        if (!connected)
            fail(database.lastError());
    }
    // Removed only once no handle of it is left in this scope.
    if (!connected) {
        disconnect();
        return false;
    }
    if (!server()) {
        // WAL lets the window and the tool read while the other writes.
        const auto readOnlyProblem = [this] {
            problem = Text::tr("a(z) %1 nyilvántartás nem írható (csak olvasható)").arg(location.display());
        };
        if (!exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
            if (sqliteCode(lastError) != kReadOnly && sqliteCode(lastError) != kCantOpen) {
                disconnect();
                return false;
            }
            readOnly = true;
        }
        if (!exec(QStringLiteral("PRAGMA synchronous = NORMAL")) || !exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
            if (readOnly)
                readOnlyProblem();
            disconnect();
            return false;
        }
    }
    QString error;
    bool newer = false;
    bool upgraded = false;
    QSqlError databaseError;
    {
        QSqlDatabase database = db();
        upgraded = schema::upgrade(database, dialect, &error, &newer, schemaTarget);
        databaseError = database.lastError();
    }
    if (!upgraded) {
        if (newer) {
            problem = Text::tr("a(z) %1 nyilvántartást egy újabb programváltozat készítette; ez a változat nem ír bele")
                          .arg(location.display());
        } else {
            fail(databaseError.isValid() ? databaseError : lastError);
            if (problem.isEmpty() || !lastError.isValid())
                problem = Text::tr("a(z) %1 nyilvántartás nem használható (%2)").arg(location.display(), firstLine(error));
            // The upgrade's own statement errors are not kept on the connection.
            if (error.contains(QLatin1String("readonly"), Qt::CaseInsensitive))
                problem = Text::tr("a(z) %1 nyilvántartás nem írható (csak olvasható)").arg(location.display());
            else if (error.contains(QLatin1String("not a database"), Qt::CaseInsensitive)
                     || error.contains(QLatin1String("malformed"), Qt::CaseInsensitive))
                problem = Text::tr("a(z) %1 nyilvántartás sérült (%2)").arg(location.display(), firstLine(error));
            else if (readOnly)
                problem = Text::tr("a(z) %1 nyilvántartás nem írható (csak olvasható)").arg(location.display());
        }
        disconnect();
        return false;
    }
    opened = true;
    return true;
}

void SiteRegister::Private::disconnect()
{
    opened = false;
    if (!connectionName.isEmpty()) {
        {
            QSqlDatabase database = db();
            if (database.isValid())
                database.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
        connectionName.clear();
    }
    // After the driver is gone: a prepared statement dies with its
    // connection, and asking a vanished server to free it only warns.
    statements.clear();
}

bool SiteRegister::Private::insertNumber(qint64 siteId, int position, const NumberRow &row)
{
    return exec(QStringLiteral("INSERT INTO current_numbers (site_id, place, number, number_key, alarm_digit, output_digit) "
                               "VALUES (?, ?, ?, ?, ?, ?)"),
                {siteId, position, row.number, numberKey(row.number), row.alarm, row.output});
}

QSqlQuery *SiteRegister::Private::run(const QString &sql, std::initializer_list<QVariant> values)
{
    auto cached = statements.find(sql);
    if (cached == statements.end()) {
        auto query = std::make_unique<QSqlQuery>(db());
        query->setForwardOnly(true);
        if (values.size() > 0 && !query->prepare(sql)) {
            fail(query->lastError());
            return nullptr;
        }
        cached = statements.emplace(sql, std::move(query)).first;
    }
    finishAll();
    QSqlQuery *query = cached->second.get();
    int position = 0;
    for (const QVariant &value : values)
        query->bindValue(position++, value);
    if (!(values.size() > 0 ? query->exec() : query->exec(sql))) {
        fail(query->lastError());
        return nullptr;
    }
    return query;
}

void SiteRegister::Private::finishAll()
{
    for (auto &statement : statements) {
        if (statement.second->isActive())
            statement.second->finish();
    }
}

bool SiteRegister::Private::exec(const QString &sql, std::initializer_list<QVariant> values)
{
    return run(sql, values) != nullptr;
}

bool SiteRegister::Private::begin()
{
    return exec(schema::beginWrite(dialect));
}

bool SiteRegister::Private::commit()
{
    return exec(QStringLiteral("COMMIT"));
}

void SiteRegister::Private::rollback()
{
    // Its own failure says nothing new: the transaction is gone either way.
    const QSqlError kept = lastError;
    const QString said = problem;
    exec(QStringLiteral("ROLLBACK"));
    lastError = kept;
    problem = said;
}

bool SiteRegister::Private::connectionLost(const QSqlError &error)
{
    // The server gives every error of its own a SQLSTATE; one without any
    // came from the client's side of a line that broke.
    const QString state = error.nativeErrorCode();
    return error.type() == QSqlError::ConnectionError || state.isEmpty() || state.startsWith(QLatin1String("08"))
           || state.startsWith(QLatin1String("57P"));
}

bool SiteRegister::Private::retryable(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    return state == QLatin1String("23505") || state == QLatin1String("40001") || state == QLatin1String("40P01");
}

QString SiteRegister::Private::describe(const QSqlError &error) const
{
    const QString where = location.display();
    const QString what = firstLine(error.text());
    if (server()) {
        if (error.type() == QSqlError::ConnectionError || connectionLost(error))
            return Text::tr("a(z) %1 nyilvántartás nem érhető el (%2)").arg(where, what);
        return Text::tr("a(z) %1 nyilvántartás hibát jelzett (%2)").arg(where, what);
    }
    switch (sqliteCode(error)) {
    case kBusy:
    case kLocked:
        return Text::tr("a(z) %1 nyilvántartást egy másik program zárolja").arg(where);
    case kReadOnly:
        return Text::tr("a(z) %1 nyilvántartás nem írható (csak olvasható)").arg(where);
    case kCantOpen:
        return Text::tr("a(z) %1 nyilvántartás nem nyitható meg (%2)").arg(where, what);
    case kCorrupt:
    case kNotADatabase:
        return Text::tr("a(z) %1 nyilvántartás sérült (%2)").arg(where, what);
    default:
        return Text::tr("a(z) %1 nyilvántartás nem használható (%2)").arg(where, what);
    }
}

void SiteRegister::Private::fail(const QSqlError &error)
{
    lastError = error;
    problem = describe(error);
}

// --- opening ---

SiteRegister::SiteRegister(const Location &location) : d(std::make_unique<Private>())
{
    d->location = location;
    d->dialect = location.kind == Location::Kind::Server ? schema::Dialect::PostgreSQL : schema::Dialect::SQLite;
}

SiteRegister::~SiteRegister()
{
    d->queue.reset();
    d->disconnect();
}

bool SiteRegister::open()
{
    if (d->opened)
        return true;
    if (d->location.kind == Location::Kind::Off) {
        d->problem = Text::tr("a nyilvántartás ki van kapcsolva");
        return false;
    }
    if (!d->connect(schema::kVersion))
        return false;
    if (d->server())
        deliverQueued();
    return true;
}

bool SiteRegister::openAtSchema(int version)
{
    return d->connect(version);
}

bool SiteRegister::isOpen() const
{
    return d->opened;
}

const Location &SiteRegister::location() const
{
    return d->location;
}

QString SiteRegister::problem() const
{
    return d->problem;
}

void SiteRegister::setKeptCopies(int count)
{
    d->keptCopies = count;
}

int SiteRegister::schemaVersion()
{
    QString error;
    QSqlDatabase database = d->db();
    return d->opened ? schema::storedVersion(database, d->dialect, &error) : -1;
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
    if (!d->queue) {
        Location local;
        local.kind = Location::Kind::Local;
        local.path = d->location.queuePath;
        d->queue = std::make_unique<SiteRegister>(local);
    }
    if (!d->queue->open()
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
    if (!d->queue) {
        Location local;
        local.kind = Location::Kind::Local;
        local.path = d->location.queuePath;
        d->queue = std::make_unique<SiteRegister>(local);
    }
    if (!d->queue->open())
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
    if (!d->queue) {
        Location local;
        local.kind = Location::Kind::Local;
        local.path = d->location.queuePath;
        d->queue = std::make_unique<SiteRegister>(local);
    }
    if (!d->queue->open())
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
