// The relay test: the dialog's ticks come from the module's outputs read the
// same way as the status query reads them, the mask sent back, Cancel, and
// the status refresh afterwards. The module is in-process but for the port's
// lock, which only a real port shows.

#include "support/testsupport.h"

#include "devicetests.h"
#include "serial/reletest.h"

#include <QtCore/QElapsedTimer>
#include <QtSerialPort/QSerialPort>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QProgressBar>

using namespace devicetests;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kFailed = QStringLiteral("Sikertelen teszt.\nEllenőrizze az eszközt.");
const QString kOutputOn = QStringLiteral("background-color: rgb(255, 0, 0);");
const QString kOff = QStringLiteral("background-color: rgb(180, 180, 180);");

QList<bool> ticks(QWidget *dialog)
{
    QList<bool> result;
    for (const char *name : {"ki1", "ki2", "ki3", "ki4"})
        result << dialog->findChild<QCheckBox *>(QLatin1String(name))->isChecked();
    return result;
}

struct DialogVisit
{
    bool shown = false;
    QString title;
    QList<bool> ticks;
    bool portWasBusy = false;
};

// Whether the window still holds the module's port.
using PortHeld = std::function<bool()>;

PortHeld heldPort(const QString &path)
{
    return [path] {
        QSerialPort other(path);
        return !other.open(QIODevice::ReadWrite);
    };
}

PortHeld heldPort(const InProcessModule &module)
{
    return [&module] { return module.lineOpen(); };
}

// When the relay dialog shows: note what it shows, set the boxes to `wanted`
// and press "Teszt !" (or Cancel when `wanted` is empty).
std::function<void()> answerRelayDialog(DialogVisit &visit, const QList<bool> &wanted, const PortHeld &portHeld,
                                        int timeoutMs = 10000)
{
    return whenModalShows([&visit, wanted, portHeld](QWidget *modal) {
        visit.shown = true;
        visit.title = modal->windowTitle();
        visit.ticks = ticks(modal);
        visit.portWasBusy = portHeld();
        if (wanted.isEmpty()) {
            modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Cancel)->click();
            return;
        }
        const char *names[] = {"ki1", "ki2", "ki3", "ki4"};
        for (int i = 0; i < 4; ++i)
            modal->findChild<QCheckBox *>(QLatin1String(names[i]))->setChecked(wanted.at(i));
        modal->findChild<QPushButton *>(QStringLiteral("teszt"))->click();
    }, timeoutMs);
}

QStringList outputStyles(const MainWindow &w)
{
    QStringList styles;
    for (const char *name : {"w_ki1", "w_ki2", "w_ki3", "w_ki4"})
        styles << widget(w, name)->styleSheet();
    return styles;
}

} // namespace

class TestReletest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialogForm();
    void tesztButtonWritesChoice();
    void cancelLeavesChoice();
    void ticksFollowOutputs_data();
    void ticksFollowOutputs();
    void portHeldWhileTheDialogIsOpen();
    void onlyOutputTwo();
    void nothingTicked();
    void failures_data();
    void failures();

private:
    template <typename Module>
    std::unique_ptr<MainWindow> programWindow(Module &module);

    std::unique_ptr<WorkDir> workDir;
    std::unique_ptr<RecordingPrompter> prompter;
};

void TestReletest::init()
{
    workDir = std::make_unique<WorkDir>();
    prompter = std::make_unique<RecordingPrompter>();
}

void TestReletest::cleanup()
{
    setcom::setPortSource({});
    prompter.reset();
    workDir.reset();
}

template <typename Module>
std::unique_ptr<MainWindow> TestReletest::programWindow(Module &module)
{
    auto w = startedWindow();
    enterThroughMenu(*w, module.devicePath());
    if (!w->state().programMode())
        qFatal("module did not enter programming mode");
    prompter->clear();
    module.clearReceived();
    return w;
}

void TestReletest::dialogForm()
{
    OutputMask states = *OutputMask::fromText(QStringLiteral("0110"));
    Reletest dialog(&states);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Relé teszt"));
    QCOMPARE(dialog.size(), QSize(225, 125));
    QCOMPARE(ticks(&dialog), (QList<bool>{false, true, true, false}));
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(dialog.findChild<QCheckBox *>(QStringLiteral("ki%1").arg(i))->text(), QStringLiteral("Kimenet %1").arg(i));
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("teszt"))->text(), QStringLiteral("Teszt !"));
    QCOMPARE(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->standardButtons(),
             QDialogButtonBox::Cancel);
}

