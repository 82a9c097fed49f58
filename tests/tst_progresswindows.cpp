// The progress windows of the device commands: named after their command,
// and never coming up once the command has ended, over its message.

#include "devicetests.h"
#include "transfertesthelpers.h"

#include <QtWidgets/QProgressDialog>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

// Records the titles of the progress dialogs that exist while a command runs.
class ProgressTitles
{
public:
    ProgressTitles()
    {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (auto *progress = qobject_cast<QProgressDialog *>(top)) {
                    if (!titles.contains(progress->windowTitle()))
                        titles << progress->windowTitle();
                }
            }
        });
        timer.start();
    }
    QStringList titles;

private:
    QTimer timer;
};

} // namespace

class TestProgressWindows : public QObject
{
    Q_OBJECT

private slots:
    void noProgressOverAMessage_data();
    void noProgressOverAMessage();
    void progressTitlesNameTheCommand();
};

void TestProgressWindows::noProgressOverAMessage_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("portMissing");
    QTest::addColumn<bool>("emptyField");
    QTest::newRow("status, silent module") << "status" << false << false;
    QTest::newRow("read-out, no port") << "readup" << true << false;
    QTest::newRow("verify, empty field") << "verify" << false << true;
}

void TestProgressWindows::noProgressOverAMessage()
{
    QFETCH(QString, command);
    QFETCH(bool, portMissing);
    QFETCH(bool, emptyField);
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    sim->setFault(Fault::Silent);
    auto w = preparedWindow(prompter, portMissing ? QStringLiteral("/dev/kordavo-no-such-port") : sim->devicePath());
    if (emptyField)
        widget<QLineEdit>(*w, QStringLiteral("m_nev"))->clear();
    w->show();
    // The message stays up for 6 s with the event loop running, longer than
    // a progress dialog's own delayed showing.
    bool appeared = false;
    prompter.onMessage = [&appeared](const RecordingPrompter::Message &) {
        QElapsedTimer open;
        open.start();
        while (open.elapsed() < 6000 && !appeared) {
            QTest::qWait(50);
            for (QWidget *top : QApplication::topLevelWidgets())
                appeared = appeared || (top->inherits("QProgressDialog") && top->isVisible());
        }
    };

    QMetaObject::invokeMethod(w.get(), command.toLatin1().constData());

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QVERIFY(!appeared);
}

void TestProgressWindows::progressTitlesNameTheCommand()
{
    RecordingPrompter prompter;
    SimulatorOptions options;
    // Slow enough that each progress dialog expects to take over its 4 s and shows.
    options.pacingBaud = 2000;
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath());
    {
        ProgressTitles seen;
        w->status();
        QCOMPARE(seen.titles, QStringList{QStringLiteral("Állapot lekérdezése")});
    }
    {
        ProgressTitles seen;
        w->readup();
        QCOMPARE(seen.titles, QStringList{QStringLiteral("Kiolvasás")});
    }
    {
        ProgressTitles seen;
        w->verify();
        QCOMPARE(seen.titles, QStringList{QStringLiteral("Ellenőrzés")});
    }
    QVERIFY(prompter.messages.size() == 1);   // the verify's result

    ProgressTitles seen;
    setcom::setPortSource([&sim] { return QStringList{sim->devicePath()}; });
    {
        setcom dialog(QStringLiteral("COM1"), 9600, 300, true, w.get());
    }
    setcom::setPortSource({});
    QCOMPARE(seen.titles, QStringList{QStringLiteral("Keresés")});
}

KORDAVO_TEST_MAIN(TestProgressWindows)
#include "tst_progresswindows.moc"
