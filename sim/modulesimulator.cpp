#include "sim/modulesimulator.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = SimulatedModule::Clock;

void setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

// The line and its pacing around the module: the pseudo-terminal, the thread
// that serves it, and when each answer byte may leave.
struct ModuleSimulator::Private
{
    SimulatedModule module;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::thread thread;

    int master = -1;
    int slave = -1;       // kept open so the master never sees a hang-up
    int wakeRead = -1;
    int wakeWrite = -1;
    QString path;
    QString error;
    bool running = false;
    bool stopRequested = false;
    bool dropRequested = false;

    QByteArray received;

    Clock::time_point nextDeadline;     // when the next paced byte has left
    Clock::time_point holdUntil;        // no answer byte leaves before this
    bool writeBlocked = false;
    bool dropWhenRead = false;          // drop the line once the tool has read what went
    Clock::time_point dropDeadline;
    Clock::time_point lastActivity;

    bool dropping() const { return dropRequested || module.lineCutRequested(); }
    void serve();
    void receive(char byte);
    void flushOutput();
    void closeLine();
    bool idle() const;
    void wake();
};

void ModuleSimulator::Private::wake()
{
    const char byte = 1;
    if (wakeWrite >= 0)
        (void)!::write(wakeWrite, &byte, 1);
}

bool ModuleSimulator::Private::idle() const
{
    if (master < 0)
        return true;
    int waiting = 0;
    if (::ioctl(master, FIONREAD, &waiting) != 0)
        waiting = 0;
    return waiting == 0 && module.answer().isEmpty() && !module.chattering() && !dropWhenRead;
}

void ModuleSimulator::Private::receive(char byte)
{
    const bool quiet = module.answer().isEmpty();
    module.receive(byte);
    if (!quiet || module.answer().isEmpty())
        return;
    // A new answer: it starts after the module's delay, paced from then.
    const SimulatorOptions &options = module.options();
    if (options.answerDelayMs > 0)
        holdUntil = Clock::now() + std::chrono::milliseconds(options.answerDelayMs);
    if (options.pacingBaud > 0)
        nextDeadline = std::max(nextDeadline, std::max(Clock::now(), holdUntil));
}

void ModuleSimulator::Private::flushOutput()
{
    const int baud = module.options().pacingBaud;
    // Ten bit times per byte (start, eight data, stop).
    const std::chrono::nanoseconds byteTime(baud > 0 ? 10'000'000'000LL / baud : 0);
    writeBlocked = false;
    if (dropWhenRead)
        return;   // the line is about to go; nothing more leaves
    for (;;) {
        if (module.chattering() && module.answer().size() < 256) {
            if (module.answer().isEmpty() && baud > 0)
                nextDeadline = std::max(nextDeadline, Clock::now());
            module.topUpChatter();
        }
        const QByteArray &pending = module.answer();
        if (pending.isEmpty())
            return;
        if (Clock::now() < holdUntil)
            return;   // the module has not started answering yet
        qint64 count = pending.size();
        if (baud > 0) {
            // Absolute deadlines, so rounding never adds up over a long answer.
            const auto now = Clock::now();
            if (now < nextDeadline + byteTime)
                return;
            count = std::min<qint64>(count, (now - nextDeadline) / byteTime);
        }
        count = module.sendable(count);
        bool cut = false;
        if (count > 0) {
            const ssize_t written = ::write(master, pending.constData(), size_t(count));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                writeBlocked = (errno == EAGAIN || errno == EWOULDBLOCK);
                if (!writeBlocked)
                    module.dropAnswer();   // nothing sensible left to do with it
                return;
            }
            cut = module.sent(written);
            lastActivity = Clock::now();
            if (baud > 0)
                nextDeadline += byteTime * written;
        }
        if (cut) {
            // A pulled adapter loses what is in flight; wait until the tool has
            // taken the first half, so a test sees a reply cut at a known place.
            dropWhenRead = true;
            dropDeadline = Clock::now() + std::chrono::seconds(2);
            return;
        }
    }
}

void ModuleSimulator::Private::closeLine()
{
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
    module.silence();
}

void ModuleSimulator::Private::serve()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (stopRequested || dropping())
            break;
        flushOutput();
        if (dropWhenRead) {
            int unread = 0;
            const auto now = Clock::now();
            // The answer reaches the slave side a moment after our write.
            const bool arrived = now >= dropDeadline - std::chrono::milliseconds(1950);
            if (::ioctl(slave, FIONREAD, &unread) != 0 || (arrived && unread == 0) || now >= dropDeadline)
                dropRequested = true;
        }
        if (dropping())
            break;

        short events = POLLIN;
        if (writeBlocked)
            events |= POLLOUT;
        const auto now = Clock::now();
        Clock::duration timeout = Clock::duration::max();
        const int baud = module.options().pacingBaud;
        if (!module.answer().isEmpty() && now < holdUntil)
            timeout = holdUntil - now;
        else if (!module.answer().isEmpty() && !writeBlocked && baud > 0) {
            const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
            timeout = std::max(Clock::duration::zero(), nextDeadline + byteTime - now);
        }
        if (dropWhenRead)
            timeout = std::min<Clock::duration>(timeout, std::chrono::milliseconds(5));
        if (module.receivingRecords())
            timeout = std::min<Clock::duration>(
                timeout, std::max(Clock::duration::zero(), module.lastRecordByte() + SimulatedModule::kRecordSilence - now));
        pollfd fds[2] = {{master, events, 0}, {wakeRead, POLLIN, 0}};
        timespec ts{};
        timespec *tsp = nullptr;
        if (timeout != Clock::duration::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count();
            ts.tv_sec = time_t(ns / 1'000'000'000);
            ts.tv_nsec = long(ns % 1'000'000'000);
            tsp = &ts;
        }
        changed.notify_all();
        lock.unlock();
        const int ready = ::ppoll(fds, 2, tsp, nullptr);
        lock.lock();
        if (ready < 0 && errno != EINTR) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        if (fds[1].revents & POLLIN) {
            char buffer[64];
            while (::read(wakeRead, buffer, sizeof buffer) > 0) {
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                lastActivity = Clock::now();
                received.append(buffer, int(got));
                for (ssize_t i = 0; i < got && !dropping(); ++i)
                    receive(buffer[i]);
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                // Cannot happen while our own slave side is open; stop rather than spin.
                error = QStringLiteral("pseudo-terminal failed");
                break;
            }
        }
        if (module.receivingRecords() && Clock::now() - module.lastRecordByte() >= SimulatedModule::kRecordSilence)
            module.giveUpRecords();
    }
    closeLine();
    running = false;
    changed.notify_all();
}

