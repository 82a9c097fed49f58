// The worker that the window's device commands talk to their module on:
// off the GUI thread, one session (and port) for the whole command, the GUI
// thread's event loop running while it waits, progress before the result,
// and a cancel that stops the operation. Against the module in-process.

#include "support/inprocessmodule.h"
#include "support/testsupport.h"

#include "serial/moduleworker.h"

#include <QtCore/QSemaphore>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>

using Step = moduleoperations::Status::Step;

class TestModuleWorker : public QObject
{
    Q_OBJECT

private slots:
    void statusOnTheWorkerWithTheLinesWaits();
    void everyStepShownBeforeTheResult();
    void portHeldFromFirstExchangeToTheEnd();
    void windowRunsWhileAnOperationWaits();
    void cancelStopsBeforeTheLine();
    void noSuchPort();
};

void TestModuleWorker::statusOnTheWorkerWithTheLinesWaits()
{
    SimulatorOptions options;
    options.memorySize = 128;
    options.outputs = 0x5;
    InProcessModule module(options);
    ModuleWorker worker(module.devicePath(), 1200);
    QList<Step> steps;
    int bytesCounted = 0;
    QVERIFY(connect(&worker, &ModuleWorker::statusStep, this,
                    [&steps](const moduleoperations::Status &soFar) { steps << soFar.reached; }));
    QVERIFY(connect(&worker, &ModuleWorker::readProgress, this, [&bytesCounted](int step) { bytesCounted += step; }));

    const moduleoperations::Status status = worker.status();

    QVERIFY(status.ok());
    QCOMPARE(status.memory, 128);
    QVERIFY(status.states.outputs.isOn(1) && status.states.outputs.isOn(3));
    // Each step and every byte was shown before the result came back.
    QCOMPARE(steps, (QList<Step>{Step::States, Step::Signal}));
    QVERIFY2(bytesCounted > 14, qPrintable(QString::number(bytesCounted)));
    QCOMPARE(module.received(), QByteArray("~|~R~S"));
    // The waits on the line are the module's: 200 ms, then 5 s for "~S".
    QCOMPARE(module.readWaits(), (QList<int>{200, 200, 5000}));
    QCOMPARE(module.openedOn().size(), 1);
    QVERIFY(!module.openedOn().contains(QThread::currentThread()));
}

void TestModuleWorker::everyStepShownBeforeTheResult()
{
    // A window that comes up on the first step (as a progress window does)
    // wakes the waiting loop while the module has long answered everything.
    InProcessModule module;
    module.enterProgramMode();
    for (int round = 0; round < 20; ++round) {
        ModuleWorker worker(module.devicePath(), 1200);
        QDialog shown;
        QList<Step> steps;
        int bytesCounted = 0;
        QVERIFY(connect(&worker, &ModuleWorker::statusStep, this,
                        [&steps, &shown](const moduleoperations::Status &soFar) {
                            steps << soFar.reached;
                            shown.show();
                            QThread::msleep(20);
                        }));
        QVERIFY(connect(&worker, &ModuleWorker::readProgress, this, [&bytesCounted](int step) { bytesCounted += step; }));
        QVERIFY(worker.status().ok());
        QCOMPARE(steps, (QList<Step>{Step::States, Step::Signal}));
        QVERIFY2(bytesCounted > 14, qPrintable(QString::number(bytesCounted)));
    }
}

void TestModuleWorker::portHeldFromFirstExchangeToTheEnd()
{
    SimulatorOptions options;
    options.outputs = 0x9;
    InProcessModule module(options);
    {
        ModuleWorker worker(module.devicePath(), 1200);
        QVERIFY(worker.identify().inProgramMode());
        const auto states = worker.outputStates();
        QVERIFY(states.ok());
        QCOMPARE(states.value.outputs.text(), QStringLiteral("1001"));
        // Nothing else gets the port while the user decides.
        QVERIFY(module.lineOpen());
        QCOMPARE(worker.setOutputs(*OutputMask::fromText(QStringLiteral("0100"))), moduleprotocol::Failure::None);
        QVERIFY(module.lineOpen());
    }
    QVERIFY(!module.lineOpen());
    QCOMPARE(module.received(), QByteArray("~|~R~2"));
    QCOMPARE(module.outputs(), quint8(0x2));
    // One opening for every exchange.
    QCOMPARE(module.opens(), 1);
    QCOMPARE(module.readWaits(), (QList<int>{200, 200, 200}));
}

void TestModuleWorker::windowRunsWhileAnOperationWaits()
{
    InProcessModule module;
    ModuleWorker worker(module.devicePath(), 1200);
    // The operation goes on only once the GUI thread's timer has run; had the
    // GUI thread waited without its event loop, it would give up.
    QSemaphore timerRan;
    QTimer::singleShot(50, this, [&timerRan] { timerRan.release(); });
    const bool released =
        worker.perform([&timerRan](moduleprotocol::ModuleSession &, const moduleoperations::Control &) {
            return timerRan.tryAcquire(1, 5000);
        });
    QVERIFY(released);
}

void TestModuleWorker::cancelStopsBeforeTheLine()
{
    InProcessModule module;
    ModuleWorker worker(module.devicePath(), 1200);
    worker.cancel();
    QCOMPARE(worker.identify().failure, moduleprotocol::Failure::Cancelled);
    const moduleoperations::Status status = worker.status();
    QCOMPARE(status.failure, moduleprotocol::Failure::Cancelled);
    QCOMPARE(module.received(), QByteArray());
}

void TestModuleWorker::noSuchPort()
{
    InProcessModule module;
    ModuleWorker worker(QStringLiteral("/dev/kordavo-no-such-port"), 1200);
    QCOMPARE(worker.identify().failure, moduleprotocol::Failure::PortNotOpened);
    QCOMPARE(worker.leave(), moduleprotocol::Failure::PortNotOpened);
    QVERIFY(module.openedOn().isEmpty());
}

KORDAVO_TEST_MAIN(TestModuleWorker)
#include "tst_moduleworker.moc"
