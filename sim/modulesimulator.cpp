#include "sim/modulesimulator.h"

#include "document/configfile.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "serial/comport.h"
#include "transfer/configimage.h"

#include <QtCore/QFile>
#include <QtCore/QSaveFile>

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

using Clock = std::chrono::steady_clock;

using configimage::kGeneralRecords;
using configimage::kRecordLength;
using configimage::kReservedRecords;
constexpr char kCR = '\r';
constexpr char kESC = 27;
// A download that stops halfway is given up after this much silence, so the
// module takes commands again.
constexpr auto kRecordSilence = std::chrono::seconds(10);
// Caps what a garbled download can make the module hold in memory.
constexpr int kMaxIncomingBytes = 64 * 1024;

int telephoneEntries(int memorySize)
{
    return modulemodel::modelFor(memorySize).entries;
}

QByteArray toLine(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(ComPort::lineByte(c));
    return bytes;
}

QByteArray padded(QByteArray record)
{
    record.truncate(kRecordLength);
    while (record.size() < kRecordLength)
        record.append(' ');
    return record;
}

QList<QByteArray> defaultRecords(int entries)
{
    QList<QByteArray> records;
    for (const generalfields::Field &field : generalfields::kFields)
        records.append(padded(field.example));
    for (int i = 0; i < kReservedRecords; ++i)
        records.append(padded({}));
    for (int n = 1; n <= entries; ++n)
        records.append(padded(n == 1 ? "3336201234567" : "00"));
    return records;
}

// The records a module holds after the given .krv file was opened in the
// program and downloaded: the program's own file reader and record layout.
QList<QByteArray> recordsFromKrv(const QString &path, int entries)
{
    const QStringList lines = configfile::readFile(path);
    const auto line = [&lines](int i) { return i < lines.size() ? lines.at(i) : QString(); };

    QList<QByteArray> records;
    for (int i = 0; i < kGeneralRecords; ++i)
        records.append(toLine(configimage::generalRecord(i, line(i))));
    for (int i = 0; i < kReservedRecords; ++i)
        records.append(padded({}));
    for (int n = 1; n <= entries; ++n) {
        const configfile::TelephoneEntry entry = configfile::parseTelephoneLine(line(kGeneralRecords + n - 1));
        records.append(toLine(configimage::telephoneRecord(entry.alarm, entry.output, entry.number)));
    }
    return records;
}

QList<QByteArray> resized(QList<QByteArray> records, int count)
{
    const QList<QByteArray> fallback = defaultRecords(count - kGeneralRecords - kReservedRecords);
    while (records.size() < count)
        records.append(fallback.size() > records.size() ? fallback.at(records.size()) : padded("00"));
    records.resize(count);
    return records;
}

void setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

struct ModuleSimulator::Private
{
    enum class Rx { Command, AfterTilde, Records };

    SimulatorOptions options;
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
    bool programMode = false;
    quint8 outputs = 0;
    QList<QByteArray> records;

    Rx rx = Rx::Command;
    QByteArray line;
    QList<QByteArray> incoming;
    int incomingBytes = 0;
    Clock::time_point lastRx;

    QByteArray pending;                 // answer bytes not yet on the line
    Clock::time_point nextDeadline;     // when the next paced byte has left
    Clock::time_point holdUntil;        // no answer byte leaves before this
    bool writeBlocked = false;
    bool chatter = false;
    int chatterPos = 0;
    qint64 dropAfterWritten = -1;       // drop the line once this many more bytes went out
    bool dropWhenRead = false;          // ... and the tool has read them
    Clock::time_point dropDeadline;
    Clock::time_point lastActivity;
    int dropAfterRecords = -1;          // drop the line once this many records came in

    int recordCount() const
    {
        return kGeneralRecords + kReservedRecords + telephoneEntries(options.memorySize);
    }
    void loadRecords();
    void persistRecords();

    void serve();
    void handleByte(char byte);
    void handleCommand(char command);
    void answer(const QByteArray &bytes);
    void finishDownload();
    void flushOutput();
    void closeLine();
    bool idle() const;
    void wake();
};

