// The port dialog's permission line: a port that exists but that the user
// may not open is named under the dialog's controls, with the group that may;
// a busy or missing port is not. Root may open every port, so as root the
// unprivileged part runs again as nobody.

#include "support/testsupport.h"

#include "serial/setcom.h"
#include "sim/modulesimulator.h"

#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtSerialPort/QSerialPort>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The denied port's path, for the run as nobody.
const char kDeniedPortVariable[] = "KORDAVO_DENIED_PORT";
constexpr int kChildCannotRun = 126;

std::unique_ptr<ModuleSimulator> startModule()
{
    auto sim = std::make_unique<ModuleSimulator>(SimulatorOptions{});
    if (!sim->start())
        qFatal("simulator: %s", qPrintable(sim->errorString()));
    return sim;
}

QLabel *accessLine(QDialog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("l_access"));
}

QStringList comboItems(QDialog &dialog)
{
    const auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("comboBox"));
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Run by a user who may not open `denied`: returns what went wrong, or an
// empty string. Its own simulated module is open to it.
QString checkDeniedPort(const QString &denied)
{
    auto own = startModule();
    QStringList source{denied, own->devicePath(), QStringLiteral("/dev/kordavo-no-such-port")};
    setcom::setPortSource([&source] { return source; });
    setcom dialog(QStringLiteral("COM1"), 1200, 300, false);
    dialog.show();
    const QString expected = QStringLiteral("A %1 port nem nyitható meg: nincs jogosultság (%2 csoport).")
                                     .arg(denied, QFileInfo(denied).group());
    QLabel *line = accessLine(dialog);
    if (comboItems(dialog) != QStringList{own->devicePath()})
        return QStringLiteral("listed: ") + comboItems(dialog).join(QLatin1Char(' '));
    if (!line->isVisible() || line->text() != expected)
        return QStringLiteral("line \"%1\", expected \"%2\"").arg(line->text(), expected);
    // Under the controls, inside the dialog, above the buttons, not cut off.
    const QWidget *search = dialog.findChild<QWidget *>(QStringLiteral("autoPort"));
    const QWidget *buttons = dialog.findChild<QWidget *>(QStringLiteral("buttonBox"));
    if (line->geometry().top() < search->geometry().bottom() || line->geometry().bottom() > buttons->geometry().top()
        || line->heightForWidth(line->width()) > line->height())
        return QStringLiteral("line misplaced or clipped");

    // Once the port is gone from the list of candidates, so is the line.
    source.removeFirst();
    dialog.findChild<QPushButton *>(QStringLiteral("reload"))->click();
    if (line->isVisible() || !line->text().isEmpty())
        return QStringLiteral("line stays after a reload: ") + line->text();
    setcom::setPortSource({});
    return {};
}

} // namespace

class TestPortPermission : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setcom::setPortSource({}); }
    void busyAndMissingPortsSayNothing();
    void deniedPortIsNamed();
};

void TestPortPermission::busyAndMissingPortsSayNothing()
{
    auto busy = startModule();
    QSerialPort holder(busy->devicePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    setcom::setPortSource([&] { return QStringList{busy->devicePath(), QStringLiteral("/dev/kordavo-no-such-port")}; });
    setcom dialog(QStringLiteral("COM1"), 1200, 300, false);
    dialog.show();
    QVERIFY(comboItems(dialog).isEmpty());
    QVERIFY(!accessLine(dialog)->isVisible());
    QVERIFY(accessLine(dialog)->text().isEmpty());
}

void TestPortPermission::deniedPortIsNamed()
{
    auto module = startModule();
    const QString denied = module->devicePath();
    if (::geteuid() != 0) {
        // Our own pseudo-terminal, closed to ourselves.
        QVERIFY(::chmod(QFile::encodeName(denied).constData(), 0) == 0);
        const QString failure = checkDeniedPort(denied);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        return;
    }
    // Root's pseudo-terminal is closed to nobody (mode 620, owner root).
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv (util-linux) is needed to open the dialog as an unprivileged user");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kDeniedPortVariable), denied);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir::tempPath());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath()});
    QVERIFY(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitCode() == kChildCannotRun)
        QSKIP(qPrintable(QStringLiteral("the unprivileged user cannot run this test: ") + output));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kDeniedPortVariable)) {
        const QString failure = checkDeniedPort(qEnvironmentVariable(kDeniedPortVariable));
        if (!failure.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(failure));
        return failure.isEmpty() ? 0 : 1;
    }
    TestPortPermission tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_portpermission.moc"
