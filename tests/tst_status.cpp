// The status query against a simulated module: indicators, signal bar,
// service name, memory size, the busy look of the button and every failure.
// A successful query waits 5 s for the line to fall silent after "~S"; the
// one case on a pseudo-terminal keeps that wait and shows the window alive
// through it, the others reach the module in-process.

#include "support/testsupport.h"

#include "devicetests.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>

using namespace devicetests;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kBusy = QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);");
const QString kDone = QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(0, 121, 89);");
const QString kInputActive = QStringLiteral("background-color: rgb(255, 170, 0);");
const QString kOutputOn = QStringLiteral("background-color: rgb(255, 0, 0);");
const QString kOff = QStringLiteral("background-color: rgb(180, 180, 180);");
const QString kRed = QStringLiteral("QProgressBar::chunk { background-color: #FF0000; }");
const QString kBlue = QStringLiteral("QProgressBar::chunk { background-color: #05B8CC; }");
const QString kFailed = QStringLiteral("Sikertelen lekérdezés.\nEllenőrizze az eszközt!");

QStringList indicatorStyles(const MainWindow &w)
{
    QStringList styles;
    for (const char *name : {"w_be1", "w_be2", "w_ki1", "w_ki2", "w_ki3", "w_ki4"})
        styles << widget(w, name)->styleSheet();
    return styles;
}

// Records how the status button looked whenever it was disabled or enabled.
class ButtonWatcher : public QObject
{
public:
    explicit ButtonWatcher(QPushButton *button) : button(button) { button->installEventFilter(this); }
    QStringList looks;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            looks << QStringLiteral("%1|%2|%3").arg(button->isEnabled()).arg(button->text(), button->styleSheet());
        return false;
    }

private:
    QPushButton *button;
};

} // namespace

class TestStatus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fullQuery();
    void focusStaysOffTheWritingCommands();
    void signalClamped_data();
    void signalClamped();
    void fourFieldSignalKeepsOldValues();
    void portDoesNotOpen();
    void silentModule();
    void memoryNotANumber();

private:
    std::unique_ptr<MainWindow> programWindow(const QString &path);
    void expectFailure(MainWindow &w, const QString &why);

    std::unique_ptr<WorkDir> workDir;
    std::unique_ptr<RecordingPrompter> prompter;
};

void TestStatus::init()
{
    workDir = std::make_unique<WorkDir>();
    prompter = std::make_unique<RecordingPrompter>();
}

void TestStatus::cleanup()
{
    setcom::setPortSource({});
    prompter.reset();
    workDir.reset();
}

std::unique_ptr<MainWindow> TestStatus::programWindow(const QString &path)
{
    auto w = startedWindow();
    enterThroughMenu(*w, path);
    prompter->clear();
    return w;
}

void TestStatus::expectFailure(MainWindow &w, const QString &why)
{
    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->last().icon, QMessageBox::Critical);
    QCOMPARE(prompter->last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter->last().text, kFailed);
    QCOMPARE(prompter->messageParents.last(), &w);
    // Why, on request, in the words kordavo-cli prints.
    QCOMPARE(prompter->last().details, why);
    auto *button = widget<QPushButton>(w, "button_status");
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("Állapot lekérdezése"));
    QCOMPARE(button->styleSheet(), kDone);
}

