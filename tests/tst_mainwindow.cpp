// The main window as it stands after start-up: widget tree, start-up look,
// programming-mode look, the memory-size mode, the keyboard's way through the
// form, and the program's run from start to exit.

#include "support/testsupport.h"

#include "document/configfile.h"
#include "document/configuration.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QScopeGuard>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTimer>
#include <QtCore/QSet>
#include <QtTest/QSignalSpy>
#include <QtWidgets/QCheckBox>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTabWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kGreyButton = QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);");
const QString kGreySquare = QStringLiteral("background-color: rgb(180, 180, 180);");

QStringList names(const QList<QLineEdit *> &edits)
{
    QStringList result;
    for (auto *e : edits)
        result << e->objectName();
    return result;
}

// Offscreen, a window takes the keyboard focus only once shown and active.
bool showActive(MainWindow &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    return QTest::qWaitForWindowActive(&w);
}

// Presses `key` where the focus is and says where the focus went.
QString press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

QStringList pressTab(int count)
{
    QStringList focused;
    for (int i = 0; i < count; ++i)
        focused << press(Qt::Key_Tab);
    return focused;
}

// A keyboard on the far side of Qt's VNC platform: the one way to type into
// a real program that runs without a screen and has no test hooks.
class VncKeyboard
{
public:
    ~VncKeyboard()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // Connects while the server comes up, then does the RFB 3.3 handshake
    // without authentication.
    bool connectTo(quint16 port, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        while (fd < 0) {
            fd = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
                ::close(fd);
                fd = -1;
                if (clock.elapsed() > timeoutMs)
                    return false;
                QTest::qWait(50);
            }
        }
        char version[12];
        quint32 security = 0;
        char init[24];
        if (!receive(version, sizeof version) || !sendBytes("RFB 003.003\n", 12)
            || !receive(&security, 4) || ntohl(security) != 1 || !sendBytes("\1", 1)
            || !receive(init, sizeof init))
            return false;
        QByteArray name(int(ntohl(*reinterpret_cast<quint32 *>(init + 20))), 0);
        return receive(name.data(), size_t(name.size()));
    }

    bool key(quint32 keysym, bool down)
    {
        const unsigned char event[8] = {4, down ? quint8(1) : quint8(0), 0, 0,
                                        quint8(keysym >> 24), quint8(keysym >> 16),
                                        quint8(keysym >> 8), quint8(keysym)};
        return sendBytes(event, sizeof event);
    }
    bool tap(quint32 keysym) { return key(keysym, true) && key(keysym, false); }

private:
    bool sendBytes(const void *data, size_t size)
    {
        return ::send(fd, data, size, MSG_NOSIGNAL) == ssize_t(size);
    }
    bool receive(void *data, size_t size)
    {
        auto *bytes = static_cast<char *>(data);
        for (size_t done = 0; done < size;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1)
                return false;
            const ssize_t n = ::recv(fd, bytes + done, size - done, 0);
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }

    int fd = -1;
};

