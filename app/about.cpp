#include "app/about.h"

#include "forms/prompter.h"

#include "kordavoversion.h"
#include "ui_about.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QUrl>

QString programTitle()
{
    return QStringLiteral("Kordavo 32/128 letöltő szoftver v") + QLatin1String(kordavo::kVersion);
}

about::about(const QString &infoLine1, const QString &infoLine2, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::about>())
{
    ui->setupUi(this);
    ui->label_v->setText(programTitle());
    ui->label_comp->setText(infoLine1);
    ui->label_wby->setText(infoLine2);
}

about::~about() = default;

void showAboutBox(const QString &infoLine1, const QString &infoLine2, QWidget *parent)
{
    auto *box = new about(infoLine1, infoLine2, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void openHelpDocument(QWidget *parent)
{
    // The desktop services report success for any name on Linux, because they
    // only start the opener; so a missing document is caught here first.
    // The details name the file looked for, which tells a program started
    // outside its folder at once.
    const QFileInfo help(QDir::current(), QStringLiteral("kordavo-help.pdf"));
    if (!help.isFile() || !Prompter::instance().openUrl(QUrl::fromLocalFile(help.absoluteFilePath())))
        prompt::critical(parent, QStringLiteral("Help"), QStringLiteral("Hiba! A dokumentáció nem nyitható meg."),
                         QDir::toNativeSeparators(help.absoluteFilePath()));
}
