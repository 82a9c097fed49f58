#include "support/coretestsupport.h"

#include "serial/comport.h"
#include "sim/modulesimulator.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QStringDecoder>
#include <QtCore/QStringEncoder>
#include <QtCore/QTemporaryDir>

#include <sys/resource.h>

namespace {

using Fault = SimulatorOptions::Fault;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString record(const QString &text)
{
    return text.leftJustified(16, QLatin1Char(' '));
}

// The wire form of a record list: each record and CR, then the closing CR.
QByteArray wire(const QStringList &records)
{
    QByteArray bytes;
    for (const QString &r : records)
        bytes += r.toLatin1() + '\r';
    return bytes + '\r';
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModuleSimulator> sim;
    std::unique_ptr<ComPort> port;

    void start(const SimulatorOptions &options = {})
    {
        port.reset();
        sim = std::make_unique<ModuleSimulator>(options);
        QVERIFY2(sim->start(), qPrintable(sim->errorString()));
        port = std::make_unique<ComPort>(sim->devicePath(), 9600);
        QVERIFY(port->openPort(200, 0, 0, 0));
    }
    QString exchange(const QString &command)
    {
        port->sendText(command);
        return port->readReply();
    }

private slots:
    void cleanup()
    {
        port.reset();
        sim.reset();
    }

    void identification_data()
    {
        QTest::addColumn<int>("memory");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default") << 32 << QByteArray("Qzv") << QByteArray() << int(Fault::None) << "Qzv_GSM4_32\r";
        QTest::newRow("128") << 128 << QByteArray("Qzv") << QByteArray() << int(Fault::None) << "Qzv_GSM4_128\r";
        QTest::newRow("reduced 127") << 127 << QByteArray("Qzv") << QByteArray() << int(Fault::None) << "Qzv_GSM4_127\r";
        QTest::newRow("KDV prefix") << 31 << QByteArray("KDV") << QByteArray() << int(Fault::None) << "KDV_GSM4_31\r";
        QTest::newRow("whole text") << 32 << QByteArray("Qzv") << QByteArray("Qzv64") << int(Fault::None) << "Qzv64\r";
        QTest::newRow("wrong prefix") << 32 << QByteArray("Qzv") << QByteArray() << int(Fault::WrongPrefix) << "Xyz_GSM4_32\r";
        QTest::newRow("lower case") << 128 << QByteArray("Qzv") << QByteArray() << int(Fault::LowerCasePrefix) << "qzv_GSM4_128\r";
        QTest::newRow("cut") << 128 << QByteArray("Qzv") << QByteArray() << int(Fault::CutIdentification) << "Qzv_GSM4_12";
        QTest::newRow("CR LF") << 128 << QByteArray("Qzv") << QByteArray() << int(Fault::CrLfEndings) << "Qzv_GSM4_128\r\n";
    }
    void identification()
    {
        QFETCH(int, memory);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, ident);
        QFETCH(int, fault);
        QFETCH(QString, expected);
        SimulatorOptions options;
        options.memorySize = memory;
        options.prefix = prefix;
        options.identification = ident;
        options.fault = Fault(fault);
        start(options);
        QVERIFY(!sim->programMode());
        QCOMPARE(exchange(QStringLiteral("~|")), expected);
        QVERIFY(sim->programMode());
        QCOMPARE(sim->received(), QByteArray("~|"));
    }

    void programmingModeGatesCommands()
    {
        start();
        // Outside programming mode only the identification is answered.
        for (const char *command : {"~R", "~S", "~{", "~}", "~5", "~X"})
            QCOMPARE(exchange(QLatin1String(command)), QString());
        QCOMPARE(sim->outputs(), quint8(0));
        QVERIFY(!exchange(QStringLiteral("~|")).isEmpty());
        QVERIFY(!exchange(QStringLiteral("~R")).isEmpty());
        // ESC leaves quietly.
        QCOMPARE(exchange(QString(QChar(27))), QString());
        QVERIFY(!sim->programMode());
        QCOMPARE(exchange(QStringLiteral("~R")), QString());
        QVERIFY(!exchange(QStringLiteral("~|")).isEmpty());
        QVERIFY(!exchange(QStringLiteral("~X")).isEmpty());
        QVERIFY(!sim->programMode());
        QCOMPARE(exchange(QStringLiteral("~S")), QString());
    }