void TestStatus::fullQuery()
{
    SimulatorOptions options;
    options.memorySize = 32;
    options.input1Active = true;
    options.outputs = 0x9;   // outputs 1 and 4
    options.signal = 7;
    options.service = "Telenor HU";
    auto module = startModule(options);
    auto w = programWindow(module->devicePath());
    QCOMPARE(w->state().memorySize(), 32);
    // The module now reports 128: the form follows even though it was in 32 mode.
    options.memorySize = 128;
    module->setOptions(options);
    module->clearReceived();

    auto *button = widget<QPushButton>(*w, "button_status");
    ButtonWatcher watcher(button);
    // While the line is silent after "~S" the window goes on: its timers run
    // (and it repaints), and a click on the port button, on the read-out
    // button and Ctrl+R through the window system do nothing, the progress
    // window standing over it.
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(100);
    QVERIFY(connect(&ticker, &QTimer::timeout, this, [&] {
        if (++ticks != 30)
            return;
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {},
                          widget(*w, "button_port")->mapTo(w.get(), QPoint(10, 10)));
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {},
                          widget(*w, "button_ul")->mapTo(w.get(), QPoint(10, 10)));
        QTest::keyClick(w->windowHandle(), Qt::Key_R, Qt::ControlModifier);
    }));
    ticker.start();
    QElapsedTimer clock;
    clock.start();
    button->click();
    QVERIFY2(clock.elapsed() >= 5000, "the line must be silent for 5 s after the signal answer");
    ticker.stop();
    QVERIFY2(ticks >= 40, qPrintable(QString::number(ticks)));
    QVERIFY(w->state().programMode());

    QVERIFY(prompter->messages.isEmpty());
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~|~R~S"));
    QCOMPARE(watcher.looks, (QStringList{QStringLiteral("0|Várjon!...|") + kBusy,
                                         QStringLiteral("1|Állapot lekérdezése|") + kDone}));
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 128"));
    QCOMPARE(w->state().memorySize(), 128);
    QVERIFY(widget(*w, "tab_5")->isEnabled());
    QCOMPARE(indicatorStyles(*w), (QStringList{kInputActive, kOff, kOutputOn, kOff, kOff, kOutputOn}));
    auto *bar = widget<QProgressBar>(*w, "terero");
    QCOMPARE(bar->value(), 7);
    QCOMPARE(bar->maximum(), 10);
    QCOMPARE(bar->styleSheet(), kBlue);
    auto *service = widget<QLabel>(*w, "l_service");
    QCOMPARE(service->text(), QStringLiteral("TelenorHU"));
    QCOMPARE(service->textFormat(), Qt::PlainText);
}

void TestStatus::focusStaysOffTheWritingCommands()
{
    auto module = startInProcess();
    auto w = programWindow(module->devicePath());
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto *button = widget<QPushButton>(*w, "button_status");
    button->setFocus(Qt::TabFocusReason);
    module->clearReceived();

    // The second Space comes while the button says "Várjon!..." and goes
    // wherever the focus is then, unless that is a command that would block
    // this test in its dialog: the focus being there is the failure.
    QStringList focusedWhileBusy;
    class SecondSpace : public QObject
    {
    public:
        explicit SecondSpace(QStringList *seen) : seen(seen) {}
        QStringList *seen;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::EnabledChange && !static_cast<QWidget *>(watched)->isEnabled()) {
                QWidget *focused = QApplication::focusWidget();
                *seen << (focused ? focused->objectName() : QStringLiteral("(none)"));
                if (focused && !focused->inherits("QPushButton"))
                    QTest::keyClick(focused, Qt::Key_Space);
            }
            return false;
        }
    } secondSpace(&focusedWhileBusy);
    button->installEventFilter(&secondSpace);
    QTest::keyClick(button, Qt::Key_Space);
    button->removeEventFilter(&secondSpace);

    QCOMPARE(focusedWhileBusy, QStringList{w->objectName()});
    // Back on the status button, where the window's keys go once it is
    // active again (the progress window may have taken that for a moment).
    QVERIFY(w->focusWidget() == button);
    QApplication::setActiveWindow(w.get());
    QTRY_VERIFY(QApplication::focusWidget() == button);
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~|~R~S"));
    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(widget<QLabel>(*w, "l_service")->text(), QStringLiteral("TelenorHU"));
}

void TestStatus::signalClamped_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("style");
    QTest::newRow("0 shows 1 in red") << 0 << 1 << kRed;
    QTest::newRow("15 shows 9 in blue-green") << 15 << 9 << kBlue;
}

