// The field rules on their own: the character classes, each general
// field's rule and message, and the leading "+" of telephone numbers.

#include "support/coretestsupport.h"

#include "document/fieldrules.h"

namespace {

const QString kDigitsOnly = QStringLiteral("Csak számok adhatóak meg!");
const QString kPhoneMessage = QStringLiteral(
    "Csak valós telefonszámok adhatóak meg,\nnemzetközi formátumban, '+' karakter nélkül.");

} // namespace

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void characterClasses_data();
    void characterClasses();
    void rulesByFieldName();
};

void TestRules::characterClasses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("digit");
    QTest::addColumn<bool>("phone");
    QTest::newRow("empty") << QString() << true << true;
    QTest::newRow("digits") << "0123456789" << true << true;
    QTest::newRow("spaces") << "12 4" << true << true;
    QTest::newRow("only spaces") << "   " << true << true;
    QTest::newRow("letter") << "12a4" << false << false;
    QTest::newRow("plus") << "+3630" << false << true;
    QTest::newRow("plus inside") << "36+30" << false << true;
    QTest::newRow("hyphen") << "36-30" << false << false;
    QTest::newRow("tab") << "36\t30" << false << false;
    QTest::newRow("accented") << "1ő" << false << false;
    QTest::newRow("superscript two") << QStringLiteral("1²") << false << false;
    QTest::newRow("fullwidth digit") << QStringLiteral("\uff11") << false << false;
    QTest::newRow("arabic-indic digit") << QStringLiteral("\u0663") << false << false;
    QTest::newRow("no-break space") << QStringLiteral("1\u00a02") << false << false;
}

void TestRules::characterClasses()
{
    QFETCH(QString, text);
    QFETCH(bool, digit);
    QFETCH(bool, phone);
    QCOMPARE(fieldrules::isDigitText(text), digit);
    QCOMPARE(fieldrules::isPhoneText(text), phone);
}

void TestRules::rulesByFieldName()
{
    using fieldrules::generalFieldRule;
    for (const char *name : {"m_pin", "m_id", "rele_time"}) {
        const auto rule = generalFieldRule(QString::fromLatin1(name));
        QCOMPARE(rule.title, QStringLiteral("Beviteli hiba"));
        QCOMPARE(rule.message, kDigitsOnly);
        QVERIFY(rule.passes("1 2"));
        QVERIFY(!rule.passes("+1"));
    }
    const auto sms = generalFieldRule("smskp");
    QCOMPARE(sms.title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(sms.message, QStringLiteral("Csak valós telefonszám adható meg!"));
    QVERIFY(sms.passes("+36 30"));
    const auto restore = generalFieldRule("visszaallas");
    QCOMPARE(restore.title, QStringLiteral("Input error"));
    QCOMPARE(restore.message, QStringLiteral("Az érték 0 vagy 1 lehet."));
    for (const char *ok : {"", "0", "1"})
        QVERIFY(restore.passes(QString::fromLatin1(ok)));
    for (const char *bad : {"2", " ", "a", "01"})
        QVERIFY(!restore.passes(QString::fromLatin1(bad)));
    for (const char *free : {"m_nev", "be1_nev", "be2_nev", "ki3_on", "unknown"})
        QVERIFY(generalFieldRule(QString::fromLatin1(free)).passes("bármi -+*"));

    QCOMPARE(fieldrules::telephoneRule().message, kPhoneMessage);
    QCOMPARE(fieldrules::withoutLeadingPlus("++36"), QStringLiteral("+36"));
    QCOMPARE(fieldrules::withoutLeadingPlus("3+6"), QStringLiteral("3+6"));
    QCOMPARE(fieldrules::withoutLeadingPlus(""), QString());
}

KORDAVO_CORE_TEST_MAIN(TestRules)
#include "tst_rules.moc"
