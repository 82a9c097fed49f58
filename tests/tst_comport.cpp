#include "support/testsupport.h"

#include "serial/comport.h"
#include "serial/modulecommands.h"
#include "serial/setcom.h"
#include "sim/modulesimulator.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtSerialPort/QSerialPort>
#include <QtWidgets/QProgressDialog>

#include <thread>

namespace {

// Collects debug and warning output while alive, on top of the suite's handler.
class MessageLog
{
public:
    MessageLog()
    {
        current = this;
        previous = qInstallMessageHandler(&MessageLog::handle);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    QStringList debug;
    QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (current)
            (type == QtDebugMsg ? current->debug : current->warnings).append(text);
        if (previous && type != QtDebugMsg)
            previous(type, context, text);
    }
    static inline MessageLog *current = nullptr;
    static inline QtMessageHandler previous = nullptr;
};

QByteArray fullReadAnswer(const ModuleSimulator &sim)
{
    QByteArray answer;
    for (const QString &record : sim.storedRecords())
        answer += record.toLatin1() + '\r';
    return answer + '\r';
}

int nonCR(const QString &text)
{
    return int(text.size() - text.count(QLatin1Char('\r')));
}

// A reading on this thread that advances a dialog by every byte that counts
// and stops once its Cancel was pressed: setting the value of a shown
// window-modal dialog lets it process its events between bytes.
ModuleLine::Progress progressOf(QProgressDialog &progress)
{
    return [&progress](int step) {
        if (step > 0)
            progress.setValue(progress.value() + step);
        return !progress.wasCanceled();
    };
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModuleSimulator> sim;

    ModuleSimulator &startSim(SimulatorOptions options = {})
    {
        sim = std::make_unique<ModuleSimulator>(options);
        if (!sim->start())
            qFatal("simulator: %s", qPrintable(sim->errorString()));
        return *sim;
    }
    // Puts the module into programming mode and forgets the traffic.
    void enterProgramming(ComPort &port)
    {
        port.sendText(QStringLiteral("~|"));
        QVERIFY(port.readReply().startsWith(QLatin1String("Qzv")));
        sim->clearReceived();
    }

private slots:
    void cleanup() { sim.reset(); }

    void openCloseReopen()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(!port.opened());
        QVERIFY(port.openPort(200, 0, 0, 0));
        QVERIFY(port.opened());
        // A second openPort closes the first handle, or the exclusive lock would refuse it.
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
        port.closePort();
        QVERIFY(!port.opened());
        port.closePort();   // harmless when closed
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~R"));
        QCOMPARE(port.readReply().size(), 15);
    }

    void controlLinesStayOff()
    {
        // A pseudo-terminal has no DTR or RTS, so a driver records what the
        // program asks of them, and whether the port was open by then.
        struct Call { QString port; bool open; bool dtr; bool rts; };
        static QList<Call> calls;
        calls.clear();
        ComPort::setControlLineDriver([](QSerialPort &port, bool dtr, bool rts) {
            calls.append({port.portName(), port.isOpen(), dtr, rts});
        });
        startSim();
        {
            ComPort port(sim->devicePath(), 9600);
            QVERIFY(port.openPort(200, 0, 0, 0));
            port.sendText(QStringLiteral("~|"));
            QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
        }
        QCOMPARE(calls.size(), 1);
        QVERIFY(calls.at(0).open && !calls.at(0).dtr && !calls.at(0).rts);

        // The port dialog's listing and its search open ports too.
        calls.clear();
        setcom::setPortSource([this] { return QStringList{sim->devicePath()}; });
        {
            setcom dialog(QStringLiteral("COM1"), 9600, 300, true);
        }
        setcom::setPortSource({});
        ComPort::setControlLineDriver(nullptr);
        // The listing when the dialog opens and again before the search, then the probe.
        QCOMPARE(calls.size(), 3);
        for (const Call &call : std::as_const(calls))
            QVERIFY(call.open && !call.dtr && !call.rts);

        // The real driver fails on a pseudo-terminal, and the port still works.
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
    }

