// The configuration value through the file and the module's record image,
// without a window: what goes in comes back.

#include "support/coretestsupport.h"

#include "imagetesthelpers.h"

#include "document/configuration.h"
#include "document/fieldrules.h"

#include <QtCore/QBuffer>
#include <QtCore/QRandomGenerator>

using namespace imagetest;

namespace {

// Content the field checks accept. The image half of the trip keeps to
// Latin-1 and to texts without trailing spaces, which a module stores as is
// and a read-out gives back as is; the file half takes Windows-1250's ő, ű.
Configuration randomConfiguration(QRandomGenerator &random, bool latin1Only)
{
    const QString common = QStringLiteral(" -+*/.,;:!?'\"()#&%=_~@$abcxyzKAPUáéíóöúüÁÉÍÓÖÚÜ0123456789");
    const QString free = latin1Only ? common : common + QStringLiteral("őűŐŰ€„”");
    const auto text = [&random](const QString &chars, int minLength, int maxLength) {
        QString t;
        const int length = minLength + int(random.bounded(maxLength - minLength + 1));
        for (int i = 0; i < length; ++i)
            t.append(chars.at(int(random.bounded(int(chars.size())))));
        return t;
    };
    Configuration c;
    for (size_t i = 0; i < generalfields::kFields.size(); ++i) {
        const generalfields::Field &field = generalfields::kFields.at(i);
        QString value;
        switch (field.content) {
        case generalfields::Content::Telephone: value = text(QStringLiteral("0123456789+"), 1, field.maxLength); break;
        case generalfields::Content::Digits: value = text(QStringLiteral("0123456789"), 4, 4); break;
        case generalfields::Content::Restore: value = random.bounded(2) ? QStringLiteral("1") : QStringLiteral("0"); break;
        case generalfields::Content::FreeText: value = text(free, 1, field.maxLength); break;
        }
        while (value.endsWith(QLatin1Char(' ')))
            value.chop(1);
        if (value.isEmpty() || value == QLatin1String("---"))
            value = QStringLiteral("x");
        c.general[i] = value;
    }
    for (configfile::TelephoneEntry &entry : c.telephones) {
        entry.alarm = int(random.bounded(4));
        entry.output = int(random.bounded(4));
        entry.number = text(QStringLiteral("0123456789+"), 0, 14);
    }
    return c;
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void throughFileAndImage();
    void partOfTheEntriesThroughTheImage();
    // What the fuzzers found.
    void strayCarriageReturnsAreNoText();
    void longerRecordsAreCutToTheirField();
    void everyMemorySizeHasItsModel();
};

void TestConfiguration::throughFileAndImage()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 200; ++round) {
        const bool latin1Only = round % 2 == 0;
        const Configuration original = randomConfiguration(random, latin1Only);
        for (size_t i = 0; i < original.general.size(); ++i)
            QVERIFY(!fieldrules::brokenGeneralRule(generalfields::objectName(int(i)), original.general.at(i)));

        QByteArray bytes = configfile::formatLines(configfile::toLines(original));
        QBuffer file(&bytes);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<Configuration> opened = configfile::fromLines(configfile::readLines(file));
        QVERIFY(opened);
        QVERIFY2(*opened == original, qPrintable(QStringLiteral("round %1").arg(round)));
        if (!latin1Only)
            continue;

        const configimage::BuildResult image = configimage::buildImage(*opened, 128);
        QVERIFY(image.ok());
        const QString reply = moduleReply(configimage::asSent(image.image), QStringLiteral("KDV_128\r\r"));
        const std::optional<Configuration> readBack =
            configimage::parseImage(configimage::normalizeReply(reply), 128);
        QVERIFY(readBack);
        QVERIFY2(*readBack == original, qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void TestConfiguration::partOfTheEntriesThroughTheImage()
{
    QRandomGenerator random(7);
    const Configuration original = randomConfiguration(random, true);
    const configimage::BuildResult image = configimage::buildImage(original, 32);
    QCOMPARE(image.image.size(), 60 * 17);
    const std::optional<Configuration> readBack =
        configimage::parseImage(configimage::normalizeReply(moduleReply(image.image)), 32);
    QVERIFY(readBack);
    QCOMPARE(readBack->general, original.general);
    for (int n = 1; n <= 128; ++n) {
        const configfile::TelephoneEntry &got = readBack->telephones.at(size_t(n - 1));
        const configfile::TelephoneEntry &sent = original.telephones.at(size_t(n - 1));
        if (n <= 32) {
            QCOMPARE(got.number, sent.number);
            QCOMPARE(got.alarm, sent.alarm);
            QCOMPARE(got.output, sent.output);
        } else {
            QVERIFY(got.number.isEmpty() && got.alarm == 0 && got.output == 0);
        }
    }
    // Nothing for a module that sent fewer records than the memory size.
    QVERIFY(!configimage::parseImage(configimage::normalizeReply(moduleReply(image.image)), 128));
}

void TestConfiguration::strayCarriageReturnsAreNoText()
{
    // A CR before the CR LF of a line, and one as the very last byte: saved
    // back, the last would read as a line end, and the number would change.
    QStringList lines;
    for (const generalfields::Field &field : generalfields::kFields)
        lines << QString::fromLatin1(field.example);
    for (int n = 1; n <= 128; ++n)
        lines << QStringLiteral("00");
    lines[3] += QLatin1Char('\r');
    lines[143] = QStringLiteral("0036201234567\r");
    QByteArray bytes = configfile::formatLines(lines);
    QBuffer file(&bytes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::optional<Configuration> loaded = configfile::fromLines(configfile::readLines(file));
    QVERIFY(loaded);
    QCOMPARE(loaded->general[3], QStringLiteral("Kordavo modul"));
    QCOMPARE(loaded->telephones[127].number, QStringLiteral("36201234567"));

    QByteArray saved = configfile::formatLines(configfile::toLines(*loaded));
    QBuffer again(&saved);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QVERIFY(configfile::fromLines(configfile::readLines(again)) == loaded);
}

void TestConfiguration::longerRecordsAreCutToTheirField()
{
    QStringList records;
    for (const generalfields::Field &field : generalfields::kFields)
        records << QString::fromLatin1(field.example);
    records[1] = QStringLiteral("123456789");                 // a PIN takes four
    records[4] = QStringLiteral("01");                        // the restore setting one
    for (int i = 0; i < 12; ++i)
        records << QString(16, QLatin1Char(' '));
    for (int n = 1; n <= 32; ++n)
        records << QStringLiteral("00");
    records[28] = QStringLiteral("21123456789012345678");     // 18 digits for 14 places
    QString reply;
    for (const QString &record : std::as_const(records))
        reply += record + QLatin1Char('\r');
    reply += QLatin1Char('\r');

    const std::optional<Configuration> parsed = configimage::parseImage(configimage::normalizeReply(reply), 32);
    QVERIFY(parsed);
    QCOMPARE(parsed->general[1], QStringLiteral("1234"));
    QCOMPARE(parsed->general[4], QStringLiteral("0"));
    QCOMPARE(parsed->general[3], QStringLiteral("Kordavo modul"));
    QCOMPARE(parsed->telephones[0].number, QStringLiteral("12345678901234"));
    QCOMPARE(parsed->telephones[0].alarm, 2);
    QCOMPARE(parsed->telephones[0].output, 1);
}

void TestConfiguration::everyMemorySizeHasItsModel()
{
    // The rule as the module family has it, written out once: 127 and 128
    // hold 128 numbers, 31 and 127 are reduced, 32 and 128 show the full picture.
    for (int memory = -5; memory <= 300; ++memory) {
        const modulemodel::Model model = modulemodel::modelFor(memory);
        QCOMPARE(model.entries, memory == 127 || memory == 128 ? 128 : 32);
        QCOMPARE(model.reduced, memory == 31 || memory == 127);
        QCOMPARE(model.picture, memory == 32 || memory == 128 ? QStringLiteral("cfg_i32.dll") : QStringLiteral("cfg_i31.dll"));
    }
}

KORDAVO_CORE_TEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
