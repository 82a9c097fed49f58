#include "cli/csvlist.h"

#include "cli/clitext.h"
#include "document/fieldrules.h"
#include "transfer/configimage.h"

#include <QtCore/QSet>

namespace csvlist {

namespace {

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

} // namespace

QByteArray exportList(const Configuration &configuration)
{
    QString text = QChar(0xFEFF);
    text += cli::Text::tr("pozíció,telefonszám,1. bemenet riasztás,2. bemenet riasztás,1. kimenet vezérlés,"
                          "2. kimenet vezérlés");
    text += QLatin1String("\r\n");
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        const configfile::TelephoneEntry &entry = configuration.telephones.at(size_t(n - 1));
        const QStringList fields = {QString::number(n), quoted(entry.number),
                                    QString::number(hasBit(entry.alarm, 1)),
                                    QString::number(hasBit(entry.alarm, 2)),
                                    QString::number(hasBit(entry.output, 1)),
                                    QString::number(hasBit(entry.output, 2))};
        text += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

ImportResult importList(const QByteArray &bytes)
{
    ImportResult result;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList rows = text.split(QLatin1Char('\n'));
    QChar separator = QLatin1Char(',');
    QSet<int> seen;
    // The number as the module's record holds it: after the two digits.
    const int maxNumber = configimage::kRecordLength - 2;

    for (int r = 0; r < rows.size(); ++r) {
        const QString &row = rows.at(r);
        if (row.trimmed().isEmpty())
            continue;
        const int line = r + 1;
        const auto bad = [&](const QString &why) {
            result.errors << cli::Text::tr("%1. sor: %2").arg(line).arg(why);
        };
        if (r == 0) {
            // The header: the first row, unless it starts with a position.
            bool number = false;
            QString first = row.section(QLatin1Char(','), 0, 0).section(QLatin1Char(';'), 0, 0);
            first.toInt(&number);
            if (!number) {
                if (row.count(QLatin1Char(';')) > row.count(QLatin1Char(',')))
                    separator = QLatin1Char(';');
                continue;
            }
        }
        const QStringList fields = splitRow(row, separator);
        if (fields.size() != 6) {
            bad(cli::Text::tr("6 oszlop kell, %1 van").arg(fields.size()));
            continue;
        }
        bool isNumber = false;
        const int position = fields.at(0).toInt(&isNumber);
        if (!isNumber || position < 1 || position > configfile::kTelephoneEntries) {
            bad(cli::Text::tr("a pozíció 1 és %1 közötti szám lehet: „%2”")
                    .arg(configfile::kTelephoneEntries)
                    .arg(fields.at(0)));
            continue;
        }
        if (seen.contains(position)) {
            bad(cli::Text::tr("a(z) %1. pozíció másodszor szerepel").arg(position));
            continue;
        }
        const QString number = QString(fields.at(1)).remove(QLatin1Char(' '));
        if (!fieldrules::telephoneRule().passes(number)) {
            bad(cli::Text::tr("„%1”: csak számjegyek és „+” adhatók meg")
                    .arg(fields.at(1)));
            continue;
        }
        if (number.size() > maxNumber) {
            bad(cli::Text::tr("„%1” hosszabb %2 karakternél")
                    .arg(number)
                    .arg(maxNumber));
            continue;
        }
        int flags[4] = {};
        bool flagsOk = true;
        for (int f = 0; f < 4; ++f) {
            const QString &v = fields.at(2 + f);
            if (v != QLatin1String("0") && v != QLatin1String("1"))
                flagsOk = false;
            flags[f] = v == QLatin1String("1");
        }
        if (!flagsOk) {
            bad(cli::Text::tr("a 3–6. oszlop értéke 0 vagy 1 lehet"));
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

} // namespace csvlist
