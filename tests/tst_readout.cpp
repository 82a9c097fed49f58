// Read-out from a simulated module into the form: memory sizes that do and
// do not fit, cancelling, garbled and vanishing lines. The module is
// in-process but where the line's timing is what a case shows.

#include "support/testsupport.h"

#include "transfertesthelpers.h"

#include <QtWidgets/QProgressDialog>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kNoPort = QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot.");
const QString kFailed = QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!");

// A module configuration different from the prepared form in every field.
QStringList moduleRecords(int memorySize)
{
    QStringList r = {"36209300099", "9876", "0042", "Garazs kapu", "0", "Be egy", "Be ketto", "0120",
                     "a3", "a4", "b3", "b4", "c1", "c2", "d1", "d2"};
    for (QString &s : r)
        s = s.leftJustified(16);
    for (int i = 0; i < 12; ++i)
        r << QString(16, QLatin1Char(' '));
    for (int n = 1; n <= memorySize; ++n)
        r << (n == 1 ? QStringLiteral("3130 111 2222") : n == 40 ? QStringLiteral("0336409990000")
                                                       : QStringLiteral("00")).leftJustified(16);
    return r;
}

} // namespace

class TestReadout : public QObject
{
    Q_OBJECT

private slots:
    void largeModuleReadInSmallModeFails();
    void smallModuleReadInLargeModeFails();
    void garbledButReadable_data();
    void garbledButReadable();
    void failures_data();
    void failures();
    void cancelLeavesTheFormAlone();
    void quickResultIsNotCoveredByProgress();
};

void TestReadout::largeModuleReadInSmallModeFails()
{
    // More records than the mode holds: taking the first 60 would lose
    // numbers 33 to 128 without a word, so nothing is taken.
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = 128;
    auto sim = startedInProcess(options);
    sim->setStoredRecords(moduleRecords(128));
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    const FormState before = formState(*w);

    w->readup();

    QCOMPARE(sim->received(), QByteArray("~{"));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter.last().text, kFailed);
    QCOMPARE(prompter.last().details,
             QStringLiteral("a modul több rekordot küldött (156), mint amennyit a modell tárol (60)"));
    QVERIFY(formState(*w) == before);
}

void TestReadout::smallModuleReadInLargeModeFails()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    sim->setStoredRecords(moduleRecords(32));
    auto w = preparedWindow(prompter, sim->devicePath(), 128);
    const FormState before = formState(*w);

    w->readup();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter.last().text, kFailed);
    QCOMPARE(prompter.last().details, QStringLiteral("a modul válasza hiányos: 60 rekord a(z) 156 helyett"));
    QVERIFY(formState(*w) == before);
}

void TestReadout::garbledButReadable_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("junk and an empty line first") << int(Fault::JunkBeforeRecords);
    QTest::newRow("0xFF for spaces") << int(Fault::FFPadding);
}

void TestReadout::garbledButReadable()
{
    QFETCH(int, fault);
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    sim->setStoredRecords(moduleRecords(32));
    sim->setFault(Fault(fault));
    auto w = preparedWindow(prompter, sim->devicePath(), 32);

    w->readup();

    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.last().text));
    const FormState s = formState(*w);
    QCOMPARE(s.general.at(0), QStringLiteral("36209300099"));
    QCOMPARE(s.general.at(3), QStringLiteral("Garazs kapu"));
    QCOMPARE(s.general.at(15), QStringLiteral("d2"));
    QCOMPARE(s.numbers.at(0), QStringLiteral("301112222"));
    QCOMPARE(s.ticked, (QStringList{"1.1", "1.2", "2.1"}));
}

void TestReadout::failures_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("portMissing");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");   // the box's details, in the words kordavo-cli prints
    QTest::newRow("port missing") << int(Fault::None) << true << kNoPort
                                  << QStringLiteral("nem lehet megnyitni a portot: nincs ilyen port");
    QTest::newRow("silent module") << int(Fault::Silent) << false << kFailed
                                   << QStringLiteral("a modul nem küldte el a rekordjait");
    QTest::newRow("line vanishes") << int(Fault::DropDuringTransfer) << false << kFailed
                                   << QStringLiteral("a vonal megszakadt a rekordok olvasása közben");
    // Bytes before the first record that no empty line ends are no SMS centre.
    QTest::newRow("noise before the records") << int(Fault::NoiseBeforeRecords) << false << kFailed
                                              << QStringLiteral("a modul válaszában a(z) 1. rekord 116 karakteres (16 kell)");
    QTest::newRow("no closing character") << int(Fault::NoClosingCharacter) << false << kFailed
                                          << QStringLiteral("a modul válasza a záró karakter előtt véget ért");
}

void TestReadout::failures()
{
    QFETCH(int, fault);
    QFETCH(bool, portMissing);
    QFETCH(QString, text);
    QFETCH(QString, why);
    RecordingPrompter prompter;
    auto sim = startedSimulator();
    QVERIFY(sim);
    sim->setStoredRecords(moduleRecords(32));
    sim->setFault(Fault(fault));
    auto w = preparedWindow(prompter, portMissing ? QStringLiteral("/dev/kordavo-no-such-port")
                                                  : sim->devicePath());
    const FormState before = formState(*w);

    QElapsedTimer clock;
    clock.start();
    w->readup();

    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Hiba"));
    QCOMPARE(prompter.last().text, text);
    QCOMPARE(prompter.last().details, why);
    QCOMPARE(prompter.messageParents.last(), w.get());
    QVERIFY(formState(*w) == before);
}

void TestReadout::cancelLeavesTheFormAlone()
{
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = 128;
    options.pacingBaud = 1200;   // about 22 s for the whole answer
    auto sim = startedSimulator(options);
    QVERIFY(sim);
    sim->setStoredRecords(moduleRecords(128));
    auto w = preparedWindow(prompter, sim->devicePath(), 128);
    const FormState before = formState(*w);

    QString label;
    int maximum = -1;
    bool windowModal = false;
    QString cancelText;
    whenModalShows([&](QWidget *modal) {
        auto *progress = qobject_cast<QProgressDialog *>(modal);
        if (!progress)
            return;
        label = progress->labelText();
        maximum = progress->maximum();
        windowModal = progress->windowModality() == Qt::WindowModal;
        auto *cancel = progress->findChild<QPushButton *>();
        cancelText = cancel ? cancel->text() : QString();
        QTimer::singleShot(300, cancel, &QPushButton::click);
    });
    QElapsedTimer clock;
    clock.start();
    w->readup();

    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(label, QStringLiteral("Kiolvasás..."));
    QCOMPARE(maximum, (128 + 28) * 16);
    QVERIFY(windowModal);
    QCOMPARE(cancelText, QStringLiteral("Megszakítás"));
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(formState(*w) == before);
    QCOMPARE(sim->received(), QByteArray("~{"));
}

void TestReadout::quickResultIsNotCoveredByProgress()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    sim->setStoredRecords(moduleRecords(32));
    auto w = preparedWindow(prompter, sim->devicePath(), 128);
    bool appeared = false;
    watchForLateProgress(prompter, &appeared);

    w->readup();   // a 32-number module read in 128 mode: the failure message

    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(!appeared);
}

KORDAVO_TEST_MAIN(TestReadout)
#include "tst_readout.moc"
