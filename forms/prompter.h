#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>
#include <QtWidgets/QMessageBox>

#include <optional>

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
    // A save dialog that leaves the question about an existing file to its
    // caller, who asks it with question().
    virtual QString newFileName(QWidget *parent, const QString &caption, const QString &path,
                                const QString &filter);
    virtual bool openUrl(const QUrl &url);
    // Yes or No, No being the default; true for Yes.
    virtual bool question(QWidget *parent, const QString &title, const QString &text);
    // A line (or several) of text, started with `initial`; nothing when cancelled.
    virtual std::optional<QString> text(QWidget *parent, const QString &title, const QString &label,
                                        const QString &initial, bool multiLine = false);
    // One of `items`, by its index; nothing when cancelled.
    virtual std::optional<int> choice(QWidget *parent, const QString &title, const QString &label,
                                      const QStringList &items);

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
