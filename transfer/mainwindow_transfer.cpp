// The configuration transfers: the form turned into the module's record
// image and back, download, read-out and verify. The record layout itself is
// in configimage.cpp; these members only move texts and ticks between it
// and the form.

#include "app/mainwindow.h"

#include "app/commandfocus.h"
#include "app/commandprogress.h"
#include "app/prompter.h"
#include "document/generalfields.h"
#include "forms/mainwindow_form.h"
#include "serial/moduleprotocol.h"
#include "transfer/configimage.h"
#include "transfer/dload.h"
#include "transfer/dlthread.h"

#include <QtCore/QPointer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QTabWidget>

namespace {

int recordCharacters(int memorySize)
{
    return (memorySize + configimage::kGeneralRecords + configimage::kReservedRecords)
        * configimage::kRecordLength;
}

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

// What the verify box tells on request: each differing record by the name
// the form gives it, the form's value against the module's.
QString differenceLines(const QString &image, const QString &stored)
{
    const auto shown = [](const std::optional<QString> &record) {
        return record ? QStringLiteral("„%1”").arg(*record) : QStringLiteral("(nincs)");
    };
    QStringList lines;
    const auto differing = configimage::differences(image, stored);
    for (const configimage::RecordDifference &difference : differing) {
        const int reserved = difference.record - configimage::kGeneralRecords;
        const int number = reserved - configimage::kReservedRecords + 1;
        const QString name = reserved < 0 ? generalfields::generalFieldName(difference.record)
            : number < 1                  ? generalfields::reservedRecordName(reserved + 1)
                                          : generalfields::telephoneFieldName(number);
        lines << QStringLiteral("%1: az űrlapon %2, a modulban %3")
                     .arg(name, shown(difference.expected), shown(difference.stored));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

bool MainWindow::buildConfigImage()
{
    const configimage::BuildResult result =
        configimage::buildImage(formConfiguration(), memorySize, QLatin1Char(downloadSeparator));
    configImage = result.image;
    if (!result.ok()) {
        ui->tabWidget->setCurrentWidget(ui->tab);
        return false;
    }
    return true;
}

bool MainWindow::refuseFieldWithSeparator(const QString &title)
{
    const int field =
        configimage::fieldWithSeparator(formConfiguration(), memorySize, QLatin1Char(downloadSeparator));
    if (field < 0)
        return false;
    const bool isGeneral = field < configimage::kGeneralRecords;
    const int number = field - configimage::kGeneralRecords + 1;
    showFieldProblem(isGeneral ? generalLineEdits().at(field) : telephoneEdit(number), title,
                     QStringLiteral("A(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud "
                                    "tárolni. Javítsa ki a mezőt!")
                         .arg(isGeneral ? generalfields::generalFieldName(field)
                                        : generalfields::telephoneFieldName(number)));
    return true;
}

bool MainWindow::applyConfigImage(const QString &image)
{
    const std::optional<Configuration> parsed = configimage::parseImage(image, memorySize);
    if (!parsed)
        return false;
    // Every box is set, so with 32 numbers the boxes of 33 … 128 are cleared
    // while their numbers stay.
    showConfiguration(*parsed, memorySize, false);
    return true;
}

void MainWindow::download()
{
    const CommandFocus focus(this);
    if (!buildConfigImage()) {
        prompt::critical(this, QStringLiteral("Betöltés hiba."),
                         QStringLiteral("Az összes mező kitöltése kötelező."));
        return;
    }
    if (refuseFieldWithSeparator(QStringLiteral("Betöltés hiba.")))
        return;
    // On the heap and guarded: should the window go away while the dialog
    // runs (program exit), the window's destruction takes the dialog with it.
    QPointer<dload> dialog =
        new dload({portName, baudRate, ackChar, downloadSeparator, configImage}, this);
    dialog->exec();
    delete dialog.data();
}

std::optional<QString> MainWindow::readStoredRecords(QProgressDialog &progress,
                                                     const QString &portFailure)
{
    const auto records = moduleprotocol::ModuleSession(portName, baudRate).readRecords(progressOf(progress));
    if (records.failure == moduleprotocol::Failure::PortNotOpened) {
        endProgress(progress);
        prompt::critical(this, QStringLiteral("Hiba"), portFailure);
        return std::nullopt;
    }
    if (records.failure == moduleprotocol::Failure::Cancelled)
        return std::nullopt;
    showCompletion(progress);
    // No answer, or one that never ended, comes back empty; the callers fail
    // it as a reply without records.
    return records.value;
}

void MainWindow::readup()
{
    const CommandFocus focus(this);
    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                             recordCharacters(memorySize), this);
    progress.setWindowTitle(QStringLiteral("Kiolvasás"));
    progress.setWindowModality(Qt::WindowModal);

    const std::optional<QString> reply = readStoredRecords(
        progress, QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot."));
    if (!reply)
        return;
    if (!applyConfigImage(configimage::normalizeReply(*reply))) {
        endProgress(progress);
        prompt::critical(this, QStringLiteral("Hiba"),
                         QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!"));
        return;
    }
    selectSmsPresetFor(ui->smskp->text());
}

void MainWindow::verify()
{
    const CommandFocus focus(this);
    const QString failed = QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!");
    if (!buildConfigImage()) {
        prompt::critical(this, QStringLiteral("Ellenőrzés"), failed);
        return;
    }
    if (refuseFieldWithSeparator(QStringLiteral("Ellenőrzés")))
        return;

    // Made only now: its delayed showing starts with it.
    QProgressDialog progress(QStringLiteral("Ellenőrzés..."), QStringLiteral("Megszakítás"), 0,
                             recordCharacters(memorySize), this);
    progress.setWindowTitle(QStringLiteral("Ellenőrzés"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButton(nullptr);

    const std::optional<QString> reply = readStoredRecords(
        progress, QStringLiteral("Sikertelen ellenőrzés.\nNem lehet megnyitni a portot."));
    if (!reply)
        return;
    endProgress(progress);
    // Compared with what a download sends: ő and ű travel as ö and ü, so a
    // module holding those holds a faithful copy, and nothing else is one.
    const QString stored = configimage::normalizeReply(*reply);
    if (stored == configimage::asSent(configImage))
        prompt::information(this, QStringLiteral("Ellenőrzés"), QStringLiteral("Sikeres ellenőrzés."));
    else
        prompt::critical(this, QStringLiteral("Ellenőrzés"), failed, differenceLines(configImage, stored));
}