// A TCP port nobody listens on just now.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Waits until the file that `inotifyFd` watches has been read and closed.
bool waitForRead(int inotifyFd, int timeoutMs)
{
    pollfd p{inotifyFd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void generalFieldsComeInRecordOrder();
    void telephonePagesFollowCreationOrder();
    void checkBoxesCarryAllGroupKeys();
    void telephoneLookupByName();
    void maximumLengths();
    void menusAndShortcuts();
    void startUpLook();
    void programModeLook();
    void leavingProgramModeClearsDeviceDisplay();
    void stateChangesShowThemselves();
    void setModeValues_data();
    void setModeValues();
    void reducedThenFull();
    void fullThenLarge();
    void keyboardFollowsTheScreen();
    void numbersByKeyboard();
    void tabKeysSwitchTabsEverywhere();
    void shortDefaultConfigurationIsReported();
    void shortcutsAndMenusEndTheEditing();
    void eventLoopLoadsDefaultsAndEndsWithZero();
    void programExitsWithZero();
};

void TestMainWindow::generalFieldsComeInRecordOrder()
{
    MainWindow w;
    const auto edits = widget(w, QStringLiteral("tab"))->findChildren<QLineEdit *>();
    QCOMPARE(names(edits), (QStringList{
        "smskp", "m_pin", "m_id", "m_nev", "visszaallas", "be1_nev", "be2_nev", "rele_time",
        "ki3_on", "ki4_on", "ki3_off", "ki4_off",
        "be1_on_msg", "be1_off_msg", "be2_on_msg", "be2_off_msg"}));
    for (QLineEdit *e : edits)
        QCOMPARE(e->font().family(), QStringLiteral("Courier"));
}

void TestMainWindow::telephonePagesFollowCreationOrder()
{
    MainWindow w;
    const int order[] = {11, 3, 9, 14, 6, 12, 4, 13, 10, 15, 5, 2, 7, 16, 1, 8,
                         18, 27, 23, 29, 25, 24, 28, 19, 20, 21, 17, 30, 26, 32, 31, 22};
    const char *containers[] = {"g3", "g4", "g5", "g6"};
    for (int p = 0; p < 4; ++p) {
        const auto edits = widget(w, QString::fromLatin1(containers[p]))->findChildren<QLineEdit *>();
        QCOMPARE(edits.size(), 32);
        for (int i = 0; i < 32; ++i)
            QCOMPARE(edits[i]->objectName(), QStringLiteral("t_%1").arg(32 * p + order[i]));
    }
    const auto g6 = widget(w, QStringLiteral("g6"))->findChildren<QLineEdit *>();
    QCOMPARE(g6.first()->objectName(), QStringLiteral("t_107"));
    QCOMPARE(g6.last()->objectName(), QStringLiteral("t_118"));
}

void TestMainWindow::checkBoxesCarryAllGroupKeys()
{
    MainWindow w;
    const auto boxes = widget(w, QStringLiteral("centralWidget"))->findChildren<QCheckBox *>();
    QCOMPARE(boxes.size(), 512);
    QSet<QString> groups;
    for (QCheckBox *box : boxes) {
        QVERIFY(!box->isChecked());
        groups.insert(box->property("group").toString());
    }
    QCOMPARE(groups.size(), 512);
    for (int k = 1; k <= 256; ++k)
        for (int b = 1; b <= 2; ++b)
            QVERIFY2(groups.contains(QStringLiteral("%1.%2").arg(k).arg(b)), qPrintable(QString::number(k)));

    // The alarm boxes of number 17 (first row of the right block) sit under the
    // alarm header of that block, the control boxes under theirs.
    auto *t17 = widget<QLineEdit>(w, QStringLiteral("t_17"));
    for (QCheckBox *box : boxes) {
        const QString g = box->property("group").toString();
        if (g == QLatin1String("33.2"))
            QCOMPARE(box->geometry(), QRect(350, 50, 16, 16));
        if (g == QLatin1String("34.1"))
            QCOMPARE(box->geometry(), QRect(430, 50, 16, 16));
    }
    QCOMPARE(t17->geometry(), QRect(460, 50, 105, 20));

    // No other widget has the property.
    int withGroup = 0;
    for (QObject *o : w.findChildren<QObject *>())
        withGroup += o->property("group").isValid() ? 1 : 0;
    QCOMPARE(withGroup, 512);
}

void TestMainWindow::telephoneLookupByName()
{
    MainWindow w;
    auto *central = widget(w, QStringLiteral("centralWidget"));
    auto find = [central](const char *name) { return central->findChild<QLineEdit *>(QString::fromLatin1(name)); };
    QVERIFY(widget(w, QStringLiteral("tab_2"))->isAncestorOf(find("t_1")));
    QCOMPARE(find("t_1")->geometry(), QRect(120, 50, 105, 20));
    QVERIFY(widget(w, QStringLiteral("tab_3"))->isAncestorOf(find("t_33")));
    QVERIFY(widget(w, QStringLiteral("tab_5"))->isAncestorOf(find("t_128")));
    QCOMPARE(find("t_128")->geometry(), QRect(460, 50 + 25 * 15, 105, 20));
    QVERIFY(!find("t_0"));
    QVERIFY(!find("t_129"));
    QVERIFY(!find("t_01"));
}

void TestMainWindow::maximumLengths()
{
    MainWindow w;
    const QMap<QString, int> expected = {
        {"smskp", 16}, {"m_pin", 4}, {"m_id", 4}, {"m_nev", 16}, {"visszaallas", 1},
        {"be1_nev", 16}, {"be2_nev", 16}, {"rele_time", 4},
        {"ki3_on", 16}, {"ki4_on", 16}, {"ki3_off", 16}, {"ki4_off", 16},
        {"be1_on_msg", 16}, {"be1_off_msg", 16}, {"be2_on_msg", 16}, {"be2_off_msg", 16}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(widget<QLineEdit>(w, it.key())->maxLength(), it.value());
    for (int n = 1; n <= 128; ++n)
        QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n))->maxLength(), 14);
}

