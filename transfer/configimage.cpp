#include "transfer/configimage.h"

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
    return padRecord(QString::number(alarmDigit) + QString::number(outputDigit) + number);
}

bool parseGroup(const QString &group, int *key, int *weightIndex)
{
    const QStringList parts = group.split(QLatin1Char('.'));
    bool keyOk = false;
    bool bitOk = false;
    const int k = parts.first().toInt(&keyOk);
    const int b = parts.last().toInt(&bitOk);
    if (!keyOk || !bitOk)
        return false;
    *key = k;
    *weightIndex = b;
    return true;
}

QHash<int, int> keyValues(const QList<FlagBox> &boxes)
{
    QHash<int, int> keys;
    for (const FlagBox &box : boxes) {
        int k = 0;
        int b = 0;
        if (!parseGroup(box.group, &k, &b) || !box.checked)
            continue;
        // Weight indices outside 1 … 2 do not occur on the form; keep the
        // shift defined anyway.
        if (b >= 1 && b <= 30)
            keys[k] += 1 << (b - 1);
    }
    return keys;
}

bool boxTicked(const QHash<int, int> &keys, const QString &group)
{
    int k = 0;
    int b = 0;
    if (!parseGroup(group, &k, &b) || b < 1 || b > 30)
        return false;
    return (keys.value(k, 0) & (1 << (b - 1))) != 0;
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

QString normalizeReply(const QString &reply)
{
    QString text = reply;
    text.chop(1);
    text.replace(QLatin1Char('\r'), QLatin1Char('|'));
    text.replace(QChar(0xFF), QLatin1Char(' '));
    const int emptyLine = int(text.lastIndexOf(QLatin1String("||")));
    if (emptyLine >= 0 && emptyLine < text.size() - 2)
        text = text.mid(emptyLine + 2);
    return text;
}

namespace {

int flagDigit(const QString &record, int position)
{
    if (position >= record.size())
        return 0;
    const QChar c = record.at(position);
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.digitValue() : 0;
}

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
        keys[2 * n - 1] = telephones.at(n - 1).alarmDigit;
        keys[2 * n] = telephones.at(n - 1).outputDigit;
    }
    return keys;
}

std::optional<ParsedImage> parseImage(const QString &normalized, int memorySize, int generalCount)
{
    QStringList parts = normalized.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = withoutTrailingSpaces(part);
    if (parts.size() < generalCount + kReservedRecords + memorySize)
        return std::nullopt;

    ParsedImage parsed;
    parsed.general = parts.mid(0, generalCount);
    const int first = generalCount + kReservedRecords;
    for (int n = 0; n < memorySize; ++n) {
        const QString &record = parts.at(first + n);
        TelephoneEntry entry;
        entry.alarmDigit = flagDigit(record, 0);
        entry.outputDigit = flagDigit(record, 1);
        entry.number = record.mid(2);
        entry.number.remove(QLatin1Char(' '));
        parsed.telephones.append(entry);
    }
    return parsed;
}

char wireByte(QChar c)
{
    return c.unicode() <= 0xFF ? char(c.unicode()) : char(0);
}

QString asStored(const QString &image)
{
    QString stored = image;
    for (QChar &c : stored)
        c = QChar(uchar(wireByte(c)));
    return stored;
}

QByteArray wireBytes(const QString &image, QChar separator)
{
    QByteArray bytes;
    bytes.reserve(image.size() + 1);
    const QStringList parts = image.split(separator);
    for (const QString &part : parts) {
        for (QChar c : part)
            bytes.append(wireByte(c));
        bytes.append('\r');
    }
    return bytes;
}

} // namespace configimage
