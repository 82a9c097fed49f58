// The window and kordavo-cli send the same records for the same file: a
// corpus of odd files goes through the real window (open, download) to one
// simulated module and through the tool to another, for every model, and
// each client then verifies the other's module.

#include "transfertesthelpers.h"

#include "clitesthelpers.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "serial/moduleprotocol.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

using namespace transfertest;

namespace {

QList<QByteArray> baseLines()
{
    QList<QByteArray> lines;
    for (const generalfields::Field &field : generalfields::kFields)
        lines << QByteArray(field.example);
    for (int n = 1; n <= 128; ++n)
        lines << (n % 3 == 0 ? QByteArray("00") : QByteArray("12") + "3630" + QByteArray::number(1000000 + n));
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines)
{
    return lines.join("\r\n");
}

// Hand-made files that a hand-edited or foreign file might be, each with the
// rule it probes.
QList<QPair<QString, QByteArray>> handMadeFiles()
{
    QList<QPair<QString, QByteArray>> files;
    const auto withLine = [](int index, const QByteArray &value) {
        QList<QByteArray> lines = baseLines();
        lines[index] = value;
        return lines;
    };
    files.append({"plain.krv", joined(baseLines())});
    {
        QList<QByteArray> lines = baseLines();
        lines[1] = "12345";                           // PIN longer than its field
        lines[3] = "Huszkarakteres nev!!";            // 20 characters into 16
        lines[7] = "123456";
        lines[16] = "12363012345678901234567";        // a number past 14 characters
        files.append({"overlong.krv", joined(lines)});
    }
    {
        QList<QByteArray> lines = baseLines();
        lines[16] = "7736301111111";
        lines[17] = "4536302222222";
        lines[18] = "9936303333333";
        lines[16 + 40] = "5836304444444";
        files.append({"digits.krv", joined(lines)});
    }
    files.append({"names-and-rights.krv", joined(withLine(12, "Fokapu nyitva"))});
    files.append({"empty-name.krv", joined(withLine(3, ""))});
    files.append({"empty-sms.krv", joined(withLine(0, ""))});
    files.append({"pipe-in-40.krv", joined(withLine(16 + 39, "0036|301234"))});
    files.append({"pipe-in-message.krv", joined(withLine(12, "Ajto|nyitva"))});
    files.append({"hungarian.krv", joined(withLine(5, "Kapu\xf5r\xfb \x80"))});   // ő, ű, €
    files.append({"plus-and-spaces.krv", joined(withLine(16, "11+36 30 123 4567"))});
    {
        QList<QByteArray> lines = baseLines();
        lines.removeLast();
        files.append({"143-lines.krv", joined(lines)});
        lines.append("---");
        files.append({"143-lines-terminated.krv", joined(lines)});
    }
    return files;
}

QStringList blankRecords(int count)
{
    return QStringList(count, QString(16, QLatin1Char('#')));
}

} // namespace

class TestDifferential : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("LANG", "hu_HU.UTF-8");
        moduleprotocol::ModuleSession::setEarlyEndForTesting(true);
    }
    void windowAndToolSendTheSame_data();
    void windowAndToolSendTheSame();
};

void TestDifferential::windowAndToolSendTheSame_data()
{
    QTest::addColumn<int>("memory");
    for (int memory : {32, 128, 31, 127})
        QTest::addRow("memory %d", memory) << memory;
}

void TestDifferential::windowAndToolSendTheSame()
{
    QFETCH(int, memory);
    ScratchDir dir;
    QStringList files;
    const QDir corpus(QStringLiteral(KORDAVO_SOURCE_DIR "/tests/fuzz/corpus/configfile"));
    for (const QString &name : corpus.entryList(QDir::Files, QDir::Name))
        files << corpus.filePath(name);
    QVERIFY(files.size() >= 5);
    for (const auto &[name, bytes] : handMadeFiles()) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        files << file.fileName();
    }

    SimulatorOptions options;
    options.memorySize = memory;
    auto windowSim = startedSimulator(options);
    QVERIFY(windowSim);
    ModuleSimulator toolSim(options);
    QVERIFY(toolSim.start());
    const int records = 28 + modulemodel::modelFor(memory).entries;

    RecordingPrompter prompter;
    const auto window = startedWindow();
    MainWindow &w = *window;
    w.state().setPortName(windowSim->devicePath());

    int downloaded = 0;
    for (int i = 0; i < files.size(); ++i) {
        const QString &file = files.at(i);
        const QString what = QFileInfo(file).fileName();
        windowSim->setStoredRecords(blankRecords(records));
        toolSim.setStoredRecords(blankRecords(records));

        // Half the files come before the module's model, half after it.
        const bool modeFirst = i % 2 == 0;
        w.setMode(modeFirst ? memory : (memory == 32 ? 128 : 32));
        prompter.clear();
        prompter.fileAnswers.enqueue(file);
        w.openfile();
        const bool opened = prompter.last().text.endsWith(QStringLiteral("sikeresen megnyitva."));
        if (!modeFirst)
            w.setMode(memory);
        bool windowStored = false;
        if (opened) {
            prompter.clear();
            DialogWatch watch;
            watch.pressOk = true;
            watch.arm();
            w.download();
            windowStored = watch.resultText == kSuccess;
            QVERIFY2(windowStored || !prompter.messages.isEmpty(), qPrintable(what));
        }

        QString out;
        // The window takes a file as it is; the tool's own rules are --force'd past.
        const int code = runCli({QStringLiteral("download"), file, QStringLiteral("--port"), toolSim.devicePath(),
                                 QStringLiteral("--stay"), QStringLiteral("--fast"), QStringLiteral("--force")},
                                &out);
        const bool toolStored = code == 0;
        QVERIFY2(windowStored == toolStored,
                 qPrintable(QStringLiteral("%1: window %2, tool %3 (%4)").arg(what).arg(windowStored).arg(code).arg(out)));
        if (!windowStored)
            continue;
        ++downloaded;
        QVERIFY2(windowSim->storedRecords() == toolSim.storedRecords(), qPrintable(what));

        // Each client accepts what the other stored.
        w.state().setPortName(toolSim.devicePath());
        prompter.clear();
        w.verify();
        QVERIFY2(prompter.last().text == QStringLiteral("Sikeres ellenőrzés."), qPrintable(what));
        w.state().setPortName(windowSim->devicePath());
        QVERIFY2(runCli({QStringLiteral("verify"), file, QStringLiteral("--port"), windowSim->devicePath(),
                         QStringLiteral("--stay"), QStringLiteral("--fast"), QStringLiteral("--force")},
                        &out)
                     == 0,
                 qPrintable(what + QLatin1Char(' ') + out));
    }
    // The corpus must reach the line, not only be refused alike.
    QVERIFY2(downloaded >= 8, qPrintable(QString::number(downloaded)));
}

KORDAVO_TEST_MAIN(TestDifferential)
#include "tst_differential.moc"