void TestMainWindow::menusAndShortcuts()
{
    MainWindow w;
    QStringList titles;
    for (QAction *a : w.menuBar()->actions())
        titles << a->menu()->objectName() + QLatin1Char('=') + a->text();
    // Alt and the marked letter open each menu; the shown titles stay as they
    // were, the register's standing before "Help".
    QCOMPARE(titles, (QStringList{"menuFile=&File", "menuSettings=&Beállítások", "menuDevice=&Eszköz",
                                  "menuRegister=&Nyilvántartás", "menuHelp=&Help"}));

    auto action = [&w](const char *name) { return w.findChild<QAction *>(QString::fromLatin1(name)); };
    const struct { const char *name; const char *text; const char *key; bool icon; } table[] = {
        {"actionOpen", "Megnyitás", "Ctrl+O", true}, {"actionSave", "Mentés", "Ctrl+S", true},
        {"actionExit", "Kilépés", "Ctrl+Q", true}, {"actionPort", "Port beállítása", "", false},
        {"actionReadup", "Kiolvasás az eszközből", "Ctrl+R", true},
        {"actionDownload", "Betöltés az eszközbe", "Ctrl+D", true},
        {"actionVerify", "Betöltés ellenőrzése", "Ctrl+V", false},
        {"actionReleTeszt", "Relé teszt", "", false}, {"actionStatus", "Státusz lekérdezése", "", false},
        {"actionContents", "Tartalom", "F1", false}, {"actionAbout", "Névjegy", "", true},
        {"actionSites", "Telephelyek…", "", false}, {"actionFindNumber", "Szám keresése…", "", false},
        {"actionSheet", "Átadási lap (PDF)…", "", false},
    };
    for (const auto &row : table) {
        QAction *a = action(row.name);
        QVERIFY2(a, row.name);
        QCOMPARE(a->text(), QString::fromUtf8(row.text));
        QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(row.key)));
        QCOMPARE(!a->icon().isNull(), row.icon);
    }
    // Every icon of the resource set is there and drawn.
    for (const char *img : {"icon_download", "open", "save", "exit_icon", "info_icon", "up", "down",
                            "Button-Reload-icon"}) {
        QImage image(QStringLiteral(":/img/img/%1.png").arg(QString::fromLatin1(img)));
        QVERIFY2(!image.isNull(), img);
    }
    QVERIFY(!w.windowIcon().isNull());
    const QStringList device = [&] {
        QStringList l;
        for (QAction *a : widget<QMenu>(w, QStringLiteral("menuDevice"))->actions())
            l << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return l;
    }();
    QCOMPARE(device, (QStringList{"actionReadup", "-", "actionDownload", "actionVerify", "-",
                                  "actionReleTeszt", "-", "actionStatus"}));
}

void TestMainWindow::startUpLook()
{
    MainWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Kordavo 32/128 letöltő szoftver v2.62"));
    QCOMPARE(w.minimumSize(), QSize(900, 560));
    QCOMPARE(w.maximumSize(), QSize(900, 560));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("portLabel"))->text(), QStringLiteral("COM1   Baud: 1200"));
    QCOMPARE(w.statusBar()->findChildren<QLabel *>().size(), 2);
    QVERIFY(!widget<QLabel>(w, QStringLiteral("linkLabel")));
    QCOMPARE(w.state().portName(), QStringLiteral("COM1"));
    QCOMPARE(w.state().baudRate(), 1200);
    QCOMPARE(w.state().memorySize(), 32);
    QCOMPARE(w.state().downloadSeparator(), '|');
    QCOMPARE(w.state().ackChar(), 'O');
    QVERIFY(!w.state().programMode());

    auto *port = widget<QPushButton>(w, QStringLiteral("button_port"));
    QCOMPARE(port->text(), QStringLiteral("Port beállítása"));
    QCOMPARE(port->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(60, 165, 55);"));
    for (const char *b : {"button_status", "button_dl", "button_vf", "button_ul"})
        QCOMPARE(widget(w, QString::fromLatin1(b))->styleSheet(), kGreyButton);
    QVERIFY(!widget<QMenu>(w, QStringLiteral("menuDevice"))->isEnabled());
    QVERIFY(!widget(w, QStringLiteral("g_eszkoz"))->isEnabled());
    // Only the menu is disabled, not the actions in it.
    QVERIFY(w.findChild<QAction *>(QStringLiteral("actionDownload"))->isEnabled());

    auto *combo = widget<QComboBox>(w, QStringLiteral("smskp_combo"));
    QCOMPARE(combo->currentText(), QStringLiteral("T-Mobile"));
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(3), QStringLiteral("Egyéni"));
    auto *smskp = widget<QLineEdit>(w, QStringLiteral("smskp"));
    QCOMPARE(smskp->text(), QStringLiteral("36309888000"));
    QVERIFY(!smskp->isEnabled());
    QCOMPARE(widget<QLabel>(w, QStringLiteral("l_ver"))->text(), QStringLiteral("Memória: --"));
    QCOMPARE(widget<QTabWidget>(w, QStringLiteral("tabWidget"))->currentIndex(), 0);
    QCOMPARE(w.palette().color(QPalette::Active, QPalette::Text), QColor(0, 111, 0));
    QCOMPARE(w.palette().color(QPalette::Disabled, QPalette::Text), QColor(118, 116, 108));

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(1200, 800);
    QCOMPARE(w.size(), QSize(900, 560));
}

