// The port dialog: which ports it lists, the speed list, and the automatic
// search probing simulated modules on pseudo-terminals.

#include "support/testsupport.h"

#include "serial/portnames.h"
#include "serial/setcom.h"
#include "sim/modulesimulator.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtSerialPort/QSerialPort>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <vector>

namespace {

using Fault = SimulatorOptions::Fault;

const QByteArray kProbe("~|");
const QByteArray kProbeAndEsc("~|\x1b");
const QString kNotFound = QStringLiteral("Az eszköz nem nem található.");

std::unique_ptr<ModuleSimulator> startModule(SimulatorOptions options = {})
{
    auto sim = std::make_unique<ModuleSimulator>(options);
    if (!sim->start())
        qFatal("simulator: %s", qPrintable(sim->errorString()));
    return sim;
}

std::unique_ptr<ModuleSimulator> startSilent()
{
    SimulatorOptions options;
    options.fault = Fault::Silent;
    return startModule(options);
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QComboBox *portBox(QDialog &dialog)
{
    return dialog.findChild<QComboBox *>(QStringLiteral("comboBox"));
}

QComboBox *baudBox(QDialog &dialog)
{
    return dialog.findChild<QComboBox *>(QStringLiteral("baudrate"));
}

} // namespace

class TestPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void formAndSpeeds();
    void initialSpeed_data();
    void initialSpeed();
    void listsOpenablePortsInOrder();
    void typedPathIsSelected();
    void returnAcceptsWhatTheBoxShows();
    void noPortsMessageAtOnce();
    void findsModuleAmongSilentPorts();
    void bareAnswerIsFound();
    void lastAnsweringPortWins();
    void unrecognisedAnswers();
    void busyPortNeitherListedNorProbed();
    void cancelDuringSearch();
    void searchButtonUsesChosenSpeed();

private:
    RecordingPrompter prompter;
};

void TestPortDialog::cleanup()
{
    setcom::setPortSource({});
    prompter.clear();
}

void TestPortDialog::formAndSpeeds()
{
    setcom::setPortSource([] { return QStringList(); });
    setcom dialog(QStringLiteral("COM1"), 1200, 300, false);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Port beállítások"));
    QCOMPARE(dialog.size(), QSize(280, 170));
    QCOMPARE(comboItems(baudBox(dialog)),
             (QStringList{"150", "200", "300", "600", "1200", "1800", "2400", "4800", "9600", "19200",
                          "28800", "38400", "57600", "76800", "115200"}));
    QCOMPARE(baudBox(dialog)->itemData(14).toInt(), 115200);
    for (const auto &[name, text] : {std::pair{"l_com", "COM Port:"}, std::pair{"l_baud", "Baudrate:"}}) {
        auto *label = dialog.findChild<QLabel *>(QLatin1String(name));
        QCOMPARE(label->text(), QString::fromUtf8(text));
        QVERIFY2(label->width() >= label->sizeHint().width(), name);   // not clipped
    }
    auto *reload = dialog.findChild<QPushButton *>(QStringLiteral("reload"));
    QVERIFY(reload);
    QCOMPARE(reload->toolTip(), QStringLiteral("Frissítés"));
    QVERIFY(!reload->icon().isNull());
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("autoPort"))->text(),
             QStringLiteral("Automatikus portkeresés"));
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
#ifndef Q_OS_WIN
    QVERIFY(portBox(dialog)->isEditable());
#endif
}

void TestPortDialog::initialSpeed_data()
{
    QTest::addColumn<int>("initial");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("selected");
    QTest::newRow("1200") << 1200 << "1200" << 1200;
    QTest::newRow("115200") << 115200 << "115200" << 115200;
    QTest::newRow("1000 is not offered") << 1000 << "" << 0;
}

