// Fault drills against the simulated module: the line pulled in the middle of
// every command, half a record set, a module slow to start answering, and a
// port that another program holds. Each ends in its message or its silence,
// and afterwards the window works, the port is released and the form is as
// it was.

#include "devicetests.h"
#include "transfertesthelpers.h"

#include "serial/moduleprotocol.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QScopeGuard>
#include <QtSerialPort/QSerialPort>

#include <sys/stat.h>
#include <unistd.h>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kStatusFailed = QStringLiteral("Sikertelen lekérdezés.\nEllenőrizze az eszközt!");
const QString kReadoutFailed = QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!");
const QString kVerifyFailed = QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!");
const QString kBackToNormal = QStringLiteral("Az eszköz visszaállt normál üzemmódba, és jelenleg újraindul. "
                                             "Kérem várja meg, amíg feljelentkezik a hálózatra!");
constexpr int kChildPortBusy = 0;
constexpr int kChildCannotRun = 126;

// Descriptors of this process that lead to the device: the simulator keeps
// one of its own while its line is up.
int descriptorsOn(const QString &device)
{
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == device)
            ++count;
    }
    return count;
}

} // namespace

class TestFaultDrills : public QObject
{
    Q_OBJECT

private slots:
    void lineGoneMidCommand_data();
    void lineGoneMidCommand();
    void halfARecordSet();
    void slowToStartButWithinTheWait();
    void portHeldByAnotherProgram();
};

void TestFaultDrills::lineGoneMidCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");   // empty: silence
    QTest::newRow("identification") << "show_port" << QString();
    QTest::newRow("status query") << "status" << kStatusFailed;
    QTest::newRow("read-out") << "readup" << kReadoutFailed;
    QTest::newRow("verify") << "verify" << kVerifyFailed;
    QTest::newRow("download") << "download" << QString();
    // The module took "~X"; its answer is not examined.
    QTest::newRow("return to normal mode") << "leave" << kBackToNormal;
}

void TestFaultDrills::lineGoneMidCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, message);
    devicetests::WorkDir dir;
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    const QString device = sim->devicePath();
    auto w = preparedWindow(prompter, device, 32);
    w->state().setProgramMode(command != QLatin1String("show_port"));
    w->updateModeDisplay();
    const FormState before = formState(*w);
    QVERIFY(w->buildConfigImage());
    const QString image = w->state().configImage();
    sim->setFault(Fault::DropMidAnswer);

    if (command == QLatin1String("show_port")) {
        devicetests::enterThroughMenu(*w, device);
        setcom::setPortSource({});
        QVERIFY(!w->state().programMode());
    } else if (command == QLatin1String("leave")) {
        widget<QPushButton>(*w, "button_port")->click();
        QVERIFY(!w->state().programMode());
    } else if (command == QLatin1String("download")) {
        DialogWatch watch;
        watch.pressOk = true;
        watch.arm();
        w->download();
        QCOMPARE(watch.resultText, kFailure);
        QCOMPARE(w->state().configImage(), image);
    } else {
        QMetaObject::invokeMethod(w.get(), command.toLatin1().constData());
    }

    if (message.isEmpty()) {
        QVERIFY(prompter.messages.isEmpty());
    } else {
        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(prompter.last().text, message);
    }
    QVERIFY(formState(*w) == before);
    QCOMPARE(descriptorsOn(device), 0);

    // The window goes on with a module that answers, and lets it go after.
    auto next = startedInProcess();
    w->state().setPortName(next->devicePath());
    w->state().setProgramMode(true);
    prompter.clear();
    w->status();
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 32"));
    QCOMPARE(next->received(), QByteArray("~|~R~S"));
    QVERIFY(!next->lineOpen());
}

void TestFaultDrills::halfARecordSet()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    const FormState before = formState(*w);
    const int simulatorsOwn = descriptorsOn(sim->devicePath());
    sim->setFault(Fault::HalfRecords);

    w->readup();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, kReadoutFailed);
    QVERIFY(formState(*w) == before);

    w->verify();
    QCOMPARE(prompter.last().text, kVerifyFailed);
    QCOMPARE(descriptorsOn(sim->devicePath()), simulatorsOwn);
}

void TestFaultDrills::slowToStartButWithinTheWait()
{
    // What is timed here is the wait for an answer's first byte; its end
    // comes at its terminator, so the query does not sit out the 5 s after "~S".
    moduleprotocol::ModuleSession::setEarlyEndForTesting(true);
    const auto earlyEndsOff = qScopeGuard([] { moduleprotocol::ModuleSession::setEarlyEndForTesting(false); });
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    SimulatorOptions options = sim->options();

    // 150 ms of the 200 ms that "~|" and "~R" are given.
    options.answerDelayMs = 150;
    sim->setOptions(options);
    w->status();
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(widget<QLabel>(*w, "l_service")->text(), QStringLiteral("TelenorHU"));

    // 600 ms of the 700 ms that "~{" is given.
    options.answerDelayMs = 600;
    sim->setOptions(options);
    sim->setStoredRecords(expectedRecords(32));
    widget<QLineEdit>(*w, QStringLiteral("m_nev"))->setText(QStringLiteral("x"));
    w->readup();
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(*w, QStringLiteral("m_nev"))->text(), QStringLiteral("Kapunyito"));
}

void TestFaultDrills::portHeldByAnotherProgram()
{
    // An exclusive open refuses a second opener, unless that opener is root:
    // the kernel lets root through, and then both read the line. So the
    // window runs as the unprivileged user "nobody" here, as an installer's
    // program would.
    auto sim = devicetests::startModule();
    const QString device = sim->devicePath();
    QSerialPort other(device);
    QVERIFY(other.open(QIODevice::ReadWrite));
    QVERIFY(::chmod(device.toLocal8Bit().constData(), 0666) == 0);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORDAVO_DRILL_PORT"), device);
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(QDir::tempPath());
    if (!startAsUnprivileged(child))
        QSKIP("setpriv (util-linux) is needed to open the port as an unprivileged user");
    QVERIFY(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    if (child.exitCode() == kChildCannotRun)
        QSKIP(qPrintable(QStringLiteral("the unprivileged user cannot run this test: ") + output));
    QVERIFY2(child.exitCode() == kChildPortBusy, qPrintable(output));
    // The module heard nothing from the refused opener.
    QVERIFY(sim->waitIdle());
    QCOMPARE(sim->received(), QByteArray());
}

// The child half of portHeldByAnotherProgram: a status query on a port that
// another program holds.
int statusOnHeldPort(const QString &device)
{
    RecordingPrompter prompter;
    MainWindow w;
    w.state().setPortName(device);
    w.status();
    if (prompter.messages.size() == 1 && prompter.last().text == kStatusFailed)
        return kChildPortBusy;
    std::fprintf(stderr, "messages: %d, last: %s\n", int(prompter.messages.size()), qPrintable(prompter.last().text));
    return 1;
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const QString device = qEnvironmentVariable("KORDAVO_DRILL_PORT");
    if (!device.isEmpty())
        return statusOnHeldPort(device);
    TestFaultDrills tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_faultdrills.moc"