    void statesAndOutputs()
    {
        SimulatorOptions options;
        options.input1Active = true;
        options.outputs = 0x9;   // outputs 1 and 4
        start(options);
        exchange(QStringLiteral("~|"));
        QString state = exchange(QStringLiteral("~R"));
        QCOMPARE(state.size(), 15);
        QVERIFY(state.endsWith(QLatin1Char('\r')));
        QCOMPARE(state.at(4), QLatin1Char('0'));   // input 1 active
        QCOMPARE(state.at(3), QLatin1Char('1'));   // input 2 not
        QCOMPARE(state.mid(10, 4), QStringLiteral("1001"));

        // Output k + 1 follows bit k; position 13 is output 1, position 10 output 4.
        QVERIFY(!exchange(QStringLiteral("~2")).isEmpty());
        QCOMPARE(sim->outputs(), quint8(2));
        QCOMPARE(exchange(QStringLiteral("~R")).mid(10, 4), QStringLiteral("0010"));
        exchange(QStringLiteral("~E"));
        QCOMPARE(exchange(QStringLiteral("~R")).mid(10, 4), QStringLiteral("1110"));
        exchange(QStringLiteral("~0"));
        QCOMPARE(exchange(QStringLiteral("~R")).mid(10, 4), QStringLiteral("0000"));
        exchange(QStringLiteral("~e"));   // only upper-case digits are masks
        QCOMPARE(sim->outputs(), quint8(0));

        SimulatorOptions changed = sim->options();
        changed.input2Active = true;
        changed.input1Active = false;
        sim->setOptions(changed);
        state = exchange(QStringLiteral("~R"));
        QCOMPARE(state.mid(3, 2), QStringLiteral("01"));
    }

