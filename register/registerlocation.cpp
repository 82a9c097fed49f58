#include "register/registerlocation.h"

#include "register/registertext.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QStandardPaths>
#include <QtCore/QUrl>
#include <QtCore/QUrlQuery>

namespace siteregister {

namespace {

const QString kProgramFolder = QStringLiteral("kordavo");
const QString kFileName = QStringLiteral("kordavo-register.sqlite");

} // namespace

QString Location::display() const
{
    switch (kind) {
    case Kind::Off:
        return QStringLiteral("off");
    case Kind::Local:
        return QDir::toNativeSeparators(path);
    case Kind::Server: {
        QString text = QStringLiteral("postgresql://");
        if (!user.isEmpty())
            text += user + QLatin1Char('@');
        if (!host.startsWith(QLatin1Char('/')))
            text += host + QLatin1Char(':') + QString::number(port);
        text += QLatin1Char('/') + database;
        if (host.startsWith(QLatin1Char('/')))
            text += QStringLiteral("?host=") + host;
        return text;
    }
    }
    return {};
}

QString defaultFolder()
{
    // AppDataLocation ends in the asking program's name (kordavo or
    // kordavo-cli); both keep their register in the window's folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString own = QCoreApplication::applicationName();
    if (!own.isEmpty() && folder.endsWith(QLatin1Char('/') + own))
        folder.chop(own.size() + 1);
    return folder + QLatin1Char('/') + kProgramFolder;
}

QString defaultLocalPath()
{
    return defaultFolder() + QLatin1Char('/') + kFileName;
}

Location defaultLocation()
{
    Location location;
    location.kind = Location::Kind::Local;
    location.path = defaultLocalPath();
    location.queuePath = location.path;
    return location;
}

std::optional<Location> parseLocation(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return defaultLocation();
    if (trimmed.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        Location off;
        off.kind = Location::Kind::Off;
        return off;
    }
    const bool server = trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
                        || trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
    if (!server) {
        if (trimmed.contains(QLatin1String("://"))) {
            *error = Text::tr("ismeretlen nyilvántartás: „%1” (postgresql://felhasználó@gép:port/adatbázis, "
                              "egy fájl útvonala vagy off)")
                         .arg(trimmed);
            return std::nullopt;
        }
        Location local;
        local.kind = Location::Kind::Local;
        local.path = QDir::cleanPath(QDir::current().absoluteFilePath(trimmed));
        local.queuePath = local.path;
        return local;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    Location location;
    location.kind = Location::Kind::Server;
    location.user = url.userName(QUrl::FullyDecoded);
    location.password = url.password(QUrl::FullyDecoded);
    location.host = url.host(QUrl::FullyDecoded);
    location.port = url.port(5432);
    location.database = url.path(QUrl::FullyDecoded).mid(1);
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        location.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("port")))
        location.port = query.queryItemValue(QStringLiteral("port")).toInt();
    if (!url.isValid() || location.database.isEmpty() || location.database.contains(QLatin1Char('/'))
        || location.port <= 0 || location.port > 65535) {
        *error = Text::tr("hibás PostgreSQL-cím: „%1” (így: postgresql://felhasználó@gép:port/adatbázis)")
                     .arg(trimmed);
        return std::nullopt;
    }
    if (location.host.isEmpty())
        location.host = QStringLiteral("localhost");
    location.queuePath = defaultLocalPath();
    return location;
}

std::optional<Location> locationFromEnvironment(QString *error)
{
    return parseLocation(qEnvironmentVariable(kEnvironmentVariable), error);
}

} // namespace siteregister