void ModuleSimulator::Private::loadRecords()
{
    const int count = recordCount();
    const int entries = telephoneEntries(options.memorySize);
    if (!options.storeFile.isEmpty()) {
        QFile file(options.storeFile);
        if (file.open(QIODevice::ReadOnly)) {
            QList<QByteArray> stored = file.readAll().split('\n');
            if (!stored.isEmpty() && stored.last().isEmpty())
                stored.removeLast();
            bool valid = !stored.isEmpty();
            for (const QByteArray &record : stored)
                valid = valid && record.size() == kRecordLength;
            if (valid) {
                records = resized(stored, count);
                return;
            }
        }
    }
    if (!options.initialKrv.isEmpty() && QFile::exists(options.initialKrv)) {
        records = recordsFromKrv(options.initialKrv, entries);
        return;
    }
    records = defaultRecords(entries);
}

void ModuleSimulator::Private::persistRecords()
{
    if (options.storeFile.isEmpty())
        return;
    QSaveFile file(options.storeFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const QByteArray &record : records)
        file.write(record + '\n');
    file.commit();
}

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
    return waiting == 0 && pending.isEmpty() && !chatter && !dropWhenRead;
}

void ModuleSimulator::Private::answer(const QByteArray &bytes)
{
    if (pending.isEmpty() && options.answerDelayMs > 0)
        holdUntil = Clock::now() + std::chrono::milliseconds(options.answerDelayMs);
    if (pending.isEmpty() && options.pacingBaud > 0)
        nextDeadline = std::max(nextDeadline, std::max(Clock::now(), holdUntil));
    if (options.fault == SimulatorOptions::Fault::DropMidAnswer && dropAfterWritten < 0)
        dropAfterWritten = std::max<qint64>(1, (pending.size() + bytes.size()) / 2);
    pending.append(bytes);
}

void ModuleSimulator::Private::handleByte(char byte)
{
    if (rx == Rx::Records) {
        lastRx = Clock::now();
        if (byte != kCR) {
            if (incomingBytes < kMaxIncomingBytes)
                line.append(byte);
            ++incomingBytes;
            return;
        }
        if (line.isEmpty()) {
            finishDownload();
            return;
        }
        incoming.append(line);
        line.clear();
        if (dropAfterRecords >= 0 && incoming.size() >= dropAfterRecords)
            dropRequested = true;
        return;
    }
    if (rx == Rx::AfterTilde) {
        rx = Rx::Command;
        if (byte == '~') {
            rx = Rx::AfterTilde;
            return;
        }
        handleCommand(byte);
        return;
    }
    if (byte == '~')
        rx = Rx::AfterTilde;
    else if (byte == kESC)
        programMode = false;   // the port search's "never mind": no answer
}

