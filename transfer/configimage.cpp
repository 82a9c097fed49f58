#include "transfer/configimage.h"

#include "document/generalfields.h"
#include "serial/moduleline.h"

#include <algorithm>

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
    const bool zeroFilled = generalfields::kFields.at(size_t(index)).zeroFilled;
    return padRecord(zeroFilled ? zeroFilledReleTime(text) : text);
}

QString telephoneRecord(int alarmDigit, int outputDigit, const QString &number)
{
    // The same layout as a telephone line of a configuration file.
    return padRecord(configfile::formatTelephoneLine({alarmDigit, outputDigit, number}));
}

BuildResult buildImage(const Configuration &configuration, int memorySize)
{
    const QChar separator = kSeparator;
    BuildResult result;
    const int recordCount = kGeneralRecords + kReservedRecords + memorySize;
    result.image.reserve(recordCount * (kRecordLength + 1));

    for (int i = 0; i < kGeneralRecords; ++i) {
        const QString &text = configuration.general.at(size_t(i));
        if (text.isEmpty()) {
            result.emptyField = i;
            return result;
        }
        result.image += generalRecord(i, text);
        result.image += separator;
    }
    for (int i = 0; i < kReservedRecords; ++i) {
        result.image += QString(kRecordLength, QLatin1Char(' '));
        result.image += separator;
    }
    for (int n = 1; n <= memorySize; ++n) {
        const configfile::TelephoneEntry &entry = configuration.telephones.at(size_t(n - 1));
        result.image += telephoneRecord(entry.alarm, entry.output, entry.number);
        result.image += separator;
    }
    return result;
}

int fieldWithSeparator(const Configuration &configuration, int memorySize)
{
    const QChar separator = kSeparator;
    for (int i = 0; i < kGeneralRecords; ++i) {
        if (configuration.general.at(size_t(i)).contains(separator))
            return i;
    }
    for (int n = 1; n <= memorySize; ++n) {
        if (configuration.telephones.at(size_t(n - 1)).number.contains(separator))
            return kGeneralRecords + n - 1;
    }
    return -1;
}

QString normalizeReply(const QString &reply)
{
    QString text = reply;
    text.chop(1);
    text.replace(kSeparator, kStoredSeparator);
    text.replace(QLatin1Char('\r'), kSeparator);
    text.replace(QChar(0xFF), QLatin1Char(' '));
    const int emptyLine = int(text.lastIndexOf(QLatin1String("||")));
    if (emptyLine >= 0 && emptyLine < text.size() - 2)
        text = text.mid(emptyLine + 2);
    return text;
}

namespace {

// A control byte from the line is no one's text: shown as "?", it cannot
// reach a file or a terminal as a control. A line feed stays, so that saving
// can refuse it by name.
QString withControlsShown(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\n'))
            c = QLatin1Char('?');
    }
    return text;
}

QString withoutTrailingSpaces(const QString &text)
{
    int end = int(text.size());
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace

std::optional<RecordSetProblem> recordSetProblem(const QString &normalized, int memorySize)
{
    RecordSetProblem problem;
    // The closing character went as the last character; what is left of a
    // whole answer ends with the last record's CR.
    if (!normalized.endsWith(kSeparator))
        return problem;
    const QStringList records = normalized.chopped(1).split(kSeparator);
    problem.count = int(records.size());
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).size() != kRecordLength) {
            problem.kind = RecordSetProblem::Kind::RecordLength;
            problem.record = i;
            problem.length = int(records.at(i).size());
            return problem;
        }
    }
    const int expected = kGeneralRecords + kReservedRecords + memorySize;
    if (problem.count == expected)
        return std::nullopt;
    problem.kind = problem.count < expected ? RecordSetProblem::Kind::TooFew : RecordSetProblem::Kind::TooMany;
    return problem;
}

std::optional<Configuration> parseImage(const QString &normalized, int memorySize)
{
    QStringList parts = normalized.split(kSeparator, Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = withControlsShown(withoutTrailingSpaces(part).replace(kStoredSeparator, kSeparator));
    if (parts.size() < kGeneralRecords + kReservedRecords + memorySize)
        return std::nullopt;

    // A module may send longer records than it was given; each field takes
    // what fits it, as the form's fields would.
    Configuration configuration;
    for (int i = 0; i < kGeneralRecords; ++i)
        configuration.general[size_t(i)] = parts.at(i).left(generalfields::kFields.at(size_t(i)).maxLength);
    const int first = kGeneralRecords + kReservedRecords;
    for (int n = 1; n <= memorySize; ++n) {
        configfile::TelephoneEntry entry = configfile::parseTelephoneLine(parts.at(first + n - 1));
        entry.number.truncate(generalfields::kTelephoneNumberLength);
        configuration.telephones[size_t(n - 1)] = entry;
    }
    return configuration;
}

QString asSent(const QString &image)
{
    QString stored = image;
    for (QChar &c : stored)
        c = QChar(uchar(ModuleLine::lineByte(c)));
    return stored;
}

QList<RecordDifference> differences(const QString &expectedImage, const QString &storedNormalizedReply)
{
    const QChar separator = kSeparator;
    QStringList storedRecords = storedNormalizedReply.split(separator);
    QStringList expectedRecords = asSent(expectedImage).split(separator);
    for (QStringList *records : {&storedRecords, &expectedRecords}) {
        if (!records->isEmpty() && records->last().isEmpty())
            records->removeLast();
    }
    const auto shown = [](const QStringList &records, int index) -> std::optional<QString> {
        if (index >= records.size())
            return std::nullopt;
        return withoutTrailingSpaces(records.at(index)).replace(kStoredSeparator, kSeparator);
    };
    QList<RecordDifference> found;
    const int count = int(std::max(storedRecords.size(), expectedRecords.size()));
    for (int i = 0; i < count; ++i) {
        if (i < storedRecords.size() && i < expectedRecords.size() && storedRecords.at(i) == expectedRecords.at(i))
            continue;
        found.append({i, shown(expectedRecords, i), shown(storedRecords, i)});
    }
    return found;
}

QByteArray wireBytes(const QString &image)
{
    QByteArray bytes;
    bytes.reserve(image.size() + 1);
    const QStringList parts = image.split(kSeparator);
    for (const QString &part : parts) {
        for (QChar c : part)
            bytes.append(ModuleLine::lineByte(c));
        bytes.append('\r');
    }
    return bytes;
}

} // namespace configimage
