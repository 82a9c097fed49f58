#pragma once

// The sixteen general fields of a configuration in record order: the order of
// the first lines of a file and of the module's first records.

#include <QtCore/QString>

#include <array>

namespace generalfields {

struct Field
{
    const char *objectName;
    const char16_t *label;   // as on the form
    int maxLength;
};

inline constexpr std::array<Field, 16> kFields = {{
    {"smskp", u"SMS központ:", 16},
    {"m_pin", u"Modul PIN-kód:", 4},
    {"m_id", u"Modul azonosító:", 4},
    {"m_nev", u"Modul neve:", 16},
    {"visszaallas", u"Visszaállás:", 1},
    {"be1_nev", u"1-es bemenet neve:", 16},
    {"be2_nev", u"2-es bemenet neve:", 16},
    {"rele_time", u"Relé meghúzási idő:", 4},
    {"ki3_on", u"3-as kimeneti parancs bekapcsoláskor:", 16},
    {"ki4_on", u"4-es kimeneti parancs bekapcsoláskor:", 16},
    {"ki3_off", u"3-as kimeneti parancs kikapcsoláskor:", 16},
    {"ki4_off", u"4-es kimeneti parancs kikapcsoláskor:", 16},
    {"be1_on_msg", u"1. bemenet üzenete bekapcsoláskor:", 16},
    {"be1_off_msg", u"2. bemenet üzenete bekapcsoláskor:", 16},
    {"be2_on_msg", u"1. bemenet üzenete kikapcsoláskor:", 16},
    {"be2_off_msg", u"2. bemenet üzenete kikapcsoláskor:", 16},
}};

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

} // namespace generalfields
