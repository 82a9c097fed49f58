// Entering and leaving the module's programming mode through the port button
// and the "Port beállítása" menu command, against a simulated module: on a
// pseudo-terminal where the port list and the search need a real port,
// in-process otherwise.

#include "support/testsupport.h"

#include "devicetests.h"

#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QPixmap>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTabWidget>

using namespace devicetests;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kEntered = QStringLiteral(
    "\nAz eszköz átállt programozási üzemmódba. A műveletek befejeztével az eszközt vissza kell "
    "állítani normál üzemmódba!");
const QString kLeft = QStringLiteral(
    "Az eszköz visszaállt normál üzemmódba, és jelenleg újraindul. Kérem várja meg, amíg "
    "feljelentkezik a hálózatra!");

QImage picture(const MainWindow &w)
{
    return widget<QLabel>(w, "image")->pixmap().toImage();
}

QImage fileContent(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return QPixmap::fromImage(reader.read()).toImage();
}

} // namespace

class TestProgramMode : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonSearchesAndEnters();
    void menuEntersWithoutSearch();
    void memorySizes_data();
    void memorySizes();
    void pictureRecognisedByContent();
    void missingPictureIsSilent();
    void moduleTextIsPlain();
    void entryFailuresAreSilent_data();
    void entryFailuresAreSilent();
    void rejectedDialogChangesNothing();
    void returnToNormal();
    void returnToNormalWithSilentModule();
    void returnWithVanishedPortStays();

private:
    std::unique_ptr<WorkDir> workDir;
    std::unique_ptr<RecordingPrompter> prompter;
};

void TestProgramMode::init()
{
    workDir = std::make_unique<WorkDir>();
    prompter = std::make_unique<RecordingPrompter>();
}

void TestProgramMode::cleanup()
{
    setcom::setPortSource({});
    prompter.reset();
    workDir.reset();
}

void TestProgramMode::buttonSearchesAndEnters()
{
    SimulatorOptions silentOptions;
    silentOptions.fault = Fault::Silent;
    auto silent = startModule(silentOptions);
    auto module = startModule();
    auto w = startedWindow();
    prompter->clear();
    setcom::setPortSource([&] { return QStringList{silent->devicePath(), module->devicePath()}; });

    widget<QPushButton>(*w, "button_port")->click();

    QVERIFY(w->state().programMode());
    QCOMPARE(w->state().portName(), module->devicePath());
    QCOMPARE(w->state().baudRate(), 1200);
    QCOMPARE(widget<QLabel>(*w, QStringLiteral("portLabel"))->text(), module->devicePath() + QStringLiteral("   Baud: 1200"));
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: 32"));
    QCOMPARE(w->state().memorySize(), 32);
    QCOMPARE(w->state().pictureFile(), QStringLiteral("cfg_i32.dll"));
    QCOMPARE(picture(*w), fileContent(workDir->filePath(QStringLiteral("cfg_i32.dll"))));
    QVERIFY(widget(*w, "g_eszkoz")->isEnabled());
    QCOMPARE(widget<QPushButton>(*w, "button_port")->text(), QStringLiteral("Visszaállás\nnormál üzemmódba"));

    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->last().icon, QMessageBox::Information);
    QCOMPARE(prompter->last().title, QStringLiteral("Üzemmód"));
    QCOMPARE(prompter->last().text, QStringLiteral("A port sikeresen kiválasztva: ") + module->devicePath() + kEntered);
    QCOMPARE(prompter->messageParents.last(), w.get());

    // Found by the search (answered with ESC), then identified again.
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~|\x1b~|"));
    QCOMPARE(silent->received(), QByteArray("~|"));
    QVERIFY(module->programMode());
}

void TestProgramMode::menuEntersWithoutSearch()
{
    SimulatorOptions options;
    options.memorySize = 128;
    auto module = startInProcess(options);
    auto other = startModule();
    auto w = startedWindow();
    prompter->clear();
    w->state().setBaudRate(9600);
    // Listed, but the menu command must not probe it.
    setcom::setPortSource([&] { return QStringList{other->devicePath()}; });
    answerPortDialog(module->devicePath());
    widget<QAction>(*w, "actionPort")->trigger();

    QVERIFY(w->state().programMode());
    QCOMPARE(w->state().portName(), module->devicePath());
    QCOMPARE(w->state().baudRate(), 9600);
    QCOMPARE(module->received(), QByteArray("~|"));
    QVERIFY(other->received().isEmpty());
    QCOMPARE(w->state().memorySize(), 128);
    QCOMPARE(prompter->messages.size(), 1);
}

