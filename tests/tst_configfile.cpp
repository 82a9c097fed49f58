// The configuration file without a window: Windows-1250 text, bounded line
// reading, the CR LF writer and what it leaves on a full disk, displayed
// names and telephone lines.

#include "support/coretestsupport.h"

#include "document/configfile.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRandomGenerator>
#include <QtCore/QStringDecoder>
#include <QtCore/QStringEncoder>
#include <QtCore/QTemporaryDir>

#include <cstdio>

#if defined(Q_OS_WIN)
#include <windows.h>
#endif

using namespace configfile;

namespace {

const QString kNoSpace = QStringLiteral("Nincs elég hely a lemezen.");
constexpr int kChildFolderWritable = 3;

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QByteArray pattern(int size, char first)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(first + i % 23);
    return bytes;
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void tableMatchesIcuForEveryByte();
    void unmappableCharactersBecomeQuestionMarks();
    void hungarianLettersAsWindows1250();
    void readLines_data();
    void readLines();
    void readingStopsAfterLine146();
    void overlongLineIsCutAndReadingGoesOn();
    void hugeFileWithoutLineEndsIsBounded();
    void anyBytesLoadWithoutCrash();
    void unreadablePathsGiveOneEmptyLine();
    void formatLinesUsesCrLfWithoutFinalLineEnd();
    void fullDiskKeepsOldFileAndLeavesNoNewOne();
    void displayName_data();
    void displayName();
    void telephoneLines_data();
    void telephoneLines();
    void groupKeys();
};

void TestConfigFile::tableMatchesIcuForEveryByte()
{
#if defined(Q_OS_WIN)
    // Qt for Windows is built without ICU: the system's own code page 1250 is the reference.
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        wchar_t system = 0;
        QCOMPARE(::MultiByteToWideChar(1250, MB_ERR_INVALID_CHARS, &byte, 1, &system, 1), 1);
        const QString ours = decode(QByteArray(1, byte));
        QCOMPARE(ours.size(), 1);
        QVERIFY2(ours.at(0).unicode() == system, qPrintable(QStringLiteral("byte %1: ours U+%2, Windows U+%3")
                                                               .arg(b, 2, 16)
                                                               .arg(ours.at(0).unicode(), 4, 16, QLatin1Char('0'))
                                                               .arg(int(system), 4, 16, QLatin1Char('0'))));
        QCOMPARE(encode(ours), QByteArray(1, byte));
        char back = 0;
        BOOL defaulted = FALSE;
        QCOMPARE(::WideCharToMultiByte(1250, 0, &system, 1, &back, 1, nullptr, &defaulted), 1);
        QVERIFY(!defaulted && back == byte);
    }
#else
    QStringDecoder icuDecoder("windows-1250");
    QStringEncoder icuEncoder("windows-1250");
    QVERIFY2(icuDecoder.isValid() && icuEncoder.isValid(),
             "This Qt has no Windows-1250 converter (ICU missing): the table cannot be checked");
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString ours = decode(byte);
        const QString icu = icuDecoder.decode(byte);
        QVERIFY2(!icuDecoder.hasError(), qPrintable(QString::number(b, 16)));
        QCOMPARE(ours.size(), 1);
        QVERIFY2(ours == icu, qPrintable(QStringLiteral("byte %1: ours U+%2, ICU U+%3")
                                             .arg(b, 2, 16)
                                             .arg(ours.at(0).unicode(), 4, 16, QLatin1Char('0'))
                                             .arg(icu.isEmpty() ? 0 : icu.at(0).unicode(), 4, 16, QLatin1Char('0'))));
        // And back: every byte survives a load and a save.
        QCOMPARE(encode(ours), byte);
        QCOMPARE(QByteArray(icuEncoder.encode(ours)), byte);
    }
#endif
}

