#pragma once

// The sixteen general fields of a configuration in record order: the order of
// the first lines of a file and of the module's first records, and the order
// in which the form creates them. Everything that knows a general field (the
// form, the field rules, the file, the record image, the simulator, the
// tests) reads it here.

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

#include <array>
#include <cstddef>

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

// A form label, written once in UTF-8 so that the translation tools find it
// and a message can name the field in another language; the form takes it
// as UTF-16.
class Label
{
public:
    template <std::size_t N>
    constexpr Label(const char (&utf8)[N]) : source(utf8)
    {
        static_assert(N <= kCapacity, "no form label is that long");
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < N;) {
            const auto lead = static_cast<unsigned char>(utf8[i++]);
            // The labels are Hungarian: nothing beyond three bytes.
            const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : 2;
            char32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : (lead & 0x0F);
            for (int k = 0; k < extra; ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
            text[out++] = char16_t(code);
        }
    }
    constexpr operator const char16_t *() const { return text; }

    const char *source;   // the same text in UTF-8, as the translations know it

private:
    static constexpr std::size_t kCapacity = 48;
    char16_t text[kCapacity] = {};
};

struct Field
{
    const char *objectName;
    Label label;             // as on the form
    int maxLength;
    Content content;
    bool zeroFilled;         // the record holds it right-aligned in four digits
    const char *example;     // what a freshly made module holds
};

inline constexpr std::array<Field, 16> kFields = {{
    {"smskp", QT_TRANSLATE_NOOP("generalfields", "SMS központ:"), 16, Content::Telephone, false, "36309888000"},
    {"m_pin", QT_TRANSLATE_NOOP("generalfields", "Modul PIN-kód:"), 4, Content::Digits, false, "1234"},
    {"m_id", QT_TRANSLATE_NOOP("generalfields", "Modul azonosító:"), 4, Content::Digits, false, "0001"},
    {"m_nev", QT_TRANSLATE_NOOP("generalfields", "Modul neve:"), 16, Content::FreeText, false, "Kordavo modul"},
    {"visszaallas", QT_TRANSLATE_NOOP("generalfields", "Visszaállás:"), 1, Content::Restore, false, "0"},
    {"be1_nev", QT_TRANSLATE_NOOP("generalfields", "1-es bemenet neve:"), 16, Content::FreeText, false, "Ajto"},
    {"be2_nev", QT_TRANSLATE_NOOP("generalfields", "2-es bemenet neve:"), 16, Content::FreeText, false, "Ablak"},
    {"rele_time", QT_TRANSLATE_NOOP("generalfields", "Relé meghúzási idő:"), 4, Content::Digits, true, "0005"},
    {"ki3_on", QT_TRANSLATE_NOOP("generalfields", "3-as kimeneti parancs bekapcsoláskor:"), 16, Content::FreeText, false, "KI3 BE"},
    {"ki4_on", QT_TRANSLATE_NOOP("generalfields", "4-es kimeneti parancs bekapcsoláskor:"), 16, Content::FreeText, false, "KI4 BE"},
    {"ki3_off", QT_TRANSLATE_NOOP("generalfields", "3-as kimeneti parancs kikapcsoláskor:"), 16, Content::FreeText, false, "KI3 KI"},
    {"ki4_off", QT_TRANSLATE_NOOP("generalfields", "4-es kimeneti parancs kikapcsoláskor:"), 16, Content::FreeText, false, "KI4 KI"},
    {"be1_on_msg", QT_TRANSLATE_NOOP("generalfields", "1. bemenet üzenete bekapcsoláskor:"), 16, Content::FreeText, false, "Ajto nyitva"},
    {"be1_off_msg", QT_TRANSLATE_NOOP("generalfields", "2. bemenet üzenete bekapcsoláskor:"), 16, Content::FreeText, false, "Ablak nyitva"},
    {"be2_on_msg", QT_TRANSLATE_NOOP("generalfields", "1. bemenet üzenete kikapcsoláskor:"), 16, Content::FreeText, false, "Ajto zarva"},
    {"be2_off_msg", QT_TRANSLATE_NOOP("generalfields", "2. bemenet üzenete kikapcsoláskor:"), 16, Content::FreeText, false, "Ablak zarva"},
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
// "12. telefonszám" for a telephone entry; in the language of the installed
// translation, if there is one.
inline QString generalFieldName(int index)
{
    QString label = QCoreApplication::translate("generalfields", kFields.at(size_t(index)).label.source);
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    return label;
}

inline QString telephoneFieldName(int n)
{
    return QCoreApplication::translate("generalfields", "%1. telefonszám").arg(n);
}

// The k-th (1 … kReservedRecords) of the module's reserved records, which no field shows.
inline QString reservedRecordName(int k)
{
    return QCoreApplication::translate("generalfields", "%1. tartalék rekord").arg(k);
}

} // namespace generalfields