void TestMainWindow::programModeLook()
{
    MainWindow w;
    w.state().setProgramMode(true);
    w.updateModeDisplay();
    QVERIFY(widget<QMenu>(w, QStringLiteral("menuDevice"))->isEnabled());
    QVERIFY(widget(w, QStringLiteral("g_eszkoz"))->isEnabled());
    QCOMPARE(widget(w, QStringLiteral("button_status"))->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(0, 121, 89);"));
    QCOMPARE(widget(w, QStringLiteral("button_dl"))->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(60, 165, 55);"));
    QCOMPARE(widget(w, QStringLiteral("button_vf"))->styleSheet(), QStringLiteral("color: rgb(130, 130, 130); background-color: rgb(255, 222, 55);"));
    QCOMPARE(widget(w, QStringLiteral("button_ul"))->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(216, 79, 79);"));
    QCOMPARE(widget(w, QStringLiteral("button_port"))->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(255, 0, 0);"));
    QCOMPARE(widget<QPushButton>(w, QStringLiteral("button_port"))->text(), QStringLiteral("Visszaállás\nnormál üzemmódba"));
    QCOMPARE(w.findChild<QAction *>(QStringLiteral("actionPort"))->text(), QStringLiteral("Visszaállás\nnormál üzemmódba"));

    // Programming mode keeps what the status query last showed.
    widget<QLabel>(w, QStringLiteral("l_service"))->setText(QStringLiteral("Telenor"));
    widget<QProgressBar>(w, QStringLiteral("terero"))->setValue(7);
    widget(w, QStringLiteral("w_ki2"))->setStyleSheet(QStringLiteral("background-color: rgb(255, 0, 0);"));
    w.updateModeDisplay();
    QCOMPARE(widget<QLabel>(w, QStringLiteral("l_service"))->text(), QStringLiteral("Telenor"));
    QCOMPARE(widget<QProgressBar>(w, QStringLiteral("terero"))->value(), 7);
    QCOMPARE(widget(w, QStringLiteral("w_ki2"))->styleSheet(), QStringLiteral("background-color: rgb(255, 0, 0);"));
}

// Whoever changes the programming mode or the port, the window shows it,
// once for each real change.
void TestMainWindow::stateChangesShowThemselves()
{
    MainWindow w;
    QSignalSpy modeChanges(&w.state(), &WindowState::programModeChanged);
    auto *portButton = widget<QPushButton>(w, QStringLiteral("button_port"));

    w.state().setProgramMode(true);
    QVERIFY(widget<QMenu>(w, QStringLiteral("menuDevice"))->isEnabled());
    QVERIFY(widget(w, QStringLiteral("g_eszkoz"))->isEnabled());
    QCOMPARE(portButton->text(), QStringLiteral("Visszaállás\nnormál üzemmódba"));
    w.state().setProgramMode(true);
    QCOMPARE(modeChanges.size(), 1);

    w.state().setPort(QStringLiteral("/dev/ttyUSB0"), 9600);
    QCOMPARE(widget<QLabel>(w, QStringLiteral("portLabel"))->text(), QStringLiteral("/dev/ttyUSB0   Baud: 9600"));

    w.state().setProgramMode(false);
    QCOMPARE(modeChanges.size(), 2);
    QVERIFY(!widget<QMenu>(w, QStringLiteral("menuDevice"))->isEnabled());
    QVERIFY(!widget(w, QStringLiteral("g_eszkoz"))->isEnabled());
    QCOMPARE(portButton->text(), QStringLiteral("Port beállítása"));
    QCOMPARE(portButton->styleSheet(), QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(60, 165, 55);"));
    QCOMPARE(widget(w, QStringLiteral("button_dl"))->styleSheet(), kGreyButton);
}

void TestMainWindow::leavingProgramModeClearsDeviceDisplay()
{
    MainWindow w;
    w.state().setProgramMode(true);
    w.updateModeDisplay();
    widget<QLabel>(w, QStringLiteral("l_service"))->setText(QStringLiteral("Telenor"));
    widget<QProgressBar>(w, QStringLiteral("terero"))->setValue(7);
    for (const char *sq : {"w_be1", "w_be2", "w_ki1", "w_ki2", "w_ki3", "w_ki4"})
        widget(w, QString::fromLatin1(sq))->setStyleSheet(QStringLiteral("background-color: rgb(255, 0, 0);"));

    w.state().setProgramMode(false);
    w.updateModeDisplay();
    QVERIFY(widget<QLabel>(w, QStringLiteral("l_service"))->text().isEmpty());
    QCOMPARE(widget<QProgressBar>(w, QStringLiteral("terero"))->value(), -1);
    for (const char *sq : {"w_be1", "w_be2", "w_ki1", "w_ki2", "w_ki3", "w_ki4"})
        QCOMPARE(widget(w, QString::fromLatin1(sq))->styleSheet(), kGreySquare);
    QCOMPARE(widget<QPushButton>(w, QStringLiteral("button_port"))->text(), QStringLiteral("Port beállítása"));
    QVERIFY(!widget(w, QStringLiteral("g_eszkoz"))->isEnabled());
}

void TestMainWindow::setModeValues_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("memory");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("128") << 128 << 128 << false;
    QTest::newRow("127") << 127 << 128 << true;
    QTest::newRow("31") << 31 << 32 << true;
    QTest::newRow("32") << 32 << 32 << false;
    QTest::newRow("64") << 64 << 32 << false;
    QTest::newRow("0") << 0 << 32 << false;
    QTest::newRow("negative") << -5 << 32 << false;
}

void TestMainWindow::setModeValues()
{
    QFETCH(int, n);
    QFETCH(int, memory);
    QFETCH(bool, reduced);

    MainWindow w;
    widget<QLineEdit>(w, QStringLiteral("m_nev"))->setText(QStringLiteral("Kapu"));
    widget<QLineEdit>(w, QStringLiteral("t_40"))->setText(QStringLiteral("3670111"));
    widget<QLineEdit>(w, QStringLiteral("m_pin"))->setText(QStringLiteral("1234"));
    widget<QLineEdit>(w, QStringLiteral("rele_time"))->setText(QStringLiteral("5"));
    const auto boxes = widget(w, QStringLiteral("centralWidget"))->findChildren<QCheckBox *>();
    auto *ticked = widget<QCheckBox>(w, QStringLiteral("tc4_1"));
    ticked->setChecked(true);

    w.setMode(n);
    QCOMPARE(w.state().memorySize(), memory);
    for (const char *page : {"tab_3", "tab_4", "tab_5"})
        QCOMPARE(widget(w, QString::fromLatin1(page))->isEnabled(), memory == 128);
    QVERIFY(widget(w, QStringLiteral("tab_2"))->isEnabled());

    // Never touched: numbers, SMS centre, PIN, relay time.
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_40"))->text(), QStringLiteral("3670111"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("m_pin"))->text(), QStringLiteral("1234"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("rele_time"))->text(), QStringLiteral("5"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("smskp"))->text(), QStringLiteral("36309888000"));
    QVERIFY(widget(w, QStringLiteral("m_pin"))->isEnabled());

    if (reduced) {
        for (const char *f : {"m_id", "m_nev", "be1_nev", "be2_nev", "ki3_on", "ki4_on", "ki3_off",
                              "ki4_off", "be1_on_msg", "be1_off_msg", "be2_on_msg", "be2_off_msg"}) {
            QCOMPARE(widget<QLineEdit>(w, QString::fromLatin1(f))->text(), QStringLiteral("-"));
            QVERIFY(!widget(w, QString::fromLatin1(f))->isEnabled());
        }
        QCOMPARE(widget<QLineEdit>(w, QStringLiteral("visszaallas"))->text(), QStringLiteral("0"));
        QVERIFY(!widget(w, QStringLiteral("visszaallas"))->isEnabled());
        for (QCheckBox *box : boxes) {
            QVERIFY(!box->isChecked());
            QVERIFY(!box->isEnabled());
        }
    } else {
        QCOMPARE(widget<QLineEdit>(w, QStringLiteral("m_nev"))->text(), QStringLiteral("Kapu"));
        for (const char *f : {"m_id", "m_nev", "visszaallas", "be1_nev", "be2_nev", "g2_be", "g2_ki"})
            QVERIFY(widget(w, QString::fromLatin1(f))->isEnabled());
        QVERIFY(ticked->isChecked());
        QVERIFY(ticked->isEnabled());
    }
}

void TestMainWindow::reducedThenFull()
{
    MainWindow w;
    w.setMode(31);
    w.setMode(32);
    for (const char *f : {"m_id", "m_nev", "be1_nev", "be2_nev", "ki3_on", "be2_off_msg"}) {
        QVERIFY(widget(w, QString::fromLatin1(f))->isEnabled());
        QCOMPARE(widget<QLineEdit>(w, QString::fromLatin1(f))->text(), QStringLiteral("-"));
    }
    QVERIFY(widget(w, QStringLiteral("ki3_on"))->isEnabled());
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("visszaallas"))->text(), QStringLiteral("0"));
    for (QCheckBox *box : widget(w, QStringLiteral("centralWidget"))->findChildren<QCheckBox *>())
        QVERIFY(!box->isChecked());
    // Boxes of the first page are usable again, those of the disabled pages not.
    QVERIFY(widget(w, QStringLiteral("tc1_1"))->isEnabled());
    QVERIFY(!widget(w, QStringLiteral("tc1_40"))->isEnabled());
    QVERIFY(widget(w, QStringLiteral("tc1_40"))->isEnabledTo(widget(w, QStringLiteral("tab_3"))));
}

void TestMainWindow::fullThenLarge()
{
    MainWindow w;
    w.setMode(128);
    widget<QLineEdit>(w, QStringLiteral("t_100"))->setText(QStringLiteral("36201234567"));
    widget<QCheckBox>(w, QStringLiteral("tc2_100"))->setChecked(true);
    w.setMode(32);
    QVERIFY(!widget(w, QStringLiteral("t_100"))->isEnabled());
    w.setMode(128);
    QVERIFY(widget(w, QStringLiteral("t_100"))->isEnabled());
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_100"))->text(), QStringLiteral("36201234567"));
    QVERIFY(widget<QCheckBox>(w, QStringLiteral("tc2_100"))->isChecked());
    QVERIFY(widget(w, QStringLiteral("tc2_100"))->isEnabled());
}

void TestMainWindow::keyboardFollowsTheScreen()
{
    RecordingPrompter prompter;   // every Tab ends an editing and runs a check
    MainWindow w;
    w.state().setProgramMode(true);
    w.updateModeDisplay();
    widget<QComboBox>(w, QStringLiteral("smskp_combo"))->setCurrentIndex(3);   // smskp editable
    QVERIFY(showActive(w));

    // The general tab: g1 top to bottom with the SMS combo before its field,
    // then Bemenetek, Kimenetek, the device column, and round to the tab bar.
    const QStringList general{
        "smskp", "m_pin", "m_id", "m_nev", "visszaallas", "be1_nev", "be2_nev", "rele_time",
        "be1_on_msg", "be1_off_msg", "be2_on_msg", "be2_off_msg",
        "ki3_on", "ki4_on", "ki3_off", "ki4_off",
        "button_status", "button_dl", "button_vf", "button_ul", "button_port",
        "qt_tabwidget_tabbar", "smskp_combo"};
    widget(w, QStringLiteral("smskp_combo"))->setFocus();
    QCOMPARE(pressTab(general.size()), general);

    // A telephone page: row by row, the four boxes left to right before the
    // number; the left block's 16 rows, then the right block's.
    widget<QTabWidget>(w, QStringLiteral("tabWidget"))->setCurrentIndex(1);
    QStringList page;
    for (int n = 1; n <= 32; ++n) {
        for (int column = 1; column <= 4; ++column)
            page << QStringLiteral("tc%1_%2").arg(column).arg(n);
        page << QStringLiteral("t_%1").arg(n);
    }
    page << "button_status" << "button_dl" << "button_vf" << "button_ul" << "button_port"
         << "qt_tabwidget_tabbar" << page.first();
    widget(w, QStringLiteral("tc1_1"))->setFocus();
    QCOMPARE(pressTab(page.size() - 1), page.mid(1));
    QVERIFY(prompter.messages.isEmpty());
}

void TestMainWindow::numbersByKeyboard()
{
    RecordingPrompter prompter;
    MainWindow w;
    w.setMode(128);
    QVERIFY(showActive(w));
    auto *tabs = widget<QTabWidget>(w, QStringLiteral("tabWidget"));
    auto number = [&w](int n) { return widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n)); };
    tabs->setCurrentIndex(1);

    // A list typed without the mouse: Return and Down go on to the next
    // number, from the left block into the right one; Up goes back.
    number(1)->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), "3611");
    QCOMPARE(press(Qt::Key_Return), QStringLiteral("t_2"));
    QTest::keyClicks(QApplication::focusWidget(), "3612");
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("t_3"));
    number(16)->setFocus();
    QCOMPARE(press(Qt::Key_Enter), QStringLiteral("t_17"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("t_18"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("t_17"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("t_16"));
    QCOMPARE(number(1)->text(), QStringLiteral("3611"));
    QCOMPARE(number(2)->text(), QStringLiteral("3612"));

    // A page's first and last numbers are where the keys stop.
    number(32)->setFocus();
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("t_32"));
    tabs->setCurrentIndex(2);
    number(33)->setFocus();
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("t_33"));
    QVERIFY(prompter.messages.isEmpty());

    // Moving on ends the editing: a bad number is emptied and the focus
    // stays on it; at the page's end Return still ends it and checks.
    QTest::keyClicks(QApplication::focusWidget(), "36-1");
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("t_33"));
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(number(33)->text().isEmpty());
    number(64)->setFocus();
    number(43)->setText(QStringLiteral("abc"));   // first in the page's walk
    QCOMPARE(press(Qt::Key_Return), QStringLiteral("t_43"));
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.last().title, QStringLiteral("Beviteli hiba"));
    QVERIFY(number(43)->text().isEmpty());
}

