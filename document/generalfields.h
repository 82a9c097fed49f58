#pragma once

// The sixteen general fields of a configuration in record order: the order of
// the first lines of a file and of the module's first records, and the order
// in which the form creates them. Everything that knows a general field (the
// form, the field rules, the file, the record image, the simulator, the
// tests) reads it here.

#include <QtCore/QString>

#include <array>

namespace generalfields {

// A telephone entry's number: at most this many characters, in its field on
// the form and after the two digits of its record.
inline constexpr int kTelephoneNumberLength = 14;

// What a field accepts from the user (see fieldrules).
enum class Content {
    Telephone,   // digits, spaces and "+"
    Digits,      // digits and spaces
    Restore,     // "0", "1" or nothing
    FreeText,    // anything that fits its record and the file
};

struct Field
{
    const char *objectName;
    const char16_t *label;   // as on the form
    int maxLength;
    Content content;
    bool zeroFilled;         // the record holds it right-aligned in four digits
    const char *example;     // what a freshly made module holds
};

inline constexpr std::array<Field, 16> kFields = {{
    {"smskp", u"SMS központ:", 16, Content::Telephone, false, "36309888000"},
    {"m_pin", u"Modul PIN-kód:", 4, Content::Digits, false, "1234"},
    {"m_id", u"Modul azonosító:", 4, Content::Digits, false, "0001"},
    {"m_nev", u"Modul neve:", 16, Content::FreeText, false, "Kordavo modul"},
    {"visszaallas", u"Visszaállás:", 1, Content::Restore, false, "0"},
    {"be1_nev", u"1-es bemenet neve:", 16, Content::FreeText, false, "Ajto"},
    {"be2_nev", u"2-es bemenet neve:", 16, Content::FreeText, false, "Ablak"},
    {"rele_time", u"Relé meghúzási idő:", 4, Content::Digits, true, "0005"},
    {"ki3_on", u"3-as kimeneti parancs bekapcsoláskor:", 16, Content::FreeText, false, "KI3 BE"},
    {"ki4_on", u"4-es kimeneti parancs bekapcsoláskor:", 16, Content::FreeText, false, "KI4 BE"},
    {"ki3_off", u"3-as kimeneti parancs kikapcsoláskor:", 16, Content::FreeText, false, "KI3 KI"},
    {"ki4_off", u"4-es kimeneti parancs kikapcsoláskor:", 16, Content::FreeText, false, "KI4 KI"},
    {"be1_on_msg", u"1. bemenet üzenete bekapcsoláskor:", 16, Content::FreeText, false, "Ajto nyitva"},
    {"be1_off_msg", u"2. bemenet üzenete bekapcsoláskor:", 16, Content::FreeText, false, "Ablak nyitva"},
    {"be2_on_msg", u"1. bemenet üzenete kikapcsoláskor:", 16, Content::FreeText, false, "Ajto zarva"},
    {"be2_off_msg", u"2. bemenet üzenete kikapcsoláskor:", 16, Content::FreeText, false, "Ablak zarva"},
}};

// The module's records: each this many characters; the general fields'
// records come first, then the reserved ones that no field shows, then one
// per telephone entry.
inline constexpr int kRecordLength = 16;
inline constexpr int kReservedRecords = 12;
inline constexpr int kRecordsBeforeNumbers = int(kFields.size()) + kReservedRecords;   // 28

// Position of the field in record order, or -1 for a name that is none.
inline int indexOf(const QString &objectName)
{
    for (size_t i = 0; i < kFields.size(); ++i) {
        if (objectName == QLatin1String(kFields[i].objectName))
            return int(i);
    }
    return -1;
}

inline QString objectName(int index)
{
    return QString::fromLatin1(kFields.at(size_t(index)).objectName);
}

// How a message names a field: its label without the colon, or
// "12. telefonszám" for a telephone entry.
inline QString generalFieldName(int index)
{
    QString label = QString::fromUtf16(kFields.at(size_t(index)).label);
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    return label;
}

inline QString telephoneFieldName(int n)
{
    return QStringLiteral("%1. telefonszám").arg(n);
}

// The k-th (1 … kReservedRecords) of the module's reserved records, which no field shows.
inline QString reservedRecordName(int k)
{
    return QStringLiteral("%1. tartalék rekord").arg(k);
}

} // namespace generalfields
