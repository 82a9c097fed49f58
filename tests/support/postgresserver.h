#pragma once

// A PostgreSQL server of its own for a test or a benchmark: made with initdb
// in a scratch folder, started with pg_ctl on a private Unix socket (no TCP),
// and stopped when the object goes. PostgreSQL refuses to run as root, so as
// root the server's commands run as nobody through setpriv, as CI needs.

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>

class ScratchPostgres
{
public:
    ScratchPostgres();
    ~ScratchPostgres();
    ScratchPostgres(const ScratchPostgres &) = delete;
    ScratchPostgres &operator=(const ScratchPostgres &) = delete;

    // Makes the cluster on first use and starts it; false with the reason.
    bool start(QString *why);
    // A fast shutdown, or an immediate one: a server that goes away.
    bool stop(bool immediate = false);
    bool isRunning() const { return running; }

    // The folder of the server's socket.
    QString socketDir() const;
    // postgresql://kordavo@localhost/<database>?host=<socket folder>
    QString url(const QString &database) const;
    bool createDatabase(const QString &name, QString *why);

    // Where Debian keeps the server's programs; empty when it is not installed.
    static QString serverBinaries();

private:
    bool runServerCommand(const QString &program, const QStringList &arguments, QString *output, int timeoutMs);

    QTemporaryDir dir;
    QString bin;
    bool initialised = false;
    bool running = false;
};

// Starts `server` or ends the test: a failure as root (CI must run it), a
// skip elsewhere when PostgreSQL is not installed.
#define KORDAVO_START_POSTGRES(server)                                                               \
    do {                                                                                            \
        QString why_;                                                                               \
        if (!(server).start(&why_)) {                                                               \
            if (runsAsRoot() || !ScratchPostgres::serverBinaries().isEmpty())                       \
                QFAIL(qPrintable(QStringLiteral("cannot start PostgreSQL: ") + why_));              \
            QSKIP(qPrintable(QStringLiteral("PostgreSQL is not installed (apt-get install postgresql): ") + why_)); \
        }                                                                                           \
    } while (false)
