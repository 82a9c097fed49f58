#include "serial/devicecommands.h"

#include "document/memorymode.h"
#include "document/modulemodel.h"
#include "forms/commandfocus.h"
#include "forms/connected.h"
#include "forms/mainwindow_form.h"
#include "forms/prompter.h"
#include "forms/stylesheets.h"
#include "document/windowstate.h"
#include "serial/commandprogress.h"
#include "serial/deviceoperations.h"
#include "serial/devicewords.h"
#include "serial/moduleworker.h"
#include "serial/reletest.h"
#include "serial/setcom.h"

#include <QtCore/QTimer>
#include <QtGui/QImageReader>
#include <QtGui/QPixmap>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QPushButton>

namespace {

const QString kStatusBusy = QString::fromLatin1(stylesheets::kGreyButton);
const QString kStatusDone = QString::fromLatin1(stylesheets::kStatusButton);
const QString kInputActive = QString::fromLatin1(stylesheets::kInputActive);
const QString kOutputOn = QString::fromLatin1(stylesheets::kOutputOn);
const QString kIndicatorOff = QString::fromLatin1(stylesheets::kGreySquare);
const QString kSignalWeak = QString::fromLatin1(stylesheets::kSignalWeak);
const QString kSignalGood = QString::fromLatin1(stylesheets::kSignalGood);

const QString kErrorTitle = QStringLiteral("Hiba");
const QString kModeTitle = QStringLiteral("Üzemmód");

// Text that came from the module never becomes markup or a link.
void setModuleText(QLabel *label, const QString &text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

using moduleprotocol::Failure;

} // namespace

DeviceCommands::DeviceCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state,
                               MemoryMode &memoryMode)
    : ui(ui)
    , window(window)
    , state(state)
    , memoryMode(memoryMode)
{
}

void DeviceCommands::showPort(bool search)
{
    const CommandFocus focus(window);
    if (state.programMode()) {
        leaveProgramMode();
        return;
    }

    PortSelection selection;
    {
        setcom dialog(state.portName(), state.baudRate(), moduleprotocol::kSearchWaitMs, search, window);
        if (dialog.exec() != QDialog::Accepted)
            return;
        selection = dialog.selectedPort();
    }
    state.setPort(selection.portName, selection.baudRate);

    // A port that does not open, and a module that does not answer as one,
    // leave everything as it was without a word.
    moduleoperations::Identified identified;
    {
        ModuleWorker worker(state.portName(), state.baudRate());
        identified = worker.identify();
        worker.close();
    }
    if (!identified.inProgramMode())
        return;

    const int memory = identified.memory;
    setModuleText(ui.l_ver, QStringLiteral("Memória: ") + identified.answer.memoryField);
    memoryMode.apply(memory);

    state.setModuleIdentification(identified.answer.text);
    state.setProgramMode(true);

    state.setPictureFile(identified.model.picture);
    showModulePicture();

    prompt::information(window, kModeTitle,
                        QStringLiteral("A port sikeresen kiválasztva: ") + state.portName()
                            + QStringLiteral("\nAz eszköz átállt programozási üzemmódba. A műveletek "
                                             "befejeztével az eszközt vissza kell állítani normál "
                                             "üzemmódba!"));
}

void DeviceCommands::leaveProgramMode()
{
    {
        ModuleWorker worker(state.portName(), state.baudRate());
        if (worker.leave() != Failure::None)
            return;
    }

    state.setProgramMode(false);

    prompt::information(window, kModeTitle,
                        QStringLiteral("Az eszköz visszaállt normál üzemmódba, és jelenleg újraindul. "
                                       "Kérem várja meg, amíg feljelentkezik a hálózatra!"));
}

void DeviceCommands::showModulePicture()
{
    // The pictures carry a ".dll" name; only their content tells the format.
    QImageReader reader(state.pictureFile());
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    ui.image->setPixmap(QPixmap::fromImage(picture));
}

void DeviceCommands::status()
{
    const CommandFocus focus(window);
    ui.button_status->setStyleSheet(kStatusBusy);
    ui.button_status->setText(QStringLiteral("Várjon!..."));
    ui.button_status->setEnabled(false);
    ui.terero->setStyleSheet(QString());
    ui.terero->reset();

    QProgressDialog progress(window);
    progress.setWindowTitle(QStringLiteral("Állapot lekérdezése"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setLabelText(QStringLiteral("Állapot lekérdezése..."));
    progress.setRange(0, 45);

    ModuleWorker worker(state.portName(), state.baudRate());
    followReading(progress, worker);
    // A failure's box says why on request, in the words kordavo-cli prints.
    const auto finish = [&](bool failed, const QString &why) {
        worker.close();
        endProgress(progress);
        ui.button_status->setStyleSheet(kStatusDone);
        ui.button_status->setText(QStringLiteral("Állapot lekérdezése"));
        ui.button_status->setEnabled(true);
        if (failed)
            prompt::critical(window, kErrorTitle, QStringLiteral("Sikertelen lekérdezés.\nEllenőrizze az eszközt!"), why);
    };

    // Each step shows what it learnt as soon as it has it.
    const auto stepDone = [this, &progress](const moduleoperations::Status &soFar) {
        if (soFar.reached == moduleoperations::Status::Step::States) {
            setModuleText(ui.l_ver, QStringLiteral("Memória: ") + soFar.identification.memoryField);
            memoryMode.apply(soFar.memory);
            advance(progress);
            return;
        }
        ui.w_be1->setStyleSheet(soFar.states.input1Active ? kInputActive : kIndicatorOff);
        ui.w_be2->setStyleSheet(soFar.states.input2Active ? kInputActive : kIndicatorOff);
        QWidget *const outputs[4] = {ui.w_ki1, ui.w_ki2, ui.w_ki3, ui.w_ki4};
        for (int i = 0; i < 4; ++i)
            outputs[i]->setStyleSheet(soFar.states.outputs.isOn(i + 1) ? kOutputOn : kIndicatorOff);
    };
    connected(QObject::connect(&worker, &ModuleWorker::statusStep, &progress, stepDone), "ModuleWorker::statusStep");

    advance(progress);
    const moduleoperations::Status result = worker.status();
    if (result.reached == moduleoperations::Status::Step::Signal)
        endProgress(progress);
    if (!result.ok())
        return finish(true, resultwords::statusFailure(result, state.portName()));
    endProgress(progress);
    ui.terero->setRange(0, 10);
    ui.terero->reset();
    ui.terero->setValue(result.signal.strength);
    ui.terero->setStyleSheet(result.signal.strength <= 5 ? kSignalWeak : kSignalGood);
    setModuleText(ui.l_service, result.signal.service);

    finish(false, QString());
}

void DeviceCommands::releTest()
{
    const CommandFocus focus(window);
    const QString failure = QStringLiteral("Sikertelen teszt.\nEllenőrizze az eszközt.");

    // The port stays ours from the state query until the outputs are set, so
    // nothing else gets between while the user decides.
    ModuleWorker worker(state.portName(), state.baudRate());
    const auto states = worker.outputStates();
    if (!states.ok()) {
        worker.close();
        prompt::critical(window, kErrorTitle, failure, resultwords::statesFailure(states.failure, state.portName()));
        return;
    }

    OutputMask choice = states.value.outputs;
    {
        Reletest dialog(&choice, window);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    worker.setOutputs(choice);
    QTimer::singleShot(50, window, [this] { status(); });
}
