#include "serial/deviceoperations.h"

#include "serial/comport.h"
#include "serial/portnames.h"

#include <QtCore/QFile>
#if !defined(Q_OS_WIN)
#include <QtSerialPort/QSerialPortInfo>
#endif

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace moduleoperations {

moduleprotocol::ReadProgress Control::reading() const
{
    if (!readProgress && !cancel)
        return {};
    return [this](int step) {
        if (cancelled())
            return false;
        return readProgress ? readProgress(step) : true;
    };
}

moduleprotocol::SendProgress Control::sending() const
{
    if (!sendProgress && !cancel)
        return {};
    return [this](int value) {
        if (cancelled())
            return false;
        return sendProgress ? sendProgress(value) : true;
    };
}

Refusal refusalOf(const moduleprotocol::Identification &answer, Failure failure, bool lineLost)
{
    if (failure == Failure::PortNotOpened)
        return Refusal::PortNotOpened;
    if (failure == Failure::Cancelled)
        return Refusal::Cancelled;
    if (lineLost)
        return Refusal::LineLost;
    if (answer.flooded)
        return Refusal::Flooded;
    if (answer.answer.isEmpty())
        return Refusal::Silent;
    if (!answer.recognised)
        return Refusal::Foreign;
    if (!answer.complete)
        return Refusal::Incomplete;
    // "0128" or "+32" reads as a number, but is no model's memory field.
    if (!answer.memory || !modulemodel::isKnownMemory(*answer.memory)
        || answer.memoryField != QString::number(*answer.memory))
        return Refusal::UnknownModel;
    return Refusal::None;
}

Identified identify(ModuleSession &session, const Control &control)
{
    Identified result;
    if (control.cancelled()) {
        result.failure = Failure::Cancelled;
        return result;
    }
    const auto identified = session.identify();
    result.answer = identified.value;
    result.refusal = refusalOf(identified.value, identified.failure, session.lineLost());
    if (identified.failure == Failure::PortNotOpened) {
        result.failure = Failure::PortNotOpened;
        return result;
    }
    if (!identified.value.recognised) {
        result.failure = Failure::BadAnswer;
        return result;
    }
    result.memory = identified.value.memory.value_or(0);
    result.model = modulemodel::modelFor(result.memory);
    return result;
}

Failure leave(ModuleSession &session)
{
    const Failure failure = session.leave();
    session.close();
    return failure;
}

Status status(ModuleSession &session, const Control &control, const std::function<void(const Status &)> &stepDone,
              bool knownOnly)
{
    Status result;
    const auto fail = [&](Failure failure) {
        result.failure = failure;
        result.lineLost = session.lineLost();
        result.flooded = session.flooded();
        return result;
    };
    // Tells the client what came, and whether it asked to stop.
    const auto next = [&](Status::Step step) {
        result.reached = step;
        if (stepDone)
            stepDone(result);
        return !control.cancelled();
    };
    if (control.cancelled())
        return fail(Failure::Cancelled);
    const auto identified = session.identify();
    result.identification = identified.value;
    if (knownOnly) {
        result.refusal = refusalOf(identified.value, identified.failure, session.lineLost());
        if (result.refusal != Refusal::None)
            return fail(identified.ok() ? Failure::BadAnswer : identified.failure);
    }
    if (!identified.ok())
        return fail(identified.failure);
    result.memory = *identified.value.memory;
    if (!next(Status::Step::States))
        return fail(Failure::Cancelled);

    const auto states = session.readStates(control.reading());
    if (!states.ok())
        return fail(states.failure);
    result.states = states.value;
    if (!next(Status::Step::Signal))
        return fail(Failure::Cancelled);

    const auto signal = session.readSignal(control.reading());
    if (!signal.ok())
        return fail(signal.failure);
    result.signal = signal.value;
    result.reached = Status::Step::Done;
    return result;
}

moduleprotocol::Result<modulereplies::IoStates> outputStates(ModuleSession &session)
{
    return session.readStates();
}

Failure setOutputs(ModuleSession &session, OutputMask outputs)
{
    return session.setOutputs(outputs);
}

namespace {

QStringList systemPorts()
{
    QStringList names;
#if defined(Q_OS_WIN)
    // The names an installer finds in the Device Manager; the listing keeps
    // those that open.
    for (int n = 1; n <= kWindowsPorts; ++n)
        names << QStringLiteral("COM%1").arg(n);
#else
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        names << info.portName();
#endif
    return names;
}

// The one platform seam of the listing: whether a port exists that this user
// may not open. Busy or missing ports are not meant: they are simply not listed.
bool permissionDenied(const QString &name, PortListing *listing)
{
#if defined(Q_OS_UNIX)
    // The port names Qt lists are device names under /dev.
    const QString devicePath = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    const QByteArray path = QFile::encodeName(devicePath);
    struct stat info;
    if (::stat(path.constData(), &info) != 0 || ::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return false;
    const group *owner = ::getgrgid(info.st_gid);
    listing->deniedPath = devicePath;
    listing->deniedGroup = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    return true;
#else
    Q_UNUSED(name);
    Q_UNUSED(listing);
    return false;
#endif
}

} // namespace

QString portDescription(const QString &name)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(name);
    return QString();
#else
    return QSerialPortInfo(name).description();
#endif
}

PortListing listPorts(const PortSource &source)
{
    PortListing listing;
    QStringList candidates = source ? source() : systemPorts();
    std::sort(candidates.begin(), candidates.end(), portNameLess);
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    bool denialFound = false;
    for (const QString &name : std::as_const(candidates)) {
        if (ComPort::canOpen(name))
            listing.ports << name;
        else if (!denialFound)
            denialFound = permissionDenied(name, &listing);
    }
    return listing;
}

Found search(const QStringList &ports, int baudRate, quint32 waitMs,
             const std::function<bool(const SearchStep &)> &afterProbe, const moduleprotocol::LineFactory &lines)
{
    Found found;
    for (const QString &name : ports) {
        ModuleSession session(name, baudRate, lines);
        const auto identified = session.identify({0, waitMs});
        if (identified.failure == Failure::PortNotOpened)
            continue;
        SearchStep step{name, identified.value.answersSearch(), identified.value};
        if (step.found) {
            found.port = name;
            // Tells the module that answered that the search is over.
            session.endSearch();
        }
        if (afterProbe && !afterProbe(step)) {
            found.cancelled = true;
            return found;
        }
    }
    return found;
}

} // namespace moduleoperations
