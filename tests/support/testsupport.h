#pragma once

#include "support/coretestsupport.h"

#include "app/mainwindow.h"
#include "document/windowstate.h"
#include "forms/prompter.h"

#include <QtCore/QList>
#include <QtCore/QQueue>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>

#include <memory>
#include <optional>

// A main window once its start-up has given the default configuration its
// turn (loaded when the working directory holds it).
std::unique_ptr<MainWindow> startedWindow();

// The child of that object name below `parent`, or nullptr.
template <typename T = QWidget>
T *widget(const QObject &parent, const QString &name)
{
    return parent.findChild<T *>(name);
}

// The telephone check box of group "k.b" (key k, bit index b).
QCheckBox *groupBox(const QObject &parent, const QString &group);

// Answers every message box and file dialog instead of the user and keeps
// what was shown. Installed for its lifetime.
class RecordingPrompter : public Prompter
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QString details;   // the detailed text, if the box has one
    };
    struct FileDialog
    {
        QString caption;
        QString dir;
        QString filter;
    };

    RecordingPrompter() { Prompter::install(this); }
    ~RecordingPrompter() override { Prompter::install(nullptr); }

    void message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                 const QString &text, const QString &details) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString newFileName(QWidget *parent, const QString &caption, const QString &path,
                        const QString &filter) override;
    bool openUrl(const QUrl &url) override;
    // Kept among the messages, with the Question icon.
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<QString> text(QWidget *parent, const QString &title, const QString &label,
                                const QString &initial, bool multiLine) override;
    std::optional<int> choice(QWidget *parent, const QString &title, const QString &label,
                              const QStringList &items) override;

    struct Input
    {
        QString title;
        QString label;
        QString initial;      // text(): the text offered
        QStringList items;    // choice(): what was offered
    };

    QList<Message> messages;
    QList<FileDialog> fileDialogs;
    QList<QWidget *> messageParents;
    QQueue<QString> fileAnswers;   // answers for the next file dialogs; empty = cancel
    QList<QUrl> openedUrls;
    bool openUrlResult = true;
    QQueue<bool> questionAnswers;                  // empty = No
    QQueue<std::optional<QString>> textAnswers;    // empty = cancel
    QQueue<std::optional<int>> choiceAnswers;      // empty = cancel
    QList<Input> inputs;
    // Runs while a message is "on screen", e.g. to check what the window shows.
    std::function<void(const Message &)> onMessage;

    void clear();
    Message last() const { return messages.isEmpty() ? Message{QMessageBox::NoIcon, {}, {}, {}} : messages.last(); }
};

// Runs `action` once the next modal dialog of class T (or any modal widget
// when T is QWidget) is showing, polling from the event loop for up to
// timeoutMs. Returns immediately; the action runs inside the dialog's exec().
// The function it returns ends the watch early: a test that has seen the
// command return without the dialog need not wait for the watch to run out.
std::function<void()> whenModalShows(const std::function<void(QWidget *)> &action, int timeoutMs = 10000);

#define KORDAVO_TEST_MAIN(TestObject)                  \
    int main(int argc, char *argv[])                   \
    {                                                  \
        prepareTestEnvironment();                      \
        QApplication app(argc, argv);                  \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }
