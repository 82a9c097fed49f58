#pragma once

// The core's results in the installer's words, the same for kordavo-cli and
// the window: fields and records by name, what a failed read-out, verify or
// download got to, and (from serial/devicewords.h, which the window's device
// column reaches from below) why a port does not open, why an answer names
// no module to work with, why a status query or relay test stopped. The
// texts are Hungarian; kordavo-cli's translations (cli/translations) cover them.

#include "document/configfile.h"
#include "serial/devicewords.h"
#include "transfer/configimage.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QString>

#include <optional>

namespace resultwords {

// A field in record order: the general fields, then the numbers.
QString fieldLabel(int field);
// A record of the module's image: the general fields, the reserved records, the numbers.
QString recordLabel(int index);
QString problemText(const moduleoperations::FieldProblem &problem);
QString unsavableText(const configfile::UnsavableField &unsavable);
// What of the file this module does not get; empty when it gets it all.
QString notTransferred(const moduleoperations::Prepared &prepared);

// A record as it stands ("„…”"), or "(nincs)" when there is none.
QString shownRecord(const std::optional<QString> &record);
// A telephone record holds the alarm digit, the output digit and the number
// in one: shown apart, each digit as its two check boxes ("10": input 1 or
// output 1 ticked). A record that does not start with two digits shows as it is.
QString shownTelephoneRecord(const std::optional<QString> &record);

// Why no records came back to "~{": the port, a line that never fell
// silent, one that went away, or silence.
QString noRecords(moduleprotocol::Failure failure, bool flooded, bool lineLost, const QString &port);
// Why a "~{" answer is not the model's record set.
QString recordProblemText(const configimage::RecordSetProblem &problem, int memorySize);
// Why a read-out gave no configuration; empty when it gave one.
QString readoutFailure(const moduleoperations::ReadOut &read, int memorySize, const QString &port);
// Why a verify found no whole answer to compare; empty when it compared one.
QString verifyFailure(const moduleoperations::Verified &verified, int memorySize, const QString &port);

// What a failed download got to, and so what the module holds: nothing
// when it never said "R", unknown once records went out ("O" missing, or
// the line lost after record k).
QString downloadFailure(const moduleoperations::Downloaded &downloaded, const QString &port);

// "a modul még küldte a rekordjait; megvártam, amíg elhallgat (2,4 s)"
QString settledText(const moduleprotocol::ModuleSession::Silence &silence);
// What a path is when it is no file to read: "mappa", "eszköz" …
QString pathKindText(configfile::PathKind kind);

} // namespace resultwords
