// The Windows port under Wine: scripts/windows-tests.sh maps a COM port
// (KORDAVO_WINE_COM) to kordavo-modulesim, started on the build machine as a
// 32-number module at KORDAVO_WINE_BAUD, and leaves the other COM ports
// unmapped.

#include "support/coretestsupport.h"

#include "serial/comport.h"
#include "serial/deviceoperations.h"
#include "serial/portdiagnosis.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>

namespace {

QStringList debugLines;

void recordDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        debugLines << text;
}

// Debug output while alive.
struct DebugLog
{
    DebugLog()
    {
        debugLines.clear();
        previous = qInstallMessageHandler(recordDebug);
    }
    ~DebugLog() { qInstallMessageHandler(previous); }
    QtMessageHandler previous;
};

} // namespace

class TestComPortWin : public QObject
{
    Q_OBJECT

    QString mapped;
    int baud = 0;

private slots:
    void initTestCase()
    {
        mapped = qEnvironmentVariable("KORDAVO_WINE_COM");
        baud = qEnvironmentVariableIntValue("KORDAVO_WINE_BAUD");
        if (mapped.isEmpty() || baud <= 0)
            QFAIL("KORDAVO_WINE_COM and KORDAVO_WINE_BAUD name the simulator's port: run ./test --windows");
    }

    void exchangeWithModule()
    {
        ComPort port(mapped, baud);
        QVERIFY(port.openPort(200, 0, 0, 0));
        QVERIFY(port.opened());
        port.sendText(QStringLiteral("~|"));
        QCOMPARE(port.readReply(), QStringLiteral("Qzv_GSM4_32\r"));
        // openPort on an open port closes it first; share mode 0 would refuse a second handle.
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~R"));
        const QString states = port.readReply();
        QCOMPARE(states.size(), 15);
        QVERIFY(!port.lost());
        port.sendText(QStringLiteral("~X"));
        port.readReply();
        port.closePort();
        QVERIFY(!port.opened());
    }

    void silentLineWaitsOnce()
    {
        ComPort port(mapped, baud);
        QVERIFY(port.openPort(300, 0, 0, 0));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(port.readReply(), QString());
        // The read waited for a byte instead of returning at once.
        QVERIFY2(timer.elapsed() >= 250, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!port.lost());
    }

    void newReadWaitsDropWhatCame()
    {
        ComPort port(mapped, baud);
        QVERIFY(port.openPort(200, 0, 0, 0));
        port.sendText(QStringLiteral("~|"));
        // The whole answer is in the port's buffer by now.
        QThread::msleep(400 + 12 * 10000 / quint32(baud));
        QVERIFY(port.setReadWaits(200, 0));
        QCOMPARE(port.readReply(), QString());
        port.sendText(QStringLiteral("~X"));
        port.readReply();
    }

    void missingPort()
    {
        const QString missing = mapped == QLatin1String("COM31") ? QStringLiteral("COM30") : QStringLiteral("COM31");
        DebugLog log;
        ComPort port(missing, baud);
        QVERIFY(!port.openPort(200, 0, 0, 0));
        QVERIFY(!port.opened());
        QCOMPARE(debugLines, QStringList{QStringLiteral("unable to open comport")});
        QCOMPARE(portdiagnosis::diagnose(missing).reason, portdiagnosis::Diagnosis::Reason::NoSuchPort);
        // Nor is it listed; the mapped one is, among COM1 to COM32 only.
        const QStringList listed = moduleoperations::listPorts().ports;
        QVERIFY(listed.contains(mapped));
        QVERIFY(!listed.contains(missing));
        for (const QString &name : listed)
            QVERIFY2(name.startsWith(QLatin1String("COM")) && name.mid(3).toInt() >= 1 && name.mid(3).toInt() <= 32,
                     qPrintable(name));
    }

    void rejectedBaudRateClosesTheHandle()
    {
        DebugLog log;
        ComPort port(mapped, 0);
        QVERIFY(!port.openPort(200, 0, 0, 0));
        QVERIFY(!port.opened());
        QCOMPARE(debugLines, QStringList{QStringLiteral("unable to set comport dcb settings")});
        // The failed open let go of the port.
        QVERIFY(ComPort::canOpen(mapped));
    }
};

KORDAVO_CORE_TEST_MAIN(TestComPortWin)
#include "tst_comport_win.moc"
