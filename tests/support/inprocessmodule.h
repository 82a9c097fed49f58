#pragma once

// A simulated module that the window's commands reach in this process: while
// it lives, every session a command makes talks to it over an in-process
// line (sim/inprocessline.h), on the command's worker thread as a serial
// port would be. An answer ends as soon as the module has nothing more to
// say, so its silences cost no time; the read wait each reading was given is
// logged instead. Tests about the real line's timing keep the simulator on a
// pseudo-terminal (sim/modulesimulator.h), whose calls these mirror.

#include "sim/simulatedmodule.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QMutex>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QThread>
#include <QtCore/QWaitCondition>

class InProcessModule
{
public:
    explicit InProcessModule(const SimulatorOptions &options = {});
    ~InProcessModule();
    InProcessModule(const InProcessModule &) = delete;
    InProcessModule &operator=(const InProcessModule &) = delete;

    // The port name that reaches this module; no other name opens.
    QString devicePath() const { return path; }

    // Everything the tool has sent since the start or the last clearReceived().
    QByteArray received() const;
    void clearReceived();
    // The read wait, in ms, that each reading was given, in order.
    QList<int> readWaits() const;

    bool programMode() const;
    quint8 outputs() const;
    QStringList storedRecords() const;
    void setStoredRecords(const QStringList &records);
    // Changes take effect from the next command.
    void setFault(SimulatorOptions::Fault fault);
    void setOptions(const SimulatorOptions &options);
    SimulatorOptions options() const;

    // The port goes away, as a pulled adapter: an open line is lost, and the
    // port does not open again.
    void dropLine();
    // Whether a session holds the port now.
    bool lineOpen() const;
    // The threads the port was opened on, and how often it was opened.
    QSet<QThread *> openedOn() const;
    int opens() const;

    // Holds every reading before its first byte until resumeAnswers() (or
    // 10 s), so a test can look at a command while it runs.
    void pauseAnswers();
    void resumeAnswers();

    // Programming mode, as the port button would leave it; nothing is logged.
    void enterProgramMode();

    // Always idle: the module has answered by the time a reading ends.
    bool waitIdle(int = 0) const { return true; }

private:
    class Line;
    friend class Line;

    const QString path;
    mutable QMutex mutex;
    SimulatedModule module;
    QByteArray sent;
    QList<int> waits;
    QList<Line *> lines;
    QSet<QThread *> threads;
    int openCount = 0;
    bool gone = false;
    bool paused = false;
    QWaitCondition resumed;
};
