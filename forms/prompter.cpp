#include "forms/prompter.h"

#include <QtGui/QDesktopServices>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QInputDialog>

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

QString Prompter::newFileName(QWidget *parent, const QString &caption, const QString &path,
                              const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, path, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool Prompter::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool Prompter::question(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> Prompter::text(QWidget *parent, const QString &title, const QString &label,
                                      const QString &initial, bool multiLine)
{
    bool ok = false;
    const QString answer = multiLine ? QInputDialog::getMultiLineText(parent, title, label, initial, &ok)
                                     : QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

std::optional<int> Prompter::choice(QWidget *parent, const QString &title, const QString &label,
                                    const QStringList &items)
{
    bool ok = false;
    const QString answer = QInputDialog::getItem(parent, title, label, items, 0, false, &ok);
    const int index = int(items.indexOf(answer));
    return ok && index >= 0 ? std::optional<int>(index) : std::nullopt;
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
