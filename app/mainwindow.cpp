#include "app/mainwindow.h"

#include "app/about.h"
#include "app/stylesheets.h"
#include "document/configfile.h"
#include "forms/mainwindow_form.h"

#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QComboBox>

namespace {

constexpr int kNumbersPerPage = 32;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , portName(QStringLiteral("COM1"))
{
    ui->setupUi(this);
    setWindowTitle(QString::fromUtf8(kProgramTitle));

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
            connect(action, &QAction::triggered, this, &MainWindow::endEditing);
    }
    for (QPushButton *button : {ui->button_port, ui->button_status, ui->button_dl, ui->button_ul, ui->button_vf})
        connect(button, &QPushButton::clicked, this, &MainWindow::endEditing);

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
    // every focus move out of the field (eventFilter) runs its group's check.
    for (const auto &group : fieldGroups) {
        const auto edits = group.container->findChildren<QLineEdit *>();
        for (QLineEdit *edit : edits) {
            connect(edit, &QLineEdit::returnPressed, this, group.check);
            edit->installEventFilter(this);
            int number = 0;
            if (group.telephone) {
                connect(edit, &QLineEdit::textEdited, this, &MainWindow::input_tel_edit);
                number = edit->objectName().mid(2).toInt();   // "t_<n>"
            }
            checkedFields.insert(edit, {group.check, number});
        }
    }
    // Qt emits currentIndexChanged only on a real change of the entry, which
    // is exactly when the preset must be applied.
    connect(ui->smskp_combo, &QComboBox::currentIndexChanged, this, &MainWindow::smskpSelect);

    fileLabel = new QLabel(QStringLiteral("Nincs megnyitott fájl."), this);
    statusBar()->insertWidget(0, fileLabel, 1);
    portLabel = new QLabel(this);
    statusBar()->insertWidget(1, portLabel, 1);
    showPortLabel();

    QTimer::singleShot(500, this, &MainWindow::newfile);

    setMode(32);
    programMode = false;
    updateModeDisplay();
}

MainWindow::~MainWindow()
{
    // The widgets outlive this body and lose the focus as they go; nothing
    // they signal may reach a window that is already half destroyed.
    windowClosing = true;
    const auto objects = findChildren<QObject *>();
    for (QObject *object : objects) {
        object->removeEventFilter(this);
        disconnect(object, nullptr, this, nullptr);
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const auto found = checkedFields.constFind(watched);
    if (found == checkedFields.cend() || windowClosing)
        return QMainWindow::eventFilter(watched, event);
    const CheckedField field = *found;

    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front (a message box among them) and
        // the field's own context menu leave the field where it is; the
        // menu bar and its menus end the editing, as they end a line edit's.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const QWidget *popup = QApplication::activePopupWidget();
        const bool ownMenu = reason == Qt::PopupFocusReason && popup && popup->parentWidget() == watched;
        if (reason != Qt::ActiveWindowFocusReason && !ownMenu)
            (this->*field.check)();
    } else if (event->type() == QEvent::KeyPress && field.number > 0) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int step = 0;
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                step = 1;
                break;
            case Qt::Key_Up:
                step = -1;
                break;
            default:
                break;
            }
        }
        // Leaving the field runs the check; where there is nowhere to go,
        // Return ends the editing in place.
        if (step != 0 && static_cast<QWidget *>(watched)->hasFocus()
            && stepToNumber(field.number, step))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::endEditing()
{
    const auto found = checkedFields.constFind(focusWidget());
    if (found != checkedFields.cend() && !windowClosing)
        (this->*found->check)();
}

bool MainWindow::stepToNumber(int number, int step)
{
    const int target = number + step;
    // Each page is a list of its own, as its tab says.
    if (target < 1 || (target - 1) / kNumbersPerPage != (number - 1) / kNumbersPerPage)
        return false;
    QLineEdit *next = telephoneEdit(target);
    if (!next || !next->isEnabled())
        return false;
    // As with Tab, so the number typed next replaces the one there.
    next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A check now would put a message over a window that is going away.
    windowClosing = true;
    QMainWindow::closeEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    windowClosing = false;
    QMainWindow::showEvent(event);
}

void MainWindow::showPortLabel()
{
    portLabel->setText(QStringLiteral("%1   Baud: %2").arg(portName).arg(baudRate));
}

void MainWindow::updateModeDisplay()
{
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

QList<QLineEdit *> MainWindow::generalLineEdits() const
{
    return ui->tab->findChildren<QLineEdit *>();
}

QLineEdit *MainWindow::telephoneEdit(int n) const
{
    return ui->centralWidget->findChild<QLineEdit *>(QStringLiteral("t_%1").arg(n));
}

QList<QCheckBox *> MainWindow::telephoneCheckBoxes() const
{
    return ui->centralWidget->findChildren<QCheckBox *>();
}

QHash<int, int> MainWindow::telephoneKeyValues() const
{
    QList<configfile::FlagBox> flags;
    const auto boxes = telephoneCheckBoxes();
    for (const QCheckBox *box : boxes)
        flags.append({box->property("group").toString(), box->isChecked()});
    return configfile::keyValues(flags);
}
