#include "support/coretestsupport.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>
#include <QtCore/QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(Q_OS_UNIX)
#include <sys/mount.h>
#include <unistd.h>
#endif

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
    // Tests never record into the user's own site register; those of the
    // register name a scratch one.
    if (!qEnvironmentVariableIsSet("KORDAVO_REGISTER"))
        qputenv("KORDAVO_REGISTER", "off");
    g_previousHandler = qInstallMessageHandler(failOnConnectionWarnings);
}

bool startUnprivileged(QProcess &child, const QString &program, const QStringList &arguments)
{
    if (!runsAsRoot()) {
        child.start(program, arguments);
        return true;
    }
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return false;
    child.start(setpriv, QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                     QStringLiteral("--clear-groups"), program}
                             + arguments);
    return true;
}

bool startAsUnprivileged(QProcess &child)
{
    return startUnprivileged(child, QCoreApplication::applicationFilePath(), {});
}

bool runsAsRoot()
{
#if defined(Q_OS_UNIX)
    return geteuid() == 0;
#else
    return false;
#endif
}

namespace {
const char kFiller[] = "filler";
} // namespace

FullDisk::FullDisk(int kibibytes) : kibibytes(kibibytes) {}

FullDisk::~FullDisk()
{
#if defined(Q_OS_UNIX)
    if (mounted && ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH) != 0)
        std::fprintf(stderr, "cannot unmount %s: %s\n", qPrintable(dir.path()), std::strerror(errno));
#endif
}

bool FullDisk::mount(QString *why)
{
    if (!dir.isValid()) {
        *why = dir.errorString();
        return false;
    }
#if !defined(Q_OS_UNIX)
    *why = QStringLiteral("a small disk is mounted as tmpfs, which needs Linux");
    return false;
#else
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
    if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData())
        != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    mounted = true;
    return true;
#endif
}

bool FullDisk::fill()
{
    QFile filler(dir.filePath(QLatin1String(kFiller)));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'x');
    // Blocks while they fit, then single bytes for what is left of the last page.
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("x", 1) == 1) {
    }
    filler.close();
    QFile probe(dir.filePath(QStringLiteral("probe")));
    const bool full = probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && probe.write("x", 1) != 1;
    probe.remove();
    return full;
}

QStringList FullDisk::files() const
{
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.removeAll(QLatin1String(kFiller));
    return names;
}
