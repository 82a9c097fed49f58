#include "serial/devicewords.h"

#include "document/modulemodel.h"
#include "serial/portdiagnosis.h"

namespace resultwords {

namespace {
using moduleprotocol::Failure;
namespace ops = moduleoperations;
} // namespace

QString visible(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString variantText(int memory)
{
    const modulemodel::Model model = modulemodel::modelFor(memory);
    return model.reduced ? Words::tr("%1 telefonszám, egyszerűsített (azonosító, nevek és üzenetek nélkül)")
                               .arg(model.entries)
                         : Words::tr("%1 telefonszám, teljes").arg(model.entries);
}

QString portFailure(const QString &port)
{
    using Reason = portdiagnosis::Diagnosis::Reason;
    const portdiagnosis::Diagnosis d = portdiagnosis::diagnose(port);
    QString reason;
    switch (d.reason) {
    case Reason::NoSuchPort:
        reason = Words::tr("nincs ilyen port");
        break;
    case Reason::NotSerial:
        reason = Words::tr("ez nem soros port");
        break;
    case Reason::NoPermission:
        reason = d.group.isEmpty() ? Words::tr("nincs jogosultság")
                                   : Words::tr("nincs jogosultság; lépjen be a(z) %1 csoportba").arg(d.group);
        break;
    case Reason::Busy:
        reason = d.lockPid > 0 ? Words::tr("foglalt: a(z) %1 folyamat használja").arg(d.lockPid)
                               : Words::tr("foglalt: egy másik program használja");
        break;
    case Reason::AccessDenied:
        reason = Words::tr("hozzáférés megtagadva: valószínűleg egy másik program használja");
        break;
    case Reason::Unknown:
        break;
    }
    const QString text = Words::tr("nem lehet megnyitni a portot");
    return reason.isEmpty() ? text : text + QLatin1String(": ") + reason;
}

QString refusalText(ops::Refusal refusal, const moduleprotocol::Identification &answer)
{
    using R = ops::Refusal;
    switch (refusal) {
    case R::None:
    case R::PortNotOpened:
    case R::Cancelled:
        break;
    case R::Silent:
        return Words::tr("a modul nem válaszol");
    case R::LineLost:
        return Words::tr("a vonal megszakadt az azonosítás közben");
    case R::Flooded:
        return floodedText();
    case R::Foreign:
        return Words::tr("nem Kordavo modul válaszolt: „%1”").arg(visible(answer.text));
    case R::Incomplete:
        return Words::tr("ismeretlen modul: „%1” (a válasz a lezáró CR előtt véget ért)").arg(visible(answer.answer));
    case R::UnknownModel:
        return Words::tr("ismeretlen modul: „%1” (ismert memóriaméret: 31, 32, 127, 128)").arg(visible(answer.answer));
    }
    return {};
}

QString statusFailure(const ops::Status &status, const QString &port)
{
    using Step = ops::Status::Step;
    if (status.failure == Failure::PortNotOpened)
        return portFailure(port);
    if (status.failure == Failure::Cancelled)
        return Words::tr("a lekérdezés megszakadt");
    if (status.reached == Step::Identify)
        return refusalText(ops::refusalOf(status.identification, status.failure, status.lineLost),
                           status.identification);
    if (status.lineLost)
        return Words::tr("a vonal megszakadt a lekérdezés közben");
    if (status.flooded)
        return floodedText();
    if (status.reached == Step::States)
        return Words::tr("a modul nem küldte el a bemenetek és kimenetek állapotát („~R”)");
    return Words::tr("a modul térerő- és szolgáltatóválasza („~S”) nem értelmezhető");
}

QString statesFailure(Failure failure, const QString &port)
{
    if (failure == Failure::PortNotOpened)
        return portFailure(port);
    return Words::tr("a modul nem küldte el a bemenetek és kimenetek állapotát („~R”)");
}

QString floodedText()
{
    return Words::tr("a modul megállás nélkül küld: zaj a vonalon, vagy nem Kordavo modul");
}

} // namespace resultwords
