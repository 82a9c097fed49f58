// The site register in the window, offscreen against a scratch register on
// SQLite and on a PostgreSQL server of the test's own: the menu, the site
// list and its filter, a site's versions and their differences in the
// register's words, where a number stands and the jump to its site, a
// version loaded into the form as a file opens, the changes to a site, the
// handover sheets of a version and of the form, and a server that never
// answers while the window goes on.

#include "devicetests.h"
#include "registertesthelpers.h"
#include "sheettesthelpers.h"
#include "support/postgresserver.h"
#include "support/testsupport.h"
#include "transfertesthelpers.h"

#include "document/documentcommands.h"
#include "registerview/registercommands.h"
#include "registerview/registerwindow.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QScopeGuard>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTreeWidget>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace registertest;
using namespace sheettest;

namespace {

using Command = TransferRecord::Command;
using Result = TransferRecord::Result;

struct Sites
{
    qint64 gate = 0;     // two versions
    qint64 garage = 0;
    qint64 barrier = 0;
    QByteArray gateFirstFile;
};

const Configuration kGateFirst = gate(QStringLiteral("4172"), QStringLiteral("Főkapu nyitó"),
                                      {{1, QStringLiteral("36301234567"), 3, 3},
                                       {2, QStringLiteral("36209876543"), 1, 1},
                                       {5, QStringLiteral("36301112233"), 1, 0}});
const Configuration kGateSecond = gate(QStringLiteral("4172"), QStringLiteral("Főkapu nyitó"),
                                       {{1, QStringLiteral("36301234567"), 3, 3},
                                        {5, QStringLiteral("36301112233"), 1, 2},
                                        {7, QStringLiteral("36201234000"), 0, 1}});

Sites populate(const QString &location)
{
    QString why;
    SiteRegister reg(*parseLocation(location, &why));
    Sites sites;
    sites.gate = reg.record(transfer(Command::Download, Result::Ok, kGateFirst, 1)).siteId;
    reg.record(transfer(Command::Download, Result::Ok, kGateSecond, 2));
    sites.garage = reg.record(transfer(Command::Download, Result::Ok,
                                       gate(QStringLiteral("4173"), QStringLiteral("Garázs kapu"),
                                            {{1, QStringLiteral("36301234567"), 0, 1},
                                             {2, QStringLiteral("36304445566"), 0, 1}}),
                                       3))
                       .siteId;
    sites.barrier = reg.record(transfer(Command::Readout, Result::Ok,
                                        gate(QStringLiteral("0815"), QStringLiteral("Sorompó"),
                                             {{1, QStringLiteral("36701112222"), 2, 0}}),
                                        4))
                        .siteId;
    reg.setAddress(sites.gate, QStringLiteral("Fő utca 12."));
    sites.gateFirstFile = fileOf(kGateFirst);
    if (!sites.gate || !sites.garage || !sites.barrier || !reg.problem().isEmpty())
        qFatal("the scratch register was not filled: %s", qPrintable(reg.problem()));
    return sites;
}

qint64 idOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

QTreeWidgetItem *rowOf(QTreeWidget *tree, qint64 id)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (idOf(tree->topLevelItem(i)) == id)
            return tree->topLevelItem(i);
    }
    return nullptr;
}

