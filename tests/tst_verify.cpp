// Verify against a simulated module, and the whole round of a download, a
// verify and a read-out of the same form. The module is in-process but where
// the line's timing is what a case shows.

#include "support/testsupport.h"

#include "transfertesthelpers.h"

#include <QtWidgets/QProgressDialog>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kFailed = QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!");

void clearForm(MainWindow &w)
{
    for (const QString &name : generalNames())
        widget<QLineEdit>(w, name)->clear();
    for (int n = 1; n <= 128; ++n)
        widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n))->clear();
    for (QCheckBox *b : w.findChildren<QCheckBox *>())
        b->setChecked(false);
}

} // namespace

class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void downloadVerifyReadBack();
    void verifiesDespiteGarbling_data();
    void verifiesDespiteGarbling();
    void accentsCompareAsSent_data();
    void accentsCompareAsSent();
    void failures_data();
    void failures();
    void emptyFieldStopsBeforeThePort();
    void progressWithoutCancel();
    void quickResultIsNotCoveredByProgress();
};

void TestVerify::downloadVerifyReadBack()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    // é travels as its Latin-1 byte, ő (no Latin-1 code) as ö.
    widget<QLineEdit>(*w, QStringLiteral("be1_nev"))->setText(QStringLiteral("Kapuérzékelő"));
    const FormState original = formState(*w);

    DialogWatch watch;
    watch.pressOk = true;
    watch.arm();
    w->download();
    QCOMPARE(watch.resultText, kSuccess);

    w->verify();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Information);
    QCOMPARE(prompter.last().title, QStringLiteral("Ellenőrzés"));
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres ellenőrzés."));

    QVERIFY(prompter.last().details.isEmpty());

    groupBox(*w, QStringLiteral("64.1"))->setChecked(true);
    widget<QLineEdit>(*w, QStringLiteral("m_nev"))->setText(QStringLiteral("Kapu"));
    w->verify();
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Ellenőrzés"));
    QCOMPARE(prompter.last().text, kFailed);
    // The details name what differs, the form's value against the module's.
    QCOMPARE(prompter.last().details,
             QStringLiteral("Modul neve: az űrlapon „Kapu”, a modulban „Kapunyito”\n"
                            "32. telefonszám: az űrlapon „2136709998888”, a modulban „2036709998888”"));
    // The verify keeps the image it compared against.
    QCOMPARE(w->state().configImage().mid(28 * 17 + 31 * 17, 2), QStringLiteral("21"));

    clearForm(*w);
    w->readup();
    QCOMPARE(prompter.messages.size(), 2);
    FormState expected = original;
    expected.general[3] = QStringLiteral("Kapunyito");   // trailing spaces gone
    expected.general[5] = QStringLiteral("Kapuérzékelö");   // what the module holds
    expected.general[7] = QStringLiteral("0005");        // zero-filled relay time
    expected.numbers[1] = QStringLiteral("36305556677");  // spaces inside numbers gone
    for (int n = 33; n <= 128; ++n)                       // 32 mode: the rest stays empty
        expected.numbers[n - 1].clear();
    expected.ticked.removeAll(QStringLiteral("66.1"));
    expected.ticked.removeAll(QStringLiteral("255.1"));
    expected.ticked.removeAll(QStringLiteral("256.2"));
    expected.preset = 3;   // 36301234567 is nobody's preset: the custom entry
    const FormState back = formState(*w);
    QCOMPARE(back.general, expected.general);
    QCOMPARE(back.numbers, expected.numbers);
    QCOMPARE(back.ticked, expected.ticked);
    QCOMPARE(back.preset, expected.preset);
}

void TestVerify::verifiesDespiteGarbling_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("junk and an empty line first") << int(Fault::JunkBeforeRecords);
    QTest::newRow("0xFF for spaces") << int(Fault::FFPadding);
}

void TestVerify::verifiesDespiteGarbling()
{
    QFETCH(int, fault);
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = 128;
    auto sim = startedInProcess(options);
    sim->setStoredRecords(expectedRecords(128));
    sim->setFault(Fault(fault));
    auto w = preparedWindow(prompter, sim->devicePath(), 128);

    w->verify();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres ellenőrzés."));
    QCOMPARE(sim->received(), QByteArray("~{"));
}

void TestVerify::accentsCompareAsSent_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("verifies");
    QTest::newRow("what was sent") << QStringLiteral("Fökapu Űrhajó") << true;
    // A module that cut the text where byte 0 used to go holds no faithful copy.
    QTest::newRow("cut at the accent") << QStringLiteral("F") << false;
    QTest::newRow("byte 0 in its place") << QStringLiteral("F") + QChar(0) + QStringLiteral("kapu ") + QChar(0)
                                                + QStringLiteral("rhajó")
                                         << false;
}

