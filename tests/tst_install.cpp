// The installed program: cmake --install into a scratch prefix puts every
// file where a desktop expects it, and the program started the way the
// desktop entry says finds its default configuration. The Debian package
// carries the same files under /usr with its library dependencies.

#include "support/coretestsupport.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QScopeGuard>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QStringList kDataFiles{QStringLiteral("kordavo_default.dll"), QStringLiteral("cfg_i31.dll"),
                             QStringLiteral("cfg_i32.dll"), QStringLiteral("kordavo-help.pdf")};
const QString kDesktopFile = QStringLiteral("share/applications/hu.example.kordavo.desktop");
const QString kUdevRule = QStringLiteral("lib/udev/rules.d/70-kordavo-serial.rules");

struct RunResult
{
    int exitCode = -1;
    QString output;
};

RunResult run(const QString &program, const QStringList &arguments, int timeoutMs = 60000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs))
        return {-1, QStringLiteral("%1 did not finish").arg(program)};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Key=value lines of the [Desktop Entry] group, untranslated keys only.
QMap<QString, QString> desktopEntry(const QByteArray &text)
{
    QMap<QString, QString> entry;
    bool inGroup = false;
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        const int eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && !line.left(eq).contains(QLatin1Char('[')))
            entry.insert(line.left(eq), line.mid(eq + 1));
    }
    return entry;
}

// The program of an Exec line without field codes; quotes as the desktop
// entry format allows.
QString execProgram(const QString &exec)
{
    QString program = exec.section(QLatin1Char(' '), 0, 0);
    if (exec.startsWith(QLatin1Char('"')))
        program = exec.mid(1, exec.indexOf(QLatin1Char('"'), 1) - 1);
    return program;
}

// Width and height from a PNG's header chunk.
QSize pngSize(const QByteArray &png)
{
    if (!png.startsWith("\x89PNG\r\n\x1a\n") || png.size() < 24 || png.mid(12, 4) != "IHDR")
        return {};
    auto word = [&png](int at) {
        return int(quint8(png[at]) << 24 | quint8(png[at + 1]) << 16 | quint8(png[at + 2]) << 8 | quint8(png[at + 3]));
    };
    return {word(16), word(20)};
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsIntoPrefix();
    void startsFromDesktopEntry();
    void debianPackage();

private:
    // The installed tool runs, with its English compiled in.
    void checkTool(const QString &program);
    // Every program in `binDir` has a manual page that man reads without a warning.
    void checkManualPages(const QString &binDir, const QString &manDir);

    QTemporaryDir prefixDir;
    QString prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(prefixDir.isValid());
    prefix = prefixDir.path();
    const RunResult installed = run(QStringLiteral(KORDAVO_CMAKE_COMMAND),
                                    {QStringLiteral("--install"), QStringLiteral(KORDAVO_BUILD_DIR),
                                     QStringLiteral("--prefix"), prefix});
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.output));
}

