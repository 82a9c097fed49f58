#include "app/mainwindow.h"

#include "app/about.h"
#include "app/prompter.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QUrl>

void MainWindow::nevjegy()
{
    // Not modal, and every activation opens another box; each is freed when closed.
    auto *box = new about(infoLine1, infoLine2, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void MainWindow::contents()
{
    // The desktop services report success for any name on Linux, because they
    // only start the opener; so a missing document is caught here first.
    const QFileInfo help(QDir::current(), QStringLiteral("kordavo-help.pdf"));
    if (!help.isFile() || !Prompter::instance().openUrl(QUrl::fromLocalFile(help.absoluteFilePath())))
        prompt::critical(this, QStringLiteral("Help"), QStringLiteral("Hiba! A dokumentáció nem nyitható meg."));
}
