#include "serial/portlock.h"

#include <QtCore/QByteArray>
#include <QtCore/QDebug>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Other spellings of a path tried when QSerialPort's lock of the path is
// left over and this user may not remove it: "//dev/ttyUSB0" and so on.
constexpr int kSpellings = 4;
// A file that is replaced or removed between our open and our lock is
// opened again; more rounds than this mean something keeps changing it.
constexpr int kAttempts = 8;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Where the device locks live: the lock folder every user may write in.
QString lockFolder()
{
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        const QFileInfo info(QString::fromLatin1(folder));
        if (info.isDir() && info.isWritable())
            return info.filePath();
    }
    return QDir::tempPath();
}

// The first line's process number ("  1234" of the classic lock files,
// "1234" of a QLockFile); 0 when there is none.
qint64 pidIn(int fd)
{
    char buffer[64] = {};
    const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (got <= 0)
        return 0;
    bool ok = false;
    const qint64 pid = QByteArray(buffer, int(got)).split('\n').constFirst().trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool alive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The holder's process number as the classic lock files give it.
QByteArray contents()
{
    return QByteArray::number(qint64(::getpid())).rightJustified(10, ' ') + '\n';
}

// Whether the name still leads to the file we hold open.
bool stillNamed(int fd, const QByteArray &name)
{
    struct stat held;
    struct stat named;
    return ::fstat(fd, &held) == 0 && ::lstat(name.constData(), &named) == 0 && held.st_dev == named.st_dev
        && held.st_ino == named.st_ino;
}

// A locked file with our contents under a temporary name in the folder.
struct Prepared
{
    int fd = -1;
    QByteArray temp;
};
Prepared preparedFile(const QString &folder)
{
    Prepared prepared;
    prepared.temp = encoded(folder + QStringLiteral("/.kordavo-lock-XXXXXX"));
    prepared.fd = ::mkostemp(prepared.temp.data(), O_CLOEXEC);
    if (prepared.fd < 0)
        return prepared;
    const QByteArray text = contents();
    if (::fchmod(prepared.fd, 0644) != 0 || ::write(prepared.fd, text.constData(), size_t(text.size())) != text.size()
        || ::flock(prepared.fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(prepared.fd);
        ::unlink(prepared.temp.constData());
        prepared.fd = -1;
    }
    return prepared;
}

// Puts a prepared file in place under `name`, whole: as a new file (which
// fails when one is there), or over a stale one whose lock we hold. False
// leaves the prepared file closed and gone.
bool placed(const Prepared &prepared, const QByteArray &name, bool replace)
{
    bool done = false;
    if (replace) {
        done = ::rename(prepared.temp.constData(), name.constData()) == 0;
    } else {
        done = ::link(prepared.temp.constData(), name.constData()) == 0;
        ::unlink(prepared.temp.constData());
    }
    if (!done) {
        ::unlink(prepared.temp.constData());
        ::close(prepared.fd);
    }
    return done;
}

} // namespace

QString PortLock::systemLocation(const QString &portName)
{
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return QStringLiteral("/dev/") + portName;
}

QString PortLock::qtLockFile(const QString &systemLocation)
{
    // As Qt 6's serialPortLockFilePath(): the path without "/dev/", every
    // "/" as "_", in the first readable folder of these where the file is
    // already, or that may be written.
    static const char *const folders[] = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                          "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
    QString name = systemLocation.startsWith(QLatin1String("/dev/")) ? systemLocation.mid(5) : systemLocation;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : folders) {
        const QFileInfo info(QString::fromLatin1(folder));
        const QString file = info.filePath() + QStringLiteral("/LCK..") + name;
        if (info.isReadable() && (QFile::exists(file) || info.isWritable()))
            return file;
    }
    return {};
}

