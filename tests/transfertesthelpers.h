#pragma once

// Shared by the transfer tests: a known form, a simulated module in
// programming mode, and a watcher for the download dialog.

#include "support/testsupport.h"

#include "document/generalfields.h"
#include "serial/comport.h"
#include "sim/modulesimulator.h"
#include "support/inprocessmodule.h"
#include "transfer/configimage.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabWidget>

#include <memory>

namespace transfertest {

inline const QString kRunning = QStringLiteral("Betöltés folyamatban...");
inline const QString kSuccess = QStringLiteral("Sikeres betöltés.");
inline const QString kFailure =
    QStringLiteral("Betöltés hiba.\nTipp: ellenőrizze az eszközt és a portbeállításokat.");

inline QStringList generalNames()
{
    QStringList names;
    for (const generalfields::Field &field : generalfields::kFields)
        names << QString::fromLatin1(field.objectName);
    return names;
}

// Everything the user can see on the form that a transfer touches.
struct FormState
{
    QStringList general;
    QStringList numbers;
    QStringList ticked;
    int preset = -1;
    bool operator==(const FormState &o) const
    {
        return general == o.general && numbers == o.numbers && ticked == o.ticked && preset == o.preset;
    }
};

inline FormState formState(QWidget &w)
{
    FormState s;
    for (const QString &name : generalNames())
        s.general << widget<QLineEdit>(w, name)->text();
    for (int n = 1; n <= 128; ++n)
        s.numbers << widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n))->text();
    for (QCheckBox *b : w.findChildren<QCheckBox *>())
        if (b->isChecked())
            s.ticked << b->property("group").toString();
    s.ticked.sort();
    s.preset = w.findChild<QComboBox *>(QStringLiteral("smskp_combo"))->currentIndex();
    return s;
}

// A window past its start-up (the default configuration has had its turn)
// with a known configuration on the form.
inline std::unique_ptr<MainWindow> preparedWindow(RecordingPrompter &prompter, const QString &port,
                                                  int memorySize = 32)
{
    auto w = startedWindow();
    prompter.clear();
    w->setMode(memorySize);
    w->state().setPortName(port);
    const QStringList texts = {"36301234567", "4321", "0007", "Kapunyito  ", "1", "Ajto", "Ablak",
                               "5", "K3 BE", "K4 BE", "K3 KI", "K4 KI", "Ajto nyitva", "Ablak nyitva",
                               "Ajto zarva", "Ablak zarva"};
    for (int i = 0; i < texts.size(); ++i)
        widget<QLineEdit>(*w, generalNames().at(i))->setText(texts.at(i));
    for (int n = 1; n <= 128; ++n)
        widget<QLineEdit>(*w, QStringLiteral("t_%1").arg(n))->clear();
    for (QCheckBox *b : w->findChildren<QCheckBox *>())
        b->setChecked(false);
    widget<QLineEdit>(*w, QStringLiteral("t_1"))->setText(QStringLiteral("36201112222"));
    groupBox(*w, QStringLiteral("1.1"))->setChecked(true);
    groupBox(*w, QStringLiteral("2.2"))->setChecked(true);
    widget<QLineEdit>(*w, QStringLiteral("t_2"))->setText(QStringLiteral("3630 555 66 77"));
    groupBox(*w, QStringLiteral("4.1"))->setChecked(true);
    widget<QLineEdit>(*w, QStringLiteral("t_32"))->setText(QStringLiteral("36709998888"));
    groupBox(*w, QStringLiteral("63.2"))->setChecked(true);
    widget<QLineEdit>(*w, QStringLiteral("t_33"))->setText(QStringLiteral("36703334444"));
    groupBox(*w, QStringLiteral("66.1"))->setChecked(true);
    widget<QLineEdit>(*w, QStringLiteral("t_128"))->setText(QStringLiteral("36201230000"));
    groupBox(*w, QStringLiteral("255.1"))->setChecked(true);
    groupBox(*w, QStringLiteral("256.2"))->setChecked(true);
    return w;
}

// The records of the known form as the module should store them.
inline QStringList expectedRecords(int memorySize)
{
    QStringList r = {"36301234567     ", "4321            ", "0007            ", "Kapunyito       ",
                     "1               ", "Ajto            ", "Ablak           ", "0005            ",
                     "K3 BE           ", "K4 BE           ", "K3 KI           ", "K4 KI           ",
                     "Ajto nyitva     ", "Ablak nyitva    ", "Ajto zarva      ", "Ablak zarva     "};
    for (int i = 0; i < 12; ++i)
        r << QString(16, QLatin1Char(' '));
    for (int n = 1; n <= memorySize; ++n) {
        QString rec;
        switch (n) {
        case 1: rec = "1236201112222"; break;
        case 2: rec = "013630 555 66 77"; break;
        case 32: rec = "2036709998888"; break;
        case 33: rec = "0136703334444"; break;
        case 128: rec = "1236201230000"; break;
        default: rec = "00"; break;
        }
        r << rec.leftJustified(16, QLatin1Char(' '));
    }
    return r;
}