void TestProgramMode::memorySizes_data()
{
    QTest::addColumn<QByteArray>("identification");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("memorySize");
    QTest::addColumn<bool>("reduced");
    QTest::addColumn<QString>("pictureFile");
    QTest::newRow("128") << QByteArray("Qzv_GSM4_128") << "Memória: 128" << 128 << false << "cfg_i32.dll";
    QTest::newRow("127") << QByteArray("KDV_GSM4_127") << "Memória: 127" << 128 << true << "cfg_i31.dll";
    QTest::newRow("31") << QByteArray("Qzv_GSM4_31") << "Memória: 31" << 32 << true << "cfg_i31.dll";
    QTest::newRow("64") << QByteArray("Qzv_GSM4_64") << "Memória: 64" << 32 << false << "cfg_i31.dll";
    QTest::newRow("not a number") << QByteArray("Qzv_GSM4_sok") << "Memória: sok" << 32 << false << "cfg_i31.dll";
    QTest::newRow("no underscore") << QByteArray("KDV32") << "Memória: KDV32" << 32 << false << "cfg_i31.dll";
}

void TestProgramMode::memorySizes()
{
    QFETCH(QByteArray, identification);
    QFETCH(QString, label);
    QFETCH(int, memorySize);
    QFETCH(bool, reduced);
    QFETCH(QString, pictureFile);

    SimulatorOptions options;
    options.identification = identification;
    auto module = startInProcess(options);
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());

    QVERIFY(w->state().programMode());
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), label);
    QCOMPARE(w->state().memorySize(), memorySize);
    QCOMPARE(widget(*w, "tab_5")->isEnabled(), memorySize == 128);
    // The reduced form locks the module identifier and shows "-" in it.
    QCOMPARE(widget(*w, "m_id")->isEnabled(), !reduced);
    if (reduced)
        QCOMPARE(widget<QLineEdit>(*w, "m_id")->text(), QStringLiteral("-"));
    QCOMPARE(w->state().pictureFile(), pictureFile);
    QCOMPARE(picture(*w), fileContent(workDir->filePath(pictureFile)));
    QVERIFY(!picture(*w).isNull());
}

void TestProgramMode::pictureRecognisedByContent()
{
    // A BMP under the ".dll" name: only the content can tell.
    QImage bmp(40, 30, QImage::Format_RGB32);
    bmp.fill(QColor(10, 200, 30));
    QFile::remove(workDir->filePath(QStringLiteral("cfg_i31.dll")));
    QVERIFY(bmp.save(workDir->filePath(QStringLiteral("cfg_i31.dll")), "BMP"));

    SimulatorOptions options;
    options.memorySize = 31;
    auto module = startInProcess(options);
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    QCOMPARE(picture(*w).size(), QSize(40, 30));
    QCOMPARE(picture(*w).pixelColor(5, 5), QColor(10, 200, 30));
}

void TestProgramMode::missingPictureIsSilent()
{
    QFile::remove(workDir->filePath(QStringLiteral("cfg_i32.dll")));
    auto module = startInProcess();
    auto w = startedWindow();
    prompter->clear();
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    QVERIFY(picture(*w).isNull());
    QCOMPARE(prompter->messages.size(), 1);   // only the "Üzemmód" box
    QCOMPARE(prompter->last().title, QStringLiteral("Üzemmód"));
}

void TestProgramMode::moduleTextIsPlain()
{
    SimulatorOptions options;
    options.identification = "Qzv_<a href=\"x\">link</a>";
    auto module = startInProcess(options);
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());
    auto *label = widget<QLabel>(*w, "l_ver");
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QStringLiteral("Memória: <a href=\"x\">link</a>"));
}

void TestProgramMode::entryFailuresAreSilent_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("port does not open") << 0;
    QTest::newRow("silent module") << 1;
    QTest::newRow("wrong prefix") << 2;
    QTest::newRow("lower-case prefix") << 3;
}