    void signalAndService()
    {
        SimulatorOptions options;
        options.signal = 15;
        options.service = "Vodafone HU";
        start(options);
        exchange(QStringLiteral("~|"));
        const QStringList fields = exchange(QStringLiteral("~S")).split(QLatin1Char(','));
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields.at(1), QStringLiteral("15"));
        QCOMPARE(fields.at(2), QStringLiteral("Vodafone HU\r"));
        sim->setFault(Fault::FourFieldSignal);
        QCOMPARE(exchange(QStringLiteral("~S")).split(QLatin1Char(',')).size(), 4);
    }

    void readCommandSendsStoredRecords_data()
    {
        QTest::addColumn<int>("memory");
        QTest::addColumn<int>("bytes");
        QTest::newRow("32") << 32 << 1021;
        QTest::newRow("31") << 31 << 1021;
        QTest::newRow("128") << 128 << 2653;
        QTest::newRow("127") << 127 << 2653;
    }
    void readCommandSendsStoredRecords()
    {
        QFETCH(int, memory);
        QFETCH(int, bytes);
        SimulatorOptions options;
        options.memorySize = memory;
        start(options);
        const QStringList records = sim->storedRecords();
        QCOMPARE(records.size(), (bytes - 1) / 17);
        for (const QString &r : records)
            QCOMPARE(r.size(), 16);
        QCOMPARE(records.at(7), record(QStringLiteral("0005")));
        QCOMPARE(records.at(16), QString(16, QLatin1Char(' ')));
        exchange(QStringLiteral("~|"));
        const QString reply = exchange(QStringLiteral("~{"));
        QCOMPARE(reply.size(), bytes);
        QCOMPARE(reply.toLatin1(), wire(records));
    }

    void readCommandFaults()
    {
        start();
        exchange(QStringLiteral("~|"));
        const QByteArray clean = wire(sim->storedRecords());
        sim->setFault(Fault::JunkBeforeRecords);
        QByteArray reply = exchange(QStringLiteral("~{")).toLatin1();
        QVERIFY(reply.endsWith(clean));
        const QByteArray junk = reply.left(reply.size() - clean.size());
        QVERIFY(junk.size() > 2);
        QVERIFY(junk.endsWith("\r\r"));   // an empty line right before the records

        sim->setFault(Fault::FFPadding);
        reply = exchange(QStringLiteral("~{")).toLatin1();
        QCOMPARE(reply.size(), clean.size());
        QVERIFY(!reply.contains(' '));
        QCOMPARE(reply.replace('\xFF', ' '), clean);

        sim->setFault(Fault::NoiseBeforeRecords);
        reply = exchange(QStringLiteral("~{")).toLatin1();
        QCOMPARE(reply.size(), 100 + clean.size());
        QVERIFY(reply.endsWith(clean));
        QVERIFY(!reply.left(100).contains('\r'));

        sim->setFault(Fault::NoClosingCharacter);
        QCOMPARE(exchange(QStringLiteral("~{")).toLatin1(), clean.chopped(1));

        // One-line answers end in CR LF; the records keep their CRs.
        sim->setFault(Fault::CrLfEndings);
        QVERIFY(exchange(QStringLiteral("~R")).endsWith(QLatin1String("\r\n")));
        QCOMPARE(exchange(QStringLiteral("~{")).toLatin1(), clean);
        QCOMPARE(exchange(QStringLiteral("~X")), QStringLiteral("OK\r\n"));
    }

    void staleAnswerBeforeTheRecords()
    {
        start();
        exchange(QStringLiteral("~|"));
        QVERIFY(port->openPort(300, 0, 0, 0));
        const QStringList before = sim->storedRecords();
        QStringList records = before;
        records[3] = record(QStringLiteral("Garazs kapu"));
        sim->setFault(Fault::StaleAnswer);
        QCOMPARE(exchange(QStringLiteral("~}")), QStringLiteral("R\rO\r"));
        for (const QString &r : records)
            port->sendText(r, true);
        port->sendCR();
        QCOMPARE(port->readReply(), QStringLiteral("ERROR\r"));
        QCOMPARE(sim->storedRecords(), before);
    }

    void writeCommandStoresRecords()
    {
        QTemporaryDir dir;
        SimulatorOptions options;
        options.storeFile = dir.filePath(QStringLiteral("module.txt"));
        start(options);
        exchange(QStringLiteral("~|"));
        QVERIFY(port->openPort(300, 0, 0, 0));
        QStringList records = sim->storedRecords();
        records[3] = record(QStringLiteral("Garazs kapu"));
        records[28] = record(QStringLiteral("2136301112222"));
        QVERIFY(records != sim->storedRecords());

        QCOMPARE(exchange(QStringLiteral("~}")).left(1), QStringLiteral("R"));
        for (const QString &r : records)
            port->sendText(r, true);
        port->sendCR();
        QVERIFY(port->readReply().startsWith(QLatin1Char('O')));
        QCOMPARE(sim->storedRecords(), records);
        QCOMPARE(exchange(QStringLiteral("~{")).toLatin1(), wire(records));

        // The records outlive the simulator through the store file.
        port.reset();
        sim.reset();
        start(options);
        QCOMPARE(sim->storedRecords(), records);
    }

    void writeCommandRejectsBadTransfers_data()
    {
        QTest::addColumn<int>("drop");      // records left out
        QTest::addColumn<int>("shorten");   // record made one character short
        QTest::newRow("one record missing") << 1 << -1;
        QTest::newRow("one record extra") << -1 << -1;
        QTest::newRow("short record") << 0 << 5;
    }
    void writeCommandRejectsBadTransfers()
    {
        QFETCH(int, drop);
        QFETCH(int, shorten);
        start();
        exchange(QStringLiteral("~|"));
        const QStringList before = sim->storedRecords();
        QStringList records = before;
        for (QString &r : records)
            r = record(QStringLiteral("X"));
        if (drop > 0)
            records.removeLast();
        if (drop < 0)
            records.append(record(QStringLiteral("Y")));
        if (shorten >= 0)
            records[shorten].chop(1);
        QVERIFY(port->openPort(300, 0, 0, 0));
        QVERIFY(exchange(QStringLiteral("~}")).startsWith(QLatin1Char('R')));
        for (const QString &r : records)
            port->sendText(r, true);
        port->sendCR();
        const QString answer = port->readReply();
        QVERIFY(!answer.isEmpty());
        QVERIFY(!answer.startsWith(QLatin1Char('O')));
        QCOMPARE(sim->storedRecords(), before);
        // The module takes commands again afterwards.
        QVERIFY(port->openPort(200, 0, 0, 0));
        QCOMPARE(exchange(QStringLiteral("~R")).size(), 15);
    }

    void writeCommandFaults()
    {
        start();
        exchange(QStringLiteral("~|"));
        const QStringList before = sim->storedRecords();
        QStringList records = before;
        records[0] = record(QStringLiteral("36209300099"));
        QVERIFY(port->openPort(300, 0, 0, 0));

        sim->setFault(Fault::NoReadyAnswer);
        const QString reply = exchange(QStringLiteral("~}"));
        QVERIFY(!reply.isEmpty());
        QVERIFY(!reply.startsWith(QLatin1Char('R')));

        sim->setFault(Fault::NoAck);
        QVERIFY(exchange(QStringLiteral("~}")).startsWith(QLatin1Char('R')));
        for (const QString &r : records)
            port->sendText(r, true);
        port->sendCR();
        const QString final = port->readReply();
        QVERIFY(!final.isEmpty());
        QVERIFY(!final.startsWith(QLatin1Char('O')));
        QCOMPARE(sim->storedRecords(), before);
    }

    void lineDropsDuringWrite()
    {
        SimulatorOptions options;
        options.fault = Fault::DropDuringTransfer;
        start(options);
        exchange(QStringLiteral("~|"));
        const QString path = sim->devicePath();
        QVERIFY(port->openPort(300, 0, 0, 0));
        QVERIFY(exchange(QStringLiteral("~}")).startsWith(QLatin1Char('R')));
        QElapsedTimer clock;
        clock.start();
        for (const QString &r : sim->storedRecords())
            port->sendText(r, true);
        port->sendCR();
        QCOMPARE(port->readReply(), QString());
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(!QFile::exists(path));
        QVERIFY(sim->received().size() >= 2 + 30 * 17);
    }

    void initialRecordsFromKrv()
    {
        QTemporaryDir dir;
        const QString krv = dir.filePath(QStringLiteral("test.krv"));
        QStringList lines = {
            QStringLiteral("36709996500"), QStringLiteral("4321"), QStringLiteral("77"),
            QStringLiteral("Kert") + QChar(0x0151),   // ő has no Latin-1 byte and goes as ö
            QStringLiteral("1"), QStringLiteral("Kapu"), QStringLiteral("Ajt") + QChar(0x00F3),
            QStringLiteral("5"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
            QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("g"),
            QStringLiteral("h"),
        };
        lines.append(QStringLiteral("2136201234567"));
        lines.append(QStringLiteral("03"));
        for (int n = 3; n <= 128; ++n)
            lines.append(QStringLiteral("00"));
        QStringDecoder check("windows-1250");
        QVERIFY(check.isValid());
        QStringEncoder encoder("windows-1250");
        QFile file(krv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encoder.encode(lines.join(QStringLiteral("\r\n"))));
        file.close();

        SimulatorOptions options;
        options.initialKrv = krv;
        start(options);
        const QStringList records = sim->storedRecords();
        QCOMPARE(records.size(), 60);
        QCOMPARE(records.at(0), record(QStringLiteral("36709996500")));
        QCOMPARE(records.at(3), record(QStringLiteral("Kertö")));
        QCOMPARE(records.at(6), record(QStringLiteral("Ajt") + QChar(0x00F3)));
        QCOMPARE(records.at(7), record(QStringLiteral("0005")));
        QCOMPARE(records.at(15), record(QStringLiteral("h")));
        for (int i = 16; i < 28; ++i)
            QCOMPARE(records.at(i), QString(16, QLatin1Char(' ')));
        QCOMPARE(records.at(28), record(QStringLiteral("2136201234567")));
        QCOMPARE(records.at(29), record(QStringLiteral("03")));
        QCOMPARE(records.at(59), record(QStringLiteral("00")));
    }

    void pacingTakesLineTime()
    {
        SimulatorOptions options;
        options.pacingBaud = 9600;
        start(options);
        exchange(QStringLiteral("~|"));
        QVERIFY(port->openPort(500, 200, 0, 0));
        port->sendText(QStringLiteral("~{"));
        QElapsedTimer clock;
        clock.start();
        const QString reply = port->readReply();
        const qint64 elapsed = clock.elapsed() - 700;   // the closing silence
        QCOMPARE(reply.size(), 1021);
        const qint64 line = 1021 * 10 * 1000 / 9600;   // 1063 ms
        QVERIFY2(elapsed >= line - 20 && elapsed < line + 150, qPrintable(QString::number(elapsed)));
    }

    void idleCostsNoCpuAndSurvivesReopening()
    {
        start();
        for (int i = 0; i < 20; ++i) {
            port->closePort();
            QVERIFY(port->openPort(200, 0, 0, 0));
        }
        port->closePort();   // nobody on the slave side now
        const double before = processCpuSeconds();
        QTest::qSleep(600);
        const double used = processCpuSeconds() - before;
        QVERIFY2(used < 0.03, qPrintable(QString::number(used)));
        QVERIFY(port->openPort(200, 0, 0, 0));
        QCOMPARE(exchange(QStringLiteral("~|")), QStringLiteral("Qzv_GSM4_32\r"));
    }

    void receivedKeepsExactTraffic()
    {
        start();
        exchange(QStringLiteral("~|"));
        port->sendText(QStringLiteral("~R~S"));
        port->sendByte(27);
        QVERIFY(sim->waitIdle());
        QCOMPARE(sim->received(), QByteArray("~|~R~S\x1b"));
        sim->clearReceived();
        QCOMPARE(sim->received(), QByteArray());
    }

    void dropLineRemovesPath()
    {
        start();
        const QString path = sim->devicePath();
        QVERIFY(QFile::exists(path));
        port->closePort();
        sim->dropLine();
        QVERIFY(!QFile::exists(path));
        QVERIFY(!port->openPort(200, 0, 0, 0));
        QVERIFY(sim->waitIdle(100));
    }

    void commandLineProgram()
    {
        QTemporaryDir dir;
        QProcess process;
        process.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-modulesim"),
                      {QStringLiteral("--memory"), QStringLiteral("128"), QStringLiteral("--inputs"),
                       QStringLiteral("2"), QStringLiteral("--outputs"), QStringLiteral("C"),
                       QStringLiteral("--service"), QStringLiteral("Yettel HU"), QStringLiteral("--store"),
                       dir.filePath(QStringLiteral("s.txt"))});
        QVERIFY(process.waitForStarted());
        QVERIFY(process.waitForReadyRead(5000));
        const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
        QVERIFY(path.startsWith(QLatin1String("/dev/")));

        ComPort tool(path, 9600);
        QVERIFY(tool.openPort(200, 0, 0, 0));
        tool.sendText(QStringLiteral("~|"));
        QCOMPARE(tool.readReply(), QStringLiteral("Qzv_GSM4_128\r"));
        tool.sendText(QStringLiteral("~R"));
        const QString state = tool.readReply();
        QCOMPARE(state.mid(3, 2), QStringLiteral("01"));
        QCOMPARE(state.mid(10, 4), QStringLiteral("1100"));
        tool.sendText(QStringLiteral("~S"));
        QCOMPARE(tool.readReply(), QStringLiteral("+CSQ,7,Yettel HU\r"));
        tool.closePort();

        process.terminate();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFile::exists(path));

        QProcess wrong;
        wrong.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-modulesim"), {QStringLiteral("--fault"), QStringLiteral("nonsense")});
        QVERIFY(wrong.waitForFinished(5000));
        QCOMPARE(wrong.exitCode(), 2);
        QVERIFY(wrong.readAllStandardError().contains("unknown fault"));
    }
};

KORDAVO_CORE_TEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
