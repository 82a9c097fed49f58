// Downloads that go wrong: a silent or unwilling module, a module that does
// not acknowledge, the line vanishing halfway, and the window going away
// while the worker still runs.

#include "support/testsupport.h"

#include "transfertesthelpers.h"

#include <QtCore/QRegularExpression>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

class TestDownloadFailures : public QObject
{
    Q_OBJECT

private slots:
    void moduleDoesNotGetReady_data();
    void moduleDoesNotGetReady();
    void moduleDoesNotAcknowledge();
    void lineVanishesDuringTransfer();
    void reasonNamesTheRecordWhereTheLineWent();
    void windowDestroyedDuringTransfer();
};

void TestDownloadFailures::moduleDoesNotGetReady_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("silent") << int(Fault::Silent);
    QTest::newRow("answer without R") << int(Fault::NoReadyAnswer);
}

void TestDownloadFailures::moduleDoesNotGetReady()
{
    QFETCH(int, fault);
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    sim->setFault(Fault(fault));
    auto w = preparedWindow(prompter, sim->devicePath());

    DialogWatch watch;
    watch.tryToDismissResult = true;
    watch.pressOk = true;
    watch.arm();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    QCOMPARE(watch.reasonText, QStringLiteral("a modul nem állt készen („R”), semmi sem tárolódott"));
    QVERIFY(watch.reasonBelowResult);
    // Only OK ends the dialog, also once the result shows.
    QVERIFY(watch.resultSurvivedDismissal);
    QVERIFY2(watch.resultAtMs >= 4800 && watch.resultAtMs < 7000, qPrintable(QString::number(watch.resultAtMs)));
    QVERIFY(watch.closedAtMs >= watch.resultAtMs);
    QVERIFY(watch.lastValue < 15);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(sim->waitIdle());
    QCOMPARE(sim->received(), QByteArray("~}"));
}

void TestDownloadFailures::moduleDoesNotAcknowledge()
{
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = 128;
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    const QStringList before = sim->storedRecords();
    sim->setFault(Fault::NoAck);
    auto w = preparedWindow(prompter, sim->devicePath(), 128);

    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    QCOMPARE(watch.reasonText, QStringLiteral("a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)"));
    QVERIFY(watch.reasonBelowResult);
    QVERIFY2(watch.resultAtMs >= 9500 && watch.resultAtMs < 13000, qPrintable(QString::number(watch.resultAtMs)));
    QCOMPARE(watch.lastValue, 2667);
    QVERIFY(watch.closedAtMs >= watch.resultAtMs);
    QCOMPARE(sim->received().size(), 2 + 2653);
    QVERIFY(sim->received().endsWith("\r\r"));
    QCOMPARE(sim->storedRecords(), before);
}

void TestDownloadFailures::lineVanishesDuringTransfer()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    const QStringList before = sim->storedRecords();
    sim->setFault(Fault::DropDuringTransfer);
    auto w = preparedWindow(prompter, sim->devicePath());

    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    QElapsedTimer clock;
    clock.start();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    // The module cut the line once it had half the records; a pseudo-terminal
    // takes the rest without a word (a pulled adapter's port fails at once),
    // so the tool can name only the records it sent before it noticed.
    static const QRegularExpression lost(
        QStringLiteral("^a vonal megszakadt a betöltés közben, a\\(z\\) 60 rekordból (\\d+) elment; a tárolás nem ismert$"));
    const QRegularExpressionMatch match = lost.match(watch.reasonText);
    QVERIFY2(match.hasMatch(), qPrintable(watch.reasonText));
    QVERIFY2(match.captured(1).toInt() >= 30, qPrintable(watch.reasonText));
    // The READY answer's silent wait, then no more waiting on a dead line.
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(prompter.messages.isEmpty());
    // The module dropped the half it got.
    QCOMPARE(sim->storedRecords(), before);
}

void TestDownloadFailures::reasonNamesTheRecordWhereTheLineWent()
{
    // In-process the line goes at once when the module has half the records:
    // exactly 30 of 60 went out whole.
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    const QStringList before = sim->storedRecords();
    sim->setFault(Fault::DropDuringTransfer);
    auto w = preparedWindow(prompter, sim->devicePath());

    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    QCOMPARE(watch.reasonText,
             QStringLiteral("a vonal megszakadt a betöltés közben, a(z) 60 rekordból 30 elment; a tárolás nem ismert"));
    QVERIFY(watch.reasonBelowResult);
    QCOMPARE(sim->received().size(), 2 + 30 * 17);
    QCOMPARE(sim->storedRecords(), before);
}

void TestDownloadFailures::windowDestroyedDuringTransfer()
{
    // A slow line, so the worker is surely in the middle of its exchange.
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.pacingBaud = 1200;
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    const QString port = sim->devicePath();
    QPointer<MainWindow> w = preparedWindow(prompter, port).release();

    QElapsedTimer clock;
    qint64 destroyTook = -1;
    int valueAtDestroy = -1;
    whenModalShows([&](QWidget *modal) {
        auto *bar = modal->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        auto *poll = new QTimer(modal);
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [&, bar] {
            if (bar->value() < 15)
                return;
            // The module has answered "R": the worker is sending or waiting.
            valueAtDestroy = bar->value();
            clock.start();
            delete w.data();   // what the end of the program does
            destroyTook = clock.elapsed();
        });
        poll->start();
    });
    w->download();   // returns once the window (and the dialog with it) is gone

    QVERIFY(w.isNull());
    QVERIFY(valueAtDestroy >= 15);
    // The worker stops between bytes; at worst it finishes one silent wait.
    QVERIFY2(destroyTook >= 0 && destroyTook < 6000, qPrintable(QString::number(destroyTook)));

    // The port was closed behind it: another command opens it again.
    ComPort again(port, 1200);
    QVERIFY(again.openPort(200, 0, 0, 0));
}

KORDAVO_TEST_MAIN(TestDownloadFailures)
#include "tst_downloadfail.moc"
