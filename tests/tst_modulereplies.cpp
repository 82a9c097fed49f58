// Taking the module's answers apart, the relay mask and the order in which
// the port dialog lists ports: no window and no port needed.

#include "support/coretestsupport.h"

#include "serial/modulereplies.h"
#include "serial/portnames.h"

#include <algorithm>

using namespace modulereplies;

class TestModuleReplies : public QObject
{
    Q_OBJECT

private slots:
    void identificationPrefix_data();
    void identificationPrefix();
    void memoryFieldIsLastPiece_data();
    void memoryFieldIsLastPiece();
    void statesFourteenCharacters();
    void statesTooShort();
    void signalAnswer_data();
    void signalAnswer();
    void signalNeedsExactlyThreeFields_data();
    void signalNeedsExactlyThreeFields();
    void relayStatesReadWhereStatusReads();
    void relayStatesTooShort();
    void relayCommandMask_data();
    void relayCommandMask();
    void portsInNaturalOrder();
};

void TestModuleReplies::identificationPrefix_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("recognised");
    QTest::newRow("Qzv") << "Qzv_2.1_32\r" << true;
    QTest::newRow("KDV") << "KDV_128" << true;
    QTest::newRow("lower-case qzv") << "qzv_2.1_32\r" << false;
    QTest::newRow("lower-case kdv") << "kdv_32" << false;
    QTest::newRow("mixed QZV") << "QZV_32" << false;
    QTest::newRow("two characters") << "Qz" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("prefix later") << " Qzv_32" << false;
}

void TestModuleReplies::identificationPrefix()
{
    QFETCH(QString, answer);
    QFETCH(bool, recognised);
    QCOMPARE(isIdentification(answer), recognised);
}

void TestModuleReplies::memoryFieldIsLastPiece_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("number");   // -1: not a number
    QTest::newRow("128") << "Qzv_V2.62_128" << "128" << 128;
    QTest::newRow("31") << "KDV_x_31" << "31" << 31;
    QTest::newRow("no underscore") << "Qzv32" << "Qzv32" << -1;
    QTest::newRow("trailing underscore") << "Qzv_32_" << "" << -1;
    QTest::newRow("letters") << "Qzv_abc" << "abc" << -1;
    QTest::newRow("silent module") << "" << "" << -1;
}

void TestModuleReplies::memoryFieldIsLastPiece()
{
    QFETCH(QString, answer);
    QFETCH(QString, field);
    QFETCH(int, number);
    QCOMPARE(memoryField(answer), field);
    const auto value = memoryNumber(field);
    QCOMPARE(value.has_value(), number >= 0);
    if (number >= 0)
        QCOMPARE(*value, number);
}

void TestModuleReplies::statesFourteenCharacters()
{
    // Positions 3, 10 and 13 hold 1, all others 0.
    const auto states = parseStates(QStringLiteral("00010000001001"));
    QVERIFY(states);
    QVERIFY(states->input1Active);    // position 4 is 0
    QVERIFY(!states->input2Active);   // position 3 is 1
    QVERIFY(states->outputs.isOn(1));     // position 13
    QVERIFY(!states->outputs.isOn(2));
    QVERIFY(!states->outputs.isOn(3));
    QVERIFY(states->outputs.isOn(4));     // position 10

    const auto others = parseStates(QStringLiteral("R:I11O01100110\r"));
    QVERIFY(others);
    QVERIFY(!others->input1Active && !others->input2Active);
    QCOMPARE(others->outputs.bits(), quint8(0x6));
}

void TestModuleReplies::statesTooShort()
{
    QVERIFY(!parseStates(QStringLiteral("0001000000100")));   // 13 characters
    QVERIFY(!parseStates(QString()));
}

void TestModuleReplies::signalAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("strength");
    QTest::addColumn<QString>("service");
    QTest::newRow("plain") << "+CSQ,7,Telenor\r" << 7 << "Telenor";
    QTest::newRow("spaces removed") << "x,6, T Mobile H \r" << 6 << "TMobileH";
    QTest::newRow("zero is 1") << "x,0,A\r" << 1 << "A";
    QTest::newRow("negative is 1") << "x,-3,A\r" << 1 << "A";
    QTest::newRow("15 is 9") << "x,15,A\r" << 9 << "A";
    QTest::newRow("not a number is 1") << "x,strong,A\r" << 1 << "A";
    QTest::newRow("empty pieces kept") << ",5," << 5 << "";
}

