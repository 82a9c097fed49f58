#pragma once

// The lock that keeps two Kordavo programs off one serial device (Unix).
//
// QSerialPort takes a lock of its own before it opens a port: a QLockFile
// named after the path it was given ("LCK..ttyUSB0" for /dev/ttyUSB0,
// "LCK..serial_by-id_usb-…" for a /dev/serial/by-id alias, "LCK.._tmp_link"
// for a symlink) in the first usable of /var/lock, /etc/locks, … /run/lock.
// So two names of one device take two locks, and root, for whom the kernel
// ignores the exclusive open (TIOCEXCL), then shares the device. The
// QLockFile's file is empty for a moment after it is made; a kill then
// leaves an empty lock that QLockFile counts as held for 30 s, and a lock
// of root's whose process is gone cannot be removed by anyone else, so it
// keeps the port from every other user until root opens it again.
//
// This lock is keyed by the device itself, its major and minor number,
// whatever path leads to it. It is an flock() on a file in the lock folder,
// so the kernel lets it go with its process: a file whose flock nobody
// holds is stale, whoever owns it and whatever it holds. The file appears
// with its contents (the holder's process number) already written. While
// it is held, a leftover of QSerialPort's own lock that nobody holds is
// removed, or, when this user may not remove it, the port is opened by
// another spelling of its path, whose QLockFile is not in the way; a live
// holder of QSerialPort's lock still keeps the port busy.

#include <QtCore/QString>

#include <memory>

class PortLock
{
public:
    enum class Outcome {
        Locked,     // held; open openPath()
        Busy,       // another process holds the device or QSerialPort's lock of the path
    };

    // Takes the lock of the device that `portName` (a name under /dev or a
    // path) leads to. A name that leads to no character device needs no
    // lock: the result is held and openPath() is the name, for the open to
    // fail as it would. `holder` gets the busy lock's process, 0 when unknown.
    static std::unique_ptr<PortLock> acquire(const QString &portName, Outcome *outcome, qint64 *holder = nullptr);
    ~PortLock();
    PortLock(const PortLock &) = delete;
    PortLock &operator=(const PortLock &) = delete;

    // What to hand QSerialPort: the path, or another spelling of it.
    QString openPath() const { return path; }

    // The live process that holds the device's lock, 0 when none is held.
    static qint64 holderOf(const QString &portName);

    // QSerialPort's path: a name without a folder is one under /dev.
    static QString systemLocation(const QString &portName);
    // The lock file Qt 6's QSerialPort takes for a path.
    static QString qtLockFile(const QString &systemLocation);

private:
    PortLock() = default;

    QString path;
    QString lockFile;
    int fd = -1;
};
