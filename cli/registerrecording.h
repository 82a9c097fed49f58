#pragma once

// What a module command of the tool keeps in the site register. The register
// is opened on its own thread when the command starts, and each port's
// transfer is recorded once its exchange is over, so the line never waits on
// it. Unless --no-register, KORDAVO_REGISTER=off.

#include "cli/cli.h"
#include "cli/options.h"
#include "cli/output.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>

namespace siteregister {
class RegisterRecorder;
}

namespace cli {

class TransferRegister
{
public:
    TransferRegister(const Options &o, Streams &streams);
    ~TransferRegister();
    TransferRegister(const TransferRegister &) = delete;
    TransferRegister &operator=(const TransferRegister &) = delete;

    // Keeps what the port's command did with its module: a line on standard
    // error says what was kept, or, once, why nothing could be. `krv` is the
    // file downloaded or verified. Nothing for a module that never answered.
    void record(const QString &port, const Outcome &outcome, const QByteArray &krv);

private:
    const Options &options;
    Streams &streams;
    std::unique_ptr<siteregister::RegisterRecorder> recorder;
    QString locationProblem;
    bool told = false;
};

} // namespace cli
