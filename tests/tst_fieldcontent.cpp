// Content that the form takes but that would split a record on the line or
// end a file early: "|", a whole "---" and line breaks, typed, loaded from a
// file or read from a module; and the promise that a saved form opens again
// as it was.

#include "transfertesthelpers.h"

#include "document/fieldrules.h"

#include <QtCore/QRandomGenerator>
#include <QtWidgets/QApplication>

using namespace transfertest;
using Fault = SimulatorOptions::Fault;

namespace {

const QString kSeparatorTyped =
    QStringLiteral("A „|” karakter nem adható meg, mert a modul ezzel választja el a mezőket.");
const QString kTerminatorTyped =
    QStringLiteral("A „---” önmagában nem adható meg, mert a fájlban a fájl végét jelzi.");

QString separatorInField(const QString &name)
{
    return QStringLiteral("A(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni. "
                          "Javítsa ki a mezőt!")
        .arg(name);
}

QTabWidget *tabs(QWidget &w)
{
    return w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFieldContent : public QObject
{
    Q_OBJECT

private slots:
    void typedTextThatBreaksRecordsOrFiles_data();
    void typedTextThatBreaksRecordsOrFiles();
    void fieldWithSeparatorStopsTransfer_data();
    void fieldWithSeparatorStopsTransfer();
    void readoutKeepsSeparatorInsideItsRecord();
    void saveRefusesWhatWouldNotOpenAgain_data();
    void saveRefusesWhatWouldNotOpenAgain();
    void savedFormOpensAgainUnchanged();
};

void TestFieldContent::typedTextThatBreaksRecordsOrFiles_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");   // empty: accepted
    QTest::newRow("| in the module name") << "m_nev" << "Kapu|1" << kSeparatorTyped;
    QTest::newRow("| in an input name") << "be2_nev" << "|" << kSeparatorTyped;
    QTest::newRow("| in an output command") << "ki3_on" << "KI3|BE" << kSeparatorTyped;
    QTest::newRow("| in an input message") << "be2_off_msg" << "Ablak | zarva" << kSeparatorTyped;
    QTest::newRow("--- in an input message") << "be1_on_msg" << "---" << kTerminatorTyped;
    QTest::newRow("--- in the module name") << "m_nev" << "---" << kTerminatorTyped;
    QTest::newRow("dashes within a text") << "m_nev" << "---Kapu---" << QString();
    QTest::newRow("four dashes") << "ki4_off" << "----" << QString();
    QTest::newRow("the field's own rule first") << "m_pin" << "1|2" << "Csak számok adhatóak meg!";
}

void TestFieldContent::typedTextThatBreaksRecordsOrFiles()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    RecordingPrompter prompter;
    auto w = startedWindow();
    prompter.clear();
    QLineEdit *target = widget<QLineEdit>(*w, field);
    target->clear();

    QTest::keyClicks(target, typed);
    QTest::keyClick(target, Qt::Key_Return);

    if (message.isEmpty()) {
        QVERIFY(prompter.messages.isEmpty());
        QCOMPARE(target->text(), typed);
        return;
    }
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Warning);
    QCOMPARE(prompter.last().title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(prompter.last().text, message);
    QCOMPARE(target->text(), QString());
}

void TestFieldContent::fieldWithSeparatorStopsTransfer_data()
{
    QTest::addColumn<bool>("verify");
    QTest::addColumn<int>("memorySize");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::newRow("download, module name") << false << 32 << "m_nev" << "Modul neve";
    QTest::newRow("download, output command") << false << 32 << "ki4_off" << "4-es kimeneti parancs kikapcsoláskor";
    QTest::newRow("download, number 100") << false << 128 << "t_100" << "100. telefonszám";
    QTest::newRow("verify, input message") << true << 32 << "be2_on_msg" << "1. bemenet üzenete kikapcsoláskor";
    QTest::newRow("verify, number 7") << true << 32 << "t_7" << "7. telefonszám";
}