void TestConfigFile::unmappableCharactersBecomeQuestionMarks()
{
    // ICU would write its substitution byte 0x1A here; the files want "?".
    QCOMPARE(encode(QStringLiteral("a\u4e00b")), QByteArray("a?b"));
    QCOMPARE(encode(QStringLiteral("ñ")), QByteArray("?"));   // Latin-1, not in the code page
    QCOMPARE(encode(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));   // beyond 16 bits: one "?"
    QCOMPARE(encode(QString()), QByteArray());
}

void TestConfigFile::hungarianLettersAsWindows1250()
{
    const QString letters = QStringLiteral("áéíóöőúüűÁÉÍÓÖŐÚÜŰ");
    const QByteArray bytes = QByteArray::fromHex("e1e9edf3f6f5fafcfbc1c9cdd3d6d5dadcdb");
    QCOMPARE(encode(letters), bytes);
    QCOMPARE(decode(bytes), letters);
    // No byte-order mark in front.
    QCOMPARE(formatLines({letters}), bytes);
}

void TestConfigFile::readLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty file") << QByteArray() << QStringList{QString()};
    QTest::newRow("one line") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("final line end adds no line") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{QString()};
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\nb") << QStringList{"a", "", "", "b"};
    QTest::newRow("CR at the very end") << QByteArray("a\r\nb\r") << QStringList{"a", "b"};
    QTest::newRow("lone CR stays in the line") << QByteArray("a\rb\r\nc") << QStringList{"a\rb", "c"};
    QTest::newRow("terminator ends the file") << QByteArray("a\r\n---\r\nrest\r\nmore")
                                              << QStringList{"a", "---"};
    QTest::newRow("terminator with LF") << QByteArray("---\nrest") << QStringList{"---"};
    QTest::newRow("four hyphens are a value") << QByteArray("----\r\nb") << QStringList{"----", "b"};
    QTest::newRow("hyphens and a space are a value") << QByteArray("--- \r\nb") << QStringList{"--- ", "b"};
    QTest::newRow("Windows-1250 text") << QByteArray("F\xf5kapu\r\n\xdbr") << QStringList{"Főkapu", "Űr"};
    QTest::newRow("NUL bytes") << QByteArray("a\0b", 3) << QStringList{QString::fromLatin1("a\0b", 3)};
}

void TestConfigFile::readLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(configfile::readLines(buffer), lines);
}

void TestConfigFile::readingStopsAfterLine146()
{
    QByteArray bytes;
    for (int i = 1; i <= 100000; ++i)
        bytes += QByteArray::number(i) + "\r\n";
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const QStringList lines = configfile::readLines(buffer);
    QCOMPARE(lines.size(), kMaxLinesRead);
    QCOMPARE(lines.size(), 146);
    QCOMPARE(lines.last(), QStringLiteral("146"));
    // Nothing beyond line 146 was taken from the device.
    QVERIFY(buffer.pos() < bytes.size());
}

void TestConfigFile::overlongLineIsCutAndReadingGoesOn()
{
    const QByteArray longLine(100000, 'x');
    QByteArray bytes = "first\r\n" + longLine + "\r\nthird\r\n" + QByteArray(kMaxLineBytes, 'y') + "\r\nlast";
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const QStringList lines = configfile::readLines(buffer);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("first"));
    QCOMPARE(lines[1], QString(kMaxLineBytes, QLatin1Char('x')));
    QCOMPARE(lines[2], QStringLiteral("third"));
    QCOMPARE(lines[3], QString(kMaxLineBytes, QLatin1Char('y')));   // exactly the limit: CR still dropped
    QCOMPARE(lines[4], QStringLiteral("last"));
}

void TestConfigFile::hugeFileWithoutLineEndsIsBounded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("huge.krv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Sparse where the file system allows: 6 GB of zero bytes, no line end.
        QVERIFY(file.resize(qint64(6) * 1024 * 1024 * 1024));
    }
    QElapsedTimer clock;
    clock.start();
    const QStringList lines = readFile(path);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().size(), kMaxLineBytes);
}

