#pragma once

// The tool's words for the core's results: fields and records by name, why a
// port does not open, what a module does not get of a file.

#include "document/configfile.h"
#include "serial/deviceoperations.h"
#include "transfer/configimage.h"
#include "transfer/moduleoperations.h"

#include <QtCore/QString>

#include <optional>

namespace cli {

// "128 telefonszám, teljes"
QString variantText(int memory);
// "nem lehet megnyitni a portot", with what the installer can do about it.
QString portFailure(const QString &port);

// A field in record order: the general fields, then the numbers.
QString fieldLabel(int field);
// A record of the module's image: the general fields, the reserved records, the numbers.
QString recordLabel(int index);
QString problemText(const moduleoperations::FieldProblem &problem);
QString unsavableText(const configfile::UnsavableField &unsavable);

// What of the file this module does not get; empty when it gets it all.
QString notTransferred(const moduleoperations::Prepared &prepared);
QString withNote(const QString &message, const QString &note);

QString shownRecord(const std::optional<QString> &record);

// Why the tool does not work with what answered "~|": "a modul nem
// válaszol", "ismeretlen modul: „Qzv_GSM4_12” …" with the answer as it came.
QString refusalText(moduleoperations::Refusal refusal, const moduleprotocol::Identification &answer);
// Whether the module may be in programming mode after such an answer, so
// that "~X" sends it back.
bool refusedInProgramMode(moduleoperations::Refusal refusal);
// Why a "~{" answer is not the model's record set.
QString recordProblemText(const configimage::RecordSetProblem &problem, int memorySize);
// "a modul még küldte a rekordjait; megvártam, amíg elhallgat (2,4 s)"
QString settledText(const moduleprotocol::ModuleSession::Silence &silence);
// What a path is when it is no file to read: "mappa", "eszköz" …
QString pathKindText(configfile::PathKind kind);
// A telephone record holds the alarm digit, the output digit and the number
// in one: shown apart, each digit as its two check boxes ("10": input 1 or
// output 1 ticked). A record that does not start with two digits shows as it is.
QString shownTelephoneRecord(const std::optional<QString> &record);

} // namespace cli
