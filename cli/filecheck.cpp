#include "cli/filecheck.h"

#include "document/configuration.h"
#include "document/fieldrules.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "transfer/configimage.h"

#include <algorithm>

namespace filecheck {

namespace {

QString oneLine(QString message)
{
    return message.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Characters that the module would store as another one ("ő" as "ö", "€" as "?").
// `lossy`: one of them is lost as "?", where ő and ű only lose their accent.
QString changedOnLine(const QString &text, const cli::Text &t, bool *lossy)
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
            const QString change = t(u"„%1” helyett „%2”", "\"%1\" as \"%2\"").arg(original, sent.at(i));
            if (!changes.contains(change))
                changes << change;
        }
    }
    if (changes.isEmpty())
        return {};
    return t(u"a modul másként tárolja: %1", "the module stores it changed: %1").arg(changes.join(QLatin1String(", ")));
}

QString contentMessage(generalfields::Content content, const QString &objectName, const cli::Text &t)
{
    if (!t.english())
        return oneLine(fieldrules::generalFieldRule(objectName).message);
    switch (content) {
    case generalfields::Content::Telephone: return QStringLiteral("only a telephone number is allowed");
    case generalfields::Content::Digits: return QStringLiteral("only digits are allowed");
    case generalfields::Content::Restore: return QStringLiteral("the value must be 0 or 1");
    case generalfields::Content::FreeText: break;
    }
    return {};
}

QString separatorMessage(const cli::Text &t)
{
    return t.english() ? QStringLiteral("\"|\" is not allowed: the module separates its fields with it")
                       : oneLine(fieldrules::separatorRule().message);
}

QString terminatorMessage(const cli::Text &t)
{
    return t.english() ? QStringLiteral("\"---\" on its own is not allowed: it ends the file")
                       : oneLine(fieldrules::terminatorRule().message);
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

QString tooLong(int maxLength, const cli::Text &t)
{
    return t(u"legfeljebb %1 karakter lehet", "at most %1 characters").arg(maxLength);
}

} // namespace

std::optional<QList<Problem>> check(const QStringList &lines, const cli::Text &t)
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
            add(t(u"üres; a betöltéshez minden mező kitöltése kötelező",
                  "empty; every field must be filled for a download"));
        if (text.size() > field.maxLength)
            add(tooLong(field.maxLength, t));
        if (!fieldrules::generalFieldRule(objectName).passes(text) && !isReducedPlaceholder(objectName, text))
            add(contentMessage(field.content, objectName, t));
        if (!fieldrules::separatorRule().passes(text))
            add(separatorMessage(t));
        if (!fieldrules::terminatorRule().passes(text))
            add(terminatorMessage(t));
        bool lossy = false;
        const QString changed = changedOnLine(text, t, &lossy);
        if (!changed.isEmpty()) {
            add(changed);
            problems.last().warning = !lossy;
        }
    }

    // After its alarm and output digit, the number fills the rest of its record.
    const int maxNumber = configimage::kRecordLength - 2;
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
                add(t(u"az első két karakter 0 és 3 közötti számjegy lehet",
                      "the first two characters must be digits 0 to 3"));
                break;
            }
        }
        if (number.size() > maxNumber)
            add(tooLong(maxNumber, t));
        if (!fieldrules::separatorRule().passes(number))
            add(separatorMessage(t));
        else if (!fieldrules::telephoneRule().passes(number))
            add(t.english() ? QStringLiteral("only digits are allowed, in international form without \"+\"")
                            : oneLine(fieldrules::telephoneRule().message));
        bool lossy = false;
        const QString changed = changedOnLine(number, t, &lossy);
        if (!changed.isEmpty()) {
            add(changed);
            problems.last().warning = !lossy;
        }
    }
    return problems;
}

int faults(const QList<Problem> &problems)
{
    return int(std::count_if(problems.begin(), problems.end(), [](const Problem &p) { return !p.warning; }));
}

} // namespace filecheck
