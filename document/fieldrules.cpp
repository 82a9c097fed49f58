#include "document/fieldrules.h"

#include "document/generalfields.h"

#include <QtCore/QCoreApplication>

namespace fieldrules {

namespace {

bool allCharsIn(const QString &text, bool allowPlus)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || u == u' ' || (allowPlus && u == u'+'))
            continue;
        return false;
    }
    return true;
}

bool isRestoreValue(const QString &text)
{
    return text.isEmpty() || text == QLatin1String("0") || text == QLatin1String("1");
}

} // namespace

bool isDigitText(const QString &text)
{
    return allCharsIn(text, false);
}

bool isPhoneText(const QString &text)
{
    return allCharsIn(text, true);
}

// The window shows the messages as written here; the command-line tool
// installs a translation for its other languages.
Rule generalFieldRule(const QString &objectName)
{
    const QString inputError = QStringLiteral("Beviteli hiba");
    const int index = generalfields::indexOf(objectName);
    if (index < 0)
        return {};
    switch (generalfields::kFields.at(size_t(index)).content) {
    case generalfields::Content::Telephone:
        return {isPhoneText, inputError, QCoreApplication::translate("fieldrules", "Csak valós telefonszám adható meg!")};
    case generalfields::Content::Digits:
        return {isDigitText, inputError, QCoreApplication::translate("fieldrules", "Csak számok adhatóak meg!")};
    case generalfields::Content::Restore:
        return {isRestoreValue, QStringLiteral("Input error"),
                QCoreApplication::translate("fieldrules", "Az érték 0 vagy 1 lehet.")};
    case generalfields::Content::FreeText:
        break;
    }
    return {};
}

Rule separatorRule()
{
    return {[](const QString &text) { return !text.contains(QLatin1Char('|')); },
            QStringLiteral("Beviteli hiba"),
            QCoreApplication::translate(
                "fieldrules", "A „|” karakter nem adható meg, mert a modul ezzel választja el a mezőket.")};
}

Rule terminatorRule()
{
    return {[](const QString &text) { return text != QLatin1String("---"); },
            QStringLiteral("Beviteli hiba"),
            QCoreApplication::translate(
                "fieldrules", "A „---” önmagában nem adható meg, mert a fájlban a fájl végét jelzi.")};
}

std::optional<Rule> brokenGeneralRule(const QString &objectName, const QString &text)
{
    for (const Rule &rule : {generalFieldRule(objectName), separatorRule(), terminatorRule()}) {
        if (!rule.passes(text))
            return rule;
    }
    return std::nullopt;
}

Rule telephoneRule()
{
    return {isPhoneText, QStringLiteral("Beviteli hiba"),
            QCoreApplication::translate("fieldrules", "Csak valós telefonszámok adhatóak meg,\n"
                                                     "nemzetközi formátumban, '+' karakter nélkül.")};
}

QString withoutLeadingPlus(const QString &text)
{
    return text.startsWith(QLatin1Char('+')) ? text.mid(1) : text;
}

QString withoutSpaces(const QString &text)
{
    QString number = text;
    number.remove(QLatin1Char(' '));
    number.remove(QChar(0x00A0));   // no-break space
    number.remove(QChar(0x202F));   // narrow no-break space
    return number;
}

QString plainTelephoneNumber(const QString &text)
{
    return withoutLeadingPlus(withoutSpaces(text));
}

QString listedTelephoneNumber(const QString &text)
{
    QString number = withoutSpaces(text);
    // Typed one by one, the field drops each "+" at its start.
    while (number.startsWith(QLatin1Char('+')))
        number = withoutLeadingPlus(number);
    return number;
}

QString hungarianInternationalForm(const QString &number)
{
    const QLatin1String countryCode("36");
    const bool digits = !number.isEmpty() && allCharsIn(number, false) && !number.contains(QLatin1Char(' '));
    for (const QLatin1String prefix : {QLatin1String("0036"), QLatin1String("06")}) {
        if (digits && number.size() > prefix.size() && number.startsWith(prefix))
            return countryCode + number.mid(prefix.size());
    }
    return number;
}

} // namespace fieldrules
