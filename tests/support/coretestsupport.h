#pragma once

// What every test needs, with or without a window.

#include <QtCore/QCoreApplication>
#include <QtCore/QProcess>
#include <QtCore/QString>
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
