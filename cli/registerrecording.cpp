#include "cli/registerrecording.h"

#include "cli/clitext.h"
#include "register/registerlocation.h"
#include "register/registerrecorder.h"
#include "register/transferrecord.h"

namespace cli {

namespace {

using siteregister::TransferRecord;

// The tool waits for each record anyway. Elsewhere the register opens on a
// thread of its own while the module talks; under Wine a tool whose register
// thread had run an event loop hung on its way out in nine runs of ten, so on
// Windows the tool records on its own thread, after the transfer.
#if defined(Q_OS_WIN)
constexpr auto kRecorderThreading = siteregister::RegisterRecorder::Threading::Caller;
#else
constexpr auto kRecorderThreading = siteregister::RegisterRecorder::Threading::Own;
#endif

} // namespace

TransferRegister::TransferRegister(const Options &o, Streams &streams) : options(o), streams(streams)
{
    if (o.noRegister)
        return;
    QString why;
    std::optional<siteregister::Location> location =
        o.registerLocation.isEmpty() ? siteregister::locationFromEnvironment(&why)
                                     : siteregister::parseLocation(o.registerLocation, &why);
    if (!location) {
        locationProblem = Text::tr("%1 (%2)").arg(why, QString::fromLatin1(siteregister::kEnvironmentVariable));
        return;
    }
    if (location->kind != siteregister::Location::Kind::Off)
        recorder = std::make_unique<siteregister::RegisterRecorder>(*location, kRecorderThreading);
}

TransferRegister::~TransferRegister() = default;

void TransferRegister::record(const QString &port, const Outcome &outcome, const QByteArray &krv)
{
    // A module that never answered, or a file refused before anything was
    // sent, is no transfer of a site.
    if (options.noRegister || outcome.memory < 0 || !outcome.transferred)
        return;
    if (!locationProblem.isEmpty()) {
        if (!told)
            streams.err << Text::tr("Nyilvántartás: %1; az átvitelek nem kerülnek bele.").arg(locationProblem) << '\n';
        told = true;
        return;
    }
    if (!recorder)
        return;
    TransferRecord::Command command = TransferRecord::Command::Download;
    if (options.command == QLatin1String("readout"))
        command = TransferRecord::Command::Readout;
    else if (options.command == QLatin1String("verify"))
        command = TransferRecord::Command::Verify;
    TransferRecord::Result result = TransferRecord::Result::Failed;
    if (outcome.code == kSuccess)
        result = TransferRecord::Result::Ok;
    else if (outcome.code >= 128)
        result = TransferRecord::Result::Interrupted;
    else if (command == TransferRecord::Command::Verify && outcome.code == kRefused && !outcome.image.isEmpty())
        result = TransferRecord::Result::Differs;
    TransferRecord record = TransferRecord::now(command, result);
    record.message = outcome.message;
    record.port = port;
    record.identification = outcome.identification;
    record.memory = outcome.memory;
    if (result == TransferRecord::Result::Ok || result == TransferRecord::Result::Differs)
        record.image = outcome.image;
    record.krv = command == TransferRecord::Command::Readout ? outcome.krv : krv;
    record.program = QStringLiteral("tool");

    const siteregister::RecordOutcome kept = recorder->recordAndWait(record);
    if (!kept.text.isEmpty() && kept.written())
        streams.err << Text::tr("%1: nyilvántartás: %2").arg(port, kept.text) << '\n';
    if (!kept.problem.isEmpty() && kept.tell)
        streams.err << Text::tr("Nyilvántartás: %1.").arg(kept.problem) << '\n';
    streams.err.flush();
}

} // namespace cli
