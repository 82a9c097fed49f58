#include "forms/prompter.h"

#include <QtGui/QDesktopServices>
#include <QtWidgets/QFileDialog>

namespace {
Prompter *g_installed = nullptr;
}

void Prompter::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                       const QString &text, const QString &details)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

QString Prompter::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                               const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Prompter::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                               const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

bool Prompter::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

Prompter &Prompter::instance()
{
    static Prompter real;
    return g_installed ? *g_installed : real;
}

void Prompter::install(Prompter *prompter)
{
    g_installed = prompter;
}
