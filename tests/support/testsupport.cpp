#include "support/testsupport.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtCore/QTimer>

#include <cstdio>
#include <cstdlib>

std::unique_ptr<MainWindow> startedWindow()
{
    auto w = std::make_unique<MainWindow>();
    // The start-up's newfile() names the default configuration first, then loads it in the same turn.
    if (!QTest::qWaitFor([&w] { return !w->state().fileName().isEmpty(); }, 5000))
        qFatal("the window's start-up never loaded the default configuration");
    return w;
}

QCheckBox *groupBox(const QObject &parent, const QString &group)
{
    const auto boxes = parent.findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes)
        if (box->property("group").toString() == group)
            return box;
    return nullptr;
}

void RecordingPrompter::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                const QString &text, const QString &details)
{
    messages.append({icon, title, text, details});
    messageParents.append(parent);
    if (onMessage)
        onMessage(messages.last());
}

QString RecordingPrompter::openFileName(QWidget *, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    fileDialogs.append({caption, dir, filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString RecordingPrompter::saveFileName(QWidget *, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    fileDialogs.append({caption, dir, filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString RecordingPrompter::newFileName(QWidget *parent, const QString &caption, const QString &path,
                                       const QString &filter)
{
    return saveFileName(parent, caption, path, filter);
}

bool RecordingPrompter::question(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Question, title, text, QString());
    return !questionAnswers.isEmpty() && questionAnswers.dequeue();
}

std::optional<QString> RecordingPrompter::text(QWidget *, const QString &title, const QString &label,
                                               const QString &initial, bool)
{
    inputs.append({title, label, initial, {}});
    return textAnswers.isEmpty() ? std::nullopt : textAnswers.dequeue();
}

std::optional<int> RecordingPrompter::choice(QWidget *, const QString &title, const QString &label,
                                             const QStringList &items)
{
    inputs.append({title, label, QString(), items});
    return choiceAnswers.isEmpty() ? std::nullopt : choiceAnswers.dequeue();
}

bool RecordingPrompter::openUrl(const QUrl &url)
{
    openedUrls.append(url);
    return openUrlResult;
}

void RecordingPrompter::clear()
{
    messages.clear();
    messageParents.clear();
    fileDialogs.clear();
    openedUrls.clear();
    inputs.clear();
}

std::function<void()> whenModalShows(const std::function<void(QWidget *)> &action, int timeoutMs)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::destroyed, [clock] { delete clock; });
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            std::fprintf(stderr, "whenModalShows: no modal dialog within %d ms\n", timeoutMs);
        }
    });
    timer->start();
    return [watch = QPointer<QTimer>(timer)] {
        if (watch) {
            watch->stop();
            watch->deleteLater();
        }
    };
}
