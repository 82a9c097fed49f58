#include "serial/portdiagnosis.h"

#include "serial/comport.h"

#include <QtCore/QFile>

#if defined(Q_OS_UNIX)
#include "serial/portlock.h"
#endif

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace portdiagnosis {

namespace {

#if defined(Q_OS_UNIX)
// The lock file Qt and the classic serial tools write: "LCK..ttyUSB0" in
// /var/lock or /run/lock, holding the owner's process number.
qint64 lockOwner(const QString &devicePath)
{
    // Another Kordavo run holds the device, by whatever name it opened it.
    if (const qint64 holder = PortLock::holderOf(devicePath))
        return holder;
    QString device = devicePath;
    if (device.startsWith(QLatin1String("/dev/")))
        device = device.mid(5);
    const QString lockName = QStringLiteral("LCK..") + device.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/var/lock/", "/run/lock/"}) {
        QFile lock(QString::fromLatin1(folder) + lockName);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        // The number is on the first line (Qt writes the program and host after it).
        const qint64 pid = QString::fromLatin1(lock.readLine(64)).trimmed().toLongLong(&ok);
        if (ok && pid > 0 && ::kill(pid_t(pid), 0) == 0)
            return pid;
    }
    return 0;
}
#endif

} // namespace

Diagnosis diagnose(const QString &portName)
{
    Diagnosis result;
#if defined(Q_OS_UNIX)
    result.devicePath = portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
    const QByteArray path = QFile::encodeName(result.devicePath);
    struct stat info;
    if (::stat(path.constData(), &info) != 0) {
        result.reason = errno == EACCES ? Diagnosis::Reason::NoPermission : Diagnosis::Reason::NoSuchPort;
        return result;
    }
    if (!S_ISCHR(info.st_mode)) {
        result.reason = Diagnosis::Reason::NotSerial;
        return result;
    }
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        result.reason = Diagnosis::Reason::NoPermission;
        const group *owner = ::getgrgid(info.st_gid);
        result.group = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
        return result;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == EBUSY) {
            result.reason = Diagnosis::Reason::Busy;
            result.lockPid = lockOwner(result.devicePath);
        }
        return result;
    }
    termios settings;
    const bool terminal = ::tcgetattr(fd, &settings) == 0;
    if (terminal) {
        // The open raised DTR and RTS; the module's line keeps them off.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &lines);
    }
    ::close(fd);
    if (!terminal) {
        result.reason = Diagnosis::Reason::NotSerial;
        return result;
    }
    // It opens: what kept the port from us is another program's hold on it.
    result.reason = Diagnosis::Reason::Busy;
    result.lockPid = lockOwner(result.devicePath);
#elif defined(Q_OS_WIN)
    result.devicePath = portName;
    const QString device = ComPort::windowsDevice(portName);
    const HANDLE port = ::CreateFileW(reinterpret_cast<LPCWSTR>(device.utf16()), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            result.reason = Diagnosis::Reason::NoSuchPort;
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            result.reason = Diagnosis::Reason::Busy;
            break;
        case ERROR_ACCESS_DENIED:
            result.reason = Diagnosis::Reason::AccessDenied;
            break;
        default:
            break;
        }
        return result;
    }
    DCB settings = {};
    settings.DCBlength = sizeof settings;
    if (!::GetCommState(port, &settings))
        result.reason = Diagnosis::Reason::NotSerial;
    ::CloseHandle(port);
#else
    result.devicePath = portName;
#endif
    return result;
}

} // namespace portdiagnosis
