#include "support/inprocessmodule.h"

#include "serial/moduleworker.h"
#include "sim/inprocessline.h"

#include <atomic>

// A port name that names nothing: it never opens.
class NoSuchPort : public ModuleLine
{
public:
    explicit NoSuchPort(const QString &name) : name(name) {}
    bool openPort(quint32, quint32, quint32, quint32) override { return false; }
    void closePort() override {}
    bool opened() const override { return false; }
    bool setReadWaits(quint32, quint32) override { return false; }
    bool lost() const override { return false; }
    QString portName() const override { return name; }

protected:
    void writeByte(char) override {}
    bool startReading() override { return false; }
    bool readByte(char *) override { return false; }

private:
    QString name;
};

// The module's line, each call under the module's lock, logged on the way.
class InProcessModule::Line : public InProcessLine
{
public:
    explicit Line(InProcessModule &owner) : InProcessLine(owner.module, owner.path), owner(owner)
    {
        const QMutexLocker lock(&owner.mutex);
        owner.lines.append(this);
        if (owner.gone)
            goAwayAfter(0);
    }
    ~Line() override
    {
        const QMutexLocker lock(&owner.mutex);
        owner.lines.removeAll(this);
    }

    bool openPort(quint32 readMultiplier, quint32 readConstant, quint32 writeMultiplier,
                  quint32 writeConstant) override
    {
        const QMutexLocker lock(&owner.mutex);
        const bool opened = InProcessLine::openPort(readMultiplier, readConstant, writeMultiplier, writeConstant);
        if (opened) {
            owner.threads.insert(QThread::currentThread());
            ++owner.openCount;
        }
        return opened;
    }
    void closePort() override
    {
        const QMutexLocker lock(&owner.mutex);
        InProcessLine::closePort();
    }
    bool setReadWaits(quint32 readMultiplier, quint32 readConstant) override
    {
        const QMutexLocker lock(&owner.mutex);
        return InProcessLine::setReadWaits(readMultiplier, readConstant);
    }

protected:
    void writeByte(char byte) override
    {
        const QMutexLocker lock(&owner.mutex);
        const qsizetype before = sent().size();
        InProcessLine::writeByte(byte);
        if (sent().size() > before)
            owner.sent.append(byte);
    }
    bool startReading() override
    {
        QMutexLocker lock(&owner.mutex);
        if (owner.paused)
            owner.resumed.wait(&owner.mutex, 10000);
        const qsizetype before = readWaits().size();
        const bool reading = InProcessLine::startReading();
        if (readWaits().size() > before)
            owner.waits.append(readWaits().last());
        return reading;
    }
    bool readByte(char *byte) override
    {
        const QMutexLocker lock(&owner.mutex);
        return InProcessLine::readByte(byte);
    }

private:
    InProcessModule &owner;
};

namespace {
std::atomic<int> modulesMade{0};
} // namespace

InProcessModule::InProcessModule(const SimulatorOptions &options)
    : path(QStringLiteral("in-process-%1").arg(++modulesMade))
    , module(options)
{
    ModuleWorker::setLineFactory([this](const QString &portName, int) -> std::unique_ptr<ModuleLine> {
        if (portName != path)
            return std::make_unique<NoSuchPort>(portName);
        return std::make_unique<Line>(*this);
    });
}

InProcessModule::~InProcessModule()
{
    ModuleWorker::setLineFactory({});
}

QByteArray InProcessModule::received() const
{
    const QMutexLocker lock(&mutex);
    return sent;
}

void InProcessModule::clearReceived()
{
    const QMutexLocker lock(&mutex);
    sent.clear();
    waits.clear();
}

QList<int> InProcessModule::readWaits() const
{
    const QMutexLocker lock(&mutex);
    return waits;
}

bool InProcessModule::programMode() const
{
    const QMutexLocker lock(&mutex);
    return module.programMode();
}

quint8 InProcessModule::outputs() const
{
    const QMutexLocker lock(&mutex);
    return module.outputs();
}

QStringList InProcessModule::storedRecords() const
{
    const QMutexLocker lock(&mutex);
    return module.storedRecords();
}

void InProcessModule::setStoredRecords(const QStringList &records)
{
    const QMutexLocker lock(&mutex);
    module.setStoredRecords(records);
}

void InProcessModule::setFault(SimulatorOptions::Fault fault)
{
    const QMutexLocker lock(&mutex);
    module.setFault(fault);
}

void InProcessModule::setOptions(const SimulatorOptions &options)
{
    const QMutexLocker lock(&mutex);
    module.setOptions(options);
}

SimulatorOptions InProcessModule::options() const
{
    const QMutexLocker lock(&mutex);
    SimulatorOptions current = module.options();
    current.outputs = module.outputs();
    return current;
}

void InProcessModule::dropLine()
{
    const QMutexLocker lock(&mutex);
    gone = true;
    for (Line *line : std::as_const(lines))
        line->goAwayAfter(0);
}

bool InProcessModule::lineOpen() const
{
    const QMutexLocker lock(&mutex);
    for (const Line *line : lines) {
        if (line->opened())
            return true;
    }
    return false;
}

QSet<QThread *> InProcessModule::openedOn() const
{
    const QMutexLocker lock(&mutex);
    return threads;
}

int InProcessModule::opens() const
{
    const QMutexLocker lock(&mutex);
    return openCount;
}

void InProcessModule::enterProgramMode()
{
    const QMutexLocker lock(&mutex);
    module.receive('~');
    module.receive('|');
    module.dropAnswer();
}

void InProcessModule::pauseAnswers()
{
    const QMutexLocker lock(&mutex);
    paused = true;
}

void InProcessModule::resumeAnswers()
{
    const QMutexLocker lock(&mutex);
    paused = false;
    resumed.wakeAll();
}
