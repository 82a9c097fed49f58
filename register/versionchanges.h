#pragma once

// What changed between two versions of a site, record by record through the
// record image's own comparison, worded by field name and by number position
// with its rights: the same lines for the tool, the window and a handover sheet.

#include "document/configfile.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

namespace siteregister {

struct VersionChange
{
    enum class Kind { Model, General, Reserved, Number };
    Kind kind = Kind::General;
    int record = -1;   // 0 … 15 general, 16 … 27 reserved, 28 + n - 1 number n; -1 the model
    QString field;     // "Modul neve", "5. telefonszám", "Modell"
    // General and reserved records, without their filling spaces; nothing
    // where that version holds no such record.
    std::optional<QString> before;
    std::optional<QString> after;
    // Numbers: the entry on each side (an empty number where it holds none).
    int position = 0;
    configfile::TelephoneEntry numberBefore;
    configfile::TelephoneEntry numberAfter;
    QString text;      // the whole line
};

// From version A (image, memory size) to version B.
QList<VersionChange> versionChanges(const QString &imageA, int memoryA, const QString &imageB, int memoryB);

// "1. bemenet riasztás, 1. kimenet vezérlés", or "jog nélkül".
QString rightsText(int alarmDigit, int outputDigit);
// "36301234567 (1. bemenet riasztás)"
QString entryText(const configfile::TelephoneEntry &entry);

} // namespace siteregister