QList<qint64> shownSites(QTreeWidget *tree)
{
    QList<qint64> shown;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (!tree->topLevelItem(i)->isHidden())
            shown << idOf(tree->topLevelItem(i));
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

void chooseVersions(QTreeWidget *history, const QList<int> &versions)
{
    history->clearSelection();
    for (int i = 0; i < history->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = history->topLevelItem(i);
        row->setSelected(versions.contains(row->data(0, Qt::UserRole).toInt()));
    }
}

QString changeLines(const QString &location, qint64 site, int from, int to)
{
    QString why;
    SiteRegister reg(*parseLocation(location, &why));
    QStringList lines{QStringLiteral("%1. → %2. változat:").arg(from).arg(to)};
    const QList<VersionChange> changes = reg.changes(site, from, to).value();
    for (const VersionChange &change : changes)
        lines << QStringLiteral("  ") + change.text;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestRegisterWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void menuSitesVersionsNumbersAndForm_data();
    void menuSitesVersionsNumbersAndForm();
    void siteChangesAndMerge();
    void sheetsOfAVersionAndOfTheForm_data();
    void sheetsOfAVersionAndOfTheForm();
    void silentServerDoesNotHoldTheWindow();
    void transfersSayWhatTheRegisterKept();
    void registerThatCannotRecordIsToldOnce();

private:
    QString registerFor(bool onServer, const QString &name);
    RegisterWindow *openSites(MainWindow &w);

    ScratchPostgres server;
    std::unique_ptr<ScratchDir> scratch;
};

void TestRegisterWindow::initTestCase()
{
    KORDAVO_START_POSTGRES(server);
}

void TestRegisterWindow::cleanupTestCase()
{
    QVERIFY(server.stop());
}

void TestRegisterWindow::init()
{
    scratch = std::make_unique<ScratchDir>(ScratchDir::ProgramFiles);
    // A server's queue file lands here, not in the user's data folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch->path()));
}

void TestRegisterWindow::cleanup()
{
    qputenv("KORDAVO_REGISTER", "off");
    qunsetenv("XDG_DATA_HOME");
    scratch.reset();
}

QString TestRegisterWindow::registerFor(bool onServer, const QString &name)
{
    QString location = scratch->filePath(name + QStringLiteral(".sqlite"));
    if (onServer) {
        QString why;
        if (!server.createDatabase(name, &why))
            qFatal("CREATE DATABASE %s: %s", qPrintable(name), qPrintable(why));
        location = server.url(name);
    }
    // The window takes its register as the program does, from the environment.
    qputenv("KORDAVO_REGISTER", location.toUtf8());
    return location;
}

RegisterWindow *TestRegisterWindow::openSites(MainWindow &w)
{
    widget<QAction>(w, QStringLiteral("actionSites"))->trigger();
    return w.siteRegister().registerWindow();
}

void TestRegisterWindow::menuSitesVersionsNumbersAndForm_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void TestRegisterWindow::menuSitesVersionsNumbersAndForm()
{
    QFETCH(bool, onServer);
    const QString location = registerFor(onServer, QStringLiteral("browse"));
    const Sites sites = populate(location);
    RecordingPrompter prompter;
    const std::unique_ptr<MainWindow> w = startedWindow();

    // The menu stands between "Eszköz" and "Help"; the others are as they were.
    QStringList titles;
    for (QAction *a : w->menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Beállítások", "&Eszköz", "&Nyilvántartás", "&Help"}));
    QStringList entries;
    for (QAction *a : widget<QMenu>(*w, QStringLiteral("menuRegister"))->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(entries, (QStringList{"Telephelyek…", "Szám keresése…", "-", "Átadási lap (PDF)…"}));

    RegisterWindow *view = openSites(*w);
    QVERIFY(view && view->isVisible());
    auto *siteList = widget<QTreeWidget>(*view, QStringLiteral("siteList"));
    auto *filter = widget<QLineEdit>(*view, QStringLiteral("siteFilter"));
    QVERIFY(QTest::qWaitForWindowActive(view));
    QCOMPARE(QApplication::focusWidget(), filter);
    QTRY_COMPARE(siteList->topLevelItemCount(), 3);
    const QTreeWidgetItem *gateRow = rowOf(siteList, sites.gate);
    QCOMPARE(gateRow->text(0), QStringLiteral("Főkapu nyitó (4172) [%1]").arg(sites.gate));
    QCOMPARE(gateRow->text(1), QStringLiteral("128 számos"));
    QCOMPARE(gateRow->text(2), QStringLiteral("3"));
    QCOMPARE(gateRow->text(3), kStart.addSecs(120).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    QCOMPARE(gateRow->text(4), QStringLiteral("–"));

    // Case and accents do not count; the address is searched too.
    QTest::keyClicks(filter, QStringLiteral("GARAZS"));
    QCOMPARE(shownSites(siteList), QList<qint64>{sites.garage});
    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("fo utca"));
    QCOMPARE(shownSites(siteList), QList<qint64>{sites.gate});

    // Down goes from the filter into the list, onto the one site it shows.
    QTest::keyClick(filter, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), siteList);
    QTRY_COMPARE(idOf(siteList->currentItem()), sites.gate);
    auto *history = widget<QTreeWidget>(*view, QStringLiteral("historyList"));
    auto *changes = widget<QPlainTextEdit>(*view, QStringLiteral("changesView"));
    QTRY_COMPARE(history->topLevelItemCount(), 2);
    QCOMPARE(history->topLevelItem(0)->text(0), QStringLiteral("2"));
    QVERIFY(history->topLevelItem(1)->text(6).contains(QStringLiteral("átadáskori")));
    // The newest is chosen, with its changes since the one before.
    QTRY_COMPARE(changes->toPlainText(), changeLines(location, sites.gate, 1, 2));
    QVERIFY(changes->toPlainText().contains(QStringLiteral("2. telefonszám: törölve: 36209876543")));
    chooseVersions(history, {1});
    QTRY_VERIFY(changes->toPlainText().contains(QStringLiteral("első megőrzött változata")));
    chooseVersions(history, {1, 2});
    QTRY_COMPARE(changes->toPlainText(), changeLines(location, sites.gate, 1, 2));

    // A number in any form; Return on a place jumps to its site, past the filter.
    filter->setText(QStringLiteral("sorompo"));
    auto *number = widget<QLineEdit>(*view, QStringLiteral("numberSearch"));
    auto *places = widget<QTreeWidget>(*view, QStringLiteral("numberResults"));
    number->setFocus();
    QTest::keyClicks(number, QStringLiteral("+36 30 123 4567"));
    QTest::keyClick(number, Qt::Key_Return);
    QTRY_COMPARE(places->topLevelItemCount(), 2);
    QCOMPARE((QList<qint64>{idOf(places->topLevelItem(0)), idOf(places->topLevelItem(1))}),
             (QList<qint64>{sites.gate, sites.garage}));
    QCOMPARE(places->topLevelItem(1)->text(3), QStringLiteral("1. kimenet vezérlés"));
    number->clear();
    QTest::keyClicks(number, QStringLiteral("06 70 111 2222"));
    QTest::keyClick(number, Qt::Key_Return);
    QTRY_COMPARE(places->topLevelItemCount(), 1);
    filter->setText(QStringLiteral("garazs"));
    places->setFocus();
    places->setCurrentItem(places->topLevelItem(0));
    QTest::keyClick(places, Qt::Key_Return);
    QTRY_COMPARE(idOf(siteList->currentItem()), sites.barrier);
    QVERIFY(filter->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), siteList);

    // A version into the form: as the same file opens, on a reduced module's form as well.
    w->newfile();
    w->setMode(31);
    siteList->setCurrentItem(rowOf(siteList, sites.gate));
    QTRY_COMPARE(history->topLevelItemCount(), 2);
    chooseVersions(history, {1});
    auto *load = widget<QPushButton>(*view, QStringLiteral("loadButton"));
    QVERIFY(load->isEnabled());
    // Not while a command's dialog stands over the form.
    const Configuration beforeLoad = w->document().formConfiguration();
    {
        QDialog busy(w.get());
        busy.setWindowModality(Qt::WindowModal);
        busy.show();
        prompter.clear();
        load->click();
        QTRY_COMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.last().text.contains(QStringLiteral("parancs végeztével")));
        QCOMPARE(w->document().formConfiguration(), beforeLoad);
    }
    prompter.clear();
    load->click();
    QTRY_COMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().title, QStringLiteral("Megnyitás."));
    QCOMPARE(prompter.last().text, QStringLiteral("Főkapu nyitó (4172), 1. változat sikeresen megnyitva."));
    QCOMPARE(prompter.messageParents.constLast(), w.get());
    QCOMPARE(widget<QLabel>(*w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Főkapu nyitó (4172), 1. változat"));
    const Configuration loaded = w->document().formConfiguration();
    QCOMPARE(loaded.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))], QStringLiteral("Főkapu nyitó"));
    QCOMPARE(loaded.telephones[1].number, QStringLiteral("36209876543"));
    QCOMPARE(loaded.telephones[0].alarm, 3);

    const QString file = scratch->filePath(QStringLiteral("first.krv"));
    QVERIFY(configfile::writeFile(file, sites.gateFirstFile, nullptr));
    w->newfile();
    w->setMode(31);
    prompter.fileAnswers.enqueue(file);
    w->openfile();
    QCOMPARE(w->document().formConfiguration(), loaded);

    // kordavo-cli records a new gate while the window is open: the list shows
    // it once the register window is active again.
    {
        QString why;
        SiteRegister tool(*parseLocation(location, &why));
        QVERIFY(tool.record(transfer(Command::Download, Result::Ok,
                                     gate(QStringLiteral("0900"), QStringLiteral("Hátsó kapu"), {}), 5))
                    .siteId);
    }
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    QCOMPARE(siteList->topLevelItemCount(), 3);
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view));
    QTRY_COMPARE(siteList->topLevelItemCount(), 4);
}