void TestPortDialog::initialSpeed()
{
    QFETCH(int, initial);
    QFETCH(QString, shown);
    QFETCH(int, selected);
    setcom::setPortSource([] { return QStringList(); });
    setcom dialog(QStringLiteral("COM1"), initial, 300, false);
    QCOMPARE(baudBox(dialog)->currentText(), shown);
    QCOMPARE(dialog.selectedPort().baudRate, selected);
    if (selected == 0) {
        // Until the user picks one.
        baudBox(dialog)->setCurrentIndex(baudBox(dialog)->findText(QStringLiteral("9600")));
        QCOMPARE(dialog.selectedPort().baudRate, 9600);
    }
}

void TestPortDialog::listsOpenablePortsInOrder()
{
    auto a = startSilent();
    auto b = startSilent();
    auto c = startSilent();
    QStringList source{c->devicePath(), QStringLiteral("/dev/kordavo-no-such-port"), a->devicePath(),
                       b->devicePath()};
    setcom::setPortSource([&source] { return source; });

    QStringList expected{a->devicePath(), b->devicePath(), c->devicePath()};
    std::sort(expected.begin(), expected.end(), portNameLess);

    // The initial port is selected when it is listed …
    setcom dialog(expected.at(1), 1200, 300, false);
    QCOMPARE(comboItems(portBox(dialog)), expected);
    QCOMPARE(portBox(dialog)->currentText(), expected.at(1));

    // … and again after a reload, which also drops a port that went away.
    portBox(dialog)->setCurrentIndex(2);
    const QString gone = expected.at(2);
    (gone == a->devicePath() ? a : gone == b->devicePath() ? b : c)->stop();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("reload")), Qt::LeftButton);
    QCOMPARE(comboItems(portBox(dialog)), expected.mid(0, 2));
    QCOMPARE(portBox(dialog)->currentText(), expected.at(1));

    // An initial port that is not listed (a typed path, a port that went
    // away) stays the box's text, so OK keeps the port in use.
    const QString typed = QStringLiteral("/dev/serial/by-id/usb-kordavo-if00");
    setcom other(typed, 1200, 300, false);
    QCOMPARE(comboItems(portBox(other)), expected.mid(0, 2));
    QCOMPARE(portBox(other)->currentText(), typed);
    QCOMPARE(other.selectedPort().portName, typed);

    // Listing writes nothing to any port.
    QVERIFY(a->received().isEmpty() && b->received().isEmpty() && c->received().isEmpty());
}

void TestPortDialog::typedPathIsSelected()
{
#ifdef Q_OS_WIN
    QSKIP("The port list is not editable on Windows");
#else
    setcom::setPortSource([] { return QStringList(); });
    QWidget parent;
    setcom dialog(QStringLiteral("COM1"), 9600, 300, false, &parent);
    whenModalShows([](QWidget *modal) {
        auto *combo = modal->findChild<QComboBox *>(QStringLiteral("comboBox"));
        combo->setFocus();
        QTest::keyClicks(combo, QStringLiteral("/dev/serial/by-id/usb-module"));
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedPort().portName, QStringLiteral("/dev/serial/by-id/usb-module"));
    QCOMPARE(dialog.selectedPort().baudRate, 9600);
#endif
}

void TestPortDialog::returnAcceptsWhatTheBoxShows()
{
#ifdef Q_OS_WIN
    QSKIP("The port list is not editable on Windows");
#else
    // A typed path shown again when the dialog reopens, or typed over the
    // listed port: Return in the box takes it, as OK does.
    auto listed = startSilent();
    setcom::setPortSource([&listed] { return QStringList{listed->devicePath()}; });
    const QString typed = QStringLiteral("/dev/serial/by-id/usb-kordavo-if00");
    QWidget parent;
    enum Way { Reopened, Retyped };
    for (const Way way : {Reopened, Retyped}) {
        setcom dialog(way == Retyped ? QStringLiteral("COM1") : typed, 1200, 300, false, &parent);
        QCOMPARE(portBox(dialog)->currentText(), way == Retyped ? listed->devicePath() : typed);
        whenModalShows([way, &typed](QWidget *modal) {
            auto *combo = modal->findChild<QComboBox *>(QStringLiteral("comboBox"));
            combo->setFocus();
            if (way == Retyped) {
                combo->lineEdit()->selectAll();
                QTest::keyClicks(combo, typed);
            }
            QTest::keyClick(combo, Qt::Key_Return);
        });
        // A dialog that stays open fails here instead of hanging.
        QTimer::singleShot(3000, &dialog, &QDialog::reject);
        QVERIFY2(dialog.exec() == QDialog::Accepted, qPrintable(QString::number(way)));
        QCOMPARE(dialog.selectedPort().portName, typed);
        QCOMPARE(dialog.selectedPort().baudRate, 1200);
        QVERIFY(listed->received().isEmpty());
    }
#endif
}

void TestPortDialog::noPortsMessageAtOnce()
{
    setcom::setPortSource([] { return QStringList(); });
    QWidget parent;
    QElapsedTimer clock;
    clock.start();
    setcom dialog(QStringLiteral("COM1"), 1200, 300, true, &parent);
    QVERIFY2(clock.elapsed() < 250, "nothing to probe, so nothing to wait for");
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter.last().text, kNotFound);
    QCOMPARE(prompter.messageParents.last(), &dialog);
    QCOMPARE(portBox(dialog)->count(), 0);
    // The dialog stays for a manual choice: no timed accept.
    QTest::qWait(400);
    QCOMPARE(dialog.result(), 0);
}