void TestMainWindow::tabKeysSwitchTabsEverywhere()
{
    RecordingPrompter prompter;
    MainWindow w;
    w.setMode(128);
    w.state().setProgramMode(true);   // the device buttons take the focus too
    QVERIFY(showActive(w));
    auto *tabs = widget<QTabWidget>(w, QStringLiteral("tabWidget"));
    auto *operators = widget<QComboBox>(w, QStringLiteral("smskp_combo"));
    const auto pressOn = [&](const char *name, Qt::Key key) {
        QWidget *field = widget(w, QString::fromLatin1(name));
        for (int page = 0; page < tabs->count(); ++page) {
            if (tabs->widget(page)->isAncestorOf(field))
                tabs->setCurrentIndex(page);
        }
        field->setFocus();
        const Qt::KeyboardModifiers modifiers =
            key == Qt::Key_Backtab ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return tabs->currentIndex();
    };
    // Ctrl+PageDown and Ctrl+PageUp, Ctrl+Tab and Ctrl+Shift+Tab from every
    // kind of field of the form, round at the ends: the operator box keeps
    // its operator.
    QCOMPARE(pressOn("smskp_combo", Qt::Key_PageDown), 1);
    QCOMPARE(pressOn("smskp_combo", Qt::Key_PageUp), 4);
    QCOMPARE(pressOn("smskp_combo", Qt::Key_Tab), 1);
    QCOMPARE(pressOn("smskp_combo", Qt::Key_Backtab), 4);
    QCOMPARE(operators->currentIndex(), 0);
    QCOMPARE(pressOn("m_pin", Qt::Key_PageDown), 1);
    QCOMPARE(pressOn("tc1_1", Qt::Key_PageDown), 2);
    QCOMPARE(pressOn("t_40", Qt::Key_PageUp), 1);
    QCOMPARE(pressOn("t_128", Qt::Key_PageDown), 0);
    QCOMPARE(pressOn("button_status", Qt::Key_PageUp), 4);
    // A locked page is shown, as a click on its tab shows it, and the keys
    // go on from there.
    w.setMode(32);
    QCOMPARE(pressOn("t_1", Qt::Key_PageDown), 2);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_PageDown,
                    Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), 3);
    QCOMPARE(operators->currentIndex(), 0);
    QVERIFY(prompter.messages.isEmpty());
}