void TestInstall::checkTool(const QString &program)
{
    const RunResult version = run(program, {QStringLiteral("--version")});
    QVERIFY2(version.exitCode == 0, qPrintable(version.output));
    QCOMPARE(version.output, QStringLiteral("kordavo-cli " KORDAVO_VERSION "\n"));
    const RunResult english = run(program, {QStringLiteral("--help"), QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(english.exitCode, 0);
    const RunResult hungarian = run(program, {QStringLiteral("--help"), QStringLiteral("--lang"), QStringLiteral("hu")});
    QCOMPARE(hungarian.exitCode, 0);
    QVERIFY2(english.output != hungarian.output, qPrintable(english.output));
}

void TestInstall::checkManualPages(const QString &binDir, const QString &manDir)
{
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    QVERIFY2(!man.isEmpty(), "man (man-db) is not installed");
    const QStringList programs = QDir(binDir).entryList(QDir::Files);
    QVERIFY(programs.size() >= 3);
    for (const QString &program : programs) {
        const QString page = QDir(manDir).filePath(program + QStringLiteral(".1.gz"));
        QVERIFY2(QFileInfo::exists(page), qPrintable(page));
        QProcess reader;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        reader.setProcessEnvironment(env);
        reader.start(man, {QStringLiteral("--warnings"), QStringLiteral("-l"), page});
        QVERIFY(reader.waitForFinished(30000));
        const QString shown = QString::fromUtf8(reader.readAllStandardOutput());
        const QString warnings = QString::fromUtf8(reader.readAllStandardError());
        QVERIFY2(reader.exitCode() == 0 && warnings.isEmpty(), qPrintable(page + QLatin1Char('\n') + warnings));
        // The NAME section: the program, a dash, what it is.
        const QRegularExpression name(QRegularExpression::escape(program) + QStringLiteral("\\s+-\\s+\\S"));
        QVERIFY2(shown.contains(name), qPrintable(shown));
    }
}

void TestInstall::installsIntoPrefix()
{
    QDir root(prefix);
    for (const char *program : {"bin/kordavo", "bin/kordavo-cli", "bin/kordavo-modulesim"}) {
        const QFileInfo info(root.filePath(QLatin1String(program)));
        QVERIFY2(info.isFile() && info.isExecutable(), program);
    }
    checkTool(root.filePath(QStringLiteral("bin/kordavo-cli")));
    checkManualPages(root.filePath(QStringLiteral("bin")), root.filePath(QStringLiteral("share/man/man1")));
    if (QTest::currentTestFailed())
        return;
    // The data files sit together, as the build made them.
    for (const QString &name : kDataFiles) {
        const QByteArray installed = readAll(root.filePath(QStringLiteral("share/kordavo/") + name));
        QVERIFY2(!installed.isEmpty(), qPrintable(name));
        QVERIFY2(installed == readAll(QStringLiteral(KORDAVO_BIN_DIR "/") + name), qPrintable(name));
    }

    const auto entry = desktopEntry(readAll(root.filePath(kDesktopFile)));
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(execProgram(entry.value(QStringLiteral("Exec"))), root.filePath(QStringLiteral("bin/kordavo")));
    QCOMPARE(entry.value(QStringLiteral("Path")), root.filePath(QStringLiteral("share/kordavo")));
    const QString icon = entry.value(QStringLiteral("Icon"));
    QVERIFY(!icon.isEmpty());

    // Every hicolor size is a picture of that size, plus the SVG itself.
    int sizes = 0;
    const QDir hicolor(root.filePath(QStringLiteral("share/icons/hicolor")));
    QDirIterator it(hicolor.path(), {icon + QStringLiteral(".png")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString folder = hicolor.relativeFilePath(path).section(QLatin1Char('/'), 0, 0);
        const int side = folder.section(QLatin1Char('x'), 0, 0).toInt();
        QCOMPARE(folder, QStringLiteral("%1x%1").arg(side));
        QCOMPARE(pngSize(readAll(path)), QSize(side, side));
        ++sizes;
    }
    QVERIFY2(sizes >= 4, "hicolor icons missing");
    QVERIFY(readAll(root.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(icon))).contains("<svg"));

    QVERIFY(readAll(root.filePath(kUdevRule)).contains("ID_MM_DEVICE_IGNORE"));

    const QString metainfo = root.filePath(QStringLiteral("share/metainfo/hu.example.kordavo.metainfo.xml"));
    const QByteArray meta = readAll(metainfo);
    QVERIFY(meta.contains("<launchable type=\"desktop-id\">hu.example.kordavo.desktop</launchable>"));
    QVERIFY(meta.contains("<screenshot type=\"default\">"));
    const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (appstreamcli.isEmpty())
        QSKIP("appstreamcli (package appstream) is needed to validate the metainfo");
    const RunResult valid = run(appstreamcli, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    QVERIFY2(valid.exitCode == 0, qPrintable(valid.output));
}

void TestInstall::startsFromDesktopEntry()
{
    const auto entry = desktopEntry(readAll(QDir(prefix).filePath(kDesktopFile)));
    const QString program = execProgram(entry.value(QStringLiteral("Exec")));
    const QString folder = entry.value(QStringLiteral("Path"));
    QVERIFY(QFileInfo(program).isExecutable());

    // Read and closed 500 ms after start: the default configuration from the
    // entry's folder, not from wherever the test runs.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QVERIFY(inotify_add_watch(watch, QFile::encodeName(QDir(folder).filePath(QStringLiteral("kordavo_default.dll"))),
                              IN_CLOSE_NOWRITE) >= 0);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, {});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    const auto stop = qScopeGuard([&process] {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    });

    pollfd p{watch, POLLIN, 0};
    QVERIFY2(::poll(&p, 1, 10000) == 1, "the installed program never read its default configuration");
    // Still running a moment later: no crash on a missing plugin or picture.
    QVERIFY(!process.waitForFinished(700));
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    const QString log = QString::fromLocal8Bit(process.readAll());
    QVERIFY2(!log.contains(QLatin1String("QObject::")) && !log.contains(QLatin1String("Cannot")), qPrintable(log));
}

