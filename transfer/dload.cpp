#include "transfer/dload.h"

#include "transfer/dlthread.h"
#include "transfer/resultwords.h"
#include "ui_dload.h"

#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QPushButton>

dload::dload(const DownloadSettings &settings, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::dload>())
    , portName(settings.portName)
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &dload::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &dload::reject);

    worker = new dlThread(settings, this);
    ui->progressBar->setRange(0, worker->progressMaximum());
    connect(worker, &dlThread::valueChanged, ui->progressBar, &QProgressBar::setValue);
    connect(worker, &QThread::finished, this, &dload::dlcomplete);
    worker->start();
}

dload::~dload()
{
    worker->cancel();
    worker->wait();
}

void dload::dlcomplete()
{
    if (worker->success) {
        ui->kiiras->setText(QStringLiteral("Sikeres betöltés."));
        closeTimer = new QTimer(this);
        closeTimer->setSingleShot(true);
        connect(closeTimer, &QTimer::timeout, this, &dload::accept);
        closeTimer->start(2000);
    } else {
        ui->kiiras->setText(
            QStringLiteral("Betöltés hiba.\nTipp: ellenőrizze az eszközt és a portbeállításokat."));
        showReason(resultwords::downloadFailure(worker->outcome(), portName));
    }
    ui->buttonBox->setStandardButtons(QDialogButtonBox::Ok);
    ui->buttonBox->setEnabled(true);
    // Return presses it; Escape still does nothing (reject()).
    QPushButton *ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
}

void dload::showReason(const QString &reason)
{
    if (reason.isEmpty())
        return;
    QLabel *label = ui->hiba_oka;
    label->setText(reason);
    const int top = ui->kiiras->geometry().bottom() + 5;
    const int height = label->heightForWidth(label->width());
    label->setGeometry(label->x(), top, label->width(), height);
    label->show();
    const int shift = top + height + 8 - ui->progressBar->y();
    if (shift <= 0)
        return;
    for (QWidget *below : {static_cast<QWidget *>(ui->progressBar), static_cast<QWidget *>(ui->buttonBox)})
        below->move(below->x(), below->y() + shift);
    resize(width(), this->height() + shift);
}

void dload::reject()
{
    // The dialog ends by OK, or by itself after a success.
}

void dload::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void dload::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(QStringLiteral("Betöltés"));
        ui->label->setText(QString());
        ui->kiiras->setText(QStringLiteral("Betöltés folyamatban..."));
    }
}