void TestMainWindow::shortDefaultConfigurationIsReported()
{
    // Only a missing default configuration is silent; one that is there but
    // short is a broken file like any other.
    ScratchDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes = "36209300099\r\n1234";
    for (int line = 3; line <= 143; ++line)
        bytes += "\r\n";
    QFile file(dir.filePath(QStringLiteral("kordavo_default.dll")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    RecordingPrompter prompter;
    MainWindow w;
    w.show();
    QTRY_COMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("File hiba"));
    QCOMPARE(prompter.last().text,
             QStringLiteral("Nem lehet megnyitni a fájlt. Tipp: ellenőrizze a fájl szintaxisát."));
    QCOMPARE(prompter.messageParents.last(), &w);
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("smskp"))->text(), QStringLiteral("36309888000"));
    QVERIFY(widget<QLineEdit>(w, QStringLiteral("m_pin"))->text().isEmpty());
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QVERIFY(!widget<QLabel>(w, QStringLiteral("linkLabel")));
}

void TestMainWindow::eventLoopLoadsDefaultsAndEndsWithZero()
{
    // As main() runs it: the loop loads the default configuration and returns
    // 0 once the window closes, by Ctrl+Q or by the close that the title bar
    // sends through the window system. A bad value in the field that has the
    // focus shows nothing on the way out.
    ScratchDir dir(ScratchDir::ProgramFiles);
    QVERIFY(dir.isValid());
    QFile defaults(dir.filePath(QStringLiteral("kordavo_default.dll")));
    QVERIFY(defaults.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = defaults.readAll().split('\n');
    QVERIFY(lines.size() >= 144);
    const QString pin = QString::fromLatin1(lines.at(1).trimmed());
    QVERIFY(!pin.isEmpty());

    RecordingPrompter prompter;
    for (const bool byShortcut : {true, false}) {
        MainWindow w;
        QString loadedPin;
        QString loadedFile;
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(showActive(w));
            QTRY_COMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kordavo_default.dll"));
            loadedFile = widget<QLabel>(w, QStringLiteral("fileLabel"))->text();
            loadedPin = widget<QLineEdit>(w, QStringLiteral("m_pin"))->text();
            // The keys the real program gets below: from the first focus on
            // to m_pin, whose PIN the letter replaces.
            pressTab(2);
            QTest::keyClicks(QApplication::focusWidget(), "x");
            QCOMPARE(widget<QLineEdit>(w, QStringLiteral("m_pin"))->text(), QStringLiteral("x"));
            if (byShortcut) {
                QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
            } else {
                QCloseEvent close;
                QCoreApplication::sendEvent(w.windowHandle(), &close);
            }
        });
        QTimer failsafe;
        failsafe.setSingleShot(true);
        connect(&failsafe, &QTimer::timeout, qApp, [] { qApp->exit(1); });
        failsafe.start(10000);
        QCOMPARE(qApp->exec(), 0);
        QCOMPARE(loadedFile, QStringLiteral("kordavo_default.dll"));
        QCOMPARE(loadedPin, pin);
        QVERIFY(!w.isVisible());
        QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.last().text));
    }
}