void TestModuleReplies::signalAnswer()
{
    QFETCH(QString, answer);
    QFETCH(int, strength);
    QFETCH(QString, service);
    const auto info = parseSignal(answer);
    QVERIFY(info);
    QCOMPARE(info->strength, strength);
    QCOMPARE(info->service, service);
}

void TestModuleReplies::signalNeedsExactlyThreeFields_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("four fields") << "x,7,Tele,nor\r";
    QTest::newRow("two fields") << "x,7\r";
    QTest::newRow("silent") << "";
}

void TestModuleReplies::signalNeedsExactlyThreeFields()
{
    QFETCH(QString, answer);
    QVERIFY(!parseSignal(answer));
}

void TestModuleReplies::relayStatesReadWhereStatusReads()
{
    // Outputs 4 … 1 at positions 10 … 13, whatever follows them: the relay
    // dialog and the indicators agree on every answer length.
    const auto relay = [](const QString &answer) { return parseStates(answer).value().outputs.text(); };
    QCOMPARE(relay(QStringLiteral("ST011000001011\r")), QStringLiteral("1101"));
    QCOMPARE(relay(QStringLiteral("ST01100000010110\r")), QStringLiteral("1010"));
    QCOMPARE(relay(QStringLiteral("ST011000000001000000\r")), QStringLiteral("1000"));
}

void TestModuleReplies::relayStatesTooShort()
{
    QVERIFY(!parseStates(QStringLiteral("ST0110000010\r")));
    QVERIFY(!parseStates(QString()));
}

void TestModuleReplies::relayCommandMask_data()
{
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("command");
    QTest::newRow("none") << "0000" << "~0";
    QTest::newRow("output 1") << "1000" << "~1";
    QTest::newRow("output 2") << "0100" << "~2";
    QTest::newRow("outputs 1 and 3") << "1010" << "~5";
    QTest::newRow("outputs 2 and 4") << "0101" << "~A";
    QTest::newRow("outputs 1, 2 and 4") << "1101" << "~B";
    QTest::newRow("all") << "1111" << "~F";
    // Only four "0" or "1" are a mask.
    QTest::newRow("other characters") << "x1yA" << "";
    QTest::newRow("too short") << "101" << "";
    QTest::newRow("too long") << "10100" << "";
}

void TestModuleReplies::relayCommandMask()
{
    QFETCH(QString, states);
    QFETCH(QString, command);
    const std::optional<OutputMask> mask = OutputMask::fromText(states);
    QCOMPARE(mask.has_value(), !command.isEmpty());
    if (!mask)
        return;
    QCOMPARE(relayCommand(*mask), command);
    QCOMPARE(mask->text(), states);
}

void TestModuleReplies::portsInNaturalOrder()
{
    QStringList ports{QStringLiteral("COM10"), QStringLiteral("ttyUSB0"), QStringLiteral("COM2"),
                      QStringLiteral("ttyS10"), QStringLiteral("COM1"), QStringLiteral("ttyS1"),
                      QStringLiteral("ttyACM0"), QStringLiteral("ttyS2")};
    std::sort(ports.begin(), ports.end(), portNameLess);
    QCOMPARE(ports, (QStringList{QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM10"),
                                 QStringLiteral("ttyACM0"), QStringLiteral("ttyS1"), QStringLiteral("ttyS2"),
                                 QStringLiteral("ttyS10"), QStringLiteral("ttyUSB0")}));
    QVERIFY(!portNameLess(QStringLiteral("COM3"), QStringLiteral("COM3")));
    QVERIFY(portNameLess(QStringLiteral("/dev/pts/9"), QStringLiteral("/dev/pts/10")));
    // A run of digits longer than any integer still compares by value.
    QVERIFY(portNameLess(QStringLiteral("p99999999999999999999"), QStringLiteral("p100000000000000000000")));
}

KORDAVO_CORE_TEST_MAIN(TestModuleReplies)
#include "tst_modulereplies.moc"
