#pragma once

// The register's tables, the same on SQLite and PostgreSQL but for the names
// of two column types and the way a writer takes its lock. The schema carries
// its version; a register made by an older program is upgraded in one
// transaction the first time a newer one opens it.

#include <QtCore/QString>
#include <QtCore/QStringList>

class QSqlDatabase;

namespace siteregister::schema {

enum class Dialect { SQLite, PostgreSQL };

// The schema this program writes.
inline constexpr int kVersion = 2;

// Starts a transaction that writes: SQLite takes its write lock at once, so
// two writers wait for each other instead of failing when one upgrades its
// read lock; PostgreSQL locks rows as it goes.
QString beginWrite(Dialect dialect);
// Appended to a SELECT whose rows the transaction then changes.
QString forUpdate(Dialect dialect);

// The statements that take a register from `version - 1` to `version`.
QStringList upgradeStatements(Dialect dialect, int version);

// The version a register holds; 0 for an empty database, -1 when it cannot be read.
int storedVersion(QSqlDatabase &db, Dialect dialect, QString *error);

// Brings the register to `target` (normally kVersion) in one transaction.
// False with the database's words in `error`; `newer` is set when the
// register was made by a newer program, which this one does not write to.
bool upgrade(QSqlDatabase &db, Dialect dialect, QString *error, bool *newer, int target = kVersion);

} // namespace siteregister::schema
