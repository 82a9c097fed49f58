#pragma once

// A stand-in for a Kordavo module at the far end of a serial line: it opens a
// Linux pseudo-terminal, serves the module's commands (SimulatedModule) on its
// master side from a thread of its own, paced as a real line would carry
// them, and lets tests see every byte the tool sent.

#include "sim/simulatedmodule.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

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
