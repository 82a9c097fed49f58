#pragma once

// What the form's fields accept when the user finishes editing them, and the
// message a rejected entry gets.

#include <QtCore/QString>

#include <optional>

namespace fieldrules {

// "0" to "9" and spaces; the empty text passes.
bool isDigitText(const QString &text);
// "0" to "9", spaces and "+"; the empty text passes.
bool isPhoneText(const QString &text);

struct Rule
{
    bool (*accepts)(const QString &text) = nullptr;   // nullptr: anything goes
    QString title;
    QString message;

    bool passes(const QString &text) const { return !accepts || accepts(text); }
};

// Rule of a general field (group "Általános"), chosen by its object name.
Rule generalFieldRule(const QString &objectName);
// Rule of every telephone field t_1 ... t_128.
Rule telephoneRule();

// What no general field may hold, whatever its own rule allows: "|"
// separates the module's records, and a line of exactly "---" ends a
// configuration file.
Rule separatorRule();
Rule terminatorRule();
// The first rule of the general field that the text breaks: the field's own
// rule, then the separator and terminator rules. Nothing when it passes.
std::optional<Rule> brokenGeneralRule(const QString &objectName, const QString &text);

// A leading "+" is dropped while a telephone number is typed: the module
// wants the international form without it. Removes one "+" only.
QString withoutLeadingPlus(const QString &text);
// Without the spaces between a number's digit groups: plain ones, and the
// non-breaking ones a spreadsheet or a web page puts there.
QString withoutSpaces(const QString &text);
// A number as people write it, in a list or typed and pasted into a number
// field: without its spaces and without one leading "+", so the module gets
// digits and every digit fits the field.
QString plainTelephoneNumber(const QString &text);
// A number from a list, as if typed into the field: without its spaces and
// without every leading "+", so a list exported and read again stays the same.
QString listedTelephoneNumber(const QString &text);
// A Hungarian number as dialled at home ("06 30 …") or after the international
// call prefix ("0036 30 …"), in the form the module matches a caller in
// ("3630…"). Any other number, another country's too, comes back as it is.
QString hungarianInternationalForm(const QString &number);

} // namespace fieldrules
