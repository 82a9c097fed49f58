#include "register/versionchanges.h"

#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "register/registertext.h"
#include "transfer/configimage.h"

namespace siteregister {

namespace {

QString quoted(const std::optional<QString> &text)
{
    return text ? Text::tr("„%1”").arg(*text) : Text::tr("(nincs)");
}

configfile::TelephoneEntry entryOf(const std::optional<QString> &record)
{
    return record ? configfile::parseTelephoneLine(*record) : configfile::TelephoneEntry{};
}

QString numberLine(int position, const configfile::TelephoneEntry &before, const configfile::TelephoneEntry &after)
{
    const QString field = generalfields::telephoneFieldName(position);
    if (before.number.isEmpty() && after.number.isEmpty())
        return Text::tr("%1: jogok: %2 → %3")
            .arg(field, rightsText(before.alarm, before.output), rightsText(after.alarm, after.output));
    if (before.number.isEmpty())
        return Text::tr("%1: új: %2").arg(field, entryText(after));
    if (after.number.isEmpty())
        return Text::tr("%1: törölve: %2").arg(field, entryText(before));
    if (before.number != after.number)
        return Text::tr("%1: %2 → %3").arg(field, entryText(before), entryText(after));
    return Text::tr("%1: %2: jogok: %3 → %4")
        .arg(field, before.number, rightsText(before.alarm, before.output), rightsText(after.alarm, after.output));
}

} // namespace

QString rightsText(int alarmDigit, int outputDigit)
{
    QStringList rights;
    for (int input = 1; input <= 2; ++input) {
        if (alarmDigit & configfile::groupBitValue(input))
            rights << Text::tr("%1. bemenet riasztás").arg(input);
    }
    for (int output = 1; output <= 2; ++output) {
        if (outputDigit & configfile::groupBitValue(output))
            rights << Text::tr("%1. kimenet vezérlés").arg(output);
    }
    return rights.isEmpty() ? Text::tr("jog nélkül") : rights.join(QLatin1String(", "));
}

QString entryText(const configfile::TelephoneEntry &entry)
{
    return Text::tr("%1 (%2)").arg(entry.number, rightsText(entry.alarm, entry.output));
}

QList<VersionChange> versionChanges(const QString &imageA, int memoryA, const QString &imageB, int memoryB)
{
    QList<VersionChange> changes;
    const modulemodel::Model modelA = modulemodel::modelFor(memoryA);
    const modulemodel::Model modelB = modulemodel::modelFor(memoryB);
    if (memoryA != memoryB) {
        VersionChange model;
        model.kind = VersionChange::Kind::Model;
        model.field = Text::tr("Modell");
        model.before = QString::number(memoryA);
        model.after = QString::number(memoryB);
        model.text = Text::tr("Modell: %1 → %2 (%3 → %4 telefonszám)")
                         .arg(memoryA)
                         .arg(memoryB)
                         .arg(modelA.entries)
                         .arg(modelB.entries);
        changes.append(model);
    }
    const int firstNumber = configimage::kGeneralRecords + configimage::kReservedRecords;
    for (const configimage::RecordDifference &difference : configimage::differences(imageA, imageB)) {
        VersionChange change;
        change.record = difference.record;
        change.before = difference.expected;
        change.after = difference.stored;
        if (difference.record < configimage::kGeneralRecords) {
            change.kind = VersionChange::Kind::General;
            change.field = generalfields::generalFieldName(difference.record);
        } else if (difference.record < firstNumber) {
            change.kind = VersionChange::Kind::Reserved;
            change.field = generalfields::reservedRecordName(difference.record - configimage::kGeneralRecords + 1);
        } else {
            change.kind = VersionChange::Kind::Number;
            change.position = difference.record - firstNumber + 1;
            change.field = generalfields::telephoneFieldName(change.position);
            change.numberBefore = entryOf(difference.expected);
            change.numberAfter = entryOf(difference.stored);
            // A number only one model holds, empty on the other, is no change.
            if (change.numberBefore.number == change.numberAfter.number
                && change.numberBefore.alarm == change.numberAfter.alarm
                && change.numberBefore.output == change.numberAfter.output)
                continue;
            change.text = numberLine(change.position, change.numberBefore, change.numberAfter);
            changes.append(change);
            continue;
        }
        change.text = Text::tr("%1: %2 → %3").arg(change.field, quoted(change.before), quoted(change.after));
        changes.append(change);
    }
    return changes;
}

} // namespace siteregister
