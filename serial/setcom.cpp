#include "serial/setcom.h"

#include "forms/connected.h"
#include "forms/prompter.h"
#include "serial/deviceoperations.h"
#include "serial/moduleworker.h"

#include "ui_setcom.h"

#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QProgressDialog>

namespace {

setcom::PortSource &portSource()
{
    static setcom::PortSource source;
    return source;
}

} // namespace

setcom::setcom(const QString &portName, int baudRate, int probeTimeout, bool autoSearch,
               QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::setcom>())
    , initialPort(portName)
    , initialBaud(QString::number(baudRate))
    , probeTimeout(probeTimeout)
{
    ui->setupUi(this);
    ui->comboBox->clear();
#if !defined(Q_OS_WIN)
    // Device paths such as /dev/serial/by-id/… are not all listed; they can be typed.
    ui->comboBox->setEditable(true);
    ui->comboBox->setInsertPolicy(QComboBox::NoInsert);
#endif
    for (int i = 0; i < ui->baudrate->count(); ++i)
        ui->baudrate->setItemData(i, ui->baudrate->itemText(i).toInt());

    lookupCom();

    ui->baudrate->setCurrentIndex(ui->baudrate->findText(initialBaud, Qt::MatchExactly | Qt::MatchCaseSensitive));

    connect(ui->autoPort, &QPushButton::clicked, this, &setcom::autoLookup);
    connect(ui->reload, &QPushButton::clicked, this, &setcom::lookupCom);
    // Return in the port box takes what the box shows, as OK does: the box's
    // inline completion would first put a listed port over a typed path and
    // keep the key from the dialog.
    ui->comboBox->installEventFilter(this);

    if (autoSearch)
        autoLookup();
}

setcom::~setcom() = default;

void setcom::setPortSource(PortSource source)
{
    portSource() = std::move(source);
}

bool setcom::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->comboBox && event->type() == QEvent::KeyPress && !ui->comboBox->view()->isVisible()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

PortSelection setcom::selectedPort() const
{
    return {ui->comboBox->currentText(), ui->baudrate->currentText().toInt()};
}

void setcom::lookupCom()
{
    ui->comboBox->clear();
    const moduleoperations::PortListing listing = ModuleWorker(QString(), 0).listPorts(portSource());
    ports = listing.ports;
    for (const QString &name : std::as_const(ports)) {
        ui->comboBox->addItem(name);
        if (name == initialPort)
            ui->comboBox->setCurrentIndex(ui->comboBox->count() - 1);
    }
    // A typed path (/dev/pts/3, /dev/serial/by-id/…) is not listed: it stays
    // the box's text, so OK keeps the port in use. The window's first port,
    // "COM1", names nothing here, and the first listed port serves better.
    const bool typedPath = initialPort.startsWith(QLatin1Char('/'))
        || QFileInfo::exists(QStringLiteral("/dev/") + initialPort);
    if (ui->comboBox->isEditable() && typedPath && !ports.contains(initialPort))
        ui->comboBox->setEditText(initialPort);
    // Without it a user outside the port's group sees only an empty list.
    const bool denied = !listing.deniedPath.isEmpty();
    ui->l_access->setText(denied ? QStringLiteral("A %1 port nem nyitható meg: nincs jogosultság (%2 csoport).")
                                       .arg(listing.deniedPath, listing.deniedGroup)
                                 : QString());
    ui->l_access->setVisible(denied);
    ui->comboBox->setFocus();
}

void setcom::autoLookup()
{
    QString result = QStringLiteral("0");
    {
        // Window-modal over the main window, so it stays usable while this
        // dialog is not shown yet (the search may run from the constructor).
        QProgressDialog progress(QStringLiteral("Keresés..."), QStringLiteral("Megszakítás"), 0,
                                 int(ports.size()), parentWidget());
        progress.setWindowTitle(QStringLiteral("Keresés"));
        progress.setWindowModality(Qt::WindowModal);
        progress.show();
        progress.setValue(1);

        lookupCom();

        ModuleWorker worker(QString(), ui->baudrate->currentText().toInt());
        connected(connect(&worker, &ModuleWorker::searchStep, &progress,
                          [&progress](const moduleoperations::SearchStep &step) {
                              if (step.found)
                                  progress.setValue(progress.maximum());
                              if (!progress.wasCanceled())
                                  progress.setValue(progress.value() + 1);
                          }),
                  "ModuleWorker::searchStep");
        // Honoured between probes: each probe ends within its wait. A Cancel
        // pressed while the list was refreshed stops after the first.
        connected(connect(&progress, &QProgressDialog::canceled, &worker, &ModuleWorker::cancel),
                  "QProgressDialog::canceled");
        if (progress.wasCanceled())
            worker.cancel();
        const moduleoperations::Found found = worker.search(ports, quint32(probeTimeout));
        if (found.cancelled)
            return;
        if (found.port)
            result = *found.port;
    }

    if (result == QLatin1String("0")) {
        prompt::critical(this, QStringLiteral("Hiba"), QStringLiteral("Az eszköz nem nem található."));
        return;
    }
    ui->comboBox->clear();
    ui->comboBox->addItem(result);
    ui->comboBox->setFocus();
    QTimer::singleShot(200, this, &QDialog::accept);
}