void TestFieldContent::fieldWithSeparatorStopsTransfer()
{
    QFETCH(bool, verify);
    QFETCH(int, memorySize);
    QFETCH(QString, field);
    QFETCH(QString, name);
    RecordingPrompter prompter;
    SimulatorOptions options;
    options.memorySize = memorySize;
    auto sim = startedInProcess(options);
    const QStringList stored = sim->storedRecords();
    auto w = preparedWindow(prompter, sim->devicePath(), memorySize);
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    // As an older file or a module could have left it.
    QLineEdit *target = widget<QLineEdit>(*w, field);
    target->setText(QStringLiteral("12|34"));
    tabs(*w)->setCurrentIndex(field.startsWith(QLatin1String("t_")) ? 0 : 1);
    const FormState before = formState(*w);

    QWidget *focusDuringMessage = nullptr;
    QWidget *pageDuringMessage = nullptr;
    prompter.onMessage = [&](const RecordingPrompter::Message &) {
        focusDuringMessage = QApplication::focusWidget();
        pageDuringMessage = tabs(*w)->currentWidget();
    };
    if (verify)
        w->verify();
    else
        w->download();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, verify ? QStringLiteral("Ellenőrzés") : QStringLiteral("Betöltés hiba."));
    QCOMPARE(prompter.last().text, separatorInField(name));
    QCOMPARE(focusDuringMessage, target);
    QVERIFY(pageDuringMessage && pageDuringMessage->isAncestorOf(target));
    // No download dialog, no byte on the line, and the form and module as they were.
    QVERIFY(!w->findChild<QDialog *>(QStringLiteral("dload")));
    QVERIFY(sim->waitIdle());
    QCOMPARE(sim->received(), QByteArray());
    QCOMPARE(sim->storedRecords(), stored);
    QVERIFY(formState(*w) == before);
}

void TestFieldContent::readoutKeepsSeparatorInsideItsRecord()
{
    RecordingPrompter prompter;
    auto sim = startedInProcess();
    auto w = preparedWindow(prompter, sim->devicePath(), 32);
    w->readup();
    FormState expected = formState(*w);

    sim->setFault(Fault::SeparatorInRecord);
    preparedWindow(prompter, sim->devicePath(), 32).swap(w);
    w->readup();

    QVERIFY(prompter.messages.isEmpty());
    expected.general[3] = QStringLiteral("Kapu|Udvar");
    // Every other field where it belongs: nothing shifted by one.
    QCOMPARE(formState(*w).general, expected.general);
    QVERIFY(formState(*w) == expected);
}

void TestFieldContent::saveRefusesWhatWouldNotOpenAgain_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("--- as a whole field")
        << "be2_off_msg" << "---"
        << "A(z) „2. bemenet üzenete kikapcsoláskor” mező tartalma „---”, amely a fájlban a fájl végét "
           "jelentené. Javítsa ki a mezőt, majd mentse újra!";
    QTest::newRow("line break in a name")
        << "m_nev" << "Kapu\nUdvar"
        << "A(z) „Modul neve” mező sortörést tartalmaz, amely a fájlban új sort kezdene. Javítsa ki "
           "a mezőt, majd mentse újra!";
    QTest::newRow("line break in number 70")
        << "t_70" << "3620\r1234"
        << "A(z) „70. telefonszám” mező sortörést tartalmaz, amely a fájlban új sort kezdene. Javítsa "
           "ki a mezőt, majd mentse újra!";
}

void TestFieldContent::saveRefusesWhatWouldNotOpenAgain()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    ScratchDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kapu.krv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old file");
    }
    RecordingPrompter prompter;
    auto w = startedWindow();
    prompter.clear();
    widget<QLineEdit>(*w, field)->setText(text);   // as a module could have left it
    const QString filePath = w->state().filePath();
    prompter.fileAnswers << path;

    w->save();

    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("File hiba"));
    QCOMPARE(prompter.last().text, message);
    QVERIFY(prompter.fileDialogs.isEmpty());
    QCOMPARE(fileBytes(path), QByteArray("the old file"));
    QCOMPARE(widget<QLineEdit>(*w, field)->text(), text);
    QCOMPARE(w->state().filePath(), filePath);
}