void TestPortDialog::findsModuleAmongSilentPorts()
{
    auto silent1 = startSilent();
    auto module = startModule();
    auto silent2 = startSilent();
    setcom::setPortSource([&] {
        return QStringList{silent2->devicePath(), module->devicePath(), silent1->devicePath()};
    });

    QWidget parent;
    setcom dialog(QStringLiteral("COM1"), 9600, 300, true, &parent);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(comboItems(portBox(dialog)), QStringList{module->devicePath()});

    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), kProbeAndEsc);
    QCOMPARE(silent1->received(), kProbe);
    QCOMPARE(silent2->received(), kProbe);

    // It accepts itself shortly after the find, as if OK was pressed.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(dialog.selectedPort().portName, module->devicePath());
    QCOMPARE(dialog.selectedPort().baudRate, 9600);
}

void TestPortDialog::bareAnswerIsFound()
{
    // The first three characters of the answer as it came decide, even
    // with nothing after them.
    SimulatorOptions bare;
    bare.identification = "KDV";
    bare.identificationEnd = "";
    auto module = startModule(bare);
    setcom::setPortSource([&] { return QStringList{module->devicePath()}; });
    setcom dialog(QStringLiteral("COM1"), 1200, 300, true);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(comboItems(portBox(dialog)), QStringList{module->devicePath()});
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), kProbeAndEsc);
}

void TestPortDialog::lastAnsweringPortWins()
{
    auto first = startModule();
    auto second = startModule();
    QStringList paths{first->devicePath(), second->devicePath()};
    std::sort(paths.begin(), paths.end(), portNameLess);
    setcom::setPortSource([&paths] { return paths; });

    setcom dialog(QStringLiteral("COM1"), 1200, 300, true);
    QCOMPARE(comboItems(portBox(dialog)), QStringList{paths.last()});
    // Both were asked and both were released with ESC.
    QVERIFY(first->waitIdle() && second->waitIdle());
    QCOMPARE(first->received(), kProbeAndEsc);
    QCOMPARE(second->received(), kProbeAndEsc);
}

