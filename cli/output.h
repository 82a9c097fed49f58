#pragma once

// What kordavo-cli writes: a command's outcome on a port, a progress bar on
// a terminal, a module's text made safe for a terminal, and the log line.

#include "cli/cli.h"
#include "cli/filecheck.h"
#include "cli/options.h"
#include "serial/moduleprotocol.h"
#include "transfer/resultwords.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <atomic>

namespace cli {

// A bar on standard error, only on a terminal and only once a transfer has
// taken a second: short commands and scripts stay quiet.
class ProgressBar
{
public:
    ProgressBar(Streams &streams, const QString &label, int total);
    ~ProgressBar() { finish(); }

    void set(int value);
    void finish();

private:
    Streams &streams;
    QString label;
    int total;
    QElapsedTimer timer;
    int lastPercent = -1;
    bool shown = false;
};

// The reading's progress on the bar: every answer byte, CR included.
moduleprotocol::ReadProgress readProgress(ProgressBar &bar);

// One port's progress while several run side by side: written by the port's
// own thread, read by the one that draws the combined bar.
struct PortProgress
{
    std::atomic<int> value{0};
    std::atomic<int> maximum{1};
    // Stopped in the middle of the module's records: waiting for their end.
    std::atomic<bool> settling{false};
};

// Said on standard error while an interrupted reading waits for the module
// to finish sending, so the wait is not taken for a hang.
QString settlingNotice(const QString &port);

// The result of one command on one port.
struct Outcome
{
    int code = kSuccess;
    QString message;
    QString identification;
    int memory = -1;
    QStringList details;   // the differing records of a verify
    // What the register keeps: set once the transfer's exchange has run.
    bool transferred = false;
    QString image;         // the records as sent, or as the module holds them
    QByteArray krv;        // a read-out: the file it wrote
};

// A module's text reaches the terminal as text: a control byte (an escape
// sequence, a NUL) is shown escaped, never sent as one.
using resultwords::visible;

void printProblems(const QList<filecheck::Problem> &problems, QTextStream &stream);
void printOutcome(const QString &port, const Outcome &outcome, Streams &streams);

// Whatever went to standard output reached it: flushed and checked, so a
// full disk or /dev/full is no silent success.
int checkedOutput(int code, Streams &streams);

QString fileHash(const QByteArray &bytes);
// Before the module is touched: a log that cannot take lines refuses the command.
int refuseUnusableLog(const Options &o, Streams &streams);
// kBadFile, with a message, when the line does not reach the log.
int appendLog(const Options &o, const QString &port, const Outcome &outcome, const QString &file,
              const QString &hash, Streams &streams);

} // namespace cli
