#include "cli/wording.h"

#include "cli/clitext.h"
#include "cli/output.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "serial/portdiagnosis.h"
#include "transfer/configimage.h"

#include <QtCore/QRegularExpression>

namespace cli {

namespace ops = moduleoperations;

QString variantText(int memory)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    return model.reduced ? Text::tr("%1 telefonszám, egyszerűsített (azonosító, nevek és üzenetek nélkül)")
                               .arg(model.entries)
                         : Text::tr("%1 telefonszám, teljes").arg(model.entries);
}

QString portFailure(const QString &port)
{
    using Reason = portdiagnosis::Diagnosis::Reason;
    const portdiagnosis::Diagnosis d = portdiagnosis::diagnose(port);
    QString reason;
    switch (d.reason) {
    case Reason::NoSuchPort:
        reason = Text::tr("nincs ilyen port");
        break;
    case Reason::NotSerial:
        reason = Text::tr("ez nem soros port");
        break;
    case Reason::NoPermission:
        reason = d.group.isEmpty()
                     ? Text::tr("nincs jogosultság")
                     : Text::tr("nincs jogosultság; lépjen be a(z) %1 csoportba")
                           .arg(d.group);
        break;
    case Reason::Busy:
        reason = d.lockPid > 0 ? Text::tr("foglalt: a(z) %1 folyamat használja").arg(d.lockPid)
                               : Text::tr("foglalt: egy másik program használja");
        break;
    case Reason::Unknown:
        break;
    }
    const QString text = Text::tr("nem lehet megnyitni a portot");
    return reason.isEmpty() ? text : text + QLatin1String(": ") + reason;
}

QString fieldLabel(int field)
{
    return field < configimage::kGeneralRecords
               ? generalfields::generalFieldName(field)
               : generalfields::telephoneFieldName(field - configimage::kGeneralRecords + 1);
}

QString recordLabel(int index)
{
    if (index < configimage::kGeneralRecords)
        return generalfields::generalFieldName(index);
    const int reserved = index - configimage::kGeneralRecords;
    if (reserved < configimage::kReservedRecords)
        return generalfields::reservedRecordName(reserved + 1);
    return generalfields::telephoneFieldName(reserved - configimage::kReservedRecords + 1);
}

QString problemText(const ops::FieldProblem &problem)
{
    if (problem.kind == ops::FieldProblem::Kind::Empty)
        return Text::tr("az összes mező kitöltése kötelező; üres: „%1”")
            .arg(fieldLabel(problem.field));
    return Text::tr("a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni")
        .arg(fieldLabel(problem.field));
}

QString unsavableText(const configfile::UnsavableField &unsavable)
{
    if (unsavable.reason == configfile::UnsavableField::Reason::Terminator)
        return Text::tr("a(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét jelentené; a fájl nem készült el")
            .arg(fieldLabel(unsavable.field));
    return Text::tr("a(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene; a fájl nem készült el")
        .arg(fieldLabel(unsavable.field));
}

QString notTransferred(const ops::Prepared &prepared)
{
    QStringList parts;
    if (prepared.droppedNumbers > 0)
        parts << Text::tr("a %1–%2. telefonszám nem fér el: %3 szám kimarad")
                     .arg(prepared.firstDropped)
                     .arg(prepared.lastDropped)
                     .arg(prepared.droppedNumbers);
    if (prepared.reducedDropped)
        parts << Text::tr("egyszerűsített modell: nevek, üzenetek és jogok nélkül");
    return parts.join(QLatin1String("; "));
}

QString withNote(const QString &message, const QString &note)
{
    return note.isEmpty() ? message : message + QLatin1String("; ") + note;
}

QString shownRecord(const std::optional<QString> &record)
{
    if (!record)
        return Text::tr("(nincs)");
    return Text::tr("„%1”").arg(*record);
}

QString shownTelephoneRecord(const std::optional<QString> &record)
{
    static const QRegularExpression digits(QStringLiteral("^[0-3]{2}"));
    if (!record || !digits.match(*record).hasMatch())
        return shownRecord(record);
    const auto boxes = [](QChar digit) {
        const int value = digit.digitValue();
        return QStringLiteral("%1%2")
            .arg(value & configfile::groupBitValue(1) ? 1 : 0)
            .arg(value & configfile::groupBitValue(2) ? 1 : 0);
    };
    return Text::tr("„%1” (riasztás: %2, kimenet: %3)")
        .arg(record->mid(2), boxes(record->at(0)), boxes(record->at(1)));
}

QString refusalText(moduleoperations::Refusal refusal, const moduleprotocol::Identification &answer)
{
    using R = moduleoperations::Refusal;
    switch (refusal) {
    case R::None:
    case R::PortNotOpened:
    case R::Cancelled:
        break;
    case R::Silent:
        return Text::tr("a modul nem válaszol");
    case R::LineLost:
        return Text::tr("a vonal megszakadt az azonosítás közben");
    case R::Flooded:
        return Text::tr("a modul megállás nélkül küld: zaj a vonalon, vagy nem Kordavo modul");
    case R::Foreign:
        return Text::tr("nem Kordavo modul válaszolt: „%1”").arg(visible(answer.text));
    case R::Incomplete:
        return Text::tr("ismeretlen modul: „%1” (a válasz a lezáró CR előtt véget ért)").arg(visible(answer.answer));
    case R::UnknownModel:
        return Text::tr("ismeretlen modul: „%1” (ismert memóriaméret: 31, 32, 127, 128)").arg(visible(answer.answer));
    }
    return {};
}

bool refusedInProgramMode(moduleoperations::Refusal refusal)
{
    // A module's prefix came: it took "~|" and is in programming mode.
    return refusal == moduleoperations::Refusal::Incomplete || refusal == moduleoperations::Refusal::UnknownModel;
}

QString recordProblemText(const configimage::RecordSetProblem &problem, int memorySize)
{
    using Kind = configimage::RecordSetProblem::Kind;
    const int expected = configimage::kGeneralRecords + configimage::kReservedRecords + memorySize;
    switch (problem.kind) {
    case Kind::EndedEarly:
        return Text::tr("a modul válasza a záró karakter előtt véget ért");
    case Kind::RecordLength:
        return Text::tr("a modul válaszában a(z) %1. rekord %2 karakteres (%3 kell)")
            .arg(problem.record + 1)
            .arg(problem.length)
            .arg(configimage::kRecordLength);
    case Kind::TooFew:
        return Text::tr("a modul válasza hiányos: %1 rekord a(z) %2 helyett").arg(problem.count).arg(expected);
    case Kind::TooMany:
        return Text::tr("a modul több rekordot küldött (%1), mint amennyit a modell tárol (%2)")
            .arg(problem.count)
            .arg(expected);
    }
    return {};
}

QString settledText(const moduleprotocol::ModuleSession::Silence &silence)
{
    const QString seconds = QString::number(double(silence.waitedMs) / 1000.0, 'f', 1);
    return silence.silent
        ? Text::tr("a modul még küldte a rekordjait; megvártam, amíg elhallgat (%1 s)").arg(seconds)
        : Text::tr("a modul %1 s után is küldött; a további parancsokat elnyelheti").arg(seconds);
}

QString pathKindText(configfile::PathKind kind)
{
    using K = configfile::PathKind;
    switch (kind) {
    case K::Directory:
        return Text::tr("mappa");
    case K::Pipe:
        return Text::tr("nevesített cső (FIFO)");
    case K::Device:
        return Text::tr("eszköz");
    case K::Other:
        return Text::tr("különleges fájl");
    case K::Missing:
    case K::Regular:
        break;
    }
    return {};
}

} // namespace cli
