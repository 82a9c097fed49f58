#pragma once

// A stand-in for a Kordavo module at the far end of a serial line: it opens a
// Linux pseudo-terminal, serves the module's commands on its master side from
// a thread of its own, and lets tests see every byte the tool sent.

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

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
        DropDuringTransfer, // closes the pty in the middle of "~{" or "~}"
        FourFieldSignal,    // "~S" answer has four comma-separated fields
        SeparatorInRecord,  // "~{" answer holds "|" inside the module name record
        DropMidAnswer,      // closes the pty halfway through the answer to any command
        HalfRecords,        // "~{" answer stops after half the records and falls silent
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
    int pacingBaud = 0;                   // > 0: each sent byte takes 10 bit times
    int answerDelayMs = 0;                // every answer starts this long after its command
    Fault fault = Fault::None;
};

class ModuleSimulator
{
public:
    explicit ModuleSimulator(const SimulatorOptions &options = {});
    ~ModuleSimulator();
    ModuleSimulator(const ModuleSimulator &) = delete;
    ModuleSimulator &operator=(const ModuleSimulator &) = delete;

    // Opens the pty and starts serving; false (with errorString()) on failure.
    bool start();
    void stop();
    QString errorString() const;

    // Slave side path, e.g. "/dev/pts/4": the port name the tool opens.
    QString devicePath() const;

    // Everything the tool has sent since start or the last clearReceived().
    QByteArray received() const;
    void clearReceived();

    bool programMode() const;
    quint8 outputs() const;
    // The 28 + N stored records (16 characters each) the module holds.
    QStringList storedRecords() const;
    void setStoredRecords(const QStringList &records);

    // Changes take effect from the next command.
    void setFault(SimulatorOptions::Fault fault);
    void setOptions(const SimulatorOptions &options);
    SimulatorOptions options() const;

    // Closes the pty as a pulled USB adapter would; the path disappears.
    void dropLine();

    // Waits until the simulator has answered everything received so far.
    bool waitIdle(int timeoutMs = 10000) const;

    // The module's command handling alone, without a line or a thread: takes
    // `input` as the tool would send it and gives every byte the module
    // answers and the records it holds afterwards. Faults that concern the
    // line itself (pacing, chatter, dropping) do not apply.
    struct Offline
    {
        QByteArray answers;
        QStringList records;
        bool programMode = false;
    };
    static Offline serveOffline(const SimulatorOptions &options, const QByteArray &input);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
