// The module's record image: building it from field texts and ticks, its
// bytes on the line, normalising a module's reply and reading it back; then
// the same through the main window's form.

#include "support/testsupport.h"

#include "serial/comport.h"
#include "transfer/configimage.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTabWidget>

using namespace configimage;
using configfile::boxTicked;
using configfile::keyValues;

namespace {

const QString kSpaces16(16, QLatin1Char(' '));

QStringList sampleGeneral()
{
    return {"36309888000", "1234", "0001", "Kapunyito modul", "0", "Kapu", "Riaszto", "5",
            "ki3 be", "ki4 be", "ki3 ki", "ki4 ki", "be1 be", "be2 be", "be1 ki", "be2 ki"};
}

QStringList records(const QString &image)
{
    QStringList parts = image.split(QLatin1Char('|'));
    parts.removeLast();   // the empty part after the closing separator
    return parts;
}

// What a module sends for "~{": every record with CR, then one more character.
QString moduleReply(const QString &image, const QString &prefix = QString())
{
    QString reply = prefix;
    for (const QString &r : records(image))
        reply += r + QLatin1Char('\r');
    return reply + QLatin1Char('\r');
}

QLineEdit *edit(MainWindow &w, const QString &name)
{
    return w.findChild<QLineEdit *>(name);
}

QCheckBox *box(MainWindow &w, const QString &group)
{
    for (QCheckBox *b : w.findChildren<QCheckBox *>())
        if (b->property("group").toString() == group)
            return b;
    return nullptr;
}

void fillForm(MainWindow &w)
{
    const QStringList texts = sampleGeneral();
    const auto edits = w.findChild<QWidget *>(QStringLiteral("tab"))->findChildren<QLineEdit *>();
    for (int i = 0; i < edits.size(); ++i)
        edits[i]->setText(texts.at(i));
}

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

    void windowBuildsFromTheForm();
    void windowEmptyFieldShowsGeneralTab();
    void windowAppliesReply();
    void windowShortReplyLeavesFormAlone();
};

