#pragma once

// The window's questions to the site register, each run on a thread of the
// register's own: a server that is slow or gone (its connection is given
// about 2 s) never holds up the window. The answer comes back on the GUI
// thread, to an object that still exists.

#include "register/registerlocation.h"
#include "register/siteregister.h"

#include <QtCore/QMetaObject>
#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <functional>
#include <utility>

class QThread;

class RegisterClient : public QObject
{
    Q_OBJECT

public:
    // The register KORDAVO_REGISTER names, or the default file.
    explicit RegisterClient(QObject *parent = nullptr);
    explicit RegisterClient(const siteregister::Location &location, QObject *parent = nullptr);
    // Waits for the question under way (bounded by the register's own limits).
    ~RegisterClient() override;

    // Why there is no register to ask: turned off, or a KORDAVO_REGISTER it
    // cannot take. Empty when there is one.
    QString unavailable() const { return unusable; }
    // The file or the server, for the user.
    QString where() const { return location.display(); }
    bool busy() const { return pending > 0; }

    // `question` runs with the register on its thread; `answer` gets what it
    // returned on this object's thread, unless `context` is gone by then.
    template <typename Question, typename Answer>
    void ask(QObject *context, Question question, Answer answer)
    {
        using Result = decltype(question(std::declval<siteregister::SiteRegister &>()));
        if (!worker)
            return;
        QPointer<QObject> guard(context);
        started();
        post([this, guard, question = std::move(question), answer = std::move(answer)](siteregister::SiteRegister &site) {
            Result result = question(site);
            QMetaObject::invokeMethod(
                this,
                [this, guard, answer, result = std::move(result)] {
                    done();
                    if (guard)
                        answer(result);
                },
                Qt::QueuedConnection);
        });
    }

signals:
    void busyChanged(bool busy);

private:
    class Worker;
    void start();
    void post(std::function<void(siteregister::SiteRegister &)> job);
    void started();
    void done();

    siteregister::Location location;
    QString unusable;
    int pending = 0;
    QThread *thread = nullptr;
    Worker *worker = nullptr;
};