void TestRegisterWindow::siteChangesAndMerge()
{
    const QString location = registerFor(false, QStringLiteral("changes"));
    const Sites sites = populate(location);
    RecordingPrompter prompter;
    const std::unique_ptr<MainWindow> w = startedWindow();
    RegisterWindow *view = openSites(*w);
    auto *siteList = widget<QTreeWidget>(*view, QStringLiteral("siteList"));
    QTRY_COMPARE(siteList->topLevelItemCount(), 3);
    siteList->setCurrentItem(rowOf(siteList, sites.garage));
    QString why;
    SiteRegister reg(*parseLocation(location, &why));

    // Cancelled or unchanged, nothing is written.
    widget<QPushButton>(*view, QStringLiteral("renameButton"))->click();
    QCOMPARE(prompter.inputs.constLast().initial, QStringLiteral("Garázs kapu (4173)"));
    prompter.textAnswers.enqueue(QStringLiteral("Mélygarázs, Váci út"));
    widget<QPushButton>(*view, QStringLiteral("renameButton"))->click();
    QTRY_COMPARE(rowOf(siteList, sites.garage)->text(0), QStringLiteral("Mélygarázs, Váci út [%1]").arg(sites.garage));
    prompter.textAnswers.enqueue(QStringLiteral("Váci út 3."));
    widget<QPushButton>(*view, QStringLiteral("addressButton"))->click();
    prompter.textAnswers.enqueue(QStringLiteral("kulcs a portán\nhétvégén zárva"));
    widget<QPushButton>(*view, QStringLiteral("noteButton"))->click();
    QTRY_VERIFY(widget<QLabel>(*view, QStringLiteral("siteDetails"))->text().contains(QStringLiteral("hétvégén zárva")));
    QCOMPARE(reg.site(sites.garage)->address, QStringLiteral("Váci út 3."));
    QCOMPARE(reg.site(sites.garage)->note, QStringLiteral("kulcs a portán\nhétvégén zárva"));

    // Merge: the user picks the other site, then confirms; No leaves both.
    auto *merge = widget<QPushButton>(*view, QStringLiteral("mergeButton"));
    prompter.choiceAnswers.enqueue(0);
    prompter.questionAnswers.enqueue(false);
    merge->click();
    const QStringList offered = prompter.inputs.constLast().items;
    QCOMPARE(offered.size(), 2);
    QVERIFY(!offered.contains(QStringLiteral("Mélygarázs, Váci út [%1]").arg(sites.garage)));
    QCOMPARE(reg.sites().size(), 3);
    const int gateIndex = int(offered.indexOf(QStringLiteral("Főkapu nyitó (4172) [%1]").arg(sites.gate)));
    QVERIFY(gateIndex >= 0);
    prompter.choiceAnswers.enqueue(gateIndex);
    prompter.questionAnswers.enqueue(true);
    merge->click();
    QTRY_COMPARE(siteList->topLevelItemCount(), 2);
    QTRY_COMPARE(idOf(siteList->currentItem()), sites.gate);
    QCOMPARE(reg.site(sites.gate)->versions, 3);
    QTRY_COMPARE(widget<QTreeWidget>(*view, QStringLiteral("historyList"))->topLevelItemCount(), 3);
}