    void openFailuresSayWhy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing device") << "/dev/pts/99999" << 9600 << "unable to open comport";
        QTest::newRow("missing device name") << "ttyKORDAVO9" << 9600 << "unable to open comport";
        QTest::newRow("empty name") << "" << 9600 << "unable to open comport";
        QTest::newRow("zero baud") << "SIM" << 0 << "unable to set comport dcb settings";
        QTest::newRow("negative baud") << "SIM" << -9600 << "unable to set comport dcb settings";
    }
    void openFailuresSayWhy()
    {
        QFETCH(QString, name);
        QFETCH(int, baud);
        QFETCH(QString, message);
        startSim();
        if (name == QLatin1String("SIM"))
            name = sim->devicePath();
        MessageLog log;
        ComPort port(name, baud);
        QVERIFY(!port.openPort(200, 0, 0, 0));
        QVERIFY(!port.opened());
        QCOMPARE(log.debug, QStringList{message});
        // Nothing is left held: the port opens normally afterwards.
        ComPort good(sim->devicePath(), 9600);
        QVERIFY(good.openPort(200, 0, 0, 0));
    }

    void openIsExclusive()
    {
        startSim();
        ComPort first(sim->devicePath(), 9600);
        ComPort second(sim->devicePath(), 9600);
        QVERIFY(first.openPort(200, 0, 0, 0));
        MessageLog log;
        // Root passes TIOCEXCL; the lock file must still refuse the second open.
        QVERIFY(!second.openPort(200, 0, 0, 0));
        QCOMPARE(log.debug, QStringList{QStringLiteral("unable to open comport")});
        first.closePort();
        QVERIFY(second.openPort(200, 0, 0, 0));
        QVERIFY(!first.openPort(200, 0, 0, 0));
    }

    void bytesLeaveWithoutEventLoop()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        // write() alone only fills a buffer; the wrapper must push each byte out.
        port.sendText(QStringLiteral("~R"));
        port.sendByte('x', true);
        port.sendCR();
        port.sendByte('y');
        QVERIFY(sim->waitIdle());
        QCOMPARE(sim->received(), QByteArray("~Rx\r\ry"));
    }

    void charactersWithoutLatin1CodeGoAsNearestLetterOrQuestionMark()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("a") + QChar(0x0151) + QChar(0x00E9) + QChar(0x20AC)
                          + QChar(0x0170) + QStringLiteral("z"),
                      true);
        QVERIFY(sim->waitIdle());
        // Byte 0 would end the text in the module's memory; it is never sent.
        QCOMPARE(sim->received(), QByteArray("a\xF6\xE9?\xDCz\r"));
    }

    void silentModuleGivesEmptyReplyAfterOneWait()
    {
        SimulatorOptions options;
        options.fault = SimulatorOptions::Fault::Silent;
        startSim(options);
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(150, 50, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port.readReply(), QString());
        QVERIFY2(clock.elapsed() >= 190 && clock.elapsed() < 600, qPrintable(QString::number(clock.elapsed())));

        // The time-out is not a lasting error: the same open port reads the next answer.
        sim->setFault(SimulatorOptions::Fault::None);
        port.sendText(QStringLiteral("~|"));
        QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
    }

    void replyEndsAfterSilenceNotBefore()
    {
        SimulatorOptions options;
        options.pacingBaud = 4800;   // 2 ms per byte, well inside the 200 ms wait
        startSim(options);
        ComPort port(sim->devicePath(), 4800);
        QVERIFY(port.openPort(200, 0, 0, 0));
        enterProgramming(port);
        port.sendText(QStringLiteral("~{"));
        QElapsedTimer clock;
        clock.start();
        const QString reply = port.readReply();
        QCOMPARE(reply.toLatin1(), fullReadAnswer(*sim));
        QVERIFY(clock.elapsed() >= 1021 * 10 * 1000 / 4800);
    }

    void progressRisesByNonCRBytes()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(500, 200, 0, 0));
        enterProgramming(port);
        QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0, 5000);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setValue(0);

        port.sendText(QStringLiteral("~R"));
        QString reply = port.readReply(progressOf(progress));
        QCOMPARE(reply.size(), 15);
        QVERIFY(reply.endsWith(QLatin1Char('\r')));
        QCOMPARE(progress.value(), 14);

        port.sendText(QStringLiteral("~{"));
        reply = port.readReply(progressOf(progress));
        QCOMPARE(reply.size(), 1021);
        QCOMPARE(nonCR(reply), 960);
        QCOMPARE(progress.value(), 14 + 960);
        QVERIFY(!progress.wasCanceled());
    }

    void bytesTakenInByEventLoopAreNotLost()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        enterProgramming(port);
        port.sendText(QStringLiteral("~R"));
        QVERIFY(sim->waitIdle());
        // The port's read notifier pulls the answer into its buffer here, as it
        // does while a progress dialog runs events between bytes.
        QTest::qWait(100);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(port.readReply().size(), 15);
        QVERIFY(clock.elapsed() < 400);
    }

    void cancelStopsAfterByteInHand()
    {
        SimulatorOptions options;
        options.memorySize = 128;
        options.pacingBaud = 4800;   // 2653 bytes take 5.5 s
        startSim(options);
        ComPort port(sim->devicePath(), 4800);
        QVERIFY(port.openPort(500, 200, 0, 0));
        enterProgramming(port);
        QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0, 2496);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setValue(0);
        int valueAtCancel = -1;
        // Runs inside the dialog's event processing of some byte's setValue,
        // as a click on "Megszakítás" would (cancel() then resets the value).
        QTimer::singleShot(400, &progress, [&] {
            valueAtCancel = progress.value();
            progress.cancel();
        });

        port.sendText(QStringLiteral("~{"));
        QElapsedTimer clock;
        clock.start();
        const QString reply = port.readReply(progressOf(progress));
        QVERIFY(progress.wasCanceled());
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(valueAtCancel > 10);
        // Nothing read after the byte in hand.
        QCOMPARE(nonCR(reply), valueAtCancel);
        QVERIFY(reply.size() < 2653);
        QVERIFY(fullReadAnswer(*sim).startsWith(reply.toLatin1()));
    }

    void endlessAnswerFailsAtItsLimit()
    {
        SimulatorOptions options;
        options.fault = SimulatorOptions::Fault::Chatter;
        options.pacingBaud = 9600;
        startSim(options);
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QElapsedTimer clock;
        clock.start();
        // A valid identification followed by noise is still no identification.
        QCOMPARE(port.readReply(nullptr, modulecommands::kShortAnswerLimit), QString());
        QVERIFY(port.overflowed());
        // 257 bytes at 960 bytes a second, not the 8192 of the general cap.
        QVERIFY2(clock.elapsed() < 600, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!sim->waitIdle(100));   // it really never falls silent

        // Once the module calms down, a new open starts from a clean line.
        sim->setFault(SimulatorOptions::Fault::None);
        QVERIFY(sim->waitIdle());
        port.closePort();
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
    }

    void staleInputIsFlushedOnOpen()
    {
        startSim();
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        QVERIFY(sim->waitIdle());
        port.closePort();   // the answer is left unread on the line
        QVERIFY(port.openPort(200, 0, 0, 0));
        QCOMPARE(port.readReply(), QString());
        port.sendText(QStringLiteral("~R"));
        QCOMPARE(port.readReply(), QStringLiteral("ST011000000000\r"));
    }

    void vanishedPortFailsCleanly()
    {
        SimulatorOptions options;
        options.memorySize = 128;
        options.pacingBaud = 9600;
        startSim(options);
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        enterProgramming(port);
        QVERIFY(port.openPort(1000, 4000, 0, 0));
        port.sendText(QStringLiteral("~{"));
        std::thread puller([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sim->dropLine();
        });
        QElapsedTimer clock;
        clock.start();
        const QString reply = port.readReply();
        const qint64 readTime = clock.elapsed();
        puller.join();
        // The 5 s per-byte wait is not spent: a hung-up line ends the reply at once.
        QVERIFY2(readTime < 1500, qPrintable(QString::number(readTime)));
        QVERIFY(!reply.isEmpty());
        QVERIFY(reply.size() < 2653);

        clock.restart();
        for (int i = 0; i < 2653; ++i)
            port.sendByte('a');
        port.sendCR();
        QCOMPARE(port.readReply(), QString());
        QVERIFY(clock.elapsed() < 1000);
        port.closePort();

        MessageLog log;
        QVERIFY(!port.openPort(200, 0, 0, 0));
        QCOMPARE(log.debug, QStringList{QStringLiteral("unable to open comport")});
    }

    void lineDroppedByModuleMidAnswer()
    {
        SimulatorOptions options;
        options.fault = SimulatorOptions::Fault::DropDuringTransfer;
        startSim(options);
        ComPort port(sim->devicePath(), 9600);
        QVERIFY(port.openPort(200, 0, 0, 0));
        enterProgramming(port);
        QVERIFY(port.openPort(1000, 4000, 0, 0));
        port.sendText(QStringLiteral("~{"));
        QElapsedTimer clock;
        clock.start();
        const QString reply = port.readReply();
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(reply.size(), 1021 / 2);
    }

    void usableFromWorkerThread()
    {
        startSim();
        MessageLog log;
        QString reply;
        bool opened = false;
        const QString path = sim->devicePath();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            ComPort port(path, 9600);
            opened = port.openPort(200, 0, 0, 0);
            port.sendText(QStringLiteral("~|"));
            reply = port.readReply();
        }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QVERIFY(opened);
        QCOMPARE(reply, QStringLiteral("Qzv_GSM4_32\r"));
        QVERIFY2(log.warnings.isEmpty(), qPrintable(log.warnings.join(QLatin1Char('\n'))));
    }
};

KORDAVO_TEST_MAIN(TestComPort)
#include "tst_comport.moc"