void TestConfigFile::anyBytesLoadWithoutCrash()
{
    QByteArray bytes(300000, Qt::Uninitialized);
    QRandomGenerator random(4711);
    for (char &c : bytes)
        c = char(random.bounded(256));
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const QStringList lines = configfile::readLines(buffer);
    QVERIFY(!lines.isEmpty());
    QVERIFY(lines.size() <= kMaxLinesRead);
    for (const QString &line : lines)
        QVERIFY(line.size() <= kMaxLineBytes);
}

void TestConfigFile::unreadablePathsGiveOneEmptyLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("missing.krv"))), QStringList{QString()});
    QCOMPARE(readFile(dir.path()), QStringList{QString()});   // a folder
    QCOMPARE(readFile(QStringLiteral("/dev/zero")), QStringList{QString()});   // a device never ends
}

void TestConfigFile::formatLinesUsesCrLfWithoutFinalLineEnd()
{
    QCOMPARE(formatLines({"a", "", "Ő"}), QByteArray("a\r\n\r\n\xd5"));
    QCOMPARE(formatLines({QString()}), QByteArray());
}

void TestConfigFile::fullDiskKeepsOldFileAndLeavesNoNewOne()
{
    FullDisk disk;
    KORDAVO_MOUNT_FULL_DISK(disk);
    const QByteArray old = pattern(786, 'a');
    const QString target = disk.filePath(QStringLiteral("F.krv"));
    QString error;
    QVERIFY(writeFile(target, old, &error));
    // A shared folder: the unprivileged user may write its file, not add one.
    const QString shared = disk.filePath(QStringLiteral("shared"));
    QVERIFY(QDir(disk.path()).mkdir(QStringLiteral("shared")));
    const QString sharedFile = shared + QStringLiteral("/kapu.krv");
    QVERIFY(writeFile(sharedFile, old, &error));
    QVERIFY(QFile::setPermissions(sharedFile, QFileDevice::Permissions(0x6666)));
    QVERIFY(QFile::setPermissions(shared, QFileDevice::Permissions(0x5555)));
    QVERIFY(disk.fill());

    // Through a temporary file: the write fails at its first page.
    error.clear();
    QVERIFY(!writeFile(target, pattern(900, 'A'), &error));
    QCOMPARE(error, kNoSpace);
    QCOMPARE(fileBytes(target), old);
    QVERIFY(!writeFile(disk.filePath(QStringLiteral("new.krv")), pattern(900, 'A'), &error));
    QCOMPARE(disk.files(), (QStringList{QStringLiteral("F.krv"), QStringLiteral("shared")}));

    // Straight into the file, as a user the folder refuses (root is refused nothing).
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORDAVO_IN_PLACE_CHILD"), sharedFile);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    if (!startAsUnprivileged(child))
        QFAIL("setpriv (util-linux) is needed to write as an unprivileged user");
    QVERIFY(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(child.exitCode() != kChildFolderWritable, "the folder should refuse new files to this user");
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    // The child's last, shorter write stands, cut to its length.
    QCOMPARE(fileBytes(sharedFile), pattern(100, '0'));
    QCOMPARE(QDir(shared).entryList(QDir::Files), QStringList{QStringLiteral("kapu.krv")});
}

// The unprivileged half of fullDiskKeepsOldFileAndLeavesNoNewOne, in the
// full disk's read-only folder.
int writeInPlaceAsChild(const QString &target)
{
    const QString folder = QFileInfo(target).absolutePath();
    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return kChildFolderWritable;
    }
    const QByteArray old = fileBytes(target);
    const auto failed = [](const char *what, const QString &detail) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
        return 1;
    };
    QString error;
    // Three pages where the file owns one: the disk cannot take them.
    if (writeFile(target, pattern(3 * 4096, 'A'), &error))
        return failed("a write larger than the free space succeeded", QString());
    if (error != kNoSpace)
        return failed("wrong reason", error);
    if (fileBytes(target) != old)
        return failed("the old bytes are not back", QString::fromLatin1(fileBytes(target).left(64)));
    error.clear();
    if (writeFile(folder + QStringLiteral("/new.krv"), pattern(10, 'A'), &error)
        || QFileInfo::exists(folder + QStringLiteral("/new.krv")))
        return failed("a new file appeared in a folder that refuses files", error);
    // Shorter than the old content: it fits and the old tail goes.
    if (!writeFile(target, pattern(100, '0'), &error))
        return failed("the shorter write failed", error);
    return 0;
}