void TestRegisterWindow::sheetsOfAVersionAndOfTheForm_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void TestRegisterWindow::sheetsOfAVersionAndOfTheForm()
{
    QFETCH(bool, onServer);
    const QString location = registerFor(onServer, QStringLiteral("sheets"));
    const Sites sites = populate(location);
    RecordingPrompter prompter;
    const std::unique_ptr<MainWindow> w = startedWindow();
    RegisterWindow *view = openSites(*w);
    auto *siteList = widget<QTreeWidget>(*view, QStringLiteral("siteList"));
    QTRY_COMPARE(siteList->topLevelItemCount(), 3);
    siteList->setCurrentItem(rowOf(siteList, sites.gate));
    auto *history = widget<QTreeWidget>(*view, QStringLiteral("historyList"));
    QTRY_COMPARE(history->topLevelItemCount(), 2);

    // The newest version: the installer is asked once, the register keeps the name.
    const QString versionSheet = scratch->filePath(QStringLiteral("version.pdf"));
    prompter.textAnswers.enqueue(QStringLiteral("Kovács János"));
    prompter.fileAnswers.enqueue(versionSheet);
    widget<QPushButton>(*view, QStringLiteral("sheetButton"))->click();
    QTRY_COMPARE(prompter.last().title, QStringLiteral("Átadási lap"));
    QCOMPARE(prompter.last().text, QStringLiteral("Az átadási lap elkészült: %1").arg(versionSheet));
    QCOMPARE(prompter.inputs.size(), 1);
    QString text = pdfText(versionSheet);
    QMap<int, NumberRow> rows = numberRows(text);
    QCOMPARE(rows.keys(), (QList<int>{1, 5, 7}));
    for (int n : {1, 5, 7}) {
        const configfile::TelephoneEntry &entry = kGateSecond.telephones.at(size_t(n - 1));
        QCOMPARE(rows.value(n).number, entry.number);
        QCOMPARE(rows.value(n).rights, rightsOf(entry.alarm, entry.output));
    }
    const QString pin = lineWith(text, QStringLiteral("Modul PIN-kód"));
    QVERIFY2(pin.contains(QStringLiteral("***4")) && !pin.contains(QStringLiteral("1234")), qPrintable(pin));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("Fő utca 12."))));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("átadó (telepítő): Kovács János"))));
    QVERIFY(squeezed(text).contains(squeezed(changeLines(location, sites.gate, 1, 2).section(QLatin1Char('\n'), 1))));

    // Not over an existing file without a Yes.
    const QByteArray before = [&] {
        QFile f(versionSheet);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    chooseVersions(history, {1});
    prompter.clear();
    prompter.fileAnswers.enqueue(versionSheet);
    prompter.questionAnswers.enqueue(false);
    widget<QPushButton>(*view, QStringLiteral("sheetButton"))->click();
    QTRY_COMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Question);
    QVERIFY(prompter.last().text.contains(QStringLiteral("már létezik")));
    QVERIFY(prompter.inputs.isEmpty());
    {
        QFile f(versionSheet);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
    prompter.fileAnswers.enqueue(versionSheet);
    prompter.questionAnswers.enqueue(true);
    widget<QPushButton>(*view, QStringLiteral("sheetButton"))->click();
    QTRY_COMPARE(prompter.messages.size(), 3);
    QCOMPARE(prompter.last().text, QStringLiteral("Az átadási lap elkészült: %1").arg(versionSheet));
    QCOMPARE(numberRows(pdfText(versionSheet)).keys(), (QList<int>{1, 2, 5}));

    // The form, with its module in the register: what changes against the site's newest version.
    QVERIFY(configfile::writeFile(scratch->filePath(QStringLiteral("first.krv")), sites.gateFirstFile, nullptr));
    prompter.fileAnswers.enqueue(scratch->filePath(QStringLiteral("first.krv")));
    w->openfile();
    prompter.clear();
    const QString formSheet = scratch->filePath(QStringLiteral("form"));
    prompter.fileAnswers.enqueue(formSheet);
    widget<QAction>(*w, QStringLiteral("actionSheet"))->trigger();
    QTRY_COMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Az átadási lap elkészült: %1.pdf").arg(formSheet));
    QCOMPARE(prompter.messageParents.constLast(), w.get());
    text = pdfText(formSheet + QStringLiteral(".pdf"));
    QCOMPARE(numberRows(text).keys(), (QList<int>{1, 2, 5}));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("Főkapu nyitó (4172) [%1]").arg(sites.gate))));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("A nyilvántartott 2. változathoz képest"))));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("2. telefonszám: új: 36209876543"))));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("átadó (telepítő): Kovács János"))));
}

