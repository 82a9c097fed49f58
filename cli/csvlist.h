#pragma once

// The telephone list of a configuration as CSV: position, number, alarm
// input 1, alarm input 2, output 1, output 2 (0/1), with a header row,
// UTF-8 with a BOM so a spreadsheet opens it with the right characters.
// Lists come back as installers keep them: from a Hungarian spreadsheet
// (";", Windows-1250, "IGAZ"/"HAMIS"), with a name column, empty rows and
// empty columns after the last one.

#include "document/configuration.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>

#include <array>

namespace csvlist {

// A list of 128 rows is a few kilobytes; anything longer is not one.
constexpr qint64 kMaxBytes = 1024 * 1024;

// The separator a spreadsheet with a Hungarian locale reads as columns.
constexpr char kDefaultSeparator = ';';

using Telephones = std::array<configfile::TelephoneEntry, configfile::kTelephoneEntries>;

QByteArray exportList(const Configuration &configuration, QChar separator);

struct ImportResult
{
    Telephones telephones;
    QStringList errors;   // one per bad row, "3. sor: ..."
    int rows = 0;         // rows with a value, the header not counted
    int converted = 0;    // Hungarian numbers taken from "06…" or "0036…" as "36…"
    bool ok() const { return errors.isEmpty(); }
};

// Reads every row; positions missing from the list are empty entries. Rows
// are separated by CR LF, LF or a lone CR (old Mac spreadsheets); fields by
// "," or ";", whichever the first row (header or not) has more of. UTF-8,
// or Windows-1250 when the bytes are not UTF-8. With a header, columns are
// found by their names and a name or remark column is ignored; without one
// they come in the order the export writes them.
ImportResult importList(const QByteArray &bytes);

// What an import does to a list, counted by position.
struct Changes
{
    int read = 0;        // entries of the new list with a number
    int removed = 0;     // entries that had a number and now have none
    int unchanged = 0;   // entries with a number that keep it and all four rights
};
Changes compare(const Telephones &before, const Telephones &after);

} // namespace csvlist
