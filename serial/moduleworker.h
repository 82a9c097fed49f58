#pragma once

#include "serial/deviceoperations.h"
#include "serial/moduleprotocol.h"

#include <QtCore/QEventLoop>
#include <QtCore/QMutex>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QThread>
#include <QtCore/QWaitCondition>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

// The thread a device command of the window talks to its module on. It owns
// the command's session (the port and its lock) from the first exchange until
// it goes away, and runs the core's operations there one after another; their
// progress comes to the GUI thread through queued signals, and Mégse stops
// them at the next byte. The GUI thread waits for each operation with its
// event loop running, so the window repaints and the command's own dialogs
// answer. While none of them stands over the window, the user's clicks and
// keys wait until the command has ended, as they did when the exchanges held
// the GUI thread; once one does, it blocks the window as every modal dialog does.
class ModuleWorker : public QThread
{
    Q_OBJECT

public:
    using Job = std::function<void(moduleprotocol::ModuleSession &, const moduleoperations::Control &)>;

    ModuleWorker(const QString &portName, int baudRate, QObject *parent = nullptr);
    // Stops an operation at its next byte, lets the session close the port
    // on the worker thread, and waits for it.
    ~ModuleWorker() override;
    ModuleWorker(const ModuleWorker &) = delete;
    ModuleWorker &operator=(const ModuleWorker &) = delete;

    // The module's own operations, each waited for.
    moduleoperations::Identified identify();
    moduleoperations::Failure leave();
    // statusStep() tells of the identification and the states as they come.
    moduleoperations::Status status();
    moduleprotocol::Result<modulereplies::IoStates> outputStates();
    moduleoperations::Failure setOutputs(OutputMask outputs);
    // The ports that can be opened now: opening each takes a while.
    moduleoperations::PortListing listPorts(const moduleoperations::PortSource &source);
    // Probes the ports at the worker's speed; searchStep() tells of each.
    moduleoperations::Found search(const QStringList &ports, quint32 waitMs);
    // Closes the port; the next operation opens it again.
    void close();

    // Any other operation on the session (the transfers), waited for; its
    // result comes back as the operation gave it.
    template <typename Operation>
    auto perform(Operation operation)
    {
        using Result = std::invoke_result_t<Operation &, moduleprotocol::ModuleSession &,
                                            const moduleoperations::Control &>;
        auto result = std::make_shared<std::optional<Result>>();
        post([result, operation](moduleprotocol::ModuleSession &session,
                                 const moduleoperations::Control &control) mutable {
            result->emplace(operation(session, control));
        });
        awaitJobs();
        return std::move(result->value());
    }

    // Queues a job without waiting for it, for a caller that starts the
    // thread itself and follows it by finished() (the download's dialog).
    void post(Job job);
    // No more jobs: the thread ends once the queued ones have run.
    void finish();

    // Where sessions get their line: the serial port (empty, the default) or,
    // for tests, a simulated module in the same process. Taken by each worker
    // when it is made.
    static void setLineFactory(moduleprotocol::LineFactory factory);

public slots:
    // The running operation stops at its next byte, or once the current read
    // wait runs out on a silent line.
    void cancel();

signals:
    // An answer byte came: 1, or 0 for a CR.
    void readProgress(int step);
    // The download's progress value.
    void sendProgress(int value);
    void statusStep(const moduleoperations::Status &soFar);
    void searchStep(const moduleoperations::SearchStep &step);
    // Job number `job` (counted from 1 in the order posted) has run, and the
    // results it left are there; queued behind every signal it sent.
    void jobEnded(quint64 job);

protected:
    void run() override;

private:
    struct Queued
    {
        quint64 number;
        Job job;
    };
    std::optional<Queued> nextJob();
    // Runs the GUI thread's event loop until every job posted has run and
    // what it sent has been delivered.
    void awaitJobs();

    const QString portName;
    const int baudRate;
    const moduleprotocol::LineFactory lines;
    std::atomic<bool> cancelled{false};

    QMutex mutex;
    QWaitCondition changed;
    std::deque<Queued> jobs;
    quint64 posted = 0;       // GUI thread's count of the jobs it posted
    quint64 delivered = 0;    // the last job whose end has reached the GUI thread
    quint64 ran = 0;          // the last job the worker thread has run
    QEventLoop *waiting = nullptr;   // awaitJobs()'s loop, while it runs
    bool finishing = false;
};
