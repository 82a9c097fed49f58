#pragma once

// The site register: every module's configuration, kept version by version,
// in a SQLite file or a PostgreSQL database, and the questions both clients
// ask of it. One object is one connection, used by the thread that made it;
// RegisterRecorder records from a thread of its own.

#include "register/registerlocation.h"
#include "register/transferrecord.h"
#include "register/versionchanges.h"

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QString>

#include <memory>
#include <optional>

struct Configuration;

namespace siteregister {

struct SiteSummary
{
    qint64 id = 0;        // the site's number
    QString name;
    QString address;
    QString note;
    QString identification;
    int memory = 0;       // the model of its current version
    int numbers = 0;      // numbers stored in its current version
    int versions = 0;     // the last version's number
    int currentVersion = 0;
    QDateTime created;
    QDateTime lastChange;   // when its configuration last became different
    QDateTime lastVerify;   // the last verify that found the module as recorded
};

struct VersionInfo
{
    int version = 0;
    QDateTime time;
    QString login;
    QString host;
    QString program;
    QString programVersion;
    QString command;   // commandName()
    QString result;    // resultName()
    QString message;
    QString port;
    QString identification;
    int memory = 0;
    bool hasCopy = false;       // its image and .krv are kept
    bool asInstalled = false;   // "átadáskori": never pruned
    QDateTime verified;         // when a verify last found the module holding it
    QString verifiedBy;
};

struct StoredVersion
{
    VersionInfo info;
    QString image;
    QByteArray krv;
};

struct NumberPlace
{
    qint64 siteId = 0;
    QString siteName;
    int version = 0;     // the site's current version
    int position = 0;
    QString number;      // as stored
    int alarm = 0;
    int output = 0;
};

struct SharedNumber
{
    QString key;                 // numberKey()
    QList<NumberPlace> places;   // at two sites or more
};

class SiteRegister
{
public:
    explicit SiteRegister(const Location &location);
    ~SiteRegister();
    SiteRegister(const SiteRegister &) = delete;
    SiteRegister &operator=(const SiteRegister &) = delete;

    // Connects (a server within about 2 s), creates or upgrades the schema,
    // and hands a server the versions queued for it. False with problem().
    bool open();
    bool isOpen() const;
    const Location &location() const;
    // Why the last operation failed, in the user's words; empty after success.
    QString problem() const;

    // Keeps what a transfer produced. A version a server cannot take goes to
    // the local queue (Queued); nothing here ever throws or blocks longer
    // than the connection and statement bounds.
    RecordOutcome record(const TransferRecord &record);
    // Delivers the queued versions to the server; how many went.
    int deliverQueued();
    int queuedCount();

    QList<SiteSummary> sites();
    std::optional<SiteSummary> site(qint64 id);
    // "12" is site 12; otherwise a name, whole or a part that only one
    // site's name holds, case and accents not counting ("fokapu": Főkapu). `candidates` lists the sites a
    // name fits when it fits more than one.
    std::optional<SiteSummary> findSite(const QString &text, QList<SiteSummary> *candidates = nullptr);
    // The site of the module that holds (or would get) this configuration:
    // found by its identifier and name, and by its answer to "~|" when that
    // is known. Nothing, with problem(), when no site or several fit.
    std::optional<SiteSummary> siteOfConfiguration(const Configuration &configuration, int memory,
                                                   const QString &identification = QString());
    QList<VersionInfo> history(qint64 siteId);
    std::optional<StoredVersion> version(qint64 siteId, int version);
    // The newest version with a copy.
    std::optional<StoredVersion> latestCopy(qint64 siteId);
    // From version a to version b; nothing when either has no copy.
    std::optional<QList<VersionChange>> changes(qint64 siteId, int a, int b);
    // What changed from the version before `version` that has a copy;
    // empty for the first.
    std::optional<QList<VersionChange>> changesSincePrevious(qint64 siteId, int version);

    // Every place of the number in the current versions, in any form.
    QList<NumberPlace> findNumber(const QString &number);
    QList<SharedNumber> sharedNumbers();

    bool rename(qint64 siteId, const QString &name);
    bool setAddress(qint64 siteId, const QString &address);
    bool setNote(qint64 siteId, const QString &note);
    // Site `from` joins `into`: its versions (numbered again by time), its
    // keys (its module's next transfers land in `into`), its address and note
    // where `into` has none. `from` is gone afterwards.
    bool merge(qint64 from, qint64 into);

    // The installer's name for a login, kept once asked.
    QString installerName(const QString &login);
    bool setInstallerName(const QString &login, const QString &name);

    // Copies kept per site besides the as-installed one; older versions keep
    // their row and lose their copy.
    void setKeptCopies(int count);
    static constexpr int kDefaultKeptCopies = 100;

    // The schema a register holds; for tests of the upgrade.
    int schemaVersion();
    // Opens without upgrading past `version`: a register as an older
    // program left it. For tests only.
    bool openAtSchema(int version);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace siteregister
