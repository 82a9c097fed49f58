// A module (or line noise) that never falls silent: every command gives up
// once the answer outgrows the longest one a module sends, in the line time
// of that limit, and nothing on the form changes.

#include "devicetests.h"
#include "transfertesthelpers.h"

#include "serial/modulecommands.h"

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

// Starts babbling after the next command, at the given line speed.
void startChatter(ModuleSimulator &sim, int baud)
{
    SimulatorOptions options = sim.options();
    options.fault = Fault::Chatter;
    options.pacingBaud = baud;
    sim.setOptions(options);
}

// Milliseconds that `bytes` take at `baud` (ten bits a byte).
qint64 lineTimeMs(int bytes, int baud)
{
    return qint64(bytes) * 10000 / baud;
}

} // namespace

class TestEndlessLine : public QObject
{
    Q_OBJECT

private slots:
    void readoutGivesUpAndKeepsTheForm();
    void verifyAndStatusGiveUp();
    void relayTestGivesUp();
    void downloadGivesUpAfterTheCommand();
    void programmingModeIsNotEntered();
};

void TestEndlessLine::readoutGivesUpAndKeepsTheForm()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    w->state().setBaudRate(1200);
    const FormState before = formState(*w);
    startChatter(*sim, 1200);

    QElapsedTimer clock;
    clock.start();
    w->readup();
    const qint64 elapsed = clock.elapsed();

    // The 60 records are there, but so is noise without end: no record of it
    // may reach the form.
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter.last().text,
             QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!"));
    QVERIFY(formState(*w) == before);
    const qint64 limitTime = lineTimeMs(modulecommands::kRecordsAnswerLimit, 1200);
    QVERIFY2(elapsed >= limitTime - 1000 && elapsed < limitTime + 1500, qPrintable(QString::number(elapsed)));
}

void TestEndlessLine::verifyAndStatusGiveUp()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    w->state().setBaudRate(9600);
    const FormState before = formState(*w);
    startChatter(*sim, 9600);

    QElapsedTimer clock;
    clock.start();
    w->verify();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!"));
    QVERIFY2(clock.elapsed() < lineTimeMs(modulecommands::kRecordsAnswerLimit, 9600) + 1000,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(formState(*w) == before);

    // At 1200 baud the status query gives up on the identification: about
    // two seconds, where reading to a general cap took over a minute.
    w->state().setBaudRate(1200);
    startChatter(*sim, 1200);
    const QString memoryLabel = widget<QLabel>(*w, "l_ver")->text();
    clock.restart();
    w->status();
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikertelen lekérdezés.\nEllenőrizze az eszközt!"));
    QVERIFY2(clock.elapsed() < lineTimeMs(modulecommands::kShortAnswerLimit, 1200) + 1000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), memoryLabel);
    QCOMPARE(w->state().memorySize(), 32);
}

void TestEndlessLine::relayTestGivesUp()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    w->state().setBaudRate(9600);
    startChatter(*sim, 9600);
    bool dialogShown = false;
    const auto endWatch = whenModalShows([&dialogShown](QWidget *modal) {
        dialogShown = true;
        modal->close();
    }, 3000);

    w->rele_test();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikertelen teszt.\nEllenőrizze az eszközt."));
    QVERIFY(!dialogShown);
    endWatch();
}

void TestEndlessLine::downloadGivesUpAfterTheCommand()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    w->state().setBaudRate(9600);
    startChatter(*sim, 9600);

    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    QVERIFY2(watch.resultAtMs < lineTimeMs(modulecommands::kShortAnswerLimit, 9600) + 1000,
             qPrintable(QString::number(watch.resultAtMs)));
    // "READY" came first, but the answer never ended: no record was sent.
    QCOMPARE(sim->received(), QByteArray("~}"));
}

void TestEndlessLine::programmingModeIsNotEntered()
{
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.fault = Fault::Chatter;
    options.pacingBaud = 1200;
    auto sim = devicetests::startModule(options);
    auto w = startedWindow();
    prompter.clear();

    devicetests::enterThroughMenu(*w, sim->devicePath());

    // A valid identification followed by noise is no identification: silence.
    QVERIFY(!w->state().programMode());
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(!widget(*w, "g_eszkoz")->isEnabled());
    setcom::setPortSource({});
}

KORDAVO_TEST_MAIN(TestEndlessLine)
#include "tst_endlessline.moc"
