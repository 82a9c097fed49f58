// Download into a simulated module: the bytes on the line, the dialog's
// course from start to its self-closing, and the cases that stop before any
// record is sent. The module's two silent waits of 5 s are timed once on a
// pseudo-terminal; elsewhere the module is in-process and its waits logged.

#include "support/testsupport.h"

#include "transfertesthelpers.h"

#include "transfer/dload.h"
#include "transfer/dlthread.h"

using namespace transfertest;

class TestDownload : public QObject
{
    Q_OBJECT

private:
    template <typename Module>
    void downloadInto(Module &sim, int memorySize);

private slots:
    void emptyFieldStopsBeforeThePort();
    void busyPortFailsAtOnce();
    void dialogForm();
    void shortcutEndsTheEditing();
    void downloadsTheForm_data();
    void downloadsTheForm();
};

void TestDownload::emptyFieldStopsBeforeThePort()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath());
    widget<QLineEdit>(*w, QStringLiteral("m_pin"))->clear();
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(3);

    bool dialogShown = false;
    const auto endWatch = whenModalShows([&dialogShown](QWidget *m) { dialogShown = true; m->close(); }, 300);
    w->download();
    endWatch();

    QVERIFY(!dialogShown);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Betöltés hiba."));
    QCOMPARE(prompter.last().text, QStringLiteral("Az összes mező kitöltése kötelező."));
    QCOMPARE(prompter.messageParents.last(), w.get());
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab"));
    QVERIFY(sim->waitIdle());
    QVERIFY(sim->received().isEmpty());
}

void TestDownload::busyPortFailsAtOnce()
{
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath());

    // Somebody else holds the port.
    ComPort other(sim->devicePath(), 1200);
    QVERIFY(other.openPort(200, 0, 0, 0));

    DialogWatch watch;
    watch.pressReturn = true;
    watch.arm();
    w->download();

    QCOMPARE(watch.resultText, kFailure);
    QVERIFY2(watch.resultAtMs < 1500, qPrintable(QString::number(watch.resultAtMs)));
    QVERIFY(watch.closedAtMs >= watch.resultAtMs);
    QVERIFY(!watch.okEnabledWhileRunning);
    QCOMPARE(watch.maximum, 1035);
    QCOMPARE(watch.lastValue, 10);
    // Why, in the words kordavo-cli uses: the port is another program's.
    QVERIFY2(watch.reasonText.startsWith(QStringLiteral("nem lehet megnyitni a portot: foglalt")),
             qPrintable(watch.reasonText));
    QVERIFY(watch.reasonBelowResult);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(sim->received().isEmpty());
    // The image was built even though it could not be sent.
    QCOMPARE(w->state().configImage().size(), 1020);
}

void TestDownload::shortcutEndsTheEditing()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    QVERIFY(sim);
    auto w = preparedWindow(prompter, sim->devicePath());
    w->state().setProgramMode(true);
    w->updateModeDisplay();
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    // A bad PIN typed and not left, then Ctrl+D: judged as on Tab, emptied,
    // and the download refuses the empty field.
    auto *pin = widget<QLineEdit>(*w, QStringLiteral("m_pin"));
    pin->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(pin, QStringLiteral("12a4"));
    QTest::keyClick(pin, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.messages.at(0).icon, QMessageBox::Warning);
    QCOMPARE(prompter.messages.at(0).text, QStringLiteral("Csak számok adhatóak meg!"));
    QCOMPARE(prompter.messages.at(1).text, QStringLiteral("Az összes mező kitöltése kötelező."));
    QVERIFY(pin->text().isEmpty());
    QVERIFY(sim->waitIdle());
    QVERIFY(sim->received().isEmpty());

    // A bad number: emptied, and the module stores the entry without it.
    prompter.clear();
    pin->setText(QStringLiteral("4321"));
    w->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    auto *number = widget<QLineEdit>(*w, QStringLiteral("t_1"));
    number->setFocus(Qt::TabFocusReason);
    number->selectAll();
    QTest::keyClicks(number, QStringLiteral("3630b"));
    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    QTest::keyClick(number, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(watch.resultText, kSuccess);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Warning);
    QVERIFY(number->text().isEmpty());
    QStringList expected = expectedRecords(32);
    expected[28] = QStringLiteral("12").leftJustified(16, QLatin1Char(' '));
    QCOMPARE(sim->storedRecords(), expected);
}