void TestMainWindow::shortcutsAndMenusEndTheEditing()
{
    ScratchDir dir(ScratchDir::ProgramFiles);
    QVERIFY(dir.isValid());
    RecordingPrompter prompter;
    MainWindow w;
    QVERIFY(showActive(w));
    QTRY_COMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kordavo_default.dll"));
    prompter.clear();
    auto *pin = widget<QLineEdit>(w, QStringLiteral("m_pin"));
    const auto savedLines = [&dir](const QString &name) { return configfile::readFile(dir.filePath(name)); };

    // A bad PIN typed and not left, then Ctrl+S: judged as on Tab, and the
    // file gets what the check left.
    pin->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(pin, QStringLiteral("12a4"));
    QCOMPARE(pin->text(), QStringLiteral("12a4"));
    prompter.fileAnswers.enqueue(dir.filePath(QStringLiteral("shortcut.krv")));
    QTest::keyClick(pin, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.messages.at(0).icon, QMessageBox::Warning);
    QCOMPARE(prompter.messages.at(0).text, QStringLiteral("Csak számok adhatóak meg!"));
    QCOMPARE(prompter.messages.at(1).text, QStringLiteral("Sikeres mentés."));
    QVERIFY(pin->text().isEmpty());
    QCOMPARE(savedLines(QStringLiteral("shortcut.krv")).value(1), QString());

    // A bad number, then the File menu opened with the mouse and "Mentés"
    // chosen in it: one check, when the menu opens.
    prompter.clear();
    pin->setText(QStringLiteral("2580"));
    widget<QTabWidget>(w, QStringLiteral("tabWidget"))->setCurrentIndex(1);
    auto *number = widget<QLineEdit>(w, QStringLiteral("t_1"));
    number->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(number, QStringLiteral("3630b"));
    auto *fileMenu = widget<QMenu>(w, QStringLiteral("menuFile"));
    QTest::mouseClick(w.menuBar(), Qt::LeftButton, {}, w.menuBar()->actionGeometry(fileMenu->menuAction()).center());
    QTRY_VERIFY(fileMenu->isVisible());
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Warning);
    QVERIFY(number->text().isEmpty());
    prompter.fileAnswers.enqueue(dir.filePath(QStringLiteral("menu.krv")));
    auto *save = widget<QAction>(w, QStringLiteral("actionSave"));
    QTest::mouseClick(fileMenu, Qt::LeftButton, {}, fileMenu->actionGeometry(save).center());
    QTRY_COMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres mentés."));
    const std::optional<Configuration> saved = configfile::fromLines(savedLines(QStringLiteral("menu.krv")));
    QVERIFY(saved);
    QCOMPARE(saved->general.at(1), QStringLiteral("2580"));
    QCOMPARE(saved->telephones.at(0).number, QString());
}