void TestStatus::signalClamped()
{
    QFETCH(int, signal);
    QFETCH(int, shown);
    QFETCH(QString, style);
    SimulatorOptions options;
    options.signal = signal;
    options.input2Active = true;
    options.outputs = 0x6;
    options.service = "<b>Vodafone</b>";
    auto module = startInProcess(options);
    auto w = programWindow(module->devicePath());
    widget<QPushButton>(*w, "button_status")->click();
    QVERIFY(prompter->messages.isEmpty());
    auto *bar = widget<QProgressBar>(*w, "terero");
    QCOMPARE(bar->value(), shown);
    QCOMPARE(bar->styleSheet(), style);
    QCOMPARE(indicatorStyles(*w), (QStringList{kOff, kInputActive, kOff, kOutputOn, kOutputOn, kOff}));
    QCOMPARE(widget<QLabel>(*w, "l_service")->text(), QStringLiteral("<b>Vodafone</b>"));
    QCOMPARE(widget<QLabel>(*w, "l_service")->textFormat(), Qt::PlainText);
    // After the port button's identification: the query's three readings.
    QCOMPARE(module->received(), QByteArray("~|~|~R~S"));
    QCOMPARE(module->readWaits(), (QList<int>{200, 200, 200, 5000}));
}

void TestStatus::fourFieldSignalKeepsOldValues()
{
    SimulatorOptions options;
    options.outputs = 0x2;
    options.fault = Fault::FourFieldSignal;
    auto module = startInProcess(options);
    auto w = programWindow(module->devicePath());
    widget<QLabel>(*w, "l_service")->setText(QStringLiteral("Előző"));
    widget<QAction>(*w, "actionStatus")->trigger();

    expectFailure(*w, QStringLiteral("a modul térerő- és szolgáltatóválasza („~S”) nem értelmezhető"));
    // Indicators were already updated; the service name stays, the bar stays reset.
    QCOMPARE(indicatorStyles(*w), (QStringList{kOff, kOff, kOff, kOutputOn, kOff, kOff}));
    QCOMPARE(widget<QLabel>(*w, "l_service")->text(), QStringLiteral("Előző"));
    QCOMPARE(widget<QProgressBar>(*w, "terero")->value(), widget<QProgressBar>(*w, "terero")->minimum() - 1);
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 32"));
}

void TestStatus::portDoesNotOpen()
{
    auto module = startInProcess();
    auto w = programWindow(module->devicePath());
    const QStringList before = indicatorStyles(*w);
    module->dropLine();
    widget<QPushButton>(*w, "button_status")->click();
    expectFailure(*w, QStringLiteral("nem lehet megnyitni a portot: nincs ilyen port"));
    QCOMPARE(indicatorStyles(*w), before);
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 32"));
}

void TestStatus::silentModule()
{
    SimulatorOptions options;
    options.memorySize = 128;
    auto module = startInProcess(options);
    auto w = programWindow(module->devicePath());
    module->setFault(Fault::Silent);
    // A 32 form stays a 32 form: nothing came back to switch it.
    w->setMode(32);
    widget<QPushButton>(*w, "button_status")->click();
    expectFailure(*w, QStringLiteral("a modul nem válaszol"));
    QCOMPARE(w->state().memorySize(), 32);
    QCOMPARE(module->received().right(2), QByteArray("~|"));
}

void TestStatus::memoryNotANumber()
{
    auto module = startInProcess();
    auto w = programWindow(module->devicePath());
    SimulatorOptions options;
    options.identification = "Qzv_GSM4_";
    module->setOptions(options);
    module->clearReceived();
    widget<QPushButton>(*w, "button_status")->click();
    expectFailure(*w, QStringLiteral("ismeretlen modul: „Qzv_GSM4_\\x0d” (ismert memóriaméret: 31, 32, 127, 128)"));
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 32"));
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~|"));   // stopped before "~R"
}

KORDAVO_TEST_MAIN(TestStatus)
#include "tst_status.moc"
