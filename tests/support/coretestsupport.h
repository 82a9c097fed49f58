#pragma once

// What every test needs, with or without a window.

#include <QtCore/QCoreApplication>
#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

// A fresh temporary folder that is the working directory while it lives:
// the program reads its default configuration, module pictures and help from
// there. ProgramFiles copies in what the build places beside the program.
class ScratchDir
{
public:
    enum Contents { Empty, ProgramFiles };
    explicit ScratchDir(Contents contents = Empty);
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    bool isValid() const { return entered; }
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    QString previous;
    bool entered = false;
};

// Starts this test program again in `child`, as the unprivileged user
// "nobody" when the test runs as root (folder permissions and exclusive
// opens do not stop root), as it is otherwise. False when root cannot switch
// users here (no setpriv).
bool startAsUnprivileged(QProcess &child);
// The same for another program.
bool startUnprivileged(QProcess &child, const QString &program, const QStringList &arguments);

// A small tmpfs mounted for the helper's lifetime, to meet a real full disk
// rather than a simulated one. Mounting needs root (CI runs as root); the
// disk is unmounted again on destruction. The root folder is 0755, so the
// unprivileged half of a test can read it but not add files.
class FullDisk
{
public:
    explicit FullDisk(int kibibytes = 64);
    ~FullDisk();
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // False, with the reason, when this process cannot mount.
    bool mount(QString *why);
    // Writes a filler file until the disk takes no further byte.
    bool fill();
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    // Every name in the root folder but the filler's.
    QStringList files() const;

private:
    QTemporaryDir dir;
    int kibibytes;
    bool mounted = false;
};

// Mounts `disk` or ends the test: a failure as root (CI must run it), a skip
// with the reason elsewhere.
#define KORDAVO_MOUNT_FULL_DISK(disk)                                                               \
    do {                                                                                           \
        QString why_;                                                                              \
        if (!(disk).mount(&why_)) {                                                                \
            if (runsAsRoot())                                                                      \
                QFAIL(qPrintable(QStringLiteral("cannot mount a tmpfs as root: ") + why_));        \
            QSKIP(qPrintable(QStringLiteral("mounting a tmpfs is impossible for this user: ") + why_)); \
        }                                                                                          \
    } while (false)

bool runsAsRoot();

// Installs a message handler that turns warnings about broken signal
// connections into test failures, and forces the offscreen platform.
void prepareTestEnvironment();

// For the tests of the core, which run without a window system.
#define KORDAVO_CORE_TEST_MAIN(TestObject)             \
    int main(int argc, char *argv[])                   \
    {                                                  \
        prepareTestEnvironment();                      \
        QCoreApplication app(argc, argv);              \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }
