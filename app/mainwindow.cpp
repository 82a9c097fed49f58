#include "app/mainwindow.h"

#include "app/about.h"
#include "document/documentcommands.h"
#include "document/fieldchecks.h"
#include "document/formcontents.h"
#include "document/memorymode.h"
#include "document/windowstate.h"
#include "forms/mainwindow_form.h"
#include "forms/stylesheets.h"
#include "registerview/registercommands.h"
#include "serial/devicecommands.h"
#include "serial/modulecommands.h"
#include "transfer/configimage.h"
#include "transfer/transfercommands.h"

#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , windowState(new WindowState(configimage::kSeparator.toLatin1(), modulecommands::kStored, this))
{
    ui->setupUi(this, mainFormContents());
    fieldChecks = new FieldChecks(*ui, this);
    setWindowTitle(programTitle());

    ui->actionOpen->setIcon(QIcon(QStringLiteral(":/img/img/open.png")));
    ui->actionSave->setIcon(QIcon(QStringLiteral(":/img/img/save.png")));
    ui->actionExit->setIcon(QIcon(QStringLiteral(":/img/img/exit_icon.png")));
    ui->actionAbout->setIcon(QIcon(QStringLiteral(":/img/img/info_icon.png")));
    ui->actionReadup->setIcon(QIcon(QStringLiteral(":/img/img/up.png")));
    ui->actionDownload->setIcon(QIcon(QStringLiteral(":/img/img/down.png")));

    // Connected first, so a value typed and not yet left is judged before
    // any command reads the form: a shortcut or a menu entry takes no focus.
    // Leaving the program is not moving on: no message on the way out.
    const auto actions = findChildren<QAction *>();
    for (QAction *action : actions) {
        if (action != ui->actionExit)
            connect(action, &QAction::triggered, fieldChecks, &FieldChecks::endEditing);
    }
    for (QPushButton *button : {ui->button_port, ui->button_status, ui->button_dl, ui->button_ul, ui->button_vf})
        connect(button, &QPushButton::clicked, fieldChecks, &FieldChecks::endEditing);

    connect(ui->actionOpen, &QAction::triggered, this, &MainWindow::openfile);
    connect(ui->actionSave, &QAction::triggered, this, &MainWindow::save);
    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionPort, &QAction::triggered, this, &MainWindow::show_port);
    connect(ui->actionReadup, &QAction::triggered, this, &MainWindow::readup);
    connect(ui->actionDownload, &QAction::triggered, this, &MainWindow::download);
    connect(ui->actionVerify, &QAction::triggered, this, &MainWindow::verify);
    connect(ui->actionReleTeszt, &QAction::triggered, this, &MainWindow::rele_test);
    connect(ui->actionStatus, &QAction::triggered, this, &MainWindow::status);
    connect(ui->actionContents, &QAction::triggered, this, &MainWindow::contents);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::nevjegy);

    connect(ui->button_port, &QPushButton::clicked, this, &MainWindow::show_port);
    connect(ui->button_status, &QPushButton::clicked, this, &MainWindow::status);
    connect(ui->button_dl, &QPushButton::clicked, this, &MainWindow::download);
    connect(ui->button_ul, &QPushButton::clicked, this, &MainWindow::readup);
    connect(ui->button_vf, &QPushButton::clicked, this, &MainWindow::verify);

    using Slot = void (MainWindow::*)();
    const struct { QWidget *container; Slot check; bool telephone; } fieldGroups[] = {
        {ui->g1, &MainWindow::input_g1, false},
        {ui->g2_be, &MainWindow::input_g2, false},
        {ui->g2_ki, &MainWindow::input_g2, false},
        {ui->g3, &MainWindow::input_g3, true},
        {ui->g4, &MainWindow::input_g4, true},
        {ui->g5, &MainWindow::input_g5, true},
        {ui->g6, &MainWindow::input_g6, true},
    };
    // Qt ends the editing on a focus move only when the text changed, but a
    // value that a file left behind must be judged too: every Return and
    // every focus move out of the field (FieldChecks) runs its group's check.
    for (const auto &group : fieldGroups) {
        const auto edits = group.container->findChildren<QLineEdit *>();
        for (QLineEdit *edit : edits) {
            connect(edit, &QLineEdit::returnPressed, this, group.check);
            int number = 0;
            if (group.telephone) {
                connect(edit, &QLineEdit::textEdited, this, &MainWindow::input_tel_edit);
                number = edit->objectName().mid(2).toInt();   // "t_<n>"
            }
            fieldChecks->watch(edit, [this, check = group.check] { (this->*check)(); }, number);
        }
    }
    // Qt emits currentIndexChanged only on a real change of the entry, which
    // is exactly when the preset must be applied.
    connect(ui->smskp_combo, &QComboBox::currentIndexChanged, this, &MainWindow::smskpSelect);

    auto *fileLabel = new QLabel(QStringLiteral("Nincs megnyitott fájl."), this);
    fileLabel->setObjectName(QStringLiteral("fileLabel"));
    statusBar()->insertWidget(0, fileLabel, 1);
    portLabel = new QLabel(this);
    portLabel->setObjectName(QStringLiteral("portLabel"));
    statusBar()->insertWidget(1, portLabel, 1);
    showPortLabel();

    memoryMode = std::make_unique<MemoryMode>(*ui, *windowState);
    documentCommands = std::make_unique<DocumentCommands>(*ui, this, *windowState, *fieldChecks, fileLabel);
    deviceCommands = std::make_unique<DeviceCommands>(*ui, this, *windowState, *memoryMode);
    transferCommands =
        std::make_unique<TransferCommands>(*ui, this, *windowState, *documentCommands, *fieldChecks);
    registerCommands = std::make_unique<RegisterCommands>(this, statusBar(), *windowState, *documentCommands);
    transferCommands->setRecorder(
        [commands = registerCommands.get()](const siteregister::TransferRecord &record) { commands->record(record); });
    connect(ui->actionSites, &QAction::triggered, registerCommands.get(), &RegisterCommands::showSites);
    connect(ui->actionFindNumber, &QAction::triggered, registerCommands.get(), &RegisterCommands::findNumber);
    connect(ui->actionSheet, &QAction::triggered, registerCommands.get(), &RegisterCommands::sheetOfForm);
    connect(windowState, &WindowState::portChanged, this, &MainWindow::showPortLabel);
    // Whoever enters or leaves programming mode, the window shows it.
    connect(windowState, &WindowState::programModeChanged, this, &MainWindow::updateModeDisplay);

    QTimer::singleShot(500, this, &MainWindow::newfile);

    setMode(32);
    updateModeDisplay();
}

