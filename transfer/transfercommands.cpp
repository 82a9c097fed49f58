// The record layout itself is in configimage.cpp; these members only move
// texts and ticks between it and the form.

#include "transfer/transfercommands.h"

#include "document/configfile.h"
#include "document/configuration.h"
#include "document/documentcommands.h"
#include "document/fieldchecks.h"
#include "document/windowstate.h"
#include "forms/commandfocus.h"
#include "forms/mainwindow_form.h"
#include "forms/prompter.h"
#include "serial/commandprogress.h"
#include "serial/moduleprotocol.h"
#include "serial/moduleworker.h"
#include "transfer/configimage.h"
#include "transfer/dload.h"
#include "transfer/moduleoperations.h"
#include "transfer/resultwords.h"
#include "transfer/dlthread.h"

#include <QtCore/QPointer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QTabWidget>

namespace {

using moduleoperations::FieldProblem;
using Command = siteregister::TransferRecord::Command;
using Result = siteregister::TransferRecord::Result;

// Shows completion until the command ends. A dialog that never came up
// (a short transfer) is kept down: otherwise its delayed first showing would
// pop up over the result message.
void showCompletion(QProgressDialog &progress)
{
    progress.setAutoReset(false);
    if (progress.isVisible())
        progress.setValue(progress.maximum());
    else
        endProgress(progress);
}

// A transfer that ends before the module's records are in: a port that does
// not open says so, and why on request; a cancel says nothing.
bool endedEarly(QWidget *parent, moduleprotocol::Failure failure, QProgressDialog &progress,
                const QString &portFailure, const QString &port)
{
    if (failure == moduleprotocol::Failure::PortNotOpened) {
        endProgress(progress);
        prompt::critical(parent, QStringLiteral("Hiba"), portFailure, resultwords::portFailure(port));
        return true;
    }
    return failure == moduleprotocol::Failure::Cancelled;
}

// What the verify box tells on request: each differing record by the name
// the form gives it, the form's value against the module's, and an answer
// that stopped short of its end.
QString differenceLines(const moduleoperations::Verified &verified, int entries, const QString &port)
{
    QStringList lines;
    for (const configimage::RecordDifference &difference : verified.differences) {
        lines << QStringLiteral("%1: az űrlapon %2, a modulban %3")
                     .arg(resultwords::recordLabel(difference.record), resultwords::shownRecord(difference.expected),
                          resultwords::shownRecord(difference.stored));
    }
    const QString whole = resultwords::verifyFailure(verified, entries, port);
    if (!whole.isEmpty())
        lines << whole;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TransferCommands::TransferCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state,
                                   DocumentCommands &document, FieldChecks &checks)
    : ui(ui)
    , window(window)
    , state(state)
    , document(document)
    , checks(checks)
{
}

moduleoperations::Prepared TransferCommands::prepareForm()
{
    moduleoperations::Prepared prepared =
        moduleoperations::prepare(document.formConfiguration(), state.moduleModel());
    state.setConfigImage(prepared.image);
    return prepared;
}

bool TransferCommands::showEmptyField(const moduleoperations::Prepared &prepared)
{
    if (!prepared.problem || prepared.problem->kind != FieldProblem::Kind::Empty)
        return false;
    ui.tabWidget->setCurrentWidget(ui.tab);
    return true;
}

bool TransferCommands::buildConfigImage()
{
    return !showEmptyField(prepareForm());
}

bool TransferCommands::refuseFieldWithSeparator(const moduleoperations::Prepared &prepared, const QString &title)
{
    if (!prepared.problem || prepared.problem->kind != FieldProblem::Kind::Separator)
        return false;
    const int field = prepared.problem->field;
    const bool isGeneral = field < configimage::kGeneralRecords;
    const int number = field - configimage::kGeneralRecords + 1;
    checks.showFieldProblem(isGeneral ? ui.generalLineEdits().at(field) : ui.telephoneEdit(number), title,
                            QStringLiteral("A(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem "
                                           "tud tárolni. Javítsa ki a mezőt!")
                                .arg(resultwords::fieldLabel(field)));
    return true;
}

void TransferCommands::keep(siteregister::TransferRecord::Command command, siteregister::TransferRecord::Result result,
                            const QString &message, const QString &image, const QByteArray &krv)
{
    if (!recordTransfer)
        return;
    siteregister::TransferRecord record = siteregister::TransferRecord::now(command, result);
    record.message = QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
    record.port = state.portName();
    record.identification = state.moduleIdentification();
    record.memory = state.moduleMemory();
    record.image = image;
    record.krv = krv;
    record.program = QStringLiteral("window");
    recordTransfer(record);
}

QByteArray TransferCommands::formFile() const
{
    return configfile::formatLines(configfile::toLines(document.formConfiguration()));
}

bool TransferCommands::applyConfigImage(const QString &image)
{
    const std::optional<Configuration> parsed = configimage::parseImage(image, state.memorySize());
    if (!parsed)
        return false;
    showReadOut(parsed->fittedToForm());
    return true;
}

void TransferCommands::showReadOut(const Configuration &configuration)
{
    // Every box is set, so with 32 numbers the boxes of 33 … 128 are cleared
    // while their numbers stay.
    document.showConfiguration(configuration, state.memorySize());
}

void TransferCommands::download()
{
    const CommandFocus focus(window);
    const moduleoperations::Prepared prepared = prepareForm();
    if (showEmptyField(prepared)) {
        prompt::critical(window, QStringLiteral("Betöltés hiba."), QStringLiteral("Az összes mező kitöltése kötelező."),
                         resultwords::problemText(*prepared.problem));
        return;
    }
    if (refuseFieldWithSeparator(prepared, QStringLiteral("Betöltés hiba.")))
        return;
    // On the heap and guarded: should the window go away while the dialog
    // runs (program exit), the window's destruction takes the dialog with it.
    QPointer<dload> dialog =
        new dload({state.portName(), state.baudRate(), state.ackChar(), prepared.image}, window);
    dialog->exec();
    if (!dialog)
        return;
    const bool stored = dialog->worker->success;
    const moduleprotocol::Failure failure = dialog->worker->outcome().failure;
    delete dialog.data();
    if (failure != moduleprotocol::Failure::PortNotOpened)
        keep(Command::Download, stored ? Result::Ok : Result::Failed,
             stored ? QStringLiteral("Sikeres betöltés.") : QStringLiteral("Betöltés hiba."),
             stored ? configimage::asSent(prepared.image) : QString(), formFile());
}

void TransferCommands::readOut()
{
    const CommandFocus focus(window);
    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                             moduleoperations::recordCharacters(state.memorySize()), window);
    progress.setWindowTitle(QStringLiteral("Kiolvasás"));
    progress.setWindowModality(Qt::WindowModal);