void TestVerify::accentsCompareAsSent()
{
    QFETCH(QString, stored);
    QFETCH(bool, verifies);
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    QStringList records = expectedRecords(32);
    records[3] = stored.leftJustified(16, QLatin1Char(' '));
    sim->setStoredRecords(records);
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    widget<QLineEdit>(*w, QStringLiteral("m_nev"))->setText(QStringLiteral("Főkapu Űrhajó"));

    w->verify();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, verifies ? QStringLiteral("Sikeres ellenőrzés.") : kFailed);
}

void TestVerify::failures_data()
{
    QTest::addColumn<int>("moduleSize");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("portMissing");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");   // the details, in the words kordavo-cli prints; "" for the list of records
    QTest::newRow("32 mode against a 128 module") << 128 << int(Fault::None) << false
                                                  << QStringLiteral("Ellenőrzés") << kFailed << QString();
    QTest::newRow("port missing") << 32 << int(Fault::None) << true << QStringLiteral("Hiba")
                                  << QStringLiteral("Sikertelen ellenőrzés.\nNem lehet megnyitni a portot.")
                                  << QStringLiteral("nem lehet megnyitni a portot: nincs ilyen port");
    QTest::newRow("silent module") << 32 << int(Fault::Silent) << false << QStringLiteral("Ellenőrzés") << kFailed
                                   << QStringLiteral("a modul nem küldte el a rekordjait");
    QTest::newRow("line vanishes") << 32 << int(Fault::DropDuringTransfer) << false
                                   << QStringLiteral("Ellenőrzés") << kFailed
                                   << QStringLiteral("a vonal megszakadt a rekordok olvasása közben");
    // Every record is right, but the answer stops before its closing character.
    QTest::newRow("no closing character") << 32 << int(Fault::NoClosingCharacter) << false
                                          << QStringLiteral("Ellenőrzés") << kFailed
                                          << QStringLiteral("a modul válasza a záró karakter előtt véget ért");
}

void TestVerify::failures()
{
    QFETCH(int, moduleSize);
    QFETCH(int, fault);
    QFETCH(bool, portMissing);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, why);
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = moduleSize;
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    // The module holds the form itself (and, if larger, more numbers).
    sim->setStoredRecords(expectedRecords(moduleSize));
    sim->setFault(Fault(fault));
    auto w = preparedWindow(prompter, portMissing ? QStringLiteral("/dev/kordavo-no-such-port")
                                                  : sim->devicePath(), 32);
    const FormState before = formState(*w);

    QElapsedTimer clock;
    clock.start();
    w->verify();

    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, title);
    QCOMPARE(prompter.last().text, text);
    if (moduleSize == 128) {
        // Numbers the form does not send are named as missing on its side.
        QVERIFY2(prompter.last().details.startsWith(
                     QStringLiteral("33. telefonszám: az űrlapon (nincs), a modulban „0136703334444”\n")),
                 qPrintable(prompter.last().details));
        QCOMPARE(prompter.last().details.count(QLatin1Char('\n')), 95);
    } else {
        QCOMPARE(prompter.last().details, why);
    }
    QCOMPARE(prompter.messageParents.last(), w.get());
    QVERIFY(formState(*w) == before);
    QCOMPARE(w->state().configImage().size(), 1020);
}

void TestVerify::emptyFieldStopsBeforeThePort()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    widget<QLineEdit>(*w, QStringLiteral("m_nev"))->clear();
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(1);

    w->verify();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().title, QStringLiteral("Ellenőrzés"));
    QCOMPARE(prompter.last().text, kFailed);
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab"));
    QVERIFY(sim->waitIdle());
    QVERIFY(sim->received().isEmpty());
}

void TestVerify::progressWithoutCancel()
{
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.pacingBaud = 2400;   // about 4 s of answer, so the progress shows
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    sim->setStoredRecords(expectedRecords(32));
    auto w = preparedWindow(prompter, sim->devicePath(), 32);

    QString label;
    int maximum = -1;
    int buttons = -1;
    bool windowModal = false;
    bool survivedEscape = false;
    whenModalShows([&](QWidget *modal) {
        auto *progress = qobject_cast<QProgressDialog *>(modal);
        if (!progress)
            return;
        label = progress->labelText();
        maximum = progress->maximum();
        windowModal = progress->windowModality() == Qt::WindowModal;
        buttons = int(progress->findChildren<QPushButton *>().size());
        QTest::keyClick(progress, Qt::Key_Escape);
        survivedEscape = !progress->wasCanceled();
    });
    w->verify();

    QCOMPARE(label, QStringLiteral("Ellenőrzés..."));
    QCOMPARE(maximum, (32 + 28) * 16);
    QVERIFY(windowModal);
    QCOMPARE(buttons, 0);
    QVERIFY(survivedEscape);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Sikeres ellenőrzés."));
}

void TestVerify::quickResultIsNotCoveredByProgress()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    bool appeared = false;
    watchForLateProgress(prompter, &appeared);

    w->verify();

    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(!appeared);
}

KORDAVO_TEST_MAIN(TestVerify)
#include "tst_verify.moc"