void TestInstall::debianPackage()
{
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    const QString dpkg = QStandardPaths::findExecutable(QStringLiteral("dpkg"));
    if (dpkgDeb.isEmpty() || dpkg.isEmpty())
        QSKIP("dpkg-deb is needed to build and inspect the Debian package");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const RunResult packed = run(QStringLiteral(KORDAVO_CPACK_COMMAND),
                                 {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                  QStringLiteral(KORDAVO_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                                  out.path()},
                                 240000);   // make checks every target first, slowly under a busy suite
    QVERIFY2(packed.exitCode == 0, qPrintable(packed.output));

    const QString arch = run(dpkg, {QStringLiteral("--print-architecture")}).output.trimmed();
    const QString deb = out.filePath(QStringLiteral("kordavo_%1_%2.deb").arg(QStringLiteral(KORDAVO_VERSION), arch));
    QVERIFY2(QFileInfo::exists(deb), qPrintable(QDir(out.path()).entryList(QDir::Files).join(QLatin1Char(' '))));

    const RunResult contents = run(dpkgDeb, {QStringLiteral("-c"), deb});
    QCOMPARE(contents.exitCode, 0);
    QStringList expected{QStringLiteral("./usr/bin/kordavo"), QStringLiteral("./usr/bin/kordavo-cli"),
                         QStringLiteral("./usr/bin/kordavo-modulesim"),
                         QStringLiteral("./usr/share/man/man1/kordavo.1.gz"),
                         QStringLiteral("./usr/share/man/man1/kordavo-cli.1.gz"),
                         QStringLiteral("./usr/share/man/man1/kordavo-modulesim.1.gz"),
                         QStringLiteral("./usr/") + kDesktopFile, QStringLiteral("./usr/") + kUdevRule,
                         QStringLiteral("./usr/share/metainfo/hu.example.kordavo.metainfo.xml"),
                         QStringLiteral("./usr/share/icons/hicolor/48x48/apps/kordavo.png")};
    for (const QString &name : kDataFiles)
        expected << QStringLiteral("./usr/share/kordavo/") + name;
    for (const QString &path : expected)
        QVERIFY2(contents.output.contains(QLatin1Char(' ') + path + QLatin1Char('\n')), qPrintable(path));
    // Nothing from the build or the tests rides along.
    QVERIFY2(!contents.output.contains(QLatin1String("tst_")) && !contents.output.contains(QLatin1String(".a\n")),
             qPrintable(contents.output));

    // dpkg-shlibdeps found the Qt libraries; Qt's Hungarian texts and the
    // register's SQLite driver are named by hand.
    const QString depends = run(dpkgDeb, {QStringLiteral("-f"), deb, QStringLiteral("Depends")}).output;
    for (const char *package : {"libc6", "libqt6core6", "libqt6widgets6", "libqt6serialport6",
                                "qt6-translations-l10n", "libqt6sql6-sqlite"})
        QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));

    // The desktop entry inside is written for /usr, not for the build's prefix.
    QProcess tar;
    tar.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                     QStringLiteral("dpkg-deb --fsys-tarfile \"$1\" | tar -xOf - ./usr/%1").arg(kDesktopFile),
                                     QStringLiteral("sh"), deb});
    QVERIFY(tar.waitForFinished(30000));
    const auto entry = desktopEntry(tar.readAllStandardOutput());
    QCOMPARE(execProgram(entry.value(QStringLiteral("Exec"))), QStringLiteral("/usr/bin/kordavo"));
    QCOMPARE(entry.value(QStringLiteral("Path")), QStringLiteral("/usr/share/kordavo"));

    // The tool as the package installs it runs, and so do its manual pages.
    QTemporaryDir unpacked;
    QVERIFY(unpacked.isValid());
    const RunResult extracted = run(dpkgDeb, {QStringLiteral("-x"), deb, unpacked.path()});
    QVERIFY2(extracted.exitCode == 0, qPrintable(extracted.output));
    checkTool(unpacked.filePath(QStringLiteral("usr/bin/kordavo-cli")));
    checkManualPages(unpacked.filePath(QStringLiteral("usr/bin")), unpacked.filePath(QStringLiteral("usr/share/man/man1")));
}

KORDAVO_CORE_TEST_MAIN(TestInstall)
#include "tst_install.moc"