std::unique_ptr<PortLock> PortLock::acquire(const QString &portName, Outcome *outcome, qint64 *holder)
{
    *outcome = Outcome::Locked;
    if (holder)
        *holder = 0;
    std::unique_ptr<PortLock> lock(new PortLock);
    const QString location = systemLocation(portName);
    lock->path = location;
    struct stat device;
    if (::stat(encoded(location).constData(), &device) != 0 || !S_ISCHR(device.st_mode))
        return lock;

    const QString folder = lockFolder();
    lock->lockFile = folder + QStringLiteral("/LCK.kordavo.%1.%2").arg(major(device.st_rdev)).arg(minor(device.st_rdev));
    const QByteArray name = encoded(lock->lockFile);
    for (int attempt = 0; attempt < kAttempts && lock->fd < 0; ++attempt) {
        // Without O_CREAT: a file of another user's in a sticky folder may be
        // opened, not created over; where it may not be written it is still
        // locked through a descriptor for reading.
        int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0 && errno == EACCES)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0 && errno == ENOENT) {
            const Prepared made = preparedFile(folder);
            if (made.fd < 0)
                break;
            if (placed(made, name, false)) {
                lock->fd = made.fd;
                break;
            }
            continue;   // another run made it first: see whether it holds it
        }
        if (fd < 0)
            break;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            const qint64 pid = pidIn(fd);
            ::close(fd);
            if (!held)
                break;
            *outcome = Outcome::Busy;
            if (holder)
                *holder = alive(pid) ? pid : 0;
            return nullptr;
        }
        if (!stillNamed(fd, name)) {
            ::close(fd);   // let go and removed meanwhile: look again
            continue;
        }
        // Nobody holds it: its holder let go or died, whatever it says.
        // Our contents replace it whole where we may replace it.
        const Prepared made = preparedFile(folder);
        if (made.fd >= 0 && placed(made, name, true)) {
            ::close(fd);
            fd = made.fd;
        }
        lock->fd = fd;
    }
    if (lock->fd < 0)
        qDebug() << "no device lock in" << folder << "for" << location;

    // QSerialPort's own lock of the path: a live holder keeps the port busy;
    // a leftover is removed, or passed by with another spelling of the path.
    QString spelling = location;
    for (int i = 0; i < kSpellings; ++i, spelling.prepend(QLatin1Char('/'))) {
        const QString qtLock = qtLockFile(spelling);
        if (qtLock.isEmpty())
            break;
        const QByteArray qtName = encoded(qtLock);
        const int fd = ::open(qtName.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0 && errno == ENOENT) {
            lock->path = spelling;
            return lock;
        }
        if (fd < 0)
            continue;
        // A QLockFile's holder keeps an flock on it; other programs' lock
        // files name a process that is still there.
        const bool unheld = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const qint64 pid = pidIn(fd);
        ::close(fd);
        if (!unheld || (alive(pid) && pid != qint64(::getpid()))) {
            *outcome = Outcome::Busy;
            if (holder)
                *holder = alive(pid) ? pid : 0;
            return nullptr;
        }
        if (::unlink(qtName.constData()) == 0 || errno == ENOENT) {
            lock->path = spelling;
            return lock;
        }
    }
    return lock;
}

PortLock::~PortLock()
{
    if (fd < 0)
        return;
    // Removed while still held, so nobody takes a file that is going away;
    // one of another user's stays, and is free once we let go.
    const QByteArray name = encoded(lockFile);
    if (stillNamed(fd, name))
        ::unlink(name.constData());
    ::close(fd);
}

qint64 PortLock::holderOf(const QString &portName)
{
    struct stat device;
    if (::stat(encoded(systemLocation(portName)).constData(), &device) != 0 || !S_ISCHR(device.st_mode))
        return 0;
    const QString file =
        lockFolder() + QStringLiteral("/LCK.kordavo.%1.%2").arg(major(device.st_rdev)).arg(minor(device.st_rdev));
    const int fd = ::open(encoded(file).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0)
        return 0;
    qint64 pid = 0;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        pid = pidIn(fd);
    ::close(fd);
    return alive(pid) ? pid : 0;
}
