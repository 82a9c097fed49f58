#pragma once

#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtWidgets/QMessageBox>

// Every message box, file dialog and desktop hand-off of the program goes
// through one Prompter, so tests can answer them without a modal event loop
// and assert the texts the user would see.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // `details` (may be empty) is the box's detailed text, shown on request.
    virtual void message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                         const QString &text, const QString &details);
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter);
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter);
    virtual bool openUrl(const QUrl &url);

    static Prompter &instance();
    // Replaces the active prompter; nullptr restores the real dialogs. Not owned.
    static void install(Prompter *prompter);
};

namespace prompt {
inline void information(QWidget *parent, const QString &title, const QString &text)
{
    Prompter::instance().message(parent, QMessageBox::Information, title, text, QString());
}
inline void warning(QWidget *parent, const QString &title, const QString &text)
{
    Prompter::instance().message(parent, QMessageBox::Warning, title, text, QString());
}
inline void critical(QWidget *parent, const QString &title, const QString &text,
                     const QString &details = QString())
{
    Prompter::instance().message(parent, QMessageBox::Critical, title, text, details);
}
} // namespace prompt
