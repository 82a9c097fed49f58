// The configuration transfers: the form turned into the module's record
// image and back, download, read-out and verify. The record layout itself is
// in configimage.cpp; these members only move texts and ticks between it
// and the form.

#include "app/mainwindow.h"

#include "app/prompter.h"
#include "forms/mainwindow_form.h"
#include "serial/comport.h"
#include "transfer/configimage.h"
#include "transfer/dload.h"

#include <QtCore/QPointer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QTabWidget>

namespace {

// A read of the records waits at most 700 ms for each byte.
constexpr quint32 kReadMultiplier = 500;
constexpr quint32 kReadConstant = 200;

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
        progress.reset();
}

} // namespace

bool MainWindow::buildConfigImage()
{
    QStringList general;
    for (const QLineEdit *edit : generalLineEdits())
        general << edit->text();

    QStringList numbers;
    for (int n = 1; n <= memorySize; ++n) {
        const QLineEdit *edit = telephoneEdit(n);
        numbers << (edit ? edit->text() : QString());
    }

    const configimage::BuildResult result = configimage::buildImage(
        general, telephoneKeyValues(), numbers, QLatin1Char(downloadSeparator));
    configImage = result.image;
    if (!result.ok()) {
        ui->tabWidget->setCurrentWidget(ui->tab);
        return false;
    }
    return true;
}

bool MainWindow::applyConfigImage(const QString &image)
{
    const QList<QLineEdit *> general = generalLineEdits();
    const std::optional<configimage::ParsedImage> parsed =
        configimage::parseImage(image, memorySize, int(general.size()));
    if (!parsed)
        return false;

    for (int i = 0; i < general.size(); ++i) {
        general[i]->clear();
        general[i]->setText(parsed->general.at(i));
    }
    for (int n = 1; n <= memorySize; ++n) {
        if (QLineEdit *edit = telephoneEdit(n)) {
            edit->clear();
            edit->setText(parsed->telephones.at(n - 1).number);
        }
    }
    const QHash<int, int> keys = parsed->keyValues();
    for (QCheckBox *box : telephoneCheckBoxes())
        box->setChecked(configfile::boxTicked(keys, box->property("group").toString()));
    return true;
}

void MainWindow::download()
{
    if (!buildConfigImage()) {
        prompt::critical(this, QStringLiteral("Betöltés hiba."),
                         QStringLiteral("Az összes mező kitöltése kötelező."));
        return;
    }
    // On the heap and guarded: should the window go away while the dialog
    // runs (program exit), the window's destruction takes the dialog with it.
    QPointer<dload> dialog =
        new dload(portName, baudRate, ackChar, downloadSeparator, configImage, this);
    dialog->exec();
    delete dialog.data();
}

std::optional<QString> MainWindow::readStoredRecords(QProgressDialog &progress,
                                                     const QString &portFailure)
{
    ComPort port(portName, baudRate);
    if (!port.openPort(kReadMultiplier, kReadConstant, 0, 0)) {
        prompt::critical(this, QStringLiteral("Hiba"), portFailure);
        return std::nullopt;
    }
    port.sendText(QStringLiteral("~{"));
    const QString reply = port.readReply(&progress);
    port.closePort();
    if (progress.wasCanceled())
        return std::nullopt;
    showCompletion(progress);
    return reply;
}

void MainWindow::readup()
{
    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                             recordCharacters(memorySize), this);
    progress.setWindowModality(Qt::WindowModal);

    const std::optional<QString> reply = readStoredRecords(
        progress, QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot."));
    if (!reply)
        return;
    if (!applyConfigImage(configimage::normalizeReply(*reply))) {
        prompt::critical(this, QStringLiteral("Hiba"),
                         QStringLiteral("Sikertelen kiolvasás.\nEllenőrizze az eszközt, és próbálja meg újra!"));
        return;
    }
    selectSmsPresetFor(ui->smskp->text());
}

void MainWindow::verify()
{
    const QString failed = QStringLiteral("Sikertelen ellenőrzés.\nTöltse be újra a konfigurációt!");
    QProgressDialog progress(QStringLiteral("Ellenőrzés..."), QStringLiteral("Megszakítás"), 0,
                             recordCharacters(memorySize), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButton(nullptr);

    if (!buildConfigImage()) {
        prompt::critical(this, QStringLiteral("Ellenőrzés"), failed);
        return;
    }

    const std::optional<QString> reply = readStoredRecords(
        progress, QStringLiteral("Sikertelen ellenőrzés.\nNem lehet megnyitni a portot."));
    if (!reply)
        return;
    // Compared as the download would have stored it: a character without a
    // Latin-1 code (ő, ű) went as byte 0 and comes back as such, and that is
    // a faithful copy, not a difference.
    if (configimage::normalizeReply(*reply) == configimage::asStored(configImage))
        prompt::information(this, QStringLiteral("Ellenőrzés"), QStringLiteral("Sikeres ellenőrzés."));
    else
        prompt::critical(this, QStringLiteral("Ellenőrzés"), failed);
}
