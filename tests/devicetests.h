#pragma once

// Shared by the tests of the device commands that run the main window
// against a simulated module.

#include "support/testsupport.h"

#include "serial/setcom.h"
#include "sim/modulesimulator.h"
#include "support/inprocessmodule.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QPushButton>

#include <memory>

namespace devicetests {

inline std::unique_ptr<ModuleSimulator> startModule(const SimulatorOptions &options = {})
{
    auto sim = std::make_unique<ModuleSimulator>(options);
    if (!sim->start())
        qFatal("simulator: %s", qPrintable(sim->errorString()));
    return sim;
}

// The module in this process, for the tests that are not about the line's
// timing: the window reaches it while it lives.
inline std::unique_ptr<InProcessModule> startInProcess(const SimulatorOptions &options = {})
{
    return std::make_unique<InProcessModule>(options);
}

// A working directory holding the files the program reads at run time, as
// the build places them beside the program.
class WorkDir : public ScratchDir
{
public:
    WorkDir() : ScratchDir(ProgramFiles) {}
};

// Answers the next port dialog by typing `path` and pressing OK (or Cancel).
inline void answerPortDialog(const QString &path, bool ok = true)
{
    whenModalShows([path, ok](QWidget *modal) {
        auto *combo = modal->findChild<QComboBox *>(QStringLiteral("comboBox"));
        if (combo) {
            combo->setEditText(path);
        }
        auto *box = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        if (!box) {
            qWarning("modal widget is not the port dialog");
            return;
        }
        box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

// Enters programming mode through "Beállítások" → "Port beállítása" by typing
// the module's path, as a user of a port the system does not list would.
inline void enterThroughMenu(MainWindow &w, const QString &path)
{
    setcom::setPortSource([] { return QStringList(); });
    answerPortDialog(path);
    widget<QAction>(w, QStringLiteral("actionPort"))->trigger();
}

} // namespace devicetests
