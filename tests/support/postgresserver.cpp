#include "support/postgresserver.h"

#include "support/coretestsupport.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QVersionNumber>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>

#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
const QString kUser = QStringLiteral("kordavo");

} // namespace

ScratchPostgres::ScratchPostgres() : bin(serverBinaries())
{
    // The server's own user must reach its folder.
    if (dir.isValid() && geteuid() == 0)
        (void)::chown(QFile::encodeName(dir.path()).constData(), kNobody, kNobody);
}

ScratchPostgres::~ScratchPostgres()
{
    stop();
}

QString ScratchPostgres::serverBinaries()
{
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QString best;
    for (const QString &version : versions) {
        if (!QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
            continue;
        if (best.isEmpty() || QVersionNumber::fromString(version) > QVersionNumber::fromString(best))
            best = version;
    }
    return best.isEmpty() ? QString() : QStringLiteral("/usr/lib/postgresql/%1/bin").arg(best);
}

QString ScratchPostgres::socketDir() const
{
    return dir.filePath(QStringLiteral("sock"));
}

QString ScratchPostgres::url(const QString &database) const
{
    return QStringLiteral("postgresql://%1@localhost/%2?host=%3").arg(kUser, database, socketDir());
}

bool ScratchPostgres::runServerCommand(const QString &program, const QStringList &arguments, QString *output, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    if (!startUnprivileged(process, bin + QLatin1Char('/') + program, arguments)) {
        *output = QStringLiteral("setpriv is needed to run PostgreSQL as nobody");
        return false;
    }
    const bool finished = process.waitForFinished(timeoutMs);
    *output = QString::fromLocal8Bit(process.readAll());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        *output += QStringLiteral(" (%1 did not finish)").arg(program);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool ScratchPostgres::start(QString *why)
{
    if (running)
        return true;
    if (bin.isEmpty()) {
        *why = QStringLiteral("no /usr/lib/postgresql/*/bin/initdb");
        return false;
    }
    if (!dir.isValid()) {
        *why = dir.errorString();
        return false;
    }
    const QString data = dir.filePath(QStringLiteral("data"));
    QString output;
    if (!initialised) {
        for (const QString &sub : {QStringLiteral("sock")}) {
            QDir(dir.path()).mkdir(sub);
            if (geteuid() == 0)
                (void)::chown(QFile::encodeName(dir.filePath(sub)).constData(), kNobody, kNobody);
        }
        if (!runServerCommand(QStringLiteral("initdb"),
                              {QStringLiteral("-D"), data, QStringLiteral("-U"), kUser, QStringLiteral("--auth=trust"),
                               QStringLiteral("--no-sync"), QStringLiteral("--encoding=UTF8"), QStringLiteral("--locale=C")},
                              &output, 120000)) {
            *why = QStringLiteral("initdb: ") + output;
            return false;
        }
        initialised = true;
    }
    // No TCP at all: the socket in our folder is the only way in.
    const QString options = QStringLiteral("-F -h '' -k %1").arg(socketDir());
    if (!runServerCommand(QStringLiteral("pg_ctl"),
                          {QStringLiteral("-D"), data, QStringLiteral("-l"), dir.filePath(QStringLiteral("server.log")),
                           QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
                           QStringLiteral("start")},
                          &output, 90000)) {
        QFile log(dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        *why = QStringLiteral("pg_ctl start: ") + output + QString::fromLocal8Bit(log.readAll().right(2000));
        return false;
    }
    running = true;
    return true;
}

bool ScratchPostgres::stop(bool immediate)
{
    if (!running)
        return true;
    QString output;
    const bool stopped = runServerCommand(
        QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
         immediate ? QStringLiteral("immediate") : QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
        &output, 60000);
    if (!stopped)
        qWarning("pg_ctl stop: %s", qPrintable(output));
    running = !stopped;
    return stopped;
}

bool ScratchPostgres::createDatabase(const QString &name, QString *why)
{
    const QString connection = QStringLiteral("scratch-postgres-admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(socketDir());
        db.setUserName(kUser);
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open()) {
            *why = db.lastError().text();
        } else {
            QSqlQuery query(db);
            ok = query.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
            if (!ok)
                *why = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}