void TestRegisterWindow::silentServerDoesNotHoldTheWindow()
{
    // A socket that takes the connection and never says a word.
    const QByteArray socketPath = QFile::encodeName(scratch->filePath(QStringLiteral(".s.PGSQL.5432")));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 4) == 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    qputenv("KORDAVO_REGISTER", (QStringLiteral("postgresql://kordavo@/silent?host=") + scratch->path()).toUtf8());

    RecordingPrompter prompter;
    const std::unique_ptr<MainWindow> w = startedWindow();
    RegisterWindow *view = openSites(*w);
    auto *status = widget<QLabel>(*view, QStringLiteral("statusLine"));
    // The event loop keeps turning while the register waits for its server.
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(10);
    connect(&tick, &QTimer::timeout, this, [&] {
        longest = std::max(longest, sinceTick.restart());
    });
    tick.start();
    QTRY_VERIFY_WITH_TIMEOUT(status->text().contains(QStringLiteral("válaszára vár")), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(status->text().contains(QStringLiteral("nem válaszolt")), 15000);
    // A bound, not a speed: the connection's 2 s never fall on the window.
    QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
    QVERIFY(prompter.messages.isEmpty());
}

namespace {

// The status bar's word on the register; empty while it has said nothing.
QString registerWord(MainWindow &w)
{
    const auto *label = w.statusBar()->findChild<QLabel *>(QStringLiteral("registerLabel"));
    return label ? label->text() : QString();
}

// A download through the window whose result dialog is closed by OK; the
// result it showed.
QString downloadAndClose(MainWindow &w)
{
    transfertest::DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w.download();
    return watch.resultText;
}

} // namespace

