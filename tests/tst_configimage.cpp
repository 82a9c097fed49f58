// The module's record image: building it from a configuration, its bytes on
// the line, normalising a module's reply and reading it back.

#include "support/coretestsupport.h"

#include "imagetesthelpers.h"

#include "serial/comport.h"
#include "transfer/configimage.h"

using namespace configimage;
using configfile::boxTicked;
using configfile::keyValues;

using namespace imagetest;

namespace {

const QString kSpaces16(16, QLatin1Char(' '));

} // namespace

class TestConfigImage : public QObject
{
    Q_OBJECT

private slots:
    void recordsArePaddedNeverCut();
    void flagDigitsFromGroups();
    void imageSizes();
    void emptyGeneralFieldStopsTheBuild();
    void wireBytesAreLatin1WithCRs();
    void normalisation_data();
    void normalisation();
    void parsingNeedsEnoughRecords();
    void parsingTelephoneRecords();
    void moduleReplyNormalisesToTheImage();
};

void TestConfigImage::recordsArePaddedNeverCut()
{
    QCOMPARE(padRecord(QStringLiteral("ABCDEFGHIJKLMNOP")), QStringLiteral("ABCDEFGHIJKLMNOP"));
    QCOMPARE(generalRecord(4, QStringLiteral("1")), QStringLiteral("1") + QString(15, QLatin1Char(' ')));
    QCOMPARE(generalRecord(generalfields::indexOf(QStringLiteral("rele_time")), QStringLiteral("7")),
             QStringLiteral("0007") + QString(12, QLatin1Char(' ')));
    QCOMPARE(generalRecord(generalfields::indexOf(QStringLiteral("rele_time")), QStringLiteral("1200")),
             QStringLiteral("1200") + QString(12, QLatin1Char(' ')));
    // Only rele_time is zero-filled.
    QCOMPARE(generalRecord(1, QStringLiteral("7")), QStringLiteral("7") + QString(15, QLatin1Char(' ')));
    QCOMPARE(telephoneRecord(0, 1, QStringLiteral("36301234567")), QStringLiteral("0136301234567   "));
    QCOMPARE(telephoneRecord(0, 0, QString()), QStringLiteral("00") + QString(14, QLatin1Char(' ')));
}

void TestConfigImage::flagDigitsFromGroups()
{
    const configfile::GroupKey group = configfile::parseGroupKey(QStringLiteral("255.2"));
    QVERIFY(group.valid);
    QCOMPARE(group.key, 255);
    QCOMPARE(group.bit, 2);
    QVERIFY(!configfile::parseGroupKey(QStringLiteral("x.1")).valid);
    QVERIFY(!configfile::parseGroupKey(QStringLiteral("3.y")).valid);
    QVERIFY(!configfile::parseGroupKey(QString()).valid);

    const QHash<int, int> keys = keyValues({{"1.1", true}, {"1.2", true}, {"2.1", false}, {"2.2", true},
                                           {"8.1", true}, {"bad", true}, {"9.1", false}});
    QCOMPARE(keys.value(1), 3);
    QCOMPARE(keys.value(2), 2);
    QCOMPARE(keys.value(8), 1);
    QVERIFY(!keys.contains(9));
    QVERIFY(boxTicked(keys, QStringLiteral("1.2")));
    QVERIFY(!boxTicked(keys, QStringLiteral("2.1")));
    QVERIFY(!boxTicked(keys, QStringLiteral("9.2")));
}

void TestConfigImage::imageSizes()
{
    for (int n : {32, 128}) {
        QStringList numbers;
        for (int i = 1; i <= n; ++i)
            numbers << (i == 4 ? QStringLiteral("36301234567") : QString());
        // Number 4 may control output 1 only: key 8, weight index 1.
        const BuildResult r = imageOf(sampleGeneral(), {{8, 1}}, numbers);
        QVERIFY(r.ok());
        QCOMPARE(r.image.size(), n == 32 ? 1020 : 2652);
        QVERIFY(r.image.endsWith(QLatin1Char('|')));
        const QStringList recs = records(r.image);
        QCOMPARE(recs.size(), 28 + n);
        for (const QString &rec : recs)
            QCOMPARE(rec.size(), 16);
        QCOMPARE(recs.at(7), QStringLiteral("0005            "));
        for (int i = 16; i < 28; ++i)
            QCOMPARE(recs.at(i), kSpaces16);
        QCOMPARE(recs.at(28 + 3), QStringLiteral("0136301234567   "));
        QCOMPARE(recs.at(28), QStringLiteral("00") + QString(14, QLatin1Char(' ')));
    }
}

void TestConfigImage::emptyGeneralFieldStopsTheBuild()
{
    QStringList general = sampleGeneral();
    general[3].clear();
    const BuildResult r = imageOf(general, {}, QStringList(32, QString()));
    QVERIFY(!r.ok());
    QCOMPARE(r.emptyField, 3);
    QCOMPARE(records(r.image).size(), 3);

    general[3] = QStringLiteral("   ");   // spaces are content
    QVERIFY(imageOf(general, {}, QStringList(32, QString())).ok());
}

