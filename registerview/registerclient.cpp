#include "registerview/registerclient.h"

#include <QtCore/QThread>

#include <memory>

// Lives on the register's thread with its connection.
class RegisterClient::Worker : public QObject
{
public:
    explicit Worker(const siteregister::Location &location) : location(location) {}

    siteregister::SiteRegister &site()
    {
        if (!connection)
            connection = std::make_unique<siteregister::SiteRegister>(location);
        return *connection;
    }
    void close() { connection.reset(); }

private:
    siteregister::Location location;
    std::unique_ptr<siteregister::SiteRegister> connection;
};

RegisterClient::RegisterClient(QObject *parent) : QObject(parent)
{
    QString why;
    const std::optional<siteregister::Location> named = siteregister::locationFromEnvironment(&why);
    if (named) {
        location = *named;
    } else {
        location.kind = siteregister::Location::Kind::Off;
        unusable = QStringLiteral("%1 (%2)").arg(why, QString::fromLatin1(siteregister::kEnvironmentVariable));
    }
    start();
}

RegisterClient::RegisterClient(const siteregister::Location &location, QObject *parent)
    : QObject(parent)
    , location(location)
{
    start();
}

void RegisterClient::start()
{
    if (location.kind == siteregister::Location::Kind::Off) {
        if (unusable.isEmpty())
            unusable = QStringLiteral("a nyilvántartás ki van kapcsolva (%1=off)")
                           .arg(QString::fromLatin1(siteregister::kEnvironmentVariable));
        return;
    }
    thread = new QThread;
    thread->setObjectName(QStringLiteral("kordavo-register-view"));
    worker = new Worker(location);
    worker->moveToThread(thread);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start();
}

RegisterClient::~RegisterClient()
{
    if (!thread)
        return;
    // The connection belongs to the thread: closed there, behind what was asked.
    QMetaObject::invokeMethod(
        worker,
        [w = worker] {
            w->close();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    thread->wait();
    delete thread;
}

void RegisterClient::post(std::function<void(siteregister::SiteRegister &)> job)
{
    if (!worker)
        return;
    QMetaObject::invokeMethod(worker, [w = worker, job = std::move(job)] { job(w->site()); }, Qt::QueuedConnection);
}

void RegisterClient::started()
{
    if (pending++ == 0)
        emit busyChanged(true);
}

void RegisterClient::done()
{
    if (--pending == 0)
        emit busyChanged(false);
}
