#include "serial/moduleworker.h"

#include "forms/connected.h"

#include <QtCore/QEventLoop>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QWidget>

namespace {

QMutex factoryMutex;
moduleprotocol::LineFactory installedFactory;

moduleprotocol::LineFactory currentFactory()
{
    const QMutexLocker lock(&factoryMutex);
    return installedFactory;
}

// Tells whenever a window shows or hides: a modal dialog of the command may
// have come up over the main window, or gone.
class WindowWatch : public QObject
{
public:
    explicit WindowWatch(std::function<void()> changed) : changed(std::move(changed))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~WindowWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            changed();
        return false;
    }

private:
    std::function<void()> changed;
};

// A modal dialog blocks the windows below it itself; without one, the
// user's input waits for the command's end.
QEventLoop::ProcessEventsFlags waitingFlags()
{
    const bool modalShown = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        && QGuiApplication::modalWindow();
    return modalShown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
}

} // namespace

ModuleWorker::ModuleWorker(const QString &portName, int baudRate, QObject *parent)
    : QThread(parent)
    , portName(portName)
    , baudRate(baudRate)
    , lines(currentFactory())
{
    connected(connect(this, &ModuleWorker::jobEnded, this,
                      [this](quint64 job) {
                          delivered = job;
                          if (waiting)
                              waiting->quit();
                      }),
              "ModuleWorker::jobEnded");
}

ModuleWorker::~ModuleWorker()
{
    cancel();
    finish();
    wait();
}

void ModuleWorker::setLineFactory(moduleprotocol::LineFactory factory)
{
    const QMutexLocker lock(&factoryMutex);
    installedFactory = std::move(factory);
}

void ModuleWorker::cancel()
{
    cancelled = true;
}

void ModuleWorker::post(Job job)
{
    const QMutexLocker lock(&mutex);
    jobs.push_back({++posted, std::move(job)});
    changed.wakeAll();
}

void ModuleWorker::finish()
{
    const QMutexLocker lock(&mutex);
    finishing = true;
    changed.wakeAll();
}

std::optional<ModuleWorker::Queued> ModuleWorker::nextJob()
{
    QMutexLocker lock(&mutex);
    while (jobs.empty() && !finishing)
        changed.wait(&mutex);
    if (jobs.empty())
        return std::nullopt;
    Queued next = std::move(jobs.front());
    jobs.pop_front();
    return next;
}

void ModuleWorker::run()
{
    // Made here, so the port belongs to this thread for its whole life.
    moduleprotocol::ModuleSession session(portName, baudRate, lines);
    moduleoperations::Control control;
    control.cancel = &cancelled;
    control.readProgress = [this](int step) {
        emit readProgress(step);
        return true;
    };
    control.sendProgress = [this](int value) {
        emit sendProgress(value);
        return true;
    };
    while (std::optional<Queued> next = nextJob()) {
        next->job(session, control);
        {
            const QMutexLocker lock(&mutex);
            ran = next->number;
            changed.wakeAll();
        }
        // Queued behind every signal the job sent, so its results are shown first.
        emit jobEnded(next->number);
    }
}

void ModuleWorker::awaitJobs()
{
    if (!isRunning())
        start();
    const WindowWatch watch([this] {
        if (waiting)
            waiting->quit();
    });
    const quint64 awaited = posted;
    while (delivered < awaited) {
        QEventLoop loop;
        waiting = &loop;
        const int code = loop.exec(waitingFlags());
        waiting = nullptr;
        if (code < 0) {
            // The program is ending and no event loop runs any more.
            QMutexLocker lock(&mutex);
            while (ran < awaited)
                changed.wait(&mutex);
            return;
        }
    }
}

moduleoperations::Identified ModuleWorker::identify()
{
    return perform([](moduleprotocol::ModuleSession &session, const moduleoperations::Control &control) {
        return moduleoperations::identify(session, control);
    });
}

moduleoperations::Failure ModuleWorker::leave()
{
    return perform([](moduleprotocol::ModuleSession &session, const moduleoperations::Control &) {
        return moduleoperations::leave(session);
    });
}

moduleoperations::Status ModuleWorker::status()
{
    return perform([this](moduleprotocol::ModuleSession &session, const moduleoperations::Control &control) {
        return moduleoperations::status(session, control,
                                        [this](const moduleoperations::Status &soFar) { emit statusStep(soFar); });
    });
}

moduleprotocol::Result<modulereplies::IoStates> ModuleWorker::outputStates()
{
    return perform([](moduleprotocol::ModuleSession &session, const moduleoperations::Control &) {
        return moduleoperations::outputStates(session);
    });
}

moduleoperations::Failure ModuleWorker::setOutputs(OutputMask outputs)
{
    return perform([outputs](moduleprotocol::ModuleSession &session, const moduleoperations::Control &) {
        return moduleoperations::setOutputs(session, outputs);
    });
}

moduleoperations::PortListing ModuleWorker::listPorts(const moduleoperations::PortSource &source)
{
    return perform([source](moduleprotocol::ModuleSession &, const moduleoperations::Control &) {
        return moduleoperations::listPorts(source);
    });
}

moduleoperations::Found ModuleWorker::search(const QStringList &ports, quint32 waitMs)
{
    return perform([this, ports, waitMs](moduleprotocol::ModuleSession &, const moduleoperations::Control &control) {
        return moduleoperations::search(
            ports, baudRate, waitMs,
            [this, &control](const moduleoperations::SearchStep &step) {
                emit searchStep(step);
                return !control.cancelled();
            },
            lines);
    });
}

void ModuleWorker::close()
{
    perform([](moduleprotocol::ModuleSession &session, const moduleoperations::Control &) {
        session.close();
        return true;
    });
}
