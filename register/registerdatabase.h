#pragma once

// Inside the register: one database connection with its dialect, the
// statements' helpers, and what a database error means for the user.
// Only register/*.cpp include this.

#include "register/registerschema.h"
#include "register/siteregister.h"

#include <QtCore/QDateTime>
#include <QtCore/QHash>
#include <QtCore/QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>

#include <initializer_list>
#include <memory>
#include <optional>
#include <unordered_map>

namespace siteregister {

// The bounds that keep a register from holding up its client.
inline constexpr int kConnectSeconds = 2;         // libpq's connect_timeout (its least)
inline constexpr int kStatementMilliseconds = 5000;
inline constexpr int kBusyMilliseconds = 2000;    // how long a writer waits for another (SQLite, PostgreSQL)

// A stored number of a site's current version.
struct NumberRow
{
    QString number;
    int alarm = 0;
    int output = 0;
    bool operator==(const NumberRow &o) const { return number == o.number && alarm == o.alarm && output == o.output; }
};
// The numbers of an image by position, those with at least one digit.
QHash<int, NumberRow> numbersOfImage(const QString &canonicalImage, int memory);

// A version as the local queue keeps it, and back; nothing for a payload
// no program of ours wrote.
QByteArray toPayload(const TransferRecord &record);
std::optional<TransferRecord> fromPayload(const QByteArray &payload);

struct SiteRegister::Private
{
    Location location;
    schema::Dialect dialect = schema::Dialect::SQLite;
    QString connectionName;
    bool opened = false;
    bool readOnly = false;   // a SQLite file we may read but not write
    QString problem;
    int keptCopies = SiteRegister::kDefaultKeptCopies;
    // The local file that queues what the server did not take.
    std::unique_ptr<SiteRegister> queue;
    // The queue's file, made and opened on first use.
    bool openQueue();

    QSqlDatabase db() const { return QSqlDatabase::database(connectionName, false); }
    bool server() const { return location.kind == Location::Kind::Server; }

    bool connect(int schemaTarget);
    // The file in WAL mode, another program making it waited for within the bound.
    bool switchToWal();
    void disconnect();

    // A statement with its values bound in order: its results, valid until
    // the next run; nothing after setting the problem. Each statement is
    // prepared once per connection, so a server sees one round trip for each run.
    QSqlQuery *run(const QString &sql, std::initializer_list<QVariant> values = {});
    // Ends every statement's reading: a SQLite statement left half read would
    // hold its snapshot, and the connection would not see other writers.
    void finishAll();
    // Every operation of SiteRegister leaves its statements finished.
    struct Settled
    {
        Private &d;
        ~Settled() { d.finishAll(); }
    };
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> statements;
    bool exec(const QString &sql, std::initializer_list<QVariant> values = {});
    bool begin();
    bool commit();
    void rollback();

    // One record in one transaction; false, with nothing of it kept, on failure.
    bool writeRecord(const TransferRecord &record, RecordOutcome *outcome);

    bool insertNumber(qint64 siteId, int position, const NumberRow &row);
    // An UPDATE of one text column of one site: false when no such site.
    bool changeSite(const QString &sql, qint64 siteId, const QString &value);

    // The user's words for what went wrong.
    void fail(const QSqlError &error);
    QString describe(const QSqlError &error) const;
    // The connection itself is gone (a server that went away).
    static bool connectionLost(const QSqlError &error);
    // Another writer got there first: the transaction is worth running again.
    static bool retryable(const QSqlError &error);
    QSqlError lastError;
};

inline QVariant msecs(const QDateTime &time)
{
    return time.isValid() ? QVariant(time.toMSecsSinceEpoch()) : QVariant(QMetaType::fromType<qint64>());
}

inline QDateTime timeOf(const QVariant &value)
{
    return value.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

// A text column that may be NULL.
inline QVariant nullableText(const QString &text)
{
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

inline QVariant nullableBytes(const QByteArray &bytes, bool present)
{
    return present ? QVariant(bytes) : QVariant(QMetaType::fromType<QByteArray>());
}

} // namespace siteregister