ModuleSimulator::ModuleSimulator(const SimulatorOptions &options) : d(std::make_unique<Private>())
{
    d->module = SimulatedModule(options);
}

ModuleSimulator::~ModuleSimulator()
{
    stop();
}

bool ModuleSimulator::start()
{
    stop();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->error.clear();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        d->error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (master >= 0)
            ::close(master);
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0) {
        d->error = QStringLiteral("cannot name the pseudo-terminal");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        d->error = QStringLiteral("cannot open %1: %2").arg(QString::fromLocal8Bit(name),
                                                             QString::fromLocal8Bit(std::strerror(errno)));
        ::close(master);
        return false;
    }
    // Raw both ways: no echo of our answers back to us, no CR translation.
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        d->error = QStringLiteral("cannot create a pipe");
        ::close(master);
        ::close(slave);
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    setNonBlocking(master);

    d->master = master;
    d->slave = slave;
    d->wakeRead = pipeFds[0];
    d->wakeWrite = pipeFds[1];
    d->path = QString::fromLocal8Bit(name);
    d->stopRequested = false;
    d->dropRequested = false;
    d->received.clear();
    d->dropWhenRead = false;
    d->nextDeadline = Clock::now();
    d->lastActivity = Clock::now();
    d->module.powerUp();
    d->running = true;
    d->thread = std::thread([this] { d->serve(); });
    return true;
}

void ModuleSimulator::stop()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopRequested = true;
        d->wake();
    }
    if (d->thread.joinable())
        d->thread.join();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->closeLine();
    if (d->wakeRead >= 0)
        ::close(d->wakeRead);
    if (d->wakeWrite >= 0)
        ::close(d->wakeWrite);
    d->wakeRead = d->wakeWrite = -1;
}

QString ModuleSimulator::errorString() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->error;
}

QString ModuleSimulator::devicePath() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->path;
}

QByteArray ModuleSimulator::received() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->received;
}

void ModuleSimulator::clearReceived()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->received.clear();
}

bool ModuleSimulator::programMode() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->module.programMode();
}

quint8 ModuleSimulator::outputs() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->module.outputs();
}

QStringList ModuleSimulator::storedRecords() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->module.storedRecords();
}

void ModuleSimulator::setStoredRecords(const QStringList &records)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->module.setStoredRecords(records);
}

void ModuleSimulator::setFault(SimulatorOptions::Fault fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->module.setFault(fault);
    d->wake();
}

void ModuleSimulator::setOptions(const SimulatorOptions &options)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->module.setOptions(options);
    d->wake();
}

SimulatorOptions ModuleSimulator::options() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    SimulatorOptions current = d->module.options();
    current.outputs = d->module.outputs();
    return current;
}

void ModuleSimulator::dropLine()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->dropRequested = true;
        d->wake();
    }
    if (d->thread.joinable())
        d->thread.join();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->closeLine();
}

ModuleSimulator::Offline ModuleSimulator::serveOffline(const SimulatorOptions &options, const QByteArray &input)
{
    SimulatorOptions offline = options;
    offline.storeFile.clear();
    offline.pacingBaud = 0;
    SimulatedModule module(offline);
    for (const char byte : input) {
        if (module.lineCutRequested())
            break;
        module.receive(byte);
    }
    Offline result;
    result.answers = module.answer();
    result.records = module.storedRecords();
    result.programMode = module.programMode();
    return result;
}

bool ModuleSimulator::waitIdle(int timeoutMs) const
{
    // Bytes the tool has written reach the master side through the kernel's
    // flip buffer a moment later, so "idle" must hold for a short while.
    constexpr auto settle = std::chrono::milliseconds(40);
    std::unique_lock<std::mutex> lock(d->mutex);
    const auto begin = Clock::now();
    const auto deadline = begin + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!d->running)
            return true;
        const auto now = Clock::now();
        const bool idle = d->idle();
        if (idle && now - std::max(begin, d->lastActivity) >= settle)
            return true;
        if (now >= deadline)
            return false;
        // The serving thread reports after every round; the short slice also
        // catches bytes that arrive while it sleeps in poll.
        d->changed.wait_for(lock, std::chrono::milliseconds(5));
    }
}
