#include "transfer/configimage.h"

#include "serial/comport.h"

namespace configimage {

QString padRecord(const QString &text)
{
    return text.leftJustified(kRecordLength, QLatin1Char(' '), false);
}

QString zeroFilledReleTime(const QString &text)
{
    return text.rightJustified(4, QLatin1Char('0'), false);
}

QString generalRecord(int index, const QString &text)
{
    return padRecord(index == kReleTimeRecord ? zeroFilledReleTime(text) : text);
}

QString telephoneRecord(int alarmDigit, int outputDigit, const QString &number)
{
    // The same layout as a telephone line of a configuration file.
    return padRecord(configfile::formatTelephoneLine({alarmDigit, outputDigit, number}));
}

BuildResult buildImage(const QStringList &generalTexts, const QHash<int, int> &keys,
                       const QStringList &numbers, QChar separator)
{
    BuildResult result;
    const int recordCount = kGeneralRecords + kReservedRecords + int(numbers.size());
    result.image.reserve(recordCount * (kRecordLength + 1));

    for (int i = 0; i < generalTexts.size(); ++i) {
        if (generalTexts.at(i).isEmpty()) {
            result.emptyField = i;
            return result;
        }
        result.image += generalRecord(i, generalTexts.at(i));
        result.image += separator;
    }
    for (int i = 0; i < kReservedRecords; ++i) {
        result.image += QString(kRecordLength, QLatin1Char(' '));
        result.image += separator;
    }
    for (int n = 1; n <= numbers.size(); ++n) {
        result.image += telephoneRecord(keys.value(2 * n - 1, 0), keys.value(2 * n, 0),
                                        numbers.at(n - 1));
        result.image += separator;
    }
    return result;
}

int fieldWithSeparator(const QStringList &generalTexts, const QStringList &numbers, QChar separator)
{
    const QStringList texts = generalTexts + numbers;
    for (int i = 0; i < texts.size(); ++i) {
        if (texts.at(i).contains(separator))
            return i;
    }
    return -1;
}

QString normalizeReply(const QString &reply)
{
    QString text = reply;
    text.chop(1);
    text.replace(QLatin1Char('|'), kStoredSeparator);
    text.replace(QLatin1Char('\r'), QLatin1Char('|'));
    text.replace(QChar(0xFF), QLatin1Char(' '));
    const int emptyLine = int(text.lastIndexOf(QLatin1String("||")));
    if (emptyLine >= 0 && emptyLine < text.size() - 2)
        text = text.mid(emptyLine + 2);
    return text;
}

namespace {

QString withoutTrailingSpaces(const QString &text)
{
    int end = int(text.size());
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace

QHash<int, int> ParsedImage::keyValues() const
{
    QHash<int, int> keys;
    for (int n = 1; n <= telephones.size(); ++n) {
        keys[2 * n - 1] = telephones.at(n - 1).alarm;
        keys[2 * n] = telephones.at(n - 1).output;
    }
    return keys;
}

std::optional<ParsedImage> parseImage(const QString &normalized, int memorySize, int generalCount)
{
    QStringList parts = normalized.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = withoutTrailingSpaces(part).replace(kStoredSeparator, QLatin1Char('|'));
    if (parts.size() < generalCount + kReservedRecords + memorySize)
        return std::nullopt;

    ParsedImage parsed;
    parsed.general = parts.mid(0, generalCount);
    const int first = generalCount + kReservedRecords;
    for (int n = 0; n < memorySize; ++n) {
        const TelephoneEntry entry = configfile::parseTelephoneLine(parts.at(first + n));
        parsed.telephones.append(entry);
    }
    return parsed;
}

QString asSent(const QString &image)
{
    QString stored = image;
    for (QChar &c : stored)
        c = QChar(uchar(ComPort::lineByte(c)));
    return stored;
}

QByteArray wireBytes(const QString &image, QChar separator)
{
    QByteArray bytes;
    bytes.reserve(image.size() + 1);
    const QStringList parts = image.split(separator);
    for (const QString &part : parts) {
        for (QChar c : part)
            bytes.append(ComPort::lineByte(c));
        bytes.append('\r');
    }
    return bytes;
}

} // namespace configimage
