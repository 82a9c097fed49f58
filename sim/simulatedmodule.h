#pragma once

// What a Kordavo module does with the bytes it receives: its programming
// mode, outputs and stored records, and the answers it gives, faults and all.
// It knows no line and no time but the silence that ends a download; the
// pseudo-terminal simulator and the in-process line carry its answers.

#include "serial/outputmask.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <chrono>

struct SimulatorOptions
{
    enum class Fault {
        None,
        Silent,             // answers nothing at all
        WrongPrefix,        // identification starts with "Xyz"
        LowerCasePrefix,    // identification starts with "qzv"
        NoReadyAnswer,      // "~}" answered with something not starting with "R"
        NoAck,              // final answer of "~}" does not start with "O"
        JunkBeforeRecords,  // "~{" answer has junk text and an empty line first
        FFPadding,          // "~{" answer has 0xFF in place of spaces
        Chatter,            // after any command, sends bytes without ever pausing
        DropDuringTransfer, // closes the line in the middle of "~{" or "~}"
        FourFieldSignal,    // "~S" answer has four comma-separated fields
        SeparatorInRecord,  // "~{" answer holds "|" inside the module name record
        DropMidAnswer,      // closes the line halfway through the answer to any command
        HalfRecords,        // "~{" answer stops after half the records and falls silent
        CutIdentification,  // identification loses its last character and its terminator
        NoiseBeforeRecords, // "~{" answer starts with 100 bytes of noise without a CR
        StaleAnswer,        // "~}" answered "R\rO\r"; the records then get "ERROR\r"
        CrLfEndings,        // every one-line answer ends in CR LF
        NoClosingCharacter, // "~{" answer ends with the last record's CR, without the closing character
    };

    int memorySize = 32;                  // the last identification field
    QByteArray prefix = "Qzv";            // identification prefix
    QByteArray identification;            // whole identification text (no CR); overrides prefix
    QByteArray identificationEnd = "\r";  // what follows it: a module may send none
    bool input1Active = false;
    bool input2Active = false;
    quint8 outputs = 0;                   // bit k set: output k + 1 on
    int stateLength = 15;                 // "~R" answer length, CR included (at least 15)
    int signal = 7;                       // "~S" strength field
    QByteArray service = "Telenor HU";    // "~S" service name field
    QString initialKrv;                   // .krv file whose values become the stored records
    QString storeFile;                    // records persist here (one per line) when set
    int pacingBaud = 0;                   // > 0: each sent byte takes 10 bit times (line only)
    int answerDelayMs = 0;                // every answer starts this long after its command (line only)
    Fault fault = Fault::None;
};

class SimulatedModule
{
public:
    using Clock = std::chrono::steady_clock;

    explicit SimulatedModule(const SimulatorOptions &options = {});

    // As after power-up: normal operation, the options' outputs, the records
    // from the store file, the .krv file or a fresh module's, nothing to say.
    void powerUp();

    const SimulatorOptions &options() const { return opts; }
    // Takes effect from the next command; a change of memory size keeps the
    // records that still fit.
    void setOptions(const SimulatorOptions &options);
    void setFault(SimulatorOptions::Fault fault);

    // One byte from the tool.
    void receive(char byte);

    // The answer bytes not yet sent, and the module's side of sending them.
    const QByteArray &answer() const { return pending; }
    // Whether the module sends noise without end; topUp() adds the next of it.
    bool chattering() const { return chatter; }
    void topUpChatter();
    // How many of `count` answer bytes may leave before the module's fault
    // cuts the line.
    qint64 sendable(qint64 count) const;
    // `count` bytes of the answer left; true once the bytes before a cut have
    // gone and the line is to go away.
    bool sent(qint64 count);
    // The line is to go away now (halfway through a download it receives).
    bool lineCutRequested() const { return cutRequested; }
    // What was not yet sent is lost, noise stops: the line has gone.
    void silence();
    // Drops what is not yet sent, as a tool that clears its input would never see it.
    void dropAnswer() { pending.clear(); }

    // A download that stops halfway is given up after this much silence.
    static constexpr auto kRecordSilence = std::chrono::seconds(10);
    bool receivingRecords() const { return rx == Rx::Records; }
    Clock::time_point lastRecordByte() const { return lastRx; }
    void giveUpRecords();

    bool programMode() const { return inProgramMode; }
    quint8 outputs() const { return outputMask.bits(); }
    int recordCount() const;
    QStringList storedRecords() const;
    void setStoredRecords(const QStringList &records);

private:
    enum class Rx { Command, AfterTilde, Records };

    void loadRecords();
    void persistRecords();
    void handleCommand(char command);
    void send(const QByteArray &bytes);
    // A one-line answer and its line end.
    void sendLine(const QByteArray &text);
    void finishDownload();

    SimulatorOptions opts;
    bool inProgramMode = false;
    OutputMask outputMask;
    QList<QByteArray> records;

    Rx rx = Rx::Command;
    QByteArray line;
    QList<QByteArray> incoming;
    int incomingBytes = 0;
    Clock::time_point lastRx;

    QByteArray pending;
    bool chatter = false;
    int chatterPos = 0;
    qint64 cutAfter = -1;        // the line goes once this many more answer bytes left
    int cutAfterRecords = -1;    // ... or once this many records came in
    bool cutRequested = false;
};
