#pragma once

// The tool's words for the core's results are the core's own
// (transfer/resultwords.h), which the window shows as well; here is only
// what the tool alone says.

#include "serial/deviceoperations.h"
#include "transfer/resultwords.h"

#include <QtCore/QString>

namespace cli {

using resultwords::fieldLabel;
using resultwords::notTransferred;
using resultwords::pathKindText;
using resultwords::portFailure;
using resultwords::problemText;
using resultwords::readoutFailure;
using resultwords::recordLabel;
using resultwords::recordProblemText;
using resultwords::refusalText;
using resultwords::settledText;
using resultwords::shownRecord;
using resultwords::shownTelephoneRecord;
using resultwords::statusFailure;
using resultwords::unsavableText;
using resultwords::variantText;
using resultwords::visible;

QString withNote(const QString &message, const QString &note);

// Whether the module may be in programming mode after such an answer, so
// that "~X" sends it back.
bool refusedInProgramMode(moduleoperations::Refusal refusal);

} // namespace cli
