#pragma once

// The module's commands and the longest answer a module sends to each. A
// command is "~" and one character, with no terminator. An answer that grows
// past its limit comes from a line that never falls silent (noise, a looping
// device), and counts as no answer at all.

#include "document/generalfields.h"
#include "document/modulemodel.h"

#include <QtCore/QLatin1String>

namespace modulecommands {

inline constexpr QLatin1String kIdentify("~|");        // enters programming mode
inline constexpr QLatin1String kLeave("~X");           // back to normal operation
inline constexpr QLatin1String kStates("~R");          // inputs and outputs
inline constexpr QLatin1String kSignal("~S");          // signal strength and service
inline constexpr QLatin1String kReadRecords("~{");
inline constexpr QLatin1String kWriteRecords("~}");
inline constexpr char kCommandPrefix = '~';            // "~0" … "~F" set the outputs
inline constexpr char kEndSearch = 27;                 // ESC after a find during the search
inline constexpr char kStored = 'O';                   // how "~}"'s last answer starts once stored

// Identification, states, signal and service, "~X", the output command and
// both answers of "~}" are a line or two of text.
inline constexpr int kShortAnswerLimit = 256;

// "~{": 28 + N records of 16 characters, each with its CR, and one closing
// character, for the largest module (a 128-number module read in 32 mode
// still sends all of them), plus room for text a module sends first.
inline constexpr int kRecordsAnswerLimit =
    (generalfields::kRecordsBeforeNumbers + modulemodel::kLargeMemory) * (generalfields::kRecordLength + 1) + 1 + 512;

} // namespace modulecommands
