#include "cli/csvlist.h"

#include "cli/clitext.h"

#include "document/fieldrules.h"
#include "document/generalfields.h"

#include <QtCore/QSet>
#include <QtCore/QStringDecoder>

#include <algorithm>
#include <optional>
#include <vector>

namespace csvlist {

namespace {

enum class Column { Position, Number, Alarm1, Alarm2, Output1, Output2, Ignored, Unnamed };

// The order the export writes and a list without a header must keep.
constexpr Column kExportOrder[] = {Column::Position, Column::Number,  Column::Alarm1,
                                   Column::Alarm2,   Column::Output1, Column::Output2};

QString columnTitle(Column column)
{
    switch (column) {
    case Column::Position:
        return cli::Text::tr("pozíció");
    case Column::Number:
        return cli::Text::tr("telefonszám");
    case Column::Alarm1:
        return cli::Text::tr("1. bemenet riasztás");
    case Column::Alarm2:
        return cli::Text::tr("2. bemenet riasztás");
    case Column::Output1:
        return cli::Text::tr("1. kimenet vezérlés");
    case Column::Output2:
        return cli::Text::tr("2. kimenet vezérlés");
    case Column::Ignored:
    case Column::Unnamed:
        break;
    }
    return {};
}

// Input 1 and output 1 are bit 1 of their digit, input 2 and output 2 bit 2,
// as the telephone check boxes count them.
bool hasBit(int digit, int bit)
{
    return (digit & configfile::groupBitValue(bit)) != 0;
}

QString quoted(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char(';'))
        && !field.contains(QLatin1Char('"')))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1String("\""), QLatin1String("\"\""))
        + QLatin1Char('"');
}

QStringList splitRow(const QString &row, QChar separator)
{
    QStringList fields;
    QString field;
    bool inQuotes = false;
    for (int i = 0; i < row.size(); ++i) {
        const QChar c = row.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < row.size() && row.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
        } else if (c == separator) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    for (QString &f : fields)
        f = f.trimmed();
    return fields;
}

// "," or ";", whichever the row has more of outside quotes.
QChar separatorOf(const QString &row)
{
    int commas = 0;
    int semicolons = 0;
    bool inQuotes = false;
    for (QChar c : row) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (!inQuotes && c == QLatin1Char(','))
            ++commas;
        else if (!inQuotes && c == QLatin1Char(';'))
            ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

bool allEmpty(const QStringList &fields)
{
    return std::all_of(fields.begin(), fields.end(), [](const QString &f) { return f.isEmpty(); });
}

QStringList withoutTrailingEmpty(QStringList fields)
{
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    return fields;
}

// A telephone number as an installer types it: no column name looks like one.
bool looksLikeNumber(const QString &field)
{
    const QString number = fieldrules::listedTelephoneNumber(field);
    return !number.isEmpty() && fieldrules::telephoneRule().passes(number)
        && std::any_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
}

// Lower case letters and digits only, accents dropped: "1. Bemenet riasztás"
// and "1 bemenet riasztas" are the same header.
QString folded(const QString &text)
{
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber())
            out += c.toLower();
    }
    return out;
}

// The column a header names; nothing for a name we do not know.
std::optional<Column> columnNamed(const QString &header)
{
    const QString name = folded(header);
    if (name.isEmpty())
        return Column::Unnamed;
    static const QSet<QString> positions = {QStringLiteral("pozicio"), QStringLiteral("position"),
                                            QStringLiteral("hely"), QStringLiteral("sorszam")};
    static const QSet<QString> numbers = {QStringLiteral("telefonszam"), QStringLiteral("telszam"),
                                          QStringLiteral("szam"),        QStringLiteral("telefon"),
                                          QStringLiteral("number"),      QStringLiteral("phone"),
                                          QStringLiteral("phonenumber")};
    static const QSet<QString> ignored = {QStringLiteral("nev"),        QStringLiteral("name"),
                                          QStringLiteral("megjegyzes"), QStringLiteral("remark"),
                                          QStringLiteral("comment")};
    if (positions.contains(name))
        return Column::Position;
    if (numbers.contains(name))
        return Column::Number;
    if (ignored.contains(name))
        return Column::Ignored;
    QString digits;
    QString letters;
    for (QChar c : name)
        (c.isDigit() ? digits : letters) += c;
    if (digits != QLatin1String("1") && digits != QLatin1String("2"))
        return std::nullopt;
    const auto mentions = [&](std::initializer_list<const char *> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](const char *word) { return letters.contains(QLatin1String(word)); });
    };
    const bool alarm = mentions({"bemenet", "riaszt", "alarm", "input"}) || letters == QLatin1String("be");
    const bool output = mentions({"kimenet", "vezerl", "output"}) || letters == QLatin1String("ki");
    if (alarm == output)
        return std::nullopt;
    const bool first = digits == QLatin1String("1");
    if (alarm)
        return first ? Column::Alarm1 : Column::Alarm2;
    return first ? Column::Output1 : Column::Output2;
}

