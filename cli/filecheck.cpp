#include "cli/filecheck.h"

#include "cli/clitext.h"
#include "document/configuration.h"
#include "document/fieldrules.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "transfer/configimage.h"

#include <QtCore/QHash>

#include <algorithm>

namespace filecheck {

namespace {

QString oneLine(QString message)
{
    return message.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Characters that the module would store as another one ("ő" as "ö", "€" as "?").
// `lossy`: one of them is lost as "?", where ő and ű only lose their accent.
QString changedOnLine(const QString &text, bool *lossy)
{
    const QString sent = configimage::asSent(text);
    QStringList changes;
    *lossy = false;
    for (int i = 0; i < text.size(); ++i) {
        if (sent.at(i) != text.at(i)) {
            if (sent.at(i) == QLatin1Char('?'))
                *lossy = true;
            // A character that cannot be shown (U+0000) is named by its code.
            const QString original = text.at(i).isPrint()
                ? QString(text.at(i))
                : QStringLiteral("U+%1").arg(text.at(i).unicode(), 4, 16, QLatin1Char('0')).toUpper();
            const QString change = cli::Text::tr("„%1” helyett „%2”").arg(original, sent.at(i));
            if (!changes.contains(change))
                changes << change;
        }
    }
    if (changes.isEmpty())
        return {};
    return cli::Text::tr("a modul másként tárolja: %1").arg(changes.join(QLatin1String(", ")));
}

// What a reduced module holds in the field, as its read-out gives it: never a fault.
bool isReducedPlaceholder(const QString &objectName, const QString &text)
{
    for (const modulemodel::Placeholder &placeholder : modulemodel::kReducedPlaceholders) {
        if (objectName == QLatin1String(placeholder.objectName))
            return text == QLatin1String(placeholder.text);
    }
    return false;
}

QString tooLong(int maxLength)
{
    return cli::Text::tr("legfeljebb %1 karakter lehet").arg(maxLength);
}

// What keeps a valid number from ever matching a caller, whom the module
// knows in international form without "+": a number written as dialled at
// home or after "00", or one already at an earlier position (`firstPosition`
// gathers them as the module would match them).
QStringList numberNotes(const QString &number, QHash<QString, int> *firstPosition, int position)
{
    if (number.isEmpty() || !fieldrules::isDigitText(number))
        return {};
    QStringList notes;
    const QString matched = fieldrules::hungarianInternationalForm(number);
    if (number.startsWith(QLatin1String("06")) && matched != number)
        notes << cli::Text::tr("belföldi formában áll; a modul nemzetközi formában, „+” nélkül várja: „%1”")
                     .arg(matched);
    else if (number.startsWith(QLatin1String("00")) && number.size() > 2)
        notes << cli::Text::tr("„00” előtaggal áll; a modul nemzetközi formában, „+” és „00” nélkül várja: „%1”")
                     .arg(number.mid(2));
    const auto earlier = firstPosition->constFind(matched);
    if (earlier != firstPosition->cend())
        notes << cli::Text::tr("ugyanez a szám a(z) %1. helyen is szerepel").arg(*earlier);
    else
        firstPosition->insert(matched, position);
    return notes;
}

} // namespace

std::optional<QList<Problem>> check(const QStringList &lines)
{
    const std::optional<Configuration> configuration = configfile::fromLines(lines);
    if (!configuration)
        return std::nullopt;

    QList<Problem> problems;
    for (int i = 0; i < configimage::kGeneralRecords; ++i) {
        const generalfields::Field &field = generalfields::kFields.at(size_t(i));
        const QString objectName = generalfields::objectName(i);
        const QString &text = configuration->general.at(size_t(i));
        const auto add = [&](const QString &message) {
            problems.append({i + 1, generalfields::generalFieldName(i), text, message});
        };
        if (text.isEmpty())
            add(cli::Text::tr("üres; a betöltéshez minden mező kitöltése kötelező"));
        if (text.size() > field.maxLength)
            add(tooLong(field.maxLength));
        if (!fieldrules::generalFieldRule(objectName).passes(text) && !isReducedPlaceholder(objectName, text))
            add(oneLine(fieldrules::generalFieldRule(objectName).message));
        if (!fieldrules::separatorRule().passes(text))
            add(oneLine(fieldrules::separatorRule().message));
        if (!fieldrules::terminatorRule().passes(text))
            add(oneLine(fieldrules::terminatorRule().message));
        bool lossy = false;
        const QString changed = changedOnLine(text, &lossy);
        if (!changed.isEmpty()) {
            add(changed);
            problems.last().warning = !lossy;
        }
    }

    // After its alarm and output digit, the number fills the rest of its record.
    const int maxNumber = configimage::kRecordLength - 2;
    QHash<QString, int> firstPosition;   // of each number, as the module matches it
    for (int n = 1; n <= configfile::kTelephoneEntries; ++n) {
        const int line = configfile::kGeneralLines + n;
        const QString &raw = lines.at(line - 1);
        const QString number = configuration->telephones.at(size_t(n - 1)).number;
        const auto add = [&](const QString &message) {
            problems.append({line, generalfields::telephoneFieldName(n), raw, message});
        };
        for (int d = 0; d < 2 && d < raw.size(); ++d) {
            // Two check boxes give each digit: 0 to 3.
            if (raw.at(d) < QLatin1Char('0') || raw.at(d) > QLatin1Char('3')) {
                add(cli::Text::tr("az első két karakter 0 és 3 közötti számjegy lehet"));
                break;
            }
        }
        if (number.size() > maxNumber)
            add(tooLong(maxNumber));
        if (!fieldrules::separatorRule().passes(number))
            add(oneLine(fieldrules::separatorRule().message));
        else if (!fieldrules::telephoneRule().passes(number))
            add(oneLine(fieldrules::telephoneRule().message));
        bool lossy = false;
        const QString changed = changedOnLine(number, &lossy);
        if (!changed.isEmpty()) {
            add(changed);
            problems.last().warning = !lossy;
        }
        for (const QString &note : numberNotes(number, &firstPosition, n)) {
            add(note);
            problems.last().warning = true;
        }
    }
    return problems;
}

int faults(const QList<Problem> &problems)
{
    return int(std::count_if(problems.begin(), problems.end(), [](const Problem &p) { return !p.warning; }));
}

} // namespace filecheck
