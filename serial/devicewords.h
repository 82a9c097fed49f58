#pragma once

// The module's own operations in the installer's words, the same for
// kordavo-cli and the window: why a port does not open, why an answer names
// no module to work with, why a status query or a relay test stopped. The
// configuration's operations have theirs beside them in transfer/resultwords.h,
// which clients include for both. The texts are Hungarian; kordavo-cli's
// translations (cli/translations) cover them.

#include "serial/deviceoperations.h"
#include "serial/moduleprotocol.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

namespace resultwords {

// Words::tr("...") marks a text for kordavo-cli's translations.
class Words
{
    Q_DECLARE_TR_FUNCTIONS(resultwords::Words)
};

// Text from the module or a file, its control characters shown as "\x1b",
// so it can neither move a terminal's cursor nor hide in a message box.
QString visible(const QString &text);

// "128 telefonszám, teljes"
QString variantText(int memory);
// "nem lehet megnyitni a portot", with what the installer can do about it.
QString portFailure(const QString &port);
// A line that never falls silent.
QString floodedText();

// Why what answered "~|" is no module to work with: "a modul nem válaszol",
// "ismeretlen modul: „Qzv_GSM4_12” …" with the answer as it came.
QString refusalText(moduleoperations::Refusal refusal, const moduleprotocol::Identification &answer);
// Why a status query stopped, step by step.
QString statusFailure(const moduleoperations::Status &status, const QString &port);
// Why the outputs' states ("~R") did not come.
QString statesFailure(moduleprotocol::Failure failure, const QString &port);

} // namespace resultwords
