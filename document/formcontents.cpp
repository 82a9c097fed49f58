#include "document/formcontents.h"

#include "document/generalfields.h"
#include "document/smspresets.h"
#include "forms/mainwindow_form.h"

static_assert(generalfields::kFields.size() == size_t(Ui::MainWindow::kGeneralFieldCount),
              "the general tab has a place for each general field");

FormContents mainFormContents()
{
    FormContents contents;
    for (const generalfields::Field &field : generalfields::kFields) {
        contents.generalFields.append({QString::fromLatin1(field.objectName),
                                       QString::fromUtf16(field.label), field.maxLength});
    }
    for (const smspresets::Preset &preset : smspresets::kPresets)
        contents.presets.append({QString::fromUtf16(preset.entry), QString::fromUtf16(preset.number)});
    contents.customEntry = smspresets::customEntry();
    contents.telephoneNumberLength = generalfields::kTelephoneNumberLength;
    return contents;
}