MainWindow::~MainWindow()
{
    // The widgets outlive this body and lose the focus as they go; nothing
    // they signal may reach a window that is already half destroyed.
    fieldChecks->setWindowClosing(true);
    const auto objects = findChildren<QObject *>();
    for (QObject *object : objects) {
        object->removeEventFilter(fieldChecks);
        disconnect(object, nullptr, this, nullptr);
        disconnect(object, nullptr, fieldChecks, nullptr);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A check now would put a message over a window that is going away.
    fieldChecks->setWindowClosing(true);
    QMainWindow::closeEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    fieldChecks->setWindowClosing(false);
    QMainWindow::showEvent(event);
}

void MainWindow::showPortLabel()
{
    portLabel->setText(QStringLiteral("%1   Baud: %2").arg(windowState->portName()).arg(windowState->baudRate()));
}

void MainWindow::updateModeDisplay()
{
    const bool programMode = windowState->programMode();
    ui->menuDevice->setEnabled(programMode);
    ui->g_eszkoz->setEnabled(programMode);

    const QString portText = programMode ? QStringLiteral("Visszaállás\nnormál üzemmódba")
                                         : QStringLiteral("Port beállítása");
    ui->actionPort->setText(portText);
    ui->button_port->setText(portText);

    if (programMode) {
        ui->button_status->setStyleSheet(QString::fromLatin1(stylesheets::kStatusButton));
        ui->button_dl->setStyleSheet(QString::fromLatin1(stylesheets::kGreenButton));
        ui->button_vf->setStyleSheet(QString::fromLatin1(stylesheets::kVerifyButton));
        ui->button_ul->setStyleSheet(QString::fromLatin1(stylesheets::kReadoutButton));
        ui->button_port->setStyleSheet(QString::fromLatin1(stylesheets::kRedButton));
        return;
    }

    for (QPushButton *button : {ui->button_status, ui->button_dl, ui->button_vf, ui->button_ul})
        button->setStyleSheet(QString::fromLatin1(stylesheets::kGreyButton));
    ui->button_port->setStyleSheet(QString::fromLatin1(stylesheets::kGreenButton));
    ui->l_service->clear();
    ui->terero->reset();
    for (QWidget *square : {ui->w_be1, ui->w_be2, ui->w_ki1, ui->w_ki2, ui->w_ki3, ui->w_ki4})
        square->setStyleSheet(QString::fromLatin1(stylesheets::kGreySquare));
}

bool MainWindow::buildConfigImage() { return transferCommands->buildConfigImage(); }
bool MainWindow::applyConfigImage(const QString &image) { return transferCommands->applyConfigImage(image); }

void MainWindow::newfile() { documentCommands->newFile(); }
void MainWindow::openfile() { documentCommands->openFile(); }
void MainWindow::save() { documentCommands->save(); }
void MainWindow::smskpSelect() { documentCommands->presetSelected(); }
void MainWindow::setMode(int n) { memoryMode->apply(n); }

void MainWindow::input_g1() { fieldChecks->checkFieldGroup({ui->g1}); }
// The input messages and output commands take any text but what would break
// their record or the file: "|" and a whole "---".
void MainWindow::input_g2() { fieldChecks->checkFieldGroup({ui->g2_ki, ui->g2_be}); }
void MainWindow::input_g3() { fieldChecks->checkFieldGroup({ui->g3}); }
void MainWindow::input_g4() { fieldChecks->checkFieldGroup({ui->g4}); }
void MainWindow::input_g5() { fieldChecks->checkFieldGroup({ui->g5}); }
void MainWindow::input_g6() { fieldChecks->checkFieldGroup({ui->g6}); }
void MainWindow::input_tel_edit() { fieldChecks->tidyTypedNumber(qobject_cast<QLineEdit *>(sender())); }

void MainWindow::show_port() { deviceCommands->showPort(sender() && sender()->objectName() == QLatin1String("button_port")); }
void MainWindow::status() { deviceCommands->status(); }
void MainWindow::rele_test() { deviceCommands->releTest(); }

void MainWindow::download() { transferCommands->download(); }
void MainWindow::readup() { transferCommands->readOut(); }
void MainWindow::verify() { transferCommands->verify(); }

void MainWindow::nevjegy() { showAboutBox(windowState->infoLine1(), windowState->infoLine2(), this); }
void MainWindow::contents() { openHelpDocument(this); }