// Puts the simulated module into programming mode, as the port button would.
inline bool enterProgramMode(const QString &port)
{
    ComPort p(port, 1200);
    if (!p.openPort(200, 0, 0, 0))
        return false;
    p.sendText(QStringLiteral("~|"));
    return !p.readReply().isEmpty();
}

inline std::unique_ptr<ModuleSimulator> startedSimulator(const SimulatorOptions &options = {})
{
    auto sim = std::make_unique<ModuleSimulator>(options);
    if (!sim->start() || !enterProgramMode(sim->devicePath()))
        return nullptr;
    sim->waitIdle();
    sim->clearReceived();
    return sim;
}

// The module in this process, in programming mode, for the tests that are
// not about the line's timing.
inline std::unique_ptr<InProcessModule> startedInProcess(const SimulatorOptions &options = {})
{
    auto module = std::make_unique<InProcessModule>(options);
    module->enterProgramMode();
    return module;
}

// Follows the download dialog while download() runs it: what it showed, when,
// and optionally presses OK once the result is there.
struct DialogWatch
{
    QPointer<QDialog> dialog;
    QElapsedTimer clock;
    QString resultText;
    // The failure's reason, in its own label below the result text; empty
    // when that label is not shown.
    QString reasonText;
    QRect reasonGeometry;
    bool reasonBelowResult = false;
    qint64 resultAtMs = -1;
    qint64 closedAtMs = -1;
    int maximum = -1;
    int firstValue = -1;
    int lastValue = -1;
    bool okEnabledWhileRunning = false;
    bool survivedEscape = false;
    bool survivedClose = false;
    bool pressOk = false;
    // Return where the dialog's focus is, once the result shows.
    bool pressReturn = false;
    // Escape and the frame's close button once the result shows, before OK.
    bool tryToDismissResult = false;
    bool resultSurvivedDismissal = false;
    std::function<void(QDialog *)> whileRunning;

    void arm()
    {
        clock.start();
        whenModalShows([this](QWidget *modal) {
            dialog = qobject_cast<QDialog *>(modal);
            if (!dialog)
                return;
            auto *bar = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
            maximum = bar->maximum();
            firstValue = bar->value();
            QObject::connect(dialog, &QDialog::finished, [this] { closedAtMs = clock.elapsed(); });
            // Owned by the dialog, so it stops when download() destroys it.
            auto *timer = new QTimer(dialog);
            timer->setInterval(5);
            QObject::connect(timer, &QTimer::timeout, [this] {
                if (!dialog->isVisible())
                    return;
                auto *label = dialog->findChild<QLabel *>(QStringLiteral("kiiras"));
                auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
                lastValue = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value();
                if (label->text() == kRunning) {
                    okEnabledWhileRunning = okEnabledWhileRunning || buttons->isEnabled();
                    if (whileRunning) {
                        auto once = std::move(whileRunning);
                        whileRunning = nullptr;
                        once(dialog);
                    }
                    return;
                }
                if (resultAtMs < 0) {
                    resultText = label->text();
                    auto *reason = dialog->findChild<QLabel *>(QStringLiteral("hiba_oka"));
                    if (reason && reason->isVisible()) {
                        reasonText = reason->text();
                        reasonGeometry = reason->geometry();
                        // Under the result text, above the bar and the button, whole.
                        const auto *bar = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
                        reasonBelowResult = reasonGeometry.top() > label->geometry().bottom()
                            && reasonGeometry.bottom() < bar->geometry().top()
                            && bar->geometry().bottom() < buttons->geometry().top()
                            && buttons->geometry().bottom() <= dialog->height()
                            && reasonGeometry.height() >= reason->heightForWidth(reasonGeometry.width());
                    }
                    resultAtMs = clock.elapsed();
                    if (tryToDismissResult) {
                        QTest::keyClick(dialog, Qt::Key_Escape);
                        dialog->close();
                        resultSurvivedDismissal = dialog->isVisible();
                    }
                    if (pressOk && dialog->isVisible())
                        buttons->button(QDialogButtonBox::Ok)->click();
                    if (pressReturn && dialog->isVisible())
                        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog.data(), Qt::Key_Return);
                }
            });
            timer->start();
        });
    }
};

// Escape and the frame's close button while the worker runs: neither may end
// the dialog.
inline void tryToDismiss(DialogWatch &watch, QDialog *d)
{
    QTest::keyClick(d, Qt::Key_Escape);
    watch.survivedEscape = d->isVisible();
    d->close();
    watch.survivedClose = d->isVisible();
}

// Whether a progress dialog shows up while the result message is on screen
// for longer than a progress dialog's own delayed first showing (4 s).
inline void watchForLateProgress(RecordingPrompter &prompter, bool *appeared)
{
    prompter.onMessage = [appeared](const RecordingPrompter::Message &) {
        QTest::qWait(4300);
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->inherits("QProgressDialog") && top->isVisible())
                *appeared = true;
    };
}

} // namespace transfertest
