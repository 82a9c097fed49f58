#include "support/coretestsupport.h"

#include <QtCore/QDir>
#include <QtCore/QStandardPaths>
#include <QtCore/QFile>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

ScratchDir::ScratchDir(Contents contents) : previous(QDir::currentPath())
{
    if (contents == ProgramFiles) {
        for (const char *name : {"kordavo_default.dll", "cfg_i32.dll", "cfg_i31.dll"})
            QFile::copy(QStringLiteral(KORDAVO_BIN_DIR "/") + QLatin1String(name),
                        dir.filePath(QLatin1String(name)));
    }
    entered = dir.isValid() && QDir::setCurrent(dir.path());
}

ScratchDir::~ScratchDir()
{
    QDir::setCurrent(previous);
}

namespace {

QtMessageHandler g_previousHandler = nullptr;

void failOnConnectionWarnings(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (g_previousHandler)
        g_previousHandler(type, context, msg);
    if (type != QtDebugMsg && type != QtInfoMsg
        && (msg.contains(QLatin1String("QObject::connect")) || msg.contains(QLatin1String("No such signal"))
            || msg.contains(QLatin1String("No such slot")))) {
        std::fprintf(stderr, "FAIL: broken signal connection: %s\n", qPrintable(msg));
        std::abort();
    }
}

} // namespace

void prepareTestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_previousHandler = qInstallMessageHandler(failOnConnectionWarnings);
}

bool startAsUnprivileged(QProcess &child)
{
    const QString self = QCoreApplication::applicationFilePath();
    if (geteuid() != 0) {
        child.start(self, {});
        return true;
    }
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return false;
    child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), self});
    return true;
}
