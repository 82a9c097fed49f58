#pragma once

// Taking the module's answers apart. Every function works on the text exactly
// as ComPort::readReply returned it (terminator included) unless its comment
// says otherwise, so the window code only moves the results into the form.

#include "serial/outputmask.h"

#include <QtCore/QString>

#include <optional>

namespace modulereplies {

// True when an identification answer starts with "Qzv" or "KDV" (exact case).
bool isIdentification(const QString &answer);

// The memory field of an identification answer whose terminator has already
// been removed: the text after the last "_", or the whole text without "_".
QString memoryField(const QString &answerWithoutTerminator);

// The memory field as a decimal number, or nothing when it is not one.
std::optional<int> memoryNumber(const QString &field);

// Indicator states from a "~R" answer. Inputs are active on "0", outputs on
// on "1"; positions 3 and 4 hold inputs 2 and 1, positions 10 to 13 outputs
// 4 to 1.
struct IoStates
{
    bool input1Active = false;
    bool input2Active = false;
    OutputMask outputs;
};

// The shortest "~R" answer that holds every state, terminator included.
inline constexpr int kStatesAnswerLength = 14;
// Nothing for an answer shorter than kStatesAnswerLength.
std::optional<IoStates> parseStates(const QString &answer);

// The "~S" answer: exactly three comma-separated fields, otherwise nothing.
struct SignalInfo
{
    int raw = 0;        // the strength field as the module sent it (0 when not a number)
    int strength = 1;   // already clamped to 1 … 9: the bar's value
    QString service;    // white space (the terminator too) removed
};

std::optional<SignalInfo> parseSignal(const QString &answer);

// Raises to 1 and lowers to 9: the bar has no room for other values.
int clampSignal(int strength);

// "~" followed by the mask as one upper-case hexadecimal digit ("~0" … "~F").
QString relayCommand(OutputMask outputs);

} // namespace modulereplies