void TestConfigImage::recordsArePaddedNeverCut()
{
    QCOMPARE(padRecord(QStringLiteral("ABCDEFGHIJKLMNOP")), QStringLiteral("ABCDEFGHIJKLMNOP"));
    QCOMPARE(generalRecord(4, QStringLiteral("1")), QStringLiteral("1") + QString(15, QLatin1Char(' ')));
    QCOMPARE(generalRecord(kReleTimeRecord, QStringLiteral("7")),
             QStringLiteral("0007") + QString(12, QLatin1Char(' ')));
    QCOMPARE(generalRecord(kReleTimeRecord, QStringLiteral("1200")),
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
        const BuildResult r = buildImage(sampleGeneral(), {{8, 1}}, numbers);
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
    const BuildResult r = buildImage(general, {}, QStringList(32, QString()));
    QVERIFY(!r.ok());
    QCOMPARE(r.emptyField, 3);
    QCOMPARE(records(r.image).size(), 3);

    general[3] = QStringLiteral("   ");   // spaces are content
    QVERIFY(buildImage(general, {}, QStringList(32, QString())).ok());
}

void TestConfigImage::wireBytesAreLatin1WithCRs()
{
    QStringList general = sampleGeneral();
    general[3] = QStringLiteral("Kapunyitő ü");
    const BuildResult r = buildImage(general, {}, QStringList(128, QString()));
    const QByteArray bytes = wireBytes(r.image);
    QCOMPARE(bytes.size(), 2653);
    QCOMPARE(wireBytes(buildImage(sampleGeneral(), {}, QStringList(32, QString())).image).size(), 1021);
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
    QCOMPARE(ComPort::lineByte(QChar(0xE9)), char(0xE9));
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
    const QString image = buildImage(sampleGeneral(), {}, QStringList(32, QString())).image;
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
    QString image = buildImage(sampleGeneral(), {{1, 2}, {2, 1}, {3, 3}, {4, 3}}, numbers).image;
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
    QCOMPARE(parsed->telephones.size(), 32);
    QCOMPARE(parsed->telephones.at(0).number, QStringLiteral("363012345"));
    QCOMPARE(parsed->telephones.at(0).alarm, 2);
    QCOMPARE(parsed->telephones.at(0).output, 1);
    QCOMPARE(parsed->telephones.at(1).number, QStringLiteral("36201111111"));
    QCOMPARE(parsed->telephones.at(1).alarm, 3);
    QCOMPARE(parsed->telephones.at(2).alarm, 0);
    QCOMPARE(parsed->telephones.at(2).output, 9);
    QCOMPARE(parsed->telephones.at(31).number, QString());

    const QHash<int, int> keys = parsed->keyValues();
    QVERIFY(boxTicked(keys, QStringLiteral("1.2")));
    QVERIFY(!boxTicked(keys, QStringLiteral("1.1")));
    QVERIFY(boxTicked(keys, QStringLiteral("2.1")));
    QVERIFY(!boxTicked(keys, QStringLiteral("2.2")));
}

void TestConfigImage::moduleReplyNormalisesToTheImage()
{
    QStringList numbers(128, QString());
    numbers[127] = QStringLiteral("36705555555");
    const QString image = buildImage(sampleGeneral(), {{256, 3}}, numbers).image;
    QCOMPARE(normalizeReply(moduleReply(image)), image);
    QCOMPARE(normalizeReply(moduleReply(image, QStringLiteral("KDV_2.62\r\r"))), image);
    // A module padding with 0xFF instead of spaces reads the same.
    QString ff = moduleReply(image);
    ff.replace(QLatin1Char(' '), QChar(0xFF));
    QCOMPARE(normalizeReply(ff), image);
}

void TestConfigImage::windowBuildsFromTheForm()
{
    MainWindow w;
    fillForm(w);
    edit(w, QStringLiteral("be1_off_msg"))->setText(QStringLiteral("REC14"));
    edit(w, QStringLiteral("be2_on_msg"))->setText(QStringLiteral("REC15"));
    edit(w, QStringLiteral("t_3"))->setText(QStringLiteral("36301234567"));
    box(w, QStringLiteral("6.1"))->setChecked(true);
    box(w, QStringLiteral("5.2"))->setChecked(true);
    edit(w, QStringLiteral("t_40"))->setText(QStringLiteral("36209999999"));
    box(w, QStringLiteral("79.1"))->setChecked(true);

    QVERIFY(w.buildConfigImage());
    QString image = TestAccess::configImage(w);
    QCOMPARE(image.size(), 1020);
    QStringList recs = records(image);
    QCOMPARE(recs.at(13), QStringLiteral("REC14           "));
    QCOMPARE(recs.at(14), QStringLiteral("REC15           "));
    QCOMPARE(recs.at(28 + 2), QStringLiteral("2136301234567   "));
    QVERIFY(!image.contains(QStringLiteral("36209999999")));

    w.setMode(128);
    QVERIFY(w.buildConfigImage());
    image = TestAccess::configImage(w);
    QCOMPARE(image.size(), 2652);
    recs = records(image);
    QCOMPARE(recs.at(28 + 39), QStringLiteral("1036209999999   "));
}

void TestConfigImage::windowEmptyFieldShowsGeneralTab()
{
    MainWindow w;
    fillForm(w);
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(2);
    edit(w, QStringLiteral("ki4_off"))->clear();
    TestAccess::configImage(w) = QStringLiteral("old");
    QVERIFY(!w.buildConfigImage());
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab"));
    // The records before the empty field are kept.
    QCOMPARE(records(TestAccess::configImage(w)).size(), 11);
}

void TestConfigImage::windowAppliesReply()
{
    MainWindow w;
    w.setMode(128);
    QStringList numbers(128, QString());
    numbers[0] = QStringLiteral("36 30 1234567");
    numbers[127] = QStringLiteral("36701111111");
    QStringList general = sampleGeneral();
    general[3] = QStringLiteral("Name   ");
    const QString image = buildImage(general, {{1, 2}, {2, 1}, {256, 3}}, numbers).image;

    // Boxes that the reply does not tick are cleared.
    box(w, QStringLiteral("1.1"))->setChecked(true);
    box(w, QStringLiteral("100.2"))->setChecked(true);
    QVERIFY(w.applyConfigImage(normalizeReply(moduleReply(image))));
    QCOMPARE(edit(w, QStringLiteral("m_nev"))->text(), QStringLiteral("Name"));
    QCOMPARE(edit(w, QStringLiteral("rele_time"))->text(), QStringLiteral("0005"));
    QCOMPARE(edit(w, QStringLiteral("be2_off_msg"))->text(), QStringLiteral("be2 ki"));
    QCOMPARE(edit(w, QStringLiteral("t_1"))->text(), QStringLiteral("36301234567"));
    QCOMPARE(edit(w, QStringLiteral("t_128"))->text(), QStringLiteral("36701111111"));
    QVERIFY(box(w, QStringLiteral("1.2"))->isChecked());
    QVERIFY(!box(w, QStringLiteral("1.1"))->isChecked());
    QVERIFY(box(w, QStringLiteral("2.1"))->isChecked());
    QVERIFY(!box(w, QStringLiteral("2.2"))->isChecked());
    QVERIFY(!box(w, QStringLiteral("100.2"))->isChecked());
    QVERIFY(box(w, QStringLiteral("256.1"))->isChecked());
    QVERIFY(box(w, QStringLiteral("256.2"))->isChecked());

    // In 32 mode the numbers 33 … 128 keep their text, but lose their boxes.
    w.setMode(32);
    QVERIFY(w.applyConfigImage(normalizeReply(moduleReply(image))));
    QCOMPARE(edit(w, QStringLiteral("t_128"))->text(), QStringLiteral("36701111111"));
    QVERIFY(!box(w, QStringLiteral("256.1"))->isChecked());
    QVERIFY(box(w, QStringLiteral("1.2"))->isChecked());
}

void TestConfigImage::windowShortReplyLeavesFormAlone()
{
    MainWindow w;
    fillForm(w);
    box(w, QStringLiteral("3.1"))->setChecked(true);
    edit(w, QStringLiteral("t_2"))->setText(QStringLiteral("111"));
    QStringList general = sampleGeneral();
    general[0] = QStringLiteral("999");
    QStringList recs = records(buildImage(general, {}, QStringList(32, QString())).image);
    recs.removeLast();
    QVERIFY(!w.applyConfigImage(recs.join(QLatin1Char('|')) + QLatin1Char('|')));
    QCOMPARE(edit(w, QStringLiteral("smskp"))->text(), QStringLiteral("36309888000"));
    QCOMPARE(edit(w, QStringLiteral("t_2"))->text(), QStringLiteral("111"));
    QVERIFY(box(w, QStringLiteral("3.1"))->isChecked());
}

KORDAVO_TEST_MAIN(TestConfigImage)
#include "tst_configimage.moc"