void TestPortDialog::unrecognisedAnswers()
{
    SimulatorOptions lower;
    lower.fault = Fault::LowerCasePrefix;
    SimulatorOptions tooShort;
    tooShort.identification = "Qz";   // two characters and the terminator
    SimulatorOptions wrong;
    wrong.fault = Fault::WrongPrefix;
    auto a = startModule(lower);
    auto b = startModule(tooShort);
    auto c = startModule(wrong);
    const QStringList paths{a->devicePath(), b->devicePath(), c->devicePath()};
    setcom::setPortSource([&paths] { return paths; });

    QWidget parent;
    setcom dialog(QStringLiteral("COM1"), 1200, 300, true, &parent);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, kNotFound);
    // No ESC for an answer that was not recognised; the list stays whole.
    QCOMPARE(a->received(), kProbe);
    QCOMPARE(b->received(), kProbe);
    QCOMPARE(c->received(), kProbe);
    QCOMPARE(portBox(dialog)->count(), 3);
    QTest::qWait(400);
    QCOMPARE(dialog.result(), 0);
}

void TestPortDialog::busyPortNeitherListedNorProbed()
{
    auto busy = startModule();
    auto silent = startSilent();
    QSerialPort holder(busy->devicePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    setcom::setPortSource([&] { return QStringList{busy->devicePath(), silent->devicePath()}; });

    setcom dialog(QStringLiteral("COM1"), 1200, 300, true);
    QCOMPARE(comboItems(portBox(dialog)), QStringList{silent->devicePath()});
    QCOMPARE(prompter.last().text, kNotFound);
    QVERIFY(busy->received().isEmpty());
    QCOMPARE(silent->received(), kProbe);

    // Once the other program lets go, it is there again.
    holder.close();
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("reload")), Qt::LeftButton);
    QCOMPARE(portBox(dialog)->count(), 2);
}

void TestPortDialog::cancelDuringSearch()
{
    std::vector<std::unique_ptr<ModuleSimulator>> sims;
    for (int i = 0; i < 6; ++i)
        sims.push_back(startSilent());
    std::sort(sims.begin(), sims.end(), [](const auto &a, const auto &b) {
        return portNameLess(a->devicePath(), b->devicePath());
    });
    // A module last in the list: a search that ignored Cancel would find it.
    ModuleSimulator *module = sims.back().get();
    module->setFault(Fault::None);
    QStringList paths;
    for (const auto &sim : sims)
        paths << sim->devicePath();
    setcom::setPortSource([&paths] { return paths; });

    QWidget parent;
    parent.show();
    QString progressLabel;
    whenModalShows([&progressLabel, &parent](QWidget *modal) {
        auto *progress = qobject_cast<QProgressDialog *>(modal);
        QVERIFY(progress);
        progressLabel = progress->labelText();
        const auto buttons = progress->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QStringLiteral("Megszakítás"));
        // Window-modal over the window that opened the port dialog.
        QCOMPARE(progress->parentWidget(), &parent);
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        buttons.first()->click();
    });
    setcom dialog(QStringLiteral("COM1"), 1200, 300, true, &parent);

    QCOMPARE(progressLabel, QStringLiteral("Keresés..."));
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(module->received().isEmpty());
    int probed = 0;
    for (const auto &sim : sims)
        probed += sim->received().isEmpty() ? 0 : 1;
    QVERIFY2(probed >= 1 && probed <= 2, qPrintable(QString::number(probed)));
    // The list is the refreshed one, and the dialog stays open for a choice.
    QCOMPARE(portBox(dialog)->count(), 6);
    QTest::qWait(400);
    QCOMPARE(dialog.result(), 0);
}

void TestPortDialog::searchButtonUsesChosenSpeed()
{
    SimulatorOptions options;
    auto module = startModule(options);
    setcom::setPortSource([&] { return QStringList{module->devicePath()}; });
    setcom dialog(QStringLiteral("COM1"), 1000, 300, false);
    // No speed chosen: the port cannot be set up, so nothing is sent.
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("autoPort")), Qt::LeftButton);
    QCOMPARE(prompter.last().text, kNotFound);
    QVERIFY(module->received().isEmpty());

    prompter.clear();
    baudBox(dialog)->setCurrentIndex(baudBox(dialog)->findText(QStringLiteral("19200")));
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("autoPort")), Qt::LeftButton);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(portBox(dialog)->currentText(), module->devicePath());
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));
}

KORDAVO_TEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