void TestRegisterWindow::transfersSayWhatTheRegisterKept()
{
    const QString location = registerFor(false, QStringLiteral("transfers"));
    RecordingPrompter prompter;
    auto module = devicetests::startInProcess();
    const std::unique_ptr<MainWindow> w = startedWindow();
    devicetests::enterThroughMenu(*w, module->devicePath());
    QVERIFY(w->state().programMode());
    QCOMPARE(w->state().moduleIdentification(), QStringLiteral("Qzv_GSM4_32"));
    QVERIFY(registerWord(*w).isEmpty());

    // The dialogs say what they always said; the status bar adds the register's word.
    prompter.clear();
    const QByteArray form = fileOf(w->document().formConfiguration());
    QCOMPARE(downloadAndClose(*w), transfertest::kSuccess);
    QVERIFY(prompter.messages.isEmpty());
    QTRY_COMPARE(registerWord(*w), QStringLiteral("Nyilvántartás: Főkapu nyitó (4172), 1. változat"));
    w->verify();
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres ellenőrzés."));
    QTRY_COMPARE(registerWord(*w), QStringLiteral("Nyilvántartás: Főkapu nyitó (4172), 1. változat: ellenőrizve"));
    widget<QLineEdit>(*w, QStringLiteral("t_3"))->setText(QStringLiteral("36705550000"));
    w->verify();
    QCOMPARE(prompter.last().title, QStringLiteral("Ellenőrzés"));
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QTRY_COMPARE(registerWord(*w), QStringLiteral("Nyilvántartás: Főkapu nyitó (4172), 2. változat"));
    w->readup();
    QTRY_COMPARE(registerWord(*w), QStringLiteral("Nyilvántartás: Főkapu nyitó (4172), 3. változat"));
    for (const RecordingPrompter::Message &message : std::as_const(prompter.messages))
        QVERIFY2(!message.text.contains(QStringLiteral("Nyilvántartás")), qPrintable(message.text));

    // What the register holds: the download as installed with the form's file,
    // the module's own records where the verify found others, the read-out.
    QString why;
    SiteRegister reg(*parseLocation(location, &why));
    const QList<SiteSummary> sites = reg.sites();
    QCOMPARE(sites.size(), 1);
    const QList<VersionInfo> history = reg.history(sites.constFirst().id);
    QCOMPARE(history.size(), 3);
    QCOMPARE(history.at(0).command, QStringLiteral("download"));
    QVERIFY(history.at(0).asInstalled && history.at(0).verified.isValid());
    QCOMPARE(history.at(0).program, QStringLiteral("window"));
    QCOMPARE(history.at(0).port, module->devicePath());
    QCOMPARE(history.at(1).result, QStringLiteral("differs"));
    QCOMPARE(history.at(2).command, QStringLiteral("readout"));
    QCOMPARE(reg.version(sites.constFirst().id, 1)->krv, form);
    QVERIFY(reg.version(sites.constFirst().id, 2)->image.contains(QStringLiteral("36705550000")) == false);
}

void TestRegisterWindow::registerThatCannotRecordIsToldOnce()
{
    // A register file whose folder is a plain file: it can never be made.
    QFile blocker(scratch->filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("KORDAVO_REGISTER", QFile::encodeName(blocker.fileName() + QStringLiteral("/register.sqlite")));
    RecordingPrompter prompter;
    auto module = devicetests::startInProcess();
    const std::unique_ptr<MainWindow> w = startedWindow();
    devicetests::enterThroughMenu(*w, module->devicePath());
    prompter.clear();

    w->verify();
    QCOMPARE(prompter.last().text, QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!"));
    QTRY_VERIFY(registerWord(*w).startsWith(QStringLiteral("Nyilvántartás: ")));
    QVERIFY2(registerWord(*w).contains(blocker.fileName()), qPrintable(registerWord(*w)));
    QCOMPARE(downloadAndClose(*w), transfertest::kSuccess);
    // Told once: the next transfer's word is not the same complaint again.
    QTRY_VERIFY(registerWord(*w).isEmpty());
    QCOMPARE(prompter.messages.size(), 1);
}

KORDAVO_TEST_MAIN(TestRegisterWindow)

#include "tst_registerwindow.moc"
