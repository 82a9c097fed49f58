#pragma once

// Why a port that would not open would not: what an installer can act on
// (a wrong name, a file that is no serial port, a missing group, another
// program holding it). Asked only after an open failed.

#include <QtCore/QString>

namespace portdiagnosis {

struct Diagnosis
{
    enum class Reason {
        Unknown,
        NoSuchPort,     // nothing by that name
        NotSerial,      // a file, a folder, /dev/null: no terminal device
        NoPermission,   // exists, but this user may not open it
        Busy,           // another program holds it
        AccessDenied,   // Windows refuses it, as it refuses a port another program holds
    };
    Reason reason = Reason::Unknown;
    QString devicePath;   // the name as a path under /dev where it was a device name; on Windows the name
    QString group;        // NoPermission: the group that may open it
    qint64 lockPid = 0;   // Busy: the process the lock file names, 0 when none
};

Diagnosis diagnose(const QString &portName);

} // namespace portdiagnosis
