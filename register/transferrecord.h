#pragma once

// What a client hands the register after a transfer, and what the register
// made of it.

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QMetaType>
#include <QtCore/QString>

namespace siteregister {

struct TransferRecord
{
    enum class Command { Download, Readout, Verify };
    enum class Result {
        Ok,          // stored, read, or the module holds the file
        Differs,     // verify: the module holds something else (the image is the module's)
        Failed,      // the transfer did not complete: no image
        Interrupted, // stopped by the user: no image
    };

    Command command = Command::Download;
    Result result = Result::Ok;
    QString message;          // the client's words for the result, as shown
    QString port;
    QString identification;   // the module's answer to "~|"
    int memory = 0;           // the memory size it reported
    // The records as the module holds them: a download's image as sent, a
    // read-out's or verify's answer in image form. Empty when the transfer failed.
    QString image;
    // The configuration file: the one downloaded or verified, or the one a
    // read-out wrote (or would have written).
    QByteArray krv;
    QString program = QStringLiteral("tool");   // "window" or "tool"
    QString programVersion;
    QString login;
    QString host;
    QDateTime time;   // when the transfer ended
    QString uid;      // the version's identity, so a queued one is delivered once

    // Login, host, time, program version and uid filled in for this process.
    static TransferRecord now(Command command, Result result);
};

// The account this process runs as: who made a version, and whose installer's name a sheet carries.
QString currentLogin();

QString commandName(TransferRecord::Command command);   // "download", "readout", "verify"
QString resultName(TransferRecord::Result result);      // "ok", "differs", "failed", "interrupted"

// What became of a record.
struct RecordOutcome
{
    enum class Status {
        Recorded,      // a new version (or a failure) was written
        Verified,      // a verify matched the site's current version: marked, no copy
        Queued,        // the server did not answer: waits in the local queue
        NotRecorded,   // the register could not take it: `problem` says why
        Off,           // recording is off
    };
    Status status = Status::NotRecorded;
    qint64 siteId = 0;
    QString siteName;
    int version = 0;     // the site's version number; 0 when none
    // For the status bar or the tool's line: "Főkapu nyitó (4172), 3. változat".
    QString text;
    // Why it was queued or not recorded, for the user.
    QString problem;
    // Whether the client should tell the user about `problem` now: once per
    // problem, again after the register has worked in between.
    bool tell = false;

    bool written() const { return status == Status::Recorded || status == Status::Verified; }
};

} // namespace siteregister

Q_DECLARE_METATYPE(siteregister::TransferRecord)
Q_DECLARE_METATYPE(siteregister::RecordOutcome)
