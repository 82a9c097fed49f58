#include "support/testsupport.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTimer>

#include <cstdio>
#include <cstdlib>

void RecordingPrompter::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                const QString &text)
{
    messages.append({icon, title, text});
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
}

ScratchDir::ScratchDir(Contents contents) : previous(QDir::currentPath())
{
    if (contents == ProgramFiles) {
        for (const char *name : {"kordavo_default.dll", "cfg_i32.dll", "cfg_i31.dll"})
            QFile::copy(QStringLiteral(KORDAVO_BIN_DIR "/") + QLatin1String(name),
                        dir.filePath(QLatin1String(name)));
    }
    entered = dir.isValid() && QDir::setCurrent(dir.path());
}

ScratchDir::~ScratchDir()
{
    QDir::setCurrent(previous);
}

void whenModalShows(const std::function<void(QWidget *)> &action, int timeoutMs)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            action(modal);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            std::fprintf(stderr, "whenModalShows: no modal dialog within %d ms\n", timeoutMs);
        }
    });
    timer->start();
}

namespace {

QtMessageHandler g_previousHandler = nullptr;

void failOnConnectionWarnings(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (g_previousHandler)
        g_previousHandler(type, context, msg);
    if (type != QtDebugMsg && type != QtInfoMsg
        && (msg.contains(QLatin1String("QObject::connect")) || msg.contains(QLatin1String("No such signal"))
            || msg.contains(QLatin1String("No such slot")))) {
        std::fprintf(stderr, "FAIL: broken signal connection: %s\n", qPrintable(msg));
        std::abort();
    }
}

} // namespace

void prepareTestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_previousHandler = qInstallMessageHandler(failOnConnectionWarnings);
}
