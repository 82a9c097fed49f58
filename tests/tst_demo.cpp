// The demo that ./run --demo starts after the build: the port it prints
// answers as a 128-number module with numbers stored, the program runs in a
// scratch folder, and when the program ends the simulator and the folder go.

#include "support/coretestsupport.h"

#include "serial/moduleprotocol.h"
#include "transfer/configimage.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QScopeGuard>

#include <csignal>

namespace {

// The children of `pid` whose program is `program`.
QList<qint64> childrenRunning(qint64 pid, const QString &program)
{
    QList<qint64> found;
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray &child : children.readAll().simplified().split(' ')) {
        if (!child.isEmpty()
            && QFileInfo(QStringLiteral("/proc/%1/exe").arg(QString::fromLatin1(child))).symLinkTarget() == program)
            found << child.toLongLong();
    }
    return found;
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void demoModuleAndScratchFolder();
};

void TestDemo::demoModuleAndScratchFolder()
{
    const QString binDir = QStringLiteral(KORDAVO_BIN_DIR);
    const QStringList buildFiles = QDir(binDir).entryList(QDir::Files | QDir::Hidden, QDir::Name);

    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(KORDAVO_SOURCE_DIR "/scripts/demo.sh"), {binDir});
    QVERIFY(demo.waitForStarted());
    const auto stop = qScopeGuard([&demo] {
        if (demo.state() != QProcess::NotRunning) {
            demo.terminate();
            demo.waitForFinished(5000);
        }
    });

    // The path to type, in the Hungarian instructions.
    const QRegularExpression typeLine(QStringLiteral("„COM Port:” mezőbe:\\s+(/\\S+)\n"));
    QString printed;
    QRegularExpressionMatch match;
    QElapsedTimer clock;
    clock.start();
    while (!(match = typeLine.match(printed)).hasMatch() && clock.elapsed() < 10000) {
        demo.waitForReadyRead(200);
        printed += QString::fromUtf8(demo.readAllStandardOutput());
    }
    QVERIFY2(match.hasMatch(), qPrintable(printed + QString::fromLocal8Bit(demo.readAllStandardError())));
    const QString port = match.captured(1);

    // The program is up, in a folder of its own holding its data files.
    const QString program = binDir + QStringLiteral("/kordavo");
    QList<qint64> programs;
    while ((programs = childrenRunning(demo.processId(), program)).isEmpty() && clock.elapsed() < 10000)
        QTest::qWait(50);
    QCOMPARE(programs.size(), 1);
    const QString folder = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(programs.first())).symLinkTarget();
    QVERIFY2(QDir(folder) != QDir(binDir), qPrintable(folder));
    for (const char *name : {"kordavo_default.dll", "cfg_i31.dll", "cfg_i32.dll", "kordavo-help.pdf"})
        QVERIFY2(QFileInfo::exists(QDir(folder).filePath(QLatin1String(name))), name);

    // A 128-number module with the demo's numbers in it.
    moduleprotocol::ModuleSession session(port, 1200);
    const auto identified = session.identify();
    QVERIFY(identified.ok());
    QVERIFY(identified.value.recognised);
    QCOMPARE(identified.value.memory, std::optional<int>(128));
    const auto records = session.readRecords();
    QVERIFY(records.ok());
    const auto stored = configimage::parseImage(configimage::normalizeReply(records.value), 128);
    QVERIFY(stored);
    int numbers = 0;
    for (const auto &entry : stored->telephones)
        numbers += entry.number.isEmpty() ? 0 : 1;
    QVERIFY2(numbers >= 3, qPrintable(QString::number(numbers)));
    QCOMPARE(stored->telephones.front().number, QStringLiteral("36201234567"));
    QCOMPARE(session.leave(), moduleprotocol::Failure::None);
    session.close();

    // Closing the program ends the demo: no simulator, no scratch folder.
    QVERIFY(::kill(pid_t(programs.first()), SIGTERM) == 0);
    QVERIFY(demo.waitForFinished(10000));
    QVERIFY2(!QFileInfo::exists(port), qPrintable(port));
    QVERIFY2(!QFileInfo::exists(folder), qPrintable(folder));
    QCOMPARE(QDir(binDir).entryList(QDir::Files | QDir::Hidden, QDir::Name), buildFiles);
}

KORDAVO_CORE_TEST_MAIN(TestDemo)
#include "tst_demo.moc"