void TestConfigImage::wireBytesAreLatin1WithCRs()
{
    QStringList general = sampleGeneral();
    general[3] = QStringLiteral("Kapunyitő ü");
    const BuildResult r = imageOf(general, {}, QStringList(128, QString()));
    const QByteArray bytes = wireBytes(r.image);
    QCOMPARE(bytes.size(), 2653);
    QCOMPARE(wireBytes(imageOf(sampleGeneral(), {}, QStringList(32, QString())).image).size(), 1021);
    for (int i = 16; i < bytes.size() - 1; i += 17)
        QCOMPARE(bytes.at(i), '\r');
    QVERIFY(bytes.endsWith("\r\r"));
    // The fourth record: ő has no Latin-1 code and goes as ö; ü goes as 0xFC.
    const QByteArray name = bytes.mid(3 * 17, 16);
    QCOMPARE(name, QByteArray("Kapunyit\xF6 \xFC     ", 16));
    // A character beyond 16 bits takes two places in a field, and two bytes,
    // so its record keeps its 16 bytes on the line.
    QCOMPARE(asSent(QStringLiteral("Főkapu ű Ő Ű é € 😀|")),
             QStringLiteral("Fökapu ü Ö Ü é ? ??|"));
    QCOMPARE(ModuleLine::lineByte(QChar(0xE9)), char(0xE9));
}

void TestConfigImage::normalisation_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("normalised");
    QTest::newRow("plain") << QStringLiteral("AB\rCD\rx") << QStringLiteral("AB|CD|");
    QTest::newRow("junk and empty line first")
        << QStringLiteral("OK 128\r\rAB\rCD\rx") << QStringLiteral("AB|CD|");
    QTest::newRow("several empty lines: the last one counts")
        << QStringLiteral("a\r\rb\r\rAB\rCD\r\r") << QStringLiteral("AB|CD|");
    QTest::newRow("only empty line at the end is kept")
        << QStringLiteral("AB\rCD\r\r\r") << QStringLiteral("AB|CD||");
    QTest::newRow("0xFF padding") << QStringLiteral("A\xFF\xFF\rB\xFF\rx") << QStringLiteral("A  |B |");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("one character") << QStringLiteral("x") << QString();
}

void TestConfigImage::normalisation()
{
    QFETCH(QString, reply);
    QFETCH(QString, normalised);
    QCOMPARE(normalizeReply(reply), normalised);
}

void TestConfigImage::parsingNeedsEnoughRecords()
{
    const QString image = imageOf(sampleGeneral(), {}, QStringList(32, QString())).image;
    QVERIFY(parseImage(image, 32).has_value());
    QVERIFY(!parseImage(image, 128).has_value());
    // 59 parts are not enough for 32 numbers.
    QStringList recs = records(image);
    recs.removeLast();
    QVERIFY(!parseImage(recs.join(QLatin1Char('|')) + QLatin1Char('|'), 32).has_value());
    QVERIFY(!parseImage(QString(), 32).has_value());
}

void TestConfigImage::parsingTelephoneRecords()
{
    QStringList numbers(128, QString());
    numbers[0] = QStringLiteral("3630 123 45");
    numbers[1] = QStringLiteral("36201111111");
    QString image = imageOf(sampleGeneral(), {{1, 2}, {2, 1}, {3, 3}, {4, 3}}, numbers).image;
    QStringList recs = records(image);
    recs[28 + 2] = QStringLiteral("x9") + recs[28 + 2].mid(2);   // non-digit flag
    image = recs.join(QLatin1Char('|')) + QLatin1Char('|');

    // A 128-number reply read with 32 numbers: the first 60 records are used.
    const auto parsed = parseImage(image, 32);
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->general.size(), 16);
    QCOMPARE(parsed->general.at(0), QStringLiteral("36309888000"));
    QCOMPARE(parsed->general.at(7), QStringLiteral("0005"));
    QCOMPARE(parsed->general.at(15), QStringLiteral("be2 ki"));
    // Entries past the memory size stay empty.
    QCOMPARE(parsed->telephones.at(32).number, QString());
    QCOMPARE(parsed->telephones.at(0).number, QStringLiteral("363012345"));
    QCOMPARE(parsed->telephones.at(0).alarm, 2);
    QCOMPARE(parsed->telephones.at(0).output, 1);
    QCOMPARE(parsed->telephones.at(1).number, QStringLiteral("36201111111"));
    QCOMPARE(parsed->telephones.at(1).alarm, 3);
    QCOMPARE(parsed->telephones.at(2).alarm, 0);
    QCOMPARE(parsed->telephones.at(2).output, 9);
    QCOMPARE(parsed->telephones.at(31).number, QString());

    const QHash<int, int> keys = parsed->keyValues(32);
    QVERIFY(boxTicked(keys, QStringLiteral("1.2")));
    QVERIFY(!boxTicked(keys, QStringLiteral("1.1")));
    QVERIFY(boxTicked(keys, QStringLiteral("2.1")));
    QVERIFY(!boxTicked(keys, QStringLiteral("2.2")));
}

void TestConfigImage::moduleReplyNormalisesToTheImage()
{
    QStringList numbers(128, QString());
    numbers[127] = QStringLiteral("36705555555");
    const QString image = imageOf(sampleGeneral(), {{256, 3}}, numbers).image;
    QCOMPARE(normalizeReply(moduleReply(image)), image);
    QCOMPARE(normalizeReply(moduleReply(image, QStringLiteral("KDV_2.62\r\r"))), image);
    // A module padding with 0xFF instead of spaces reads the same.
    QString ff = moduleReply(image);
    ff.replace(QLatin1Char(' '), QChar(0xFF));
    QCOMPARE(normalizeReply(ff), image);
}

KORDAVO_CORE_TEST_MAIN(TestConfigImage)
#include "tst_configimage.moc"