void TestMainWindow::programExitsWithZero()
{
    // The real executable, typed at through the VNC platform once it has
    // read its default configuration: a bad PIN in the focused field, then
    // Ctrl+Q. A message box on the way out would keep it running.
    const QString program = QStringLiteral(KORDAVO_BIN_DIR "/kordavo");
    QVERIFY2(QFileInfo::exists(program), qPrintable(program));
    ScratchDir dir(ScratchDir::ProgramFiles);
    QVERIFY(dir.isValid());
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QVERIFY(inotify_add_watch(watch, QFile::encodeName(dir.filePath(QStringLiteral("kordavo_default.dll"))),
                              IN_CLOSE_NOWRITE) >= 0);

    const quint16 port = freePort();
    QVERIFY(port != 0);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:port=%1").arg(port));
    process.setProcessEnvironment(env);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    const auto stop = qScopeGuard([&process] {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    });

    VncKeyboard keyboard;
    QVERIFY(keyboard.connectTo(port, 10000));
    QVERIFY2(waitForRead(watch, 10000), "the default configuration was never read");
    const quint32 tab = 0xff09, control = 0xffe3;
    QVERIFY(keyboard.tap(tab) && keyboard.tap(tab) && keyboard.tap('x'));
    QVERIFY(keyboard.key(control, true) && keyboard.tap('q') && keyboard.key(control, false));

    QVERIFY2(process.waitForFinished(10000), "still running after Ctrl+Q");
    const QString log = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, qPrintable(log));
    QVERIFY2(!log.contains(QLatin1String("QObject::")), qPrintable(log));
}

KORDAVO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