void ModuleSimulator::Private::handleCommand(char command)
{
    using Fault = SimulatorOptions::Fault;
    const Fault fault = options.fault;
    if (fault == Fault::Silent)
        return;
    if (fault == Fault::Chatter) {
        chatter = true;
        chatterPos = 0;
    }

    if (command == '|') {
        programMode = true;
        QByteArray ident = options.identification;
        if (ident.isEmpty()) {
            QByteArray prefix = options.prefix;
            if (fault == Fault::WrongPrefix)
                prefix = "Xyz";
            else if (fault == Fault::LowerCasePrefix)
                prefix = prefix.toLower();
            ident = prefix + "_GSM4_" + QByteArray::number(options.memorySize);
        } else if (fault == Fault::WrongPrefix) {
            ident = "Xyz" + ident.mid(3);
        } else if (fault == Fault::LowerCasePrefix) {
            ident = ident.left(3).toLower() + ident.mid(3);
        }
        answer(ident + options.identificationEnd);
        return;
    }
    if (!programMode)
        return;

    switch (command) {
    case 'X':
        programMode = false;
        answer("OK\r");
        return;
    case 'R': {
        // Positions 3 and 4: inputs 2 and 1 ('0' = active); 10 to 13: outputs 4 to 1.
        QByteArray state = "ST0" + QByteArray(options.input2Active ? "0" : "1")
                           + QByteArray(options.input1Active ? "0" : "1") + "00000";
        for (int output = 4; output >= 1; --output)
            state.append((outputs >> (output - 1)) & 1 ? '1' : '0');
        // Longer answers carry more after the outputs, which the tool does not read.
        while (state.size() + 1 < options.stateLength)
            state.append('0');
        answer(state + kCR);
        return;
    }
    case 'S': {
        QByteArray reply = "+CSQ," + QByteArray::number(options.signal) + ",";
        if (fault == Fault::FourFieldSignal)
            reply += "Telenor,HU";
        else
            reply += options.service;
        answer(reply + kCR);
        return;
    }
    case '{': {
        QByteArray reply;
        if (fault == Fault::JunkBeforeRecords)
            reply += "GSM MODUL V4.1 OK\r\r";
        for (int i = 0; i < records.size(); ++i) {
            QByteArray record = records.at(i);
            if (fault == Fault::FFPadding)
                record.replace(' ', '\xFF');
            if (fault == Fault::SeparatorInRecord && i == 3)
                record = padded("Kapu|Udvar");
            reply += record + kCR;
        }
        reply += kCR;
        if (fault == Fault::HalfRecords)
            reply.truncate((reply.size() - 1) / 2 / (kRecordLength + 1) * (kRecordLength + 1));
        if (fault == Fault::DropDuringTransfer)
            dropAfterWritten = reply.size() / 2;
        answer(reply);
        return;
    }
    case '}':
        if (fault == Fault::NoReadyAnswer) {
            answer("BUSY\r");
            return;
        }
        rx = Rx::Records;
        line.clear();
        incoming.clear();
        incomingBytes = 0;
        lastRx = Clock::now();
        dropAfterRecords = fault == Fault::DropDuringTransfer ? recordCount() / 2 : -1;
        answer("READY\r");
        return;
    default:
        break;
    }
    if ((command >= '0' && command <= '9') || (command >= 'A' && command <= 'F')) {
        outputs = quint8(command <= '9' ? command - '0' : command - 'A' + 10);
        answer("OK\r");
    }
}

void ModuleSimulator::Private::finishDownload()
{
    rx = Rx::Command;
    dropAfterRecords = -1;
    bool valid = incoming.size() == recordCount() && incomingBytes < kMaxIncomingBytes;
    for (const QByteArray &record : incoming)
        valid = valid && record.size() == kRecordLength;
    if (valid && options.fault != SimulatorOptions::Fault::NoAck) {
        records = incoming;
        persistRecords();
        answer("OK\r");
    } else {
        answer("ERROR\r");
    }
    incoming.clear();
    line.clear();
}