void TestDownload::dialogForm()
{
    // A port that does not exist: the worker fails at once.
    dload dialog({QStringLiteral("/dev/kordavo-no-such-port"), 1200, 'O', QString(1020, QLatin1Char('x'))});
    QCOMPARE(dialog.objectName(), QStringLiteral("dload"));
    QCOMPARE(dialog.size(), QSize(262, 160));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Betöltés"));
    auto *picture = dialog.findChild<QLabel *>(QStringLiteral("label"));
    QCOMPARE(picture->geometry(), QRect(10, 10, 71, 71));
    QVERIFY(!picture->pixmap().isNull());
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("kiiras"));
    QCOMPARE(label->geometry(), QRect(90, 10, 151, 66));
    QCOMPARE(label->text(), kRunning);
    QVERIFY(label->wordWrap());
    auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QCOMPARE(bar->geometry(), QRect(10, 95, 246, 21));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 1035);
    QCOMPARE(bar->value(), 24);
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QCOMPARE(buttons->geometry(), QRect(90, 130, 81, 21));
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Cancel);
    QVERIFY(!buttons->isEnabled());

    QTRY_COMPARE(label->text(), kFailure);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok);
    QVERIFY(buttons->isEnabled());
    QVERIFY(!dialog.worker->success);
    QCOMPARE(bar->value(), 10);

    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&dialog, &change);
    QCOMPARE(label->text(), kRunning);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Betöltés"));
    QCOMPARE(picture->text(), QString());
}

void TestDownload::downloadsTheForm_data()
{
    QTest::addColumn<int>("memorySize");
    QTest::addColumn<bool>("onRealLine");
    QTest::newRow("32 numbers") << 32 << true;
    QTest::newRow("128 numbers") << 128 << false;
}

void TestDownload::downloadsTheForm()
{
    QFETCH(int, memorySize);
    QFETCH(bool, onRealLine);
    SimulatorOptions options;
    options.memorySize = memorySize;
    if (onRealLine) {
        auto sim = startedSimulator(options);
        QVERIFY(sim);
        downloadInto(*sim, memorySize);
    } else {
        auto sim = startedInProcess(options);
        // The module answers "~}" once the dialog has been tried while it runs.
        sim->pauseAnswers();
        downloadInto(*sim, memorySize);
        // The two answers of "~}" are each given a wait of 5 s.
        QCOMPARE(sim->readWaits(), (QList<int>{5000, 5000}));
    }
}

template <typename Module>
void TestDownload::downloadInto(Module &sim, int memorySize)
{
    RecordingPrompter prompter;
    auto w = preparedWindow(prompter, sim.devicePath(), memorySize);
    // ő has no Latin-1 code and goes as ö.
    widget<QLineEdit>(*w, QStringLiteral("be2_nev"))->setText(QStringLiteral("Ablakő"));

    DialogWatch watch;
    watch.whileRunning = [&watch, &sim](QDialog *d) {
        tryToDismiss(watch, d);
        if constexpr (std::is_same_v<Module, InProcessModule>)
            sim.resumeAnswers();
    };
    watch.arm();
    w->download();

    QVERIFY(watch.survivedEscape);
    QVERIFY(watch.survivedClose);
    QVERIFY(!watch.okEnabledWhileRunning);
    QCOMPARE(watch.maximum, memorySize == 32 ? 1035 : 2667);
    QCOMPARE(watch.resultText, kSuccess);
    QVERIFY(watch.reasonText.isEmpty());
    QCOMPARE(watch.lastValue, watch.maximum);
    // Two silent waits of 5 s end the answers on a real line.
    if constexpr (std::is_same_v<Module, ModuleSimulator>)
        QVERIFY2(watch.resultAtMs >= 9500 && watch.resultAtMs < 13000,
                 qPrintable(QString::number(watch.resultAtMs)));
    const qint64 selfClose = watch.closedAtMs - watch.resultAtMs;
    QVERIFY2(selfClose >= 1800 && selfClose < 2600, qPrintable(QString::number(selfClose)));
    QVERIFY(prompter.messages.isEmpty());

    QStringList records = expectedRecords(memorySize);
    records[6] = QStringLiteral("Ablakö") + QString(10, QLatin1Char(' '));
    QByteArray expected = "~}";
    for (const QString &r : records)
        expected += r.toLatin1() + '\r';
    expected += '\r';
    QCOMPARE(expected.size(), 2 + (memorySize == 32 ? 1021 : 2653));
    const QByteArray received = sim.received();
    QCOMPARE(received, expected);
    QCOMPARE(sim.storedRecords(), records);
}

KORDAVO_TEST_MAIN(TestDownload)
#include "tst_download.moc"
