#include "app/mainwindow.h"

#include "app/commandprogress.h"
#include "app/prompter.h"
#include "forms/mainwindow_form.h"
#include "serial/comport.h"
#include "serial/modulecommands.h"
#include "serial/modulereplies.h"
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

const QString kStatusBusy = QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);");
const QString kStatusDone = QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(0, 121, 89);");
const QString kInputActive = QStringLiteral("background-color: rgb(255, 170, 0);");
const QString kOutputOn = QStringLiteral("background-color: rgb(255, 0, 0);");
const QString kIndicatorOff = QStringLiteral("background-color: rgb(180, 180, 180);");
const QString kSignalWeak = QStringLiteral("QProgressBar::chunk { background-color: #FF0000; }");
const QString kSignalGood = QStringLiteral("QProgressBar::chunk { background-color: #05B8CC; }");

const QString kErrorTitle = QStringLiteral("Hiba");
const QString kModeTitle = QStringLiteral("Üzemmód");

// Text that came from the module never becomes markup or a link.
void setModuleText(QLabel *label, const QString &text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

void advance(QProgressDialog &progress)
{
    progress.setValue(progress.value() + 1);
}

} // namespace

void MainWindow::show_port()
{
    if (programMode) {
        leaveProgramMode();
        return;
    }

    const bool search = sender() && sender()->objectName() == QLatin1String("button_port");
    PortSelection selection;
    {
        setcom dialog(portName, baudRate, 300, search, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        selection = dialog.selectedPort();
    }
    portName = selection.portName;
    baudRate = selection.baudRate;
    showPortLabel();

    ComPort port(portName, baudRate);
    if (!port.openPort(200, 0, 0, 0))
        return;
    port.sendText(modulecommands::kIdentify);
    QString answer = port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    answer.chop(1);
    port.closePort();

    if (!modulereplies::isIdentification(answer))
        return;

    const QString memoryText = modulereplies::memoryField(answer);
    const int memory = modulereplies::memoryNumber(memoryText).value_or(0);
    setModuleText(ui->l_ver, QStringLiteral("Memória: ") + memoryText);
    setMode(memory);

    programMode = true;
    updateModeDisplay();

    pictureFile = (memory == 32 || memory == 128) ? QStringLiteral("cfg_i32.dll") : QStringLiteral("cfg_i31.dll");
    showModulePicture();

    prompt::information(this, kModeTitle,
                        QStringLiteral("A port sikeresen kiválasztva: ") + portName
                            + QStringLiteral("\nAz eszköz átállt programozási üzemmódba. A műveletek "
                                             "befejeztével az eszközt vissza kell állítani normál "
                                             "üzemmódba!"));
}

void MainWindow::leaveProgramMode()
{
    ComPort port(portName, baudRate);
    if (!port.openPort(200, 0, 0, 0))
        return;
    port.sendText(modulecommands::kLeave);
    port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    port.closePort();

    programMode = false;
    updateModeDisplay();

    prompt::information(this, kModeTitle,
                        QStringLiteral("Az eszköz visszaállt normál üzemmódba, és jelenleg újraindul. "
                                       "Kérem várja meg, amíg feljelentkezik a hálózatra!"));
}

void MainWindow::showModulePicture()
{
    // The pictures carry a ".dll" name; only their content tells the format.
    QImageReader reader(pictureFile);
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    ui->image->setPixmap(QPixmap::fromImage(picture));
}

void MainWindow::status()
{
    ui->button_status->setStyleSheet(kStatusBusy);
    ui->button_status->setText(QStringLiteral("Várjon!..."));
    ui->button_status->setEnabled(false);
    ui->terero->setStyleSheet(QString());
    ui->terero->reset();

    QProgressDialog progress(this);
    progress.setWindowTitle(QStringLiteral("Állapot lekérdezése"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setLabelText(QStringLiteral("Állapot lekérdezése..."));
    progress.setRange(0, 45);

    ComPort port(portName, baudRate);
    const auto finish = [&](bool failed) {
        port.closePort();
        endProgress(progress);
        ui->button_status->setStyleSheet(kStatusDone);
        ui->button_status->setText(QStringLiteral("Állapot lekérdezése"));
        ui->button_status->setEnabled(true);
        if (failed)
            prompt::critical(this, kErrorTitle, QStringLiteral("Sikertelen lekérdezés.\nEllenőrizze az eszközt!"));
    };

    if (!port.openPort(200, 0, 0, 0))
        return finish(true);

    advance(progress);
    port.sendText(modulecommands::kIdentify);
    QString identification = port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    identification.chop(1);
    const QString memoryText = modulereplies::memoryField(identification);
    const std::optional<int> memory = modulereplies::memoryNumber(memoryText);
    if (!memory)
        return finish(true);
    setModuleText(ui->l_ver, QStringLiteral("Memória: ") + memoryText);
    setMode(*memory);
    advance(progress);

    port.sendText(modulecommands::kStates);
    const std::optional<modulereplies::IoStates> states =
        modulereplies::parseStates(port.readReply(&progress, modulecommands::kShortAnswerLimit));
    if (!states)
        return finish(true);
    ui->w_be1->setStyleSheet(states->input1Active ? kInputActive : kIndicatorOff);
    ui->w_be2->setStyleSheet(states->input2Active ? kInputActive : kIndicatorOff);
    QWidget *const outputs[4] = {ui->w_ki1, ui->w_ki2, ui->w_ki3, ui->w_ki4};
    for (int i = 0; i < 4; ++i)
        outputs[i]->setStyleSheet(states->outputOn[size_t(i)] ? kOutputOn : kIndicatorOff);

    // The module takes its time to measure the signal: each byte may take 5 s.
    if (!port.openPort(0, 5000, 0, 0))
        return finish(true);
    port.sendText(modulecommands::kSignal);
    const QString signalAnswer = port.readReply(&progress, modulecommands::kShortAnswerLimit);
    port.closePort();
    endProgress(progress);

    const std::optional<modulereplies::SignalInfo> signal = modulereplies::parseSignal(signalAnswer);
    if (!signal)
        return finish(true);
    ui->terero->setRange(0, 10);
    ui->terero->reset();
    ui->terero->setValue(signal->strength);
    ui->terero->setStyleSheet(signal->strength <= 5 ? kSignalWeak : kSignalGood);
    setModuleText(ui->l_service, signal->service);

    finish(false);
}

void MainWindow::rele_test()
{
    const QString failure = QStringLiteral("Sikertelen teszt.\nEllenőrizze az eszközt.");

    ComPort port(portName, baudRate);
    if (!port.openPort(200, 0, 0, 0)) {
        prompt::critical(this, kErrorTitle, failure);
        return;
    }
    port.sendText(modulecommands::kStates);
    std::optional<QString> states =
        modulereplies::relayStates(port.readReply(nullptr, modulecommands::kShortAnswerLimit));
    if (!states) {
        port.closePort();
        prompt::critical(this, kErrorTitle, failure);
        return;
    }

    // The port stays ours while the user decides, so nothing else gets between.
    {
        Reletest dialog(&*states, this);
        if (dialog.exec() != QDialog::Accepted) {
            port.closePort();
            return;
        }
    }
    port.sendText(modulereplies::relayCommand(*states));
    port.readReply(nullptr, modulecommands::kShortAnswerLimit);
    port.closePort();
    QTimer::singleShot(50, this, &MainWindow::status);
}