void ModuleSimulator::Private::flushOutput()
{
    static const QByteArray noise = "NOISE 0123456789 ABCDEF\r";
    const int baud = options.pacingBaud;
    // Ten bit times per byte (start, eight data, stop).
    const std::chrono::nanoseconds byteTime(baud > 0 ? 10'000'000'000LL / baud : 0);
    writeBlocked = false;
    if (dropWhenRead)
        return;   // the line is about to go; nothing more leaves
    for (;;) {
        if (chatter && pending.size() < 256) {
            if (pending.isEmpty() && baud > 0)
                nextDeadline = std::max(nextDeadline, Clock::now());
            while (pending.size() < 512) {
                pending.append(noise.at(chatterPos));
                chatterPos = (chatterPos + 1) % noise.size();
            }
        }
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
        if (dropAfterWritten >= 0)
            count = std::min(count, dropAfterWritten);
        if (count > 0) {
            const ssize_t written = ::write(master, pending.constData(), size_t(count));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                writeBlocked = (errno == EAGAIN || errno == EWOULDBLOCK);
                if (!writeBlocked)
                    pending.clear();   // nothing sensible left to do with it
                return;
            }
            pending.remove(0, written);
            lastActivity = Clock::now();
            if (baud > 0)
                nextDeadline += byteTime * written;
            if (dropAfterWritten >= 0)
                dropAfterWritten -= written;
        }
        if (dropAfterWritten == 0) {
            // A pulled adapter loses what is in flight; wait until the tool has
            // taken the first half, so a test sees a reply cut at a known place.
            dropAfterWritten = -1;
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
    pending.clear();
    chatter = false;
}

void ModuleSimulator::Private::serve()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (stopRequested || dropRequested)
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
        if (dropRequested)
            break;

        short events = POLLIN;
        if (writeBlocked)
            events |= POLLOUT;
        const auto now = Clock::now();
        Clock::duration timeout = Clock::duration::max();
        if (!pending.isEmpty() && now < holdUntil)
            timeout = holdUntil - now;
        else if (!pending.isEmpty() && !writeBlocked && options.pacingBaud > 0) {
            const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / options.pacingBaud);
            timeout = std::max(Clock::duration::zero(), nextDeadline + byteTime - now);
        }
        if (dropWhenRead)
            timeout = std::min<Clock::duration>(timeout, std::chrono::milliseconds(5));
        if (rx == Rx::Records)
            timeout = std::min<Clock::duration>(timeout, std::max(Clock::duration::zero(), lastRx + kRecordSilence - now));
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
                for (ssize_t i = 0; i < got && !dropRequested; ++i)
                    handleByte(buffer[i]);
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                // Cannot happen while our own slave side is open; stop rather than spin.
                error = QStringLiteral("pseudo-terminal failed");
                break;
            }
        }
        if (rx == Rx::Records && Clock::now() - lastRx >= kRecordSilence) {
            rx = Rx::Command;
            incoming.clear();
            line.clear();
        }
    }
    closeLine();
    running = false;
    changed.notify_all();
}

ModuleSimulator::ModuleSimulator(const SimulatorOptions &options) : d(std::make_unique<Private>())
{
    d->options = options;
    d->outputs = options.outputs & 0x0F;
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
    d->programMode = false;
    d->outputs = d->options.outputs & 0x0F;
    d->rx = Private::Rx::Command;
    d->pending.clear();
    d->chatter = false;
    d->dropAfterWritten = -1;
    d->dropAfterRecords = -1;
    d->dropWhenRead = false;
    d->nextDeadline = Clock::now();
    d->lastActivity = Clock::now();
    d->loadRecords();
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
    return d->programMode;
}

quint8 ModuleSimulator::outputs() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->outputs;
}

QStringList ModuleSimulator::storedRecords() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    QStringList list;
    for (const QByteArray &record : d->records)
        list.append(QString::fromLatin1(record));
    return list;
}

void ModuleSimulator::setStoredRecords(const QStringList &records)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->records.clear();
    for (const QString &record : records)
        d->records.append(toLine(record));
    d->persistRecords();
}

void ModuleSimulator::setFault(SimulatorOptions::Fault fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->options.fault = fault;
    if (fault != SimulatorOptions::Fault::Chatter && d->chatter) {
        d->chatter = false;
        d->pending.clear();
    }
    d->wake();
}

void ModuleSimulator::setOptions(const SimulatorOptions &options)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const int oldCount = d->recordCount();
    d->options = options;
    d->outputs = options.outputs & 0x0F;
    if (d->recordCount() != oldCount)
        d->records = resized(d->records, d->recordCount());
    if (options.fault != SimulatorOptions::Fault::Chatter && d->chatter) {
        d->chatter = false;
        d->pending.clear();
    }
    d->wake();
}

SimulatorOptions ModuleSimulator::options() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    SimulatorOptions current = d->options;
    current.outputs = d->outputs;
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
    Private module;
    module.options = options;
    module.options.storeFile.clear();
    module.options.pacingBaud = 0;
    module.outputs = options.outputs & 0x0F;
    module.loadRecords();
    for (const char byte : input) {
        if (module.dropRequested)
            break;
        module.handleByte(byte);
    }
    Offline result;
    result.answers = module.pending;
    for (const QByteArray &record : std::as_const(module.records))
        result.records.append(QString::fromLatin1(record));
    result.programMode = module.programMode;
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
