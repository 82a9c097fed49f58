#pragma once

// The SMS service centres of the three Hungarian networks offered beside the
// SMS centre field, and the custom entry that leaves the field to the user.

#include <QtCore/QString>

namespace smspresets {

struct Preset
{
    const char16_t *entry;    // text of the combo box entry
    const char16_t *number;   // centre number, international form without "+"
};

constexpr Preset kPresets[] = {
    {u"T-Mobile", u"36309888000"},
    {u"Telenor", u"36209300099"},
    {u"Vodafone", u"36709996500"},
};
constexpr int kPresetCount = int(sizeof kPresets / sizeof kPresets[0]);
// Index of "Egyéni" in the combo box, after the presets.
constexpr int kCustomIndex = kPresetCount;

QString customEntry();   // "Egyéni"

// Number of the entry with this text, or a null string for "Egyéni" and any
// text that is no preset.
QString numberForEntry(const QString &entryText);
// Combo index for a loaded number: the preset that has it, else kCustomIndex.
int indexForNumber(const QString &number);

} // namespace smspresets
