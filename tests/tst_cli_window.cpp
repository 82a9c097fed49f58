// The command-line tool and the window program hold the same module the same
// way: what one downloads, the other verifies, and when the module says no,
// both say why in the same words.

#include "transfertesthelpers.h"

#include "clitesthelpers.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "serial/moduleprotocol.h"

#include <QtCore/QScopeGuard>

using namespace transfertest;

class TestCliWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("LANG", "hu_HU.UTF-8"); }
    void cliDownloadVerifiesInTheWindow();
    void windowDownloadVerifiesInTheCli();
    void bothSayWhy();
};

void TestCliWindow::cliDownloadVerifiesInTheWindow()
{
    ScratchDir dir;
    SimulatorOptions options;
    options.memorySize = 128;
    ModuleSimulator sim(options);
    QVERIFY(sim.start());
    RecordingPrompter prompter;
    auto w = preparedWindow(prompter, sim.devicePath(), 128);
    widget<QLineEdit>(*w, QStringLiteral("be1_nev"))->setText(QStringLiteral("Kapuérzékelő"));
    // A file keeps no spaces inside a number.
    widget<QLineEdit>(*w, QStringLiteral("t_2"))->setText(QStringLiteral("36305556677"));

    // The window saves the form; the tool downloads that file, as the window would.
    const QString file = dir.filePath(QStringLiteral("form.krv"));
    prompter.fileAnswers.enqueue(file);
    w->save();
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres mentés."));
    // The window's default exchanges, where the module's real waits matter.
    QString out;
    // --stay: the window goes on with the module in programming mode.
    QCOMPARE(runCli({QStringLiteral("download"), file, QStringLiteral("--port"), sim.devicePath(),
                     QStringLiteral("--stay")},
                    &out),
             0);
    // --fast ends the answers early and sends exactly the same.
    ModuleSimulator fastSim(options);
    QVERIFY(fastSim.start());
    QCOMPARE(runCli({QStringLiteral("download"), file, QStringLiteral("--port"), fastSim.devicePath(),
                     QStringLiteral("--stay"), QStringLiteral("--fast")}),
             0);
    QCOMPARE(fastSim.received(), sim.received());
    QCOMPARE(fastSim.storedRecords(), sim.storedRecords());
    QVERIFY(sim.received().startsWith("~|~}"));

    prompter.clear();
    w->verify();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres ellenőrzés."));

    groupBox(*w, QStringLiteral("64.1"))->setChecked(true);
    w->verify();
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
}

void TestCliWindow::windowDownloadVerifiesInTheCli()
{
    ScratchDir dir;
    SimulatorOptions options;
    options.memorySize = 32;
    ModuleSimulator sim(options);
    QVERIFY(sim.start());
    RecordingPrompter prompter;
    auto w = preparedWindow(prompter, sim.devicePath(), 32);
    widget<QLineEdit>(*w, QStringLiteral("m_nev"))->setText(QStringLiteral("Űrhajó"));
    // A file keeps no spaces inside a number.
    widget<QLineEdit>(*w, QStringLiteral("t_2"))->setText(QStringLiteral("36305556677"));

    // The window works on a module the port button put into programming mode.
    QCOMPARE(runCli({QStringLiteral("info"), QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--stay")}), 0);
    {
        // The same bytes, each answer ended at its terminator instead of
        // after 5 s of silence: what matters here is what the module holds.
        moduleprotocol::ModuleSession::setEarlyEndForTesting(true);
        const auto earlyEndsOff =
            qScopeGuard([] { moduleprotocol::ModuleSession::setEarlyEndForTesting(false); });
        DialogWatch watch;
        watch.pressOk = true;
        watch.arm();
        w->download();
        QCOMPARE(watch.resultText, kSuccess);
    }

    const QString file = dir.filePath(QStringLiteral("form.krv"));
    prompter.fileAnswers.enqueue(file);
    w->save();
    QString out;
    QCOMPARE(runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--fast")},
                    &out),
             0);

    // A number changed in the file only: the tool names it.
    std::optional<Configuration> changed = configfile::fromLines(configfile::readFile(file));
    QVERIFY(changed);
    changed->telephones[1].number = QStringLiteral("36305556678");
    QString error;
    QVERIFY(configfile::writeFile(file, configfile::formatLines(configfile::toLines(*changed)), &error));
    QCOMPARE(runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--fast")},
                    &out),
             1);
    QVERIFY2(out.contains(QStringLiteral("  2. telefonszám: a modulban „36305556677” (riasztás: 00, kimenet: 10), "
                                           "a fájlban „36305556678” (riasztás: 00, kimenet: 10)")),
             qPrintable(out));
}

void TestCliWindow::bothSayWhy()
{
    ScratchDir dir;
    // Answers end at their terminators on both sides: the same bytes, no 5 s waits.
    moduleprotocol::ModuleSession::setEarlyEndForTesting(true);
    const auto earlyEndsOff = qScopeGuard([] { moduleprotocol::ModuleSession::setEarlyEndForTesting(false); });
    ModuleSimulator sim;
    QVERIFY(sim.start());
    RecordingPrompter prompter;
    auto w = preparedWindow(prompter, sim.devicePath(), 32);
    const QString file = dir.filePath(QStringLiteral("form.krv"));
    prompter.fileAnswers.enqueue(file);
    w->save();
    QVERIFY(runCli({QStringLiteral("info"), QStringLiteral("--port"), sim.devicePath(), QStringLiteral("--stay")}) == 0);

    // A module that does not get ready for the records.
    sim.setFault(SimulatorOptions::Fault::NoReadyAnswer);
    const CliRun cli = runCliApart({QStringLiteral("download"), file, QStringLiteral("--port"), sim.devicePath(),
                                    QStringLiteral("--stay"), QStringLiteral("--fast"), QStringLiteral("--no-register")});
    QCOMPARE(cli.code, 1);
    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w->download();
    QCOMPARE(watch.resultText, kFailure);
    QCOMPARE(watch.reasonText, QStringLiteral("a modul nem állt készen („R”), semmi sem tárolódott"));
    QVERIFY2(cli.out.contains(QStringLiteral("betöltés hiba: ") + watch.reasonText), qPrintable(cli.out));

    // A status answer with a comma too many.
    sim.setFault(SimulatorOptions::Fault::FourFieldSignal);
    const CliRun status = runCliApart({QStringLiteral("status"), QStringLiteral("--port"), sim.devicePath(),
                                       QStringLiteral("--stay"), QStringLiteral("--fast")});
    QCOMPARE(status.code, 3);
    prompter.clear();
    w->state().setProgramMode(true);
    w->status();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().details, QStringLiteral("a modul térerő- és szolgáltatóválasza („~S”) nem értelmezhető"));
    QVERIFY2(status.err.contains(QStringLiteral("sikertelen lekérdezés: ") + prompter.last().details),
             qPrintable(status.err));

    // A port that is not there.
    const QString missing = dir.filePath(QStringLiteral("ttyNone"));
    const CliRun readout = runCliApart({QStringLiteral("readout"), dir.filePath(QStringLiteral("out.krv")),
                                        QStringLiteral("--port"), missing, QStringLiteral("--no-register")});
    QCOMPARE(readout.code, 3);
    prompter.clear();
    w->state().setPortName(missing);
    w->readup();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot."));
    QCOMPARE(prompter.last().details, QStringLiteral("nem lehet megnyitni a portot: nincs ilyen port"));
    QCOMPARE(readout.err, missing + QStringLiteral(": ") + prompter.last().details + QLatin1Char('\n'));
}

KORDAVO_TEST_MAIN(TestCliWindow)
#include "tst_cli_window.moc"
