#pragma once

// Where the site register lives: a SQLite file on this computer (by default
// in the user's data folder), a PostgreSQL database shared by a team, or
// nowhere (recording off). Named by KORDAVO_REGISTER or the tool's
// --register / --no-register.

#include <QtCore/QString>

#include <optional>

namespace siteregister {

struct Location
{
    enum class Kind { Off, Local, Server };
    Kind kind = Kind::Local;

    // Local: the SQLite file.
    QString path;

    // Server: as libpq takes them; an empty password lets libpq find one
    // (PGPASSFILE, ~/.pgpass). A host that starts with "/" is the folder of
    // the server's Unix socket.
    QString host;
    int port = 5432;
    QString user;
    QString password;
    QString database;
    // The SQLite file whose queue holds the versions the server did not take.
    QString queuePath;

    // For messages and for the queue: the URL without a password, or the file.
    QString display() const;
};

// The data folder of the program "kordavo", which the window and the tool
// share whichever of them asks.
QString defaultFolder();
// The register file there.
QString defaultLocalPath();
Location defaultLocation();

// "off", a postgresql:// (or postgres://) URL such as
// postgresql://user@host:port/dbname or postgresql://user@/dbname?host=/run/sock,
// or the path of a SQLite file; empty means the default file. Nothing, with
// the reason for the user, for a URL that names no database.
std::optional<Location> parseLocation(const QString &text, QString *error);

// KORDAVO_REGISTER, or the default file when it is not set.
std::optional<Location> locationFromEnvironment(QString *error);

inline constexpr char kEnvironmentVariable[] = "KORDAVO_REGISTER";

} // namespace siteregister