    ModuleWorker worker(state.portName(), state.baudRate());
    followReading(progress, worker);
    const moduleoperations::ReadOut read =
        worker.perform([model = state.moduleModel()](moduleprotocol::ModuleSession &session,
                                                     const moduleoperations::Control &control) {
            return moduleoperations::readout(session, model, control);
        });
    if (read.failure == moduleprotocol::Failure::Cancelled)
        keep(Command::Readout, Result::Interrupted, QStringLiteral("Megszakítva."), {}, {});
    if (endedEarly(window, read.failure, progress, QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot."),
                   state.portName()))
        return;
    showCompletion(progress);
    if (!read.configuration) {
        endProgress(progress);
        prompt::critical(window, QStringLiteral("Hiba"),
                         QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!"),
                         resultwords::readoutFailure(read, state.memorySize(), state.portName()));
        keep(Command::Readout, Result::Failed, QStringLiteral("Sikertelen kiolvasás."), {}, {});
        return;
    }
    showReadOut(*read.configuration);
    document.selectSmsPresetFor(ui.smskp->text());
    keep(Command::Readout, Result::Ok, QStringLiteral("Sikeres kiolvasás."), read.image,
         configfile::formatLines(configfile::toLines(*read.configuration)));
}

void TransferCommands::verify()
{
    const CommandFocus focus(window);
    const QString failed = QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!");
    const moduleoperations::Prepared prepared = prepareForm();
    if (showEmptyField(prepared)) {
        prompt::critical(window, QStringLiteral("Ellenőrzés"), failed, resultwords::problemText(*prepared.problem));
        return;
    }
    if (refuseFieldWithSeparator(prepared, QStringLiteral("Ellenőrzés")))
        return;

    // Made only now: its delayed showing starts with it.
    QProgressDialog progress(QStringLiteral("Ellenőrzés..."), QStringLiteral("Megszakítás"), 0,
                             moduleoperations::recordCharacters(state.memorySize()), window);
    progress.setWindowTitle(QStringLiteral("Ellenőrzés"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButton(nullptr);

    ModuleWorker worker(state.portName(), state.baudRate());
    followReading(progress, worker);
    const moduleoperations::Verified verified =
        worker.perform([image = prepared.image, entries = prepared.model.entries](
                           moduleprotocol::ModuleSession &session, const moduleoperations::Control &control) {
            return moduleoperations::verify(session, image, entries, control);
        });
    if (endedEarly(window, verified.failure, progress, QStringLiteral("Sikertelen ellenőrzés.\nNem lehet megnyitni a portot."),
                   state.portName()))
        return;
    endProgress(progress);
    // No answer, or one that never ended, fails as a module holding other records.
    if (verified.matches())
        prompt::information(window, QStringLiteral("Ellenőrzés"), QStringLiteral("Sikeres ellenőrzés."));
    else
        prompt::critical(window, QStringLiteral("Ellenőrzés"), failed,
                         differenceLines(verified, prepared.model.entries, state.portName()));
    const Result result = verified.matches() ? Result::Ok : verified.stored.isEmpty() ? Result::Failed : Result::Differs;
    keep(Command::Verify, result, verified.matches() ? QStringLiteral("Sikeres ellenőrzés.") : failed, verified.stored,
         formFile());
}
