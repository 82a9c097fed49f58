#include "document/smspresets.h"

namespace smspresets {

QString customEntry()
{
    return QStringLiteral("Egyéni");
}

QString numberForEntry(const QString &entryText)
{
    for (const Preset &preset : kPresets) {
        if (entryText == QStringView(preset.entry))
            return QString::fromUtf16(preset.number);
    }
    return {};
}

int indexForNumber(const QString &number)
{
    for (int i = 0; i < kPresetCount; ++i) {
        if (number == QStringView(kPresets[i].number))
            return i;
    }
    return kCustomIndex;
}

} // namespace smspresets
