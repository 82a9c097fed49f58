#pragma once

// The one call a client makes after a transfer: the record goes to the
// register on a thread of its own, so neither the window's GUI thread nor a
// module's line ever waits on a database. The register is opened on that
// thread as soon as the recorder exists, while the module still talks.

#include "register/registerlocation.h"
#include "register/transferrecord.h"

#include <QtCore/QObject>

#include <memory>

class QThread;

namespace siteregister {

class RecorderWorker;

class RegisterRecorder : public QObject
{
    Q_OBJECT

public:
    // Own: a thread of the recorder's, opening the register at once. Caller:
    // the caller's thread, opening it with the first record.
    enum class Threading { Own, Caller };

    explicit RegisterRecorder(const Location &location, QObject *parent = nullptr);
    RegisterRecorder(const Location &location, Threading threading);
    // The register KORDAVO_REGISTER names, or the default file; a value it
    // cannot take is every outcome's problem, told once.
    explicit RegisterRecorder(QObject *parent = nullptr);
    // Finishes the records handed in (each bounded by the register's own
    // connection and statement limits), then stops the thread.
    ~RegisterRecorder() override;

    const Location &location() const;

    // Returns at once; recorded() brings the outcome to this object's thread.
    void record(const TransferRecord &record);
    // Returns the outcome once the record is written, queued or refused.
    RecordOutcome recordAndWait(const TransferRecord &record);

signals:
    void recorded(const siteregister::RecordOutcome &outcome);

private:
    void start();
    RecordOutcome unusable();

    Location where;
    QString locationProblem;
    bool told = false;
    Threading threading = Threading::Own;
    QThread *thread = nullptr;
    RecorderWorker *worker = nullptr;
};

} // namespace siteregister
