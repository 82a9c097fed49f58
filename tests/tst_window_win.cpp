// The Windows window under Wine, offscreen: its start-up with the default
// configuration, and the port dialog over COM1 … COM32, where
// scripts/windows-tests.sh maps KORDAVO_WINE_COM to the simulator (a
// 32-number module at KORDAVO_WINE_BAUD).

#include "support/testsupport.h"

#include "serial/setcom.h"

#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

class TestWindowWin : public QObject
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

    void startsWithTheDefaultConfiguration()
    {
        ScratchDir scratch(ScratchDir::ProgramFiles);
        QVERIFY(scratch.isValid());
        RecordingPrompter prompter;
        const std::unique_ptr<MainWindow> w = startedWindow();
        QCOMPARE(w->state().fileName(), QStringLiteral("kordavo_default.dll"));
        QCOMPARE(widget<QLabel>(*w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kordavo_default.dll"));
        QCOMPARE(widget<QLabel>(*w, QStringLiteral("portLabel"))->text(), QStringLiteral("COM1   Baud: 1200"));
        // Read from Windows-1250 as on Linux.
        QCOMPARE(widget<QLineEdit>(*w, QStringLiteral("m_nev"))->text(), QStringLiteral("Főkapu nyitó"));
        QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.last().text));
    }

    void portDialogListsComPortsOnly()
    {
        setcom dialog(QStringLiteral("COM1"), baud, 300, false);
        auto *box = widget<QComboBox>(dialog, QStringLiteral("comboBox"));
        // Nothing but the listed ports: no typed device paths on Windows.
        QVERIFY(!box->isEditable());
        QStringList listed;
        for (int i = 0; i < box->count(); ++i)
            listed << box->itemText(i);
        QVERIFY2(listed.contains(mapped), qPrintable(listed.join(QLatin1Char(' '))));
        for (const QString &name : std::as_const(listed))
            QVERIFY2(name.startsWith(QLatin1String("COM")), qPrintable(name));
        // COM1 is not there, so the first listed port is chosen.
        if (!listed.contains(QLatin1String("COM1")))
            QCOMPARE(box->currentIndex(), 0);

        setcom again(mapped, baud, 300, false);
        QCOMPARE(again.selectedPort().portName, mapped);
        QCOMPARE(again.selectedPort().baudRate, baud);
    }

    void searchFindsTheModule()
    {
        RecordingPrompter prompter;
        setcom dialog(QStringLiteral("COM1"), baud, 300, true);
        QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.last().text));
        auto *box = widget<QComboBox>(dialog, QStringLiteral("comboBox"));
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->currentText(), mapped);
        // The search accepts the dialog 200 ms later, as OK would.
        QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

KORDAVO_TEST_MAIN(TestWindowWin)
#include "tst_window_win.moc"