// A right as spreadsheets write it; nothing for anything else.
std::optional<bool> flagValue(const QString &value)
{
    const QString v = value.toLower();
    for (const char *on : {"1", "igaz", "igen", "x", "true"}) {
        if (v == QLatin1String(on))
            return true;
    }
    for (const char *off : {"0", "hamis", "nem", "", "false"}) {
        if (v == QLatin1String(off))
            return false;
    }
    return std::nullopt;
}

// UTF-16 as a spreadsheet's "Unicode text" saves it: by its byte order
// mark, or, without one, by the zero bytes that no 8-bit list holds.
std::optional<QStringDecoder::Encoding> utf16Of(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder::Utf16BE;
    int evenZeros = 0;
    int oddZeros = 0;
    const qsizetype scanned = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 512);
    for (qsizetype i = 0; i < scanned; ++i) {
        if (bytes.at(i) == '\0')
            (i % 2 == 0 ? evenZeros : oddZeros) += 1;
    }
    // Latin letters and digits in UTF-16: every other byte is zero.
    if (scanned >= 4 && oddZeros * 2 >= scanned / 2 && evenZeros == 0)
        return QStringDecoder::Utf16LE;
    if (scanned >= 4 && evenZeros * 2 >= scanned / 2 && oddZeros == 0)
        return QStringDecoder::Utf16BE;
    return std::nullopt;
}

