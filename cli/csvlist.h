#pragma once

// The telephone list of a configuration as CSV: position, number, alarm
// input 1, alarm input 2, output 1, output 2 (0/1), with a header row,
// UTF-8 with a BOM so a spreadsheet opens it with the right characters.

#include "document/configuration.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>

namespace csvlist {

// A list of 128 rows is a few kilobytes; anything longer is not one.
constexpr qint64 kMaxBytes = 1024 * 1024;

QByteArray exportList(const Configuration &configuration);

struct ImportResult
{
    std::array<configfile::TelephoneEntry, configfile::kTelephoneEntries> telephones;
    QStringList errors;   // one per bad row, "3. sor: ..."
    bool ok() const { return errors.isEmpty(); }
};

// Reads every row; positions missing from the list are empty entries. Rows
// are separated by CR LF, LF or a lone CR (old Mac spreadsheets), fields by "," (or ";" when the header has
// them, as a spreadsheet with a Hungarian locale writes).
ImportResult importList(const QByteArray &bytes);

} // namespace csvlist
