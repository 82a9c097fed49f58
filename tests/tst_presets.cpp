// The SMS centre presets: choosing an operator fills and locks the SMS
// centre field, "Egyéni" unlocks it, and a load selects the entry back.

#include "support/testsupport.h"

#include "document/documentcommands.h"
#include "document/smspresets.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>

namespace {

struct Form
{
    explicit Form(MainWindow &w)
        : combo(w.findChild<QComboBox *>(QStringLiteral("smskp_combo")))
        , sms(w.findChild<QLineEdit *>(QStringLiteral("smskp")))
    {
    }
    QComboBox *combo;
    QLineEdit *sms;
};

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tableBothWays();
    void comboEntriesMatchTheTable();
    void startsWithTMobile();
    void operatorFillsAndLocks();
    void customKeepsNumberAndFocuses();
    void operatorReplacesCustomNumber();
    void typedPresetNumberLeavesComboAlone();
    void loadSelectsOperator();
    void loadOfOtherNumberSelectsCustom();
    void loadOfCurrentEntryChangesNothing();

private:
    std::unique_ptr<ScratchDir> m_dir;
    RecordingPrompter *m_prompter = nullptr;

    void showActive(MainWindow &w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    // Loads a file whose first line is `number`, with empty fields otherwise.
    void loadWithSmsCentre(MainWindow &w, const QString &number)
    {
        QByteArray bytes = number.toLatin1();
        for (int i = 2; i <= 16; ++i)
            bytes += "\r\n";
        for (int n = 1; n <= 128; ++n)
            bytes += "\r\n00";
        const QString path = m_dir->filePath(QStringLiteral("sms.krv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        w.state().setFilePath(path);
        w.document().loadConfiguration(false);
        QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));
    }
};

void TestPresets::init()
{
    m_dir = std::make_unique<ScratchDir>();
    QVERIFY(m_dir->isValid());
    m_prompter = new RecordingPrompter;
}

void TestPresets::cleanup()
{
    delete m_prompter;
    m_dir.reset();
}

void TestPresets::tableBothWays()
{
    using namespace smspresets;
    QCOMPARE(numberForEntry("T-Mobile"), QStringLiteral("36309888000"));
    QCOMPARE(numberForEntry("Telenor"), QStringLiteral("36209300099"));
    QCOMPARE(numberForEntry("Vodafone"), QStringLiteral("36709996500"));
    QVERIFY(numberForEntry(QStringLiteral("Egyéni")).isNull());
    QVERIFY(numberForEntry("vodafone").isNull());
    QVERIFY(numberForEntry(QString()).isNull());

    QCOMPARE(indexForNumber("36309888000"), 0);
    QCOMPARE(indexForNumber("36209300099"), 1);
    QCOMPARE(indexForNumber("36709996500"), 2);
    QCOMPARE(kCustomIndex, 3);
    for (const char *other : {"", "+36309888000", "36 309888000", "3630988800", "363098880000", "-"})
        QCOMPARE(indexForNumber(QString::fromLatin1(other)), 3);
}

void TestPresets::comboEntriesMatchTheTable()
{
    MainWindow w;
    Form f(w);
    QCOMPARE(f.combo->count(), 4);
    for (int i = 0; i < smspresets::kPresetCount; ++i)
        QCOMPARE(f.combo->itemText(i), QString::fromUtf16(smspresets::kPresets[i].entry));
    QCOMPARE(f.combo->itemText(smspresets::kCustomIndex), smspresets::customEntry());
    QCOMPARE(smspresets::customEntry(), QStringLiteral("Egyéni"));
}

void TestPresets::startsWithTMobile()
{
    MainWindow w;
    Form f(w);
    QCOMPARE(f.combo->currentText(), QStringLiteral("T-Mobile"));
    QCOMPARE(f.sms->text(), QStringLiteral("36309888000"));
    QVERIFY(!f.sms->isEnabled());
}

void TestPresets::operatorFillsAndLocks()
{
    MainWindow w;
    Form f(w);
    f.combo->setCurrentIndex(3);
    QVERIFY(f.sms->isEnabled());
    f.combo->setCurrentIndex(2);
    QCOMPARE(f.sms->text(), QStringLiteral("36709996500"));
    QVERIFY(!f.sms->isEnabled());
    f.combo->setCurrentIndex(1);
    QCOMPARE(f.sms->text(), QStringLiteral("36209300099"));
    QVERIFY(!f.sms->isEnabled());
    f.combo->setCurrentIndex(0);
    QCOMPARE(f.sms->text(), QStringLiteral("36309888000"));
    QVERIFY(!f.sms->isEnabled());
    QVERIFY(m_prompter->messages.isEmpty());
}

void TestPresets::customKeepsNumberAndFocuses()
{
    MainWindow w;
    showActive(w);
    Form f(w);
    // Chosen with the keyboard, as a user would.
    f.combo->setFocus();
    QTest::keyClick(f.combo, Qt::Key_Down);
    QTest::keyClick(f.combo, Qt::Key_Down);
    QCOMPARE(f.combo->currentText(), QStringLiteral("Vodafone"));
    QCOMPARE(f.sms->text(), QStringLiteral("36709996500"));
    QVERIFY(!f.sms->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.combo);

    QTest::keyClick(f.combo, Qt::Key_Down);
    QCOMPARE(f.combo->currentText(), QStringLiteral("Egyéni"));
    QCOMPARE(f.sms->text(), QStringLiteral("36709996500"));
    QVERIFY(f.sms->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.sms);
}

void TestPresets::operatorReplacesCustomNumber()
{
    MainWindow w;
    showActive(w);
    Form f(w);
    f.combo->setCurrentIndex(3);
    QCOMPARE(QApplication::focusWidget(), f.sms);
    f.sms->selectAll();
    QTest::keyClicks(f.sms, "36201234567");
    QTest::keyClick(f.sms, Qt::Key_Return);
    QCOMPARE(f.sms->text(), QStringLiteral("36201234567"));
    QVERIFY(m_prompter->messages.isEmpty());
    f.combo->setCurrentIndex(1);
    QCOMPARE(f.sms->text(), QStringLiteral("36209300099"));
    QVERIFY(!f.sms->isEnabled());
}

void TestPresets::typedPresetNumberLeavesComboAlone()
{
    MainWindow w;
    showActive(w);
    Form f(w);
    f.combo->setCurrentIndex(3);
    f.sms->selectAll();
    QTest::keyClicks(f.sms, "36309888000");
    QTest::keyClick(f.sms, Qt::Key_Return);
    QCOMPARE(f.combo->currentIndex(), 3);
    QVERIFY(f.sms->isEnabled());

    // Re-selecting the current entry is no change and does nothing.
    f.sms->setText(QStringLiteral("123"));
    f.combo->setCurrentIndex(3);
    QCOMPARE(f.sms->text(), QStringLiteral("123"));
}

void TestPresets::loadSelectsOperator()
{
    MainWindow w;
    Form f(w);
    f.combo->setCurrentIndex(3);
    QVERIFY(f.sms->isEnabled());
    loadWithSmsCentre(w, QStringLiteral("36209300099"));
    QCOMPARE(f.combo->currentText(), QStringLiteral("Telenor"));
    QCOMPARE(f.sms->text(), QStringLiteral("36209300099"));
    QVERIFY(!f.sms->isEnabled());

    loadWithSmsCentre(w, QStringLiteral("36709996500"));
    QCOMPARE(f.combo->currentText(), QStringLiteral("Vodafone"));
    QVERIFY(!f.sms->isEnabled());
}

void TestPresets::loadOfOtherNumberSelectsCustom()
{
    MainWindow w;
    showActive(w);
    Form f(w);
    QCOMPARE(f.combo->currentIndex(), 0);
    loadWithSmsCentre(w, QStringLiteral("36301234567"));
    QCOMPARE(f.combo->currentText(), QStringLiteral("Egyéni"));
    QCOMPARE(f.sms->text(), QStringLiteral("36301234567"));
    QVERIFY(f.sms->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.sms);

    // An empty centre is no preset either.
    loadWithSmsCentre(w, QString());
    QCOMPARE(f.combo->currentIndex(), 3);
    QVERIFY(f.sms->text().isEmpty());
    QVERIFY(f.sms->isEnabled());
}

void TestPresets::loadOfCurrentEntryChangesNothing()
{
    MainWindow w;
    Form f(w);
    loadWithSmsCentre(w, QStringLiteral("36309888000"));
    QCOMPARE(f.combo->currentIndex(), 0);
    QVERIFY(!f.sms->isEnabled());

    f.combo->setCurrentIndex(3);
    loadWithSmsCentre(w, QStringLiteral("36201111111"));
    QCOMPARE(f.combo->currentIndex(), 3);
    QVERIFY(f.sms->isEnabled());
    QCOMPARE(f.sms->text(), QStringLiteral("36201111111"));
}

KORDAVO_TEST_MAIN(TestPresets)
#include "tst_presets.moc"