void TestConfigFile::displayName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "/home/user/kapu.krv" << "kapu.krv";
    QTest::newRow("two dots") << "/x/y/a.b.krv" << "a.b.krv";
    QTest::newRow("no suffix") << "/x/kapu" << "kapu.";
    QTest::newRow("dotted folder") << "/x/conf.d/kapu" << "kapu.";
    QTest::newRow("relative default") << "kordavo_default.dll" << "kordavo_default.dll";
    QTest::newRow("accented") << "/x/főkapu.krv" << "főkapu.krv";
}

void TestConfigFile::displayName()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(configfile::displayName(path), shown);
}

void TestConfigFile::telephoneLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("alarm");
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("number");
    QTest::newRow("no rights, no number") << "00" << 0 << 0 << "";
    QTest::newRow("both rights") << "3336301234567" << 3 << 3 << "36301234567";
    QTest::newRow("spaces removed") << "31 36 30 123 4567" << 3 << 1 << "36301234567";
    QTest::newRow("one character") << "2" << 2 << 0 << "";
    QTest::newRow("empty line") << "" << 0 << 0 << "";
    QTest::newRow("letter as alarm digit") << "x1123" << 0 << 1 << "123";
    QTest::newRow("terminator") << "---" << 0 << 0 << "-";
    QTest::newRow("digit above three kept") << "9712" << 9 << 7 << "12";
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\xd9\xa3" "1x") << 0 << 1 << "x";
}

void TestConfigFile::telephoneLines()
{
    QFETCH(QString, line);
    QFETCH(int, alarm);
    QFETCH(int, output);
    QFETCH(QString, number);
    const TelephoneEntry entry = parseTelephoneLine(line);
    QCOMPARE(entry.alarm, alarm);
    QCOMPARE(entry.output, output);
    QCOMPARE(entry.number, number);
}

void TestConfigFile::groupKeys()
{
    QCOMPARE(formatTelephoneLine({1, 2, QStringLiteral("3620")}), QStringLiteral("123620"));
    QCOMPARE(formatTelephoneLine({}), QStringLiteral("00"));

    GroupKey g = parseGroupKey(QStringLiteral("255.2"));
    QVERIFY(g.valid);
    QCOMPARE(g.key, 255);
    QCOMPARE(g.bit, 2);
    g = parseGroupKey(QStringLiteral("7..1"));   // first and last part count
    QVERIFY(g.valid);
    QCOMPARE(g.key, 7);
    QCOMPARE(g.bit, 1);
    g = parseGroupKey(QStringLiteral("x.1"));
    QVERIFY(!g.valid);
    QCOMPARE(g.key, 0);
    QVERIFY(!parseGroupKey(QString()).valid);

    QCOMPARE(groupBitValue(1), 1);
    QCOMPARE(groupBitValue(2), 2);
    QCOMPARE(groupBitValue(0), 0);
    QCOMPARE(groupBitValue(-3), 0);
    QCOMPARE(groupBitValue(1000), 0);
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    const QString child = qEnvironmentVariable("KORDAVO_IN_PLACE_CHILD");
    if (!child.isEmpty())
        return writeInPlaceAsChild(child);
    TestConfigFile tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_configfile.moc"