void TestProgramMode::entryFailuresAreSilent()
{
    QFETCH(int, kind);
    SimulatorOptions options;
    options.fault = kind == 1 ? Fault::Silent : kind == 2 ? Fault::WrongPrefix : Fault::LowerCasePrefix;
    auto module = startInProcess(options);
    const QString path = kind == 0 ? QStringLiteral("/dev/kordavo-no-such-port") : module->devicePath();
    auto w = startedWindow();
    prompter->clear();
    enterThroughMenu(*w, path);

    QVERIFY(!w->state().programMode());
    QVERIFY(prompter->messages.isEmpty());
    // The chosen port is kept and shown all the same.
    QCOMPARE(w->state().portName(), path);
    QCOMPARE(widget<QLabel>(*w, QStringLiteral("portLabel"))->text(), path + QStringLiteral("   Baud: 1200"));
    QCOMPARE(widget<QLabel>(*w, "l_ver")->text(), QStringLiteral("Memória: --"));
    QVERIFY(!widget(*w, "g_eszkoz")->isEnabled());
    QVERIFY(picture(*w).isNull());
    if (kind != 0)
        QCOMPARE(module->received(), QByteArray("~|"));
}

void TestProgramMode::rejectedDialogChangesNothing()
{
    auto module = startInProcess();
    auto w = startedWindow();
    prompter->clear();
    setcom::setPortSource([] { return QStringList(); });
    answerPortDialog(module->devicePath(), false);
    widget<QAction>(*w, "actionPort")->trigger();
    QCOMPARE(w->state().portName(), QStringLiteral("COM1"));
    QCOMPARE(widget<QLabel>(*w, QStringLiteral("portLabel"))->text(), QStringLiteral("COM1   Baud: 1200"));
    QVERIFY(!w->state().programMode());
    QVERIFY(module->received().isEmpty());
    QVERIFY(prompter->messages.isEmpty());
}

void TestProgramMode::returnToNormal()
{
    auto module = startInProcess();
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    module->clearReceived();
    prompter->clear();

    // No dialog opens on the way back, from the button … (a dialog would
    // come up within the command; the watch ends before the next one).
    bool dialogShown = false;
    auto endWatch = whenModalShows([&dialogShown](QWidget *modal) { dialogShown = true; modal->close(); }, 1500);
    widget<QPushButton>(*w, "button_port")->click();
    QVERIFY(!w->state().programMode());
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~X"));
    QVERIFY(!module->programMode());
    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->last().title, QStringLiteral("Üzemmód"));
    QCOMPARE(prompter->last().text, kLeft);
    QCOMPARE(widget<QPushButton>(*w, "button_port")->text(), QStringLiteral("Port beállítása"));
    QVERIFY(!widget(*w, "g_eszkoz")->isEnabled());
    endWatch();
    QVERIFY(!dialogShown);

    // … nor from the menu.
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    module->clearReceived();
    endWatch = whenModalShows([&dialogShown](QWidget *modal) { dialogShown = true; modal->close(); }, 1500);
    widget<QAction>(*w, "actionPort")->trigger();
    QVERIFY(!w->state().programMode());
    QVERIFY(module->waitIdle());
    QCOMPARE(module->received(), QByteArray("~X"));
    endWatch();
    QVERIFY(!dialogShown);
}

void TestProgramMode::returnToNormalWithSilentModule()
{
    auto module = startInProcess();
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    module->setFault(Fault::Silent);
    prompter->clear();
    widget<QPushButton>(*w, "button_port")->click();
    QVERIFY(!w->state().programMode());
    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->last().text, kLeft);
}

void TestProgramMode::returnWithVanishedPortStays()
{
    auto module = startInProcess();
    auto w = startedWindow();
    enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    module->dropLine();
    prompter->clear();
    widget<QPushButton>(*w, "button_port")->click();
    QVERIFY(w->state().programMode());
    QVERIFY(prompter->messages.isEmpty());
    QVERIFY(widget(*w, "g_eszkoz")->isEnabled());
}

KORDAVO_TEST_MAIN(TestProgramMode)
#include "tst_programmode.moc"
