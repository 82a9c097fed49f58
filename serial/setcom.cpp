#include "serial/setcom.h"

#include "app/prompter.h"
#include "serial/comport.h"
#include "serial/moduleprotocol.h"
#include "serial/portnames.h"

#include "ui_setcom.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtSerialPort/QSerialPort>
#include <QtSerialPort/QSerialPortInfo>
#include <QtWidgets/QProgressDialog>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QStringList systemPorts()
{
    QStringList names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        names << info.portName();
    return names;
}

setcom::PortSource &portSource()
{
    static setcom::PortSource source;
    return source;
}


// The one platform seam of the listing: the line that says a port exists
// but this user may not open it, or a null string. Busy or missing ports are
// not meant: they are simply not listed.
QString permissionDeniedLine(const QString &name)
{
#if defined(Q_OS_UNIX)
    // The port names Qt lists are device names under /dev.
    const QString devicePath = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    const QByteArray path = QFile::encodeName(devicePath);
    struct stat info;
    if (::stat(path.constData(), &info) != 0 || ::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    const group *owner = ::getgrgid(info.st_gid);
    const QString groupName = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    return QStringLiteral("A %1 port nem nyitható meg: nincs jogosultság (%2 csoport).").arg(devicePath, groupName);
#else
    Q_UNUSED(name);
    return {};
#endif
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

    if (autoSearch)
        autoLookup();
}

setcom::~setcom() = default;

void setcom::setPortSource(PortSource source)
{
    portSource() = std::move(source);
}

PortSelection setcom::selectedPort() const
{
    return {ui->comboBox->currentText(), ui->baudrate->currentText().toInt()};
}

void setcom::lookupCom()
{
    ui->comboBox->clear();
    ports.clear();

    QStringList candidates = portSource() ? portSource()() : systemPorts();
    std::sort(candidates.begin(), candidates.end(), portNameLess);
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    QString denied;
    for (const QString &name : candidates) {
        if (!ComPort::canOpen(name)) {
            if (denied.isNull())
                denied = permissionDeniedLine(name);
            continue;
        }
        ui->comboBox->addItem(name);
        ports << name;
        if (name == initialPort)
            ui->comboBox->setCurrentIndex(ui->comboBox->count() - 1);
    }
    // A typed path (/dev/pts/3, /dev/serial/by-id/…) is not listed: it stays
    // the box's text, so OK keeps the port in use.
    if (ui->comboBox->isEditable() && !initialPort.isEmpty() && !ports.contains(initialPort))
        ui->comboBox->setEditText(initialPort);
    // Without it a user outside the port's group sees only an empty list.
    ui->l_access->setText(denied);
    ui->l_access->setVisible(!denied.isNull());
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

        const int baud = ui->baudrate->currentText().toInt();
        for (const QString &name : std::as_const(ports)) {
            moduleprotocol::ModuleSession session(name, baud);
            const auto identified = session.identify({0, quint32(probeTimeout)});
            if (identified.failure == moduleprotocol::Failure::PortNotOpened)
                continue;
            // A Cancel click that came in during the probe takes effect now.
            QCoreApplication::processEvents();
            if (identified.value.recognised) {
                result = name;
                progress.setValue(progress.maximum());
                // Tells the module that answered that the search is over.
                session.endSearch();
            }
            if (progress.wasCanceled())
                return;
            session.close();
            progress.setValue(progress.value() + 1);
        }
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
