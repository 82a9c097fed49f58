#include "register/siteregister.h"

#include "register/numberkey.h"
#include "register/registerdatabase.h"
#include "register/registertext.h"

#include <QtCore/QAtomicInteger>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QThread>

// The register's connection: opening a SQLite file or a PostgreSQL server
// within its bounds, the schema, each statement prepared once, and what a
// database's error means for the user.

namespace siteregister {

namespace {

QAtomicInteger<quint64> connectionCounter;

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
        if (!switchToWal()) {
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

// Switching a file to WAL reads its header and then writes it, and SQLite
// does not wait for another writer once it reads: a program that finds
// another making the same new file hears "busy" at once. So it tries again,
// within the time a writer waits for another.
bool SiteRegister::Private::switchToWal()
{
    const QDeadlineTimer deadline(kBusyMilliseconds);
    while (!exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
        const int code = sqliteCode(lastError);
        if ((code != kBusy && code != kLocked) || deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    // What a try before said is over.
    problem.clear();
    lastError = QSqlError();
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

bool SiteRegister::Private::openQueue()
{
    if (!queue) {
        Location local;
        local.kind = Location::Kind::Local;
        local.path = location.queuePath;
        queue = std::make_unique<SiteRegister>(local);
    }
    return queue->open();
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

} // namespace siteregister