QString decodedText(QByteArray bytes)
{
    if (const std::optional<QStringDecoder::Encoding> utf16 = utf16Of(bytes)) {
        QStringDecoder decoder(*utf16, QStringDecoder::Flag::Stateless);
        QString text = decoder(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = configfile::decode(bytes);
    return text;
}

} // namespace

QByteArray exportList(const Configuration &configuration, QChar separator)
{
    QStringList header;
    for (Column column : kExportOrder)
        header << quoted(columnTitle(column));
    QString text = QChar(0xFEFF);
    text += header.join(separator) + QLatin1String("\r\n");
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        const configfile::TelephoneEntry &entry = configuration.telephones.at(size_t(n - 1));
        const QStringList fields = {QString::number(n), quoted(entry.number),
                                    QString::number(hasBit(entry.alarm, 1)),
                                    QString::number(hasBit(entry.alarm, 2)),
                                    QString::number(hasBit(entry.output, 1)),
                                    QString::number(hasBit(entry.output, 2))};
        text += fields.join(separator) + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

ImportResult importList(const QByteArray &bytes)
{
    ImportResult result;
    QString text = decodedText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList rows = text.split(QLatin1Char('\n'));
    QChar separator;
    std::vector<Column> columns;
    QSet<int> seen;
    // A list kept by hand often has no position column: its rows are 1, 2, … in order.
    bool positionsInOrder = false;

    for (int r = 0; r < rows.size(); ++r) {
        const int line = r + 1;
        const auto bad = [&](const QString &why) {
            result.errors << cli::Text::tr("%1. sor: %2").arg(line).arg(why);
        };
        if (separator.isNull()) {
            if (rows.at(r).trimmed().isEmpty())
                continue;
            separator = separatorOf(rows.at(r));
        }
        const QStringList fields = splitRow(rows.at(r), separator);
        if (allEmpty(fields))
            continue;

        if (columns.empty()) {
            columns.assign(std::begin(kExportOrder), std::end(kExportOrder));
            // A list of numbers alone, one a row: positions 1, 2, … in order.
            const QStringList filledFields = withoutTrailingEmpty(fields);
            if (filledFields.size() == 1 && looksLikeNumber(filledFields.first())) {
                columns = {Column::Number};
                positionsInOrder = true;
            }
            // The header: the first row, unless it starts with a position.
            bool number = false;
            fields.first().toInt(&number);
            if (!number && columns.size() > 1) {
                columns.clear();
                for (const QString &header : fields) {
                    const std::optional<Column> column = columnNamed(header);
                    if (!column) {
                        bad(cli::Text::tr("ismeretlen oszlop: „%1”").arg(header));
                        return result;
                    }
                    if (*column != Column::Ignored && *column != Column::Unnamed
                        && std::find(columns.begin(), columns.end(), *column) != columns.end()) {
                        bad(cli::Text::tr("a(z) „%1” oszlop kétszer szerepel").arg(header));
                        return result;
                    }
                    columns.push_back(*column);
                }
                positionsInOrder = std::find(columns.begin(), columns.end(), Column::Position) == columns.end();
                // A list without rights columns gives its numbers no rights.
                for (Column wanted : {Column::Number}) {
                    if (std::find(columns.begin(), columns.end(), wanted) == columns.end()) {
                        bad(cli::Text::tr("hiányzik a(z) „%1” oszlop")
                                .arg(columnTitle(wanted)));
                        return result;
                    }
                }
                continue;
            }
        }

        ++result.rows;
        // Columns past the last named one, or under an empty header, hold nothing.
        qsizetype used = fields.size();
        while (used > 0 && fields.at(used - 1).isEmpty())
            --used;
        // A row needs its position and number; the rights after them may be
        // left off, as spreadsheets drop empty cells at a row's end.
        qsizetype needed = 0;
        for (qsizetype i = 0; i < qsizetype(columns.size()); ++i) {
            if (columns.at(size_t(i)) == Column::Position || columns.at(size_t(i)) == Column::Number)
                needed = i + 1;
        }
        const bool tooMany = used > qsizetype(columns.size());
        if (tooMany || fields.size() < needed) {
            bad(cli::Text::tr("%1 oszlop kell, %2 van")
                    .arg(tooMany ? qsizetype(columns.size()) : needed)
                    .arg(tooMany ? used : fields.size()));
            continue;
        }
        QString values[int(Column::Unnamed) + 1];
        QString unnamedValue;
        for (qsizetype i = 0; i < fields.size() && i < qsizetype(columns.size()); ++i) {
            const Column column = columns.at(size_t(i));
            if (column == Column::Unnamed && !fields.at(i).isEmpty() && unnamedValue.isNull())
                unnamedValue = fields.at(i);
            values[int(column)] = fields.at(i);
        }
        if (!unnamedValue.isNull()) {
            bad(cli::Text::tr("„%1” egy fejléc nélküli oszlopban").arg(unnamedValue));
            continue;
        }

        if (positionsInOrder)
            values[int(Column::Position)] = QString::number(result.rows);
        const QString &positionText = values[int(Column::Position)];
        bool isNumber = false;
        const int position = positionText.toInt(&isNumber);
        if (!isNumber || position < 1 || position > configfile::kTelephoneEntries) {
            bad(cli::Text::tr("a pozíció 1 és %1 közötti szám lehet: „%2”")
                    .arg(configfile::kTelephoneEntries)
                    .arg(positionText));
            continue;
        }
        if (seen.contains(position)) {
            bad(cli::Text::tr("a(z) %1. pozíció másodszor szerepel").arg(position));
            continue;
        }
        const QString &numberText = values[int(Column::Number)];
        const QString written = fieldrules::listedTelephoneNumber(numberText);
        // The module matches callers in international form only.
        const QString number = fieldrules::hungarianInternationalForm(written);
        result.converted += number != written;
        if (!fieldrules::telephoneRule().passes(number)) {
            bad(cli::Text::tr("„%1”: csak számjegyek és „+” adhatók meg")
                    .arg(numberText));
            continue;
        }
        if (number.size() > generalfields::kTelephoneNumberLength) {
            bad(cli::Text::tr("„%1” hosszabb %2 karakternél")
                    .arg(number)
                    .arg(generalfields::kTelephoneNumberLength));
            continue;
        }
        bool flags[4] = {};
        std::optional<Column> badFlag;
        constexpr Column flagColumns[] = {Column::Alarm1, Column::Alarm2, Column::Output1, Column::Output2};
        for (int f = 0; f < 4 && !badFlag; ++f) {
            const std::optional<bool> value = flagValue(values[int(flagColumns[f])]);
            if (!value)
                badFlag = flagColumns[f];
            else
                flags[f] = *value;
        }
        if (badFlag) {
            bad(cli::Text::tr("„%1” a(z) „%2” oszlopban: 1/0, IGAZ/HAMIS, igen/nem vagy x/üres lehet")
                    .arg(values[int(*badFlag)], columnTitle(*badFlag)));
            continue;
        }
        seen.insert(position);
        configfile::TelephoneEntry &entry = result.telephones.at(size_t(position - 1));
        entry.number = number;
        entry.alarm = flags[0] * configfile::groupBitValue(1) + flags[1] * configfile::groupBitValue(2);
        entry.output = flags[2] * configfile::groupBitValue(1) + flags[3] * configfile::groupBitValue(2);
    }
    return result;
}

Changes compare(const Telephones &before, const Telephones &after)
{
    Changes changes;
    for (size_t i = 0; i < after.size(); ++i) {
        const configfile::TelephoneEntry &old = before.at(i);
        const configfile::TelephoneEntry &now = after.at(i);
        if (now.number.isEmpty()) {
            changes.removed += !old.number.isEmpty();
            continue;
        }
        ++changes.read;
        changes.unchanged += old.number == now.number && old.alarm == now.alarm && old.output == now.output;
    }
    return changes;
}

} // namespace csvlist