void TestFieldContent::savedFormOpensAgainUnchanged()
{
    // Everything the field checks accept, and characters the file's code
    // page holds (ő, ű, „…”, €); spaces inside telephone numbers are dropped
    // on loading by design, so the numbers have none.
    const QString freeChars = QStringLiteral(" -+*/.,;:!?'\"()#&%=_~@$abcxyzKAPUőűŐŰáéíóöúüÁÉÍÓÖÚÜ€„”0123456789");
    const QString digitChars = QStringLiteral("0123456789 ");
    const QString phoneChars = QStringLiteral("0123456789+");
    const quint32 seed = 20261208;
    QRandomGenerator random(seed);
    const auto randomText = [&random](const QString &chars, int maxLength) {
        QString text;
        const int length = int(random.bounded(maxLength + 1));
        for (int i = 0; i < length; ++i)
            text.append(chars.at(int(random.bounded(int(chars.size())))));
        return text;
    };

    ScratchDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kor.krv"));
    RecordingPrompter prompter;
    auto w = startedWindow();
    w->setMode(128);   // every box enabled, so opening sets them all
    const QStringList names = generalNames();
    const QList<QCheckBox *> boxes = w->findChildren<QCheckBox *>();

    for (int round = 0; round < 40; ++round) {
        for (const QString &name : names) {
            QString text;
            if (name == QLatin1String("smskp"))
                text = randomText(phoneChars + QLatin1Char(' '), 16);
            else if (name == QLatin1String("m_pin") || name == QLatin1String("m_id")
                     || name == QLatin1String("rele_time"))
                text = randomText(digitChars, 4);
            else if (name == QLatin1String("visszaallas"))
                text = QStringList{QString(), QStringLiteral("0"), QStringLiteral("1")}.at(int(random.bounded(3)));
            else
                text = random.bounded(8) == 0 ? QStringLiteral("---x") : randomText(freeChars, 16);
            QVERIFY2(!fieldrules::brokenGeneralRule(name, text), qPrintable(name + QLatin1Char('=') + text));
            widget<QLineEdit>(*w, name)->setText(text);
        }
        for (int n = 1; n <= 128; ++n)
            widget<QLineEdit>(*w, QStringLiteral("t_%1").arg(n))->setText(randomText(phoneChars, 14));
        for (QCheckBox *b : boxes)
            b->setChecked(random.bounded(2) == 1);
        const FormState saved = formState(*w);

        prompter.clear();
        prompter.fileAnswers << path;
        w->save();
        QCOMPARE(prompter.last().text, QStringLiteral("Sikeres mentés."));
        for (const QString &name : names)
            widget<QLineEdit>(*w, name)->setText(QStringLiteral("x"));
        for (int n = 1; n <= 128; ++n)
            widget<QLineEdit>(*w, QStringLiteral("t_%1").arg(n))->clear();
        for (QCheckBox *b : boxes)
            b->setChecked(!b->isChecked());
        prompter.fileAnswers << path;
        w->openfile();
        QCOMPARE(prompter.last().text, QStringLiteral("kor.krv sikeresen megnyitva."));

        const FormState opened = formState(*w);
        QVERIFY2(opened.general == saved.general,
                 qPrintable(QStringLiteral("seed %1 round %2: %3 | %4")
                                .arg(seed).arg(round)
                                .arg(saved.general.join(QLatin1Char('/')), opened.general.join(QLatin1Char('/')))));
        QCOMPARE(opened.numbers, saved.numbers);
        QCOMPARE(opened.ticked, saved.ticked);
    }
}

KORDAVO_TEST_MAIN(TestFieldContent)
#include "tst_fieldcontent.moc"
