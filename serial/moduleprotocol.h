#pragma once

// The exchanges with a module, each as one call with a typed result: which
// command goes out, with which waits, how long its answer may grow and how
// the answer is read. A session holds one port, and its lock, for one user
// command and closes it when it goes away (or on close()); it opens the port
// with the waits of the first exchange and only changes the waits after.

#include "serial/moduleline.h"
#include "serial/modulereplies.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

namespace moduleprotocol {

enum class Failure {
    None,
    PortNotOpened,   // the port does not exist, is busy or refuses the settings
    BadAnswer,       // no answer, a garbled one, or one that never ended
    Cancelled,       // the user stopped the reading
};

template <typename T>
struct Result
{
    Failure failure = Failure::None;
    T value{};
    bool ok() const { return failure == Failure::None; }
};

struct Identification
{
    QString answer;        // as it came, terminator and all
    QString text;          // the answer without its terminator
    bool recognised = false;   // starts with "Qzv" or "KDV"
    QString memoryField;   // after the last "_"
    std::optional<int> memory;   // the memory field as a number
    // It ended with its terminator (a CR; a line feed after it does not
    // count): an answer without one was cut short.
    bool complete = false;
    // The line never fell silent: the answer outgrew its limit.
    bool flooded = false;
    // The port search judges the answer as it came: "KDV" alone is a module.
    bool answersSearch() const;
};

// How far a download got: a module that never said "R" stored nothing; once
// it said "R" the records went out, and only its final answer tells whether
// it stored them.
enum class WriteStage { NotReady, Ready, RecordsSent };

// The read time-outs a port is opened with: one answer byte is awaited for
// at most their sum, in milliseconds.
struct Waits
{
    quint32 readMultiplier = 0;
    quint32 readConstant = 0;
    bool operator==(const Waits &o) const
    {
        return readMultiplier == o.readMultiplier && readConstant == o.readConstant;
    }
};

inline constexpr Waits kCommandWaits{200, 0};    // "~|", "~X", "~R" and the output command
inline constexpr Waits kSignalWaits{0, 5000};    // "~S": the module measures first
inline constexpr Waits kRecordsWaits{500, 200};  // "~{"
inline constexpr Waits kStoreWaits{1000, 4000};  // both answers of "~}": preparing, storing
// "~|" during the port search waits this long for each port's first byte.
inline constexpr quint32 kSearchWaitMs = 300;

// Called with a step of 1 for every answer byte that counts (all but CR) and
// 0 for a CR; returning false stops the reading as a cancel.
using ReadProgress = std::function<bool(int step)>;
// Called with the download's progress value: 15 once the module is ready,
// then one more for every byte sent. Returning false stops the sending.
using SendProgress = std::function<bool(int value)>;
// Makes the line a session talks over for a port name and speed. An empty
// factory means the serial port; tests hand in a module in the same process.
using LineFactory = std::function<std::unique_ptr<ModuleLine>(const QString &portName, int baudRate)>;

class ModuleSession
{
public:
    // A serial port of its own (ComPort), opened on the first exchange.
    ModuleSession(const QString &portName, int baudRate);
    // The line `lines` makes for the port, owned; the serial port when it is empty.
    ModuleSession(const QString &portName, int baudRate, const LineFactory &lines);
    // Another line, which the caller keeps alive for the session's life.
    explicit ModuleSession(ModuleLine &line);
    ~ModuleSession();
    ModuleSession(const ModuleSession &) = delete;
    ModuleSession &operator=(const ModuleSession &) = delete;

    // "~|": the module enters programming mode and names itself.
    Result<Identification> identify(Waits waits = kCommandWaits);
    // ESC, sent to a module that answered during the port search.
    void endSearch();
    // "~X": back to normal operation; the answer is not examined.
    Failure leave();
    // "~R": inputs and outputs. Fails on an answer too short to hold them.
    Result<modulereplies::IoStates> readStates(const ReadProgress &progress = {});
    // "~S", after reopening with the module's longer wait: signal and service.
    Result<modulereplies::SignalInfo> readSignal(const ReadProgress &progress = {});
    // "~" and the mask as one hexadecimal digit; the answer is not examined.
    Failure setOutputs(OutputMask outputs);
    // "~{": the stored records as the module sends them, for normalizeReply().
    // With early ends on and `records` > 0, the answer ends once that many
    // records and the closing character are in.
    Result<QString> readRecords(const ReadProgress &progress = {}, int records = 0);
    // After a reading that was stopped: reads on until the line is silent for
    // one read wait, for at most `boundMs`, so what the module still sends
    // does not meet the next command.
    struct Silence
    {
        bool silent = false;     // false: the bound came first, or the line went away
        qint64 discarded = 0;    // bytes read and dropped
        qint64 waitedMs = 0;
    };
    Silence awaitSilence(qint64 boundMs);
    // "~}", then the records' wire bytes once the module answers "R"; stored
    // when the final answer starts with ackChar.
    Failure writeRecords(const QByteArray &wire, char ackChar, const SendProgress &progress = {},
                         WriteStage *reached = nullptr);

    void close();
    QString portName() const { return port.portName(); }
    // Whether the line went away during the last exchange: a pulled adapter,
    // a closed pseudo-terminal.
    bool lineLost() const { return port.lost(); }
    // Whether the last answer outgrew its limit: a line that never fell silent.
    bool flooded() const { return port.overflowed(); }

    // Off (the default): every answer ends when the line falls silent for one
    // read wait. On: a one-line answer ends at its CR and the records answer
    // at its known length, for a module known to end its answers that way.
    void setEarlyEnd(bool on) { earlyEnd = on; }
    // Tests that run many transfers through the window against the simulator
    // start every session with early ends; the bytes sent are the same.
    static void setEarlyEndForTesting(bool on);

private:
    bool openWith(Waits waits);
    // Sends the command and reads its answer; empty when the port is not
    // open, the module is silent, or the answer outgrew `limit`.
    QString exchange(const QString &command, int limit, const ReadProgress &progress = {},
                     const ModuleLine::AnswerEnd &end = {});
    // The end of a one-line answer under early ends, or none.
    ModuleLine::AnswerEnd lineEnd() const;
    // Drops what the module sent that no command asked for: the rest of an
    // answer ended early, a stale answer, noise. Only what is there now.
    void drain();
    // Under early ends an answer ends at its CR, so the LF of a module that
    // ends its lines with CR LF comes first in the next reading: not its.
    QString withoutLeftoverLineFeed(QString answer) const;

    bool earlyEnd = false;

    std::unique_ptr<ModuleLine> ownLine;
    ModuleLine &port;
    std::optional<Waits> openWaits;
    bool cancelled = false;
};

} // namespace moduleprotocol