void TestReletest::tesztButtonWritesChoice()
{
    OutputMask states = *OutputMask::fromText(QStringLiteral("1001"));
    Reletest dialog(&states);
    QCOMPARE(ticks(&dialog), (QList<bool>{true, false, false, true}));
    dialog.findChild<QCheckBox *>(QStringLiteral("ki1"))->setChecked(false);
    dialog.findChild<QCheckBox *>(QStringLiteral("ki3"))->setChecked(true);
    whenModalShows([](QWidget *modal) { modal->findChild<QPushButton *>(QStringLiteral("teszt"))->click(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() >= 50);
    QCOMPARE(states.text(), QStringLiteral("0011"));
}

void TestReletest::cancelLeavesChoice()
{
    OutputMask states = *OutputMask::fromText(QStringLiteral("1001"));
    Reletest dialog(&states);
    dialog.findChild<QCheckBox *>(QStringLiteral("ki2"))->setChecked(true);
    whenModalShows([](QWidget *modal) {
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(states.text(), QStringLiteral("1001"));
}

void TestReletest::ticksFollowOutputs_data()
{
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("stateLength");
    QTest::addColumn<QList<bool>>("expected");
    QTest::newRow("outputs 1 and 4") << 0x9 << 15 << QList<bool>{true, false, false, true};
    // The symmetric case above cannot tell the order; this one can.
    QTest::newRow("outputs 1 and 2") << 0x3 << 15 << QList<bool>{true, true, false, false};
    QTest::newRow("output 3") << 0x4 << 15 << QList<bool>{false, false, true, false};
    // Longer answers carry more after the outputs; the outputs stay at 10 … 13.
    QTest::newRow("outputs 1 and 2, 16 characters") << 0x3 << 16 << QList<bool>{true, true, false, false};
    QTest::newRow("output 3, 20 characters") << 0x4 << 20 << QList<bool>{false, false, true, false};
}

void TestReletest::ticksFollowOutputs()
{
    QFETCH(int, outputs);
    QFETCH(int, stateLength);
    QFETCH(QList<bool>, expected);
    SimulatorOptions options;
    options.outputs = quint8(outputs);
    options.stateLength = stateLength;
    auto module = startInProcess(options);
    auto w = programWindow(*module);

    DialogVisit visit;
    answerRelayDialog(visit, {}, heldPort(*module));
    widget<QAction>(*w, "actionReleTeszt")->trigger();
    QVERIFY(visit.shown);
    QCOMPARE(visit.title, QStringLiteral("Relé teszt"));
    QCOMPARE(visit.ticks, expected);
    QVERIFY2(visit.portWasBusy, "the port stays held while the dialog is open");

    // Cancel: nothing sent, no status refresh.
    QTest::qWait(400);
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~R"));
    QCOMPARE(module->outputs(), quint8(outputs));
    QCOMPARE(widget<QPushButton>(*w, "button_status")->text(), QStringLiteral("Állapot lekérdezése"));
    QVERIFY(prompter->messages.isEmpty());
}

void TestReletest::portHeldWhileTheDialogIsOpen()
{
    auto module = startModule();
    auto w = programWindow(*module);

    DialogVisit visit;
    answerRelayDialog(visit, {}, heldPort(module->devicePath()));
    widget<QAction>(*w, "actionReleTeszt")->trigger();
    QVERIFY(visit.shown);
    QVERIFY2(visit.portWasBusy, "no other program gets the port while the user decides");
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~R"));
    // Released once the dialog is cancelled.
    QVERIFY(!heldPort(module->devicePath())());
}

void TestReletest::onlyOutputTwo()
{
    SimulatorOptions options;
    options.outputs = 0x9;
    auto module = startInProcess(options);
    auto w = programWindow(*module);

    DialogVisit visit;
    answerRelayDialog(visit, {false, true, false, false}, heldPort(*module));
    widget<QAction>(*w, "actionReleTeszt")->trigger();
    QVERIFY(visit.shown);
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~R~2"));
    QCOMPARE(module->outputs(), quint8(0x2));

    // The status refresh follows 50 ms later on its own and shows output 2 on.
    QTRY_COMPARE_WITH_TIMEOUT(module->received(), QByteArray("~R~2~|~R~S"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(widget<QPushButton>(*w, "button_status")->isEnabled(), true, 10000);
    QCOMPARE(outputStyles(*w), (QStringList{kOff, kOutputOn, kOff, kOff}));
    QCOMPARE(widget<QProgressBar>(*w, "terero")->value(), 7);
    QVERIFY(prompter->messages.isEmpty());
}

void TestReletest::nothingTicked()
{
    SimulatorOptions options;
    options.outputs = 0xF;
    auto module = startInProcess(options);
    auto w = programWindow(*module);

    DialogVisit visit;
    answerRelayDialog(visit, {false, false, false, false}, heldPort(*module));
    widget<QAction>(*w, "actionReleTeszt")->trigger();
    QCOMPARE(visit.ticks, (QList<bool>{true, true, true, true}));
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~R~0"));
    QCOMPARE(module->outputs(), quint8(0));
    QTRY_COMPARE_WITH_TIMEOUT(module->received(), QByteArray("~R~0~|~R~S"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(widget<QPushButton>(*w, "button_status")->isEnabled(), true, 10000);
    QCOMPARE(outputStyles(*w), (QStringList{kOff, kOff, kOff, kOff}));
}

void TestReletest::failures_data()
{
    QTest::addColumn<bool>("dropLine");
    QTest::addColumn<QString>("why");
    QTest::newRow("port does not open") << true << QStringLiteral("nem lehet megnyitni a portot: nincs ilyen port");
    QTest::newRow("silent module") << false
                                   << QStringLiteral("a modul nem küldte el a bemenetek és kimenetek állapotát („~R”)");
}

void TestReletest::failures()
{
    QFETCH(bool, dropLine);
    QFETCH(QString, why);
    auto module = startInProcess();
    auto w = programWindow(*module);
    if (dropLine)
        module->dropLine();
    else
        module->setFault(Fault::Silent);

    DialogVisit visit;
    const auto endWatch = answerRelayDialog(visit, {}, heldPort(*module), 300);
    widget<QAction>(*w, "actionReleTeszt")->trigger();
    endWatch();
    QVERIFY(!visit.shown);
    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->last().icon, QMessageBox::Critical);
    QCOMPARE(prompter->last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter->last().text, kFailed);
    QCOMPARE(prompter->last().details, why);
    QCOMPARE(prompter->messageParents.last(), w.get());
}

KORDAVO_TEST_MAIN(TestReletest)
#include "tst_reletest.moc"
