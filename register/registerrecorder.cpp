#include "register/registerrecorder.h"

#include "register/siteregister.h"

#include <QtCore/QThread>

#include <future>

namespace siteregister {

// Lives on the recorder's thread with the register's connection.
class RecorderWorker : public QObject
{
public:
    explicit RecorderWorker(const Location &location) : location(location) {}

    void open()
    {
        if (!site)
            site = std::make_unique<SiteRegister>(location);
        site->open();
    }

    RecordOutcome record(const TransferRecord &record)
    {
        if (!site)
            site = std::make_unique<SiteRegister>(location);
        RecordOutcome outcome = site->record(record);
        // A problem is told once, and again only after the register has worked.
        if (outcome.problem.isEmpty()) {
            inTrouble = false;
        } else {
            outcome.tell = !inTrouble;
            inTrouble = true;
        }
        return outcome;
    }

    void close() { site.reset(); }

private:
    Location location;
    std::unique_ptr<SiteRegister> site;
    bool inTrouble = false;
};

RegisterRecorder::RegisterRecorder(const Location &location, QObject *parent) : QObject(parent), where(location)
{
    start();
}

RegisterRecorder::RegisterRecorder(const Location &location, Threading threading)
    : where(location), threading(threading)
{
    start();
}

RegisterRecorder::RegisterRecorder(QObject *parent) : QObject(parent)
{
    const std::optional<Location> location = locationFromEnvironment(&locationProblem);
    where.kind = Location::Kind::Off;
    if (location)
        where = *location;
    else
        locationProblem += QStringLiteral(" (%1)").arg(QString::fromLatin1(kEnvironmentVariable));
    start();
}

RecordOutcome RegisterRecorder::unusable()
{
    RecordOutcome outcome;
    outcome.status = locationProblem.isEmpty() ? RecordOutcome::Status::Off : RecordOutcome::Status::NotRecorded;
    outcome.problem = locationProblem;
    outcome.tell = !locationProblem.isEmpty() && !told;
    told = told || outcome.tell;
    return outcome;
}

void RegisterRecorder::start()
{
    qRegisterMetaType<siteregister::RecordOutcome>();
    if (where.kind == Location::Kind::Off)
        return;
    worker = new RecorderWorker(where);
    // Opened with the first record, after the transfer: never before it.
    if (threading == Threading::Caller)
        return;
    thread = new QThread;
    thread->setObjectName(QStringLiteral("kordavo-register"));
    worker->moveToThread(thread);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start();
    QMetaObject::invokeMethod(worker, [w = worker] { w->open(); }, Qt::QueuedConnection);
}

RegisterRecorder::~RegisterRecorder()
{
    if (!thread) {
        delete worker;
        return;
    }
    // The connection belongs to the thread: closed there, after every record handed in.
    // Queued behind every record handed in, so none is left behind.
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

const Location &RegisterRecorder::location() const
{
    return where;
}

void RegisterRecorder::record(const TransferRecord &record)
{
    if (!worker) {
        emit recorded(unusable());
        return;
    }
    if (!thread) {
        emit recorded(worker->record(record));
        return;
    }
    QMetaObject::invokeMethod(
        worker,
        [this, w = worker, record] {
            const RecordOutcome outcome = w->record(record);
            emit recorded(outcome);
        },
        Qt::QueuedConnection);
}

RecordOutcome RegisterRecorder::recordAndWait(const TransferRecord &record)
{
    if (!worker)
        return unusable();
    if (!thread)
        return worker->record(record);
    auto promise = std::make_shared<std::promise<RecordOutcome>>();
    std::future<RecordOutcome> future = promise->get_future();
    QMetaObject::invokeMethod(
        worker, [w = worker, record, promise] { promise->set_value(w->record(record)); }, Qt::QueuedConnection);
    return future.get();
}

} // namespace siteregister
