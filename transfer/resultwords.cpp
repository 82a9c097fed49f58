#include "transfer/resultwords.h"

#include "document/generalfields.h"
#include <QtCore/QRegularExpression>

namespace resultwords {

namespace {
using moduleprotocol::Failure;
namespace ops = moduleoperations;
} // namespace

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
        return Words::tr("az összes mező kitöltése kötelező; üres: „%1”").arg(fieldLabel(problem.field));
    return Words::tr("a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni")
        .arg(fieldLabel(problem.field));
}

QString unsavableText(const configfile::UnsavableField &unsavable)
{
    if (unsavable.reason == configfile::UnsavableField::Reason::Terminator)
        return Words::tr("a(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét jelentené; a fájl nem készült el")
            .arg(fieldLabel(unsavable.field));
    return Words::tr("a(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene; a fájl nem készült el")
        .arg(fieldLabel(unsavable.field));
}

QString notTransferred(const ops::Prepared &prepared)
{
    QStringList parts;
    if (prepared.droppedNumbers > 0)
        parts << Words::tr("a %1–%2. telefonszám nem fér el: %3 szám kimarad")
                     .arg(prepared.firstDropped)
                     .arg(prepared.lastDropped)
                     .arg(prepared.droppedNumbers);
    if (prepared.reducedDropped)
        parts << Words::tr("egyszerűsített modell: nevek, üzenetek és jogok nélkül");
    return parts.join(QLatin1String("; "));
}

QString shownRecord(const std::optional<QString> &record)
{
    if (!record)
        return Words::tr("(nincs)");
    return Words::tr("„%1”").arg(*record);
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
    return Words::tr("„%1” (riasztás: %2, kimenet: %3)")
        .arg(record->mid(2), boxes(record->at(0)), boxes(record->at(1)));
}

QString noRecords(Failure failure, bool flooded, bool lineLost, const QString &port)
{
    if (failure == Failure::PortNotOpened)
        return portFailure(port);
    if (flooded)
        return floodedText();
    if (lineLost)
        return Words::tr("a vonal megszakadt a rekordok olvasása közben");
    return Words::tr("a modul nem küldte el a rekordjait");
}

QString recordProblemText(const configimage::RecordSetProblem &problem, int memorySize)
{
    using Kind = configimage::RecordSetProblem::Kind;
    const int expected = configimage::kGeneralRecords + configimage::kReservedRecords + memorySize;
    switch (problem.kind) {
    case Kind::EndedEarly:
        return Words::tr("a modul válasza a záró karakter előtt véget ért");
    case Kind::RecordLength:
        return Words::tr("a modul válaszában a(z) %1. rekord %2 karakteres (%3 kell)")
            .arg(problem.record + 1)
            .arg(problem.length)
            .arg(configimage::kRecordLength);
    case Kind::TooFew:
        return Words::tr("a modul válasza hiányos: %1 rekord a(z) %2 helyett").arg(problem.count).arg(expected);
    case Kind::TooMany:
        return Words::tr("a modul több rekordot küldött (%1), mint amennyit a modell tárol (%2)")
            .arg(problem.count)
            .arg(expected);
    }
    return {};
}

QString readoutFailure(const ops::ReadOut &read, int memorySize, const QString &port)
{
    if (read.recordProblem)
        return recordProblemText(*read.recordProblem, memorySize);
    if (read.incomplete)
        return Words::tr("a modul válasza hiányos");
    if (!read.ok())
        return noRecords(read.failure, read.flooded, read.lineLost, port);
    return {};
}

QString verifyFailure(const ops::Verified &verified, int memorySize, const QString &port)
{
    if (!verified.ok())
        return noRecords(verified.failure, verified.flooded, verified.lineLost, port);
    if (verified.endedEarly)
        return recordProblemText({configimage::RecordSetProblem::Kind::EndedEarly}, memorySize);
    return {};
}

QString downloadFailure(const ops::Downloaded &downloaded, const QString &port)
{
    using moduleprotocol::WriteStage;
    if (downloaded.ok())
        return {};
    if (downloaded.failure == Failure::PortNotOpened)
        return portFailure(port);
    if (downloaded.failure == Failure::Cancelled)
        return Words::tr("a betöltés megszakadt");
    if (downloaded.lineLost) {
        if (downloaded.reached == WriteStage::NotReady)
            return Words::tr("a vonal megszakadt a betöltés előtt: semmi sem tárolódott");
        return Words::tr("a vonal megszakadt a betöltés közben, a(z) %1 rekordból %2 elment; a tárolás nem ismert")
            .arg(downloaded.records)
            .arg(downloaded.recordsSent);
    }
    if (downloaded.reached == WriteStage::NotReady)
        return Words::tr("a modul nem állt készen („R”), semmi sem tárolódott");
    return Words::tr("a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)");
}

QString settledText(const moduleprotocol::ModuleSession::Silence &silence)
{
    const QString seconds = QString::number(double(silence.waitedMs) / 1000.0, 'f', 1);
    return silence.silent
        ? Words::tr("a modul még küldte a rekordjait; megvártam, amíg elhallgat (%1 s)").arg(seconds)
        : Words::tr("a modul %1 s után is küldött; a további parancsokat elnyelheti").arg(seconds);
}

QString pathKindText(configfile::PathKind kind)
{
    using K = configfile::PathKind;
    switch (kind) {
    case K::Directory:
        return Words::tr("mappa");
    case K::Pipe:
        return Words::tr("nevesített cső (FIFO)");
    case K::Device:
        return Words::tr("eszköz");
    case K::Other:
        return Words::tr("különleges fájl");
    case K::Missing:
    case K::Regular:
        break;
    }
    return {};
}

} // namespace resultwords
