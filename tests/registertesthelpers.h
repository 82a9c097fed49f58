#pragma once

// Shared by the register's tests on SQLite and on PostgreSQL: gates with known
// numbers, the records a transfer of them hands the register, a check that
// every site's versions, summary and current numbers agree, and the child
// processes that record beside the test.

#include "support/coretestsupport.h"

#include "document/configfile.h"
#include "document/configuration.h"
#include "document/generalfields.h"
#include "register/registerlocation.h"
#include "register/registerschema.h"
#include "register/siteregister.h"
#include "transfer/configimage.h"

#include <QtCore/QProcess>
#include <QtCore/QSet>
#include <QtCore/QThread>
#include <QtTest/QTest>

#include <cstdio>

namespace registertest {

using namespace siteregister;

inline const QString kIdentification = QStringLiteral("Qzv_GSM4_128");
inline const QDateTime kStart = QDateTime(QDate(2026, 3, 2), QTime(8, 0), Qt::UTC);

struct Number
{
    int position;
    QString number;
    int alarm = 0;
    int output = 0;
};

// A gate: identifier, name and numbers; everything else as a new module has it.
inline Configuration gate(const QString &moduleId, const QString &name, const QList<Number> &numbers)
{
    Configuration c;
    for (size_t i = 0; i < generalfields::kFields.size(); ++i)
        c.general[i] = QString::fromLatin1(generalfields::kFields[i].example);
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_id")))] = moduleId;
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))] = name;
    for (const Number &n : numbers)
        c.telephones[size_t(n.position - 1)] = {n.alarm, n.output, n.number};
    return c;
}

inline QByteArray fileOf(const Configuration &c)
{
    return configfile::formatLines(configfile::toLines(c));
}

// What the tool hands the register after a transfer of `c` to a 128-number
// module; a failed one carries no image.
inline TransferRecord transfer(TransferRecord::Command command, TransferRecord::Result result, const Configuration &c,
                               int minute, int memory = 128)
{
    TransferRecord r = TransferRecord::now(command, result);
    r.time = kStart.addSecs(60 * minute);
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.identification = memory == 128 ? kIdentification : QStringLiteral("Qzv_GSM4_%1").arg(memory);
    r.memory = memory;
    r.message = QStringLiteral("test");
    if (result == TransferRecord::Result::Ok || result == TransferRecord::Result::Differs)
        r.image = configimage::asSent(configimage::buildImage(c.fittedTo(modulemodel::modelFor(memory)),
                                                              modulemodel::modelFor(memory).entries)
                                          .image);
    r.krv = fileOf(c);
    return r;
}

// Empty when every site agrees with itself: versions numbered 1 … n, the
// summary's current version the newest with a copy, its number count and
// every current number found where it stands; and no version left half made.
inline QString inconsistency(SiteRegister &reg)
{
    const QList<SiteSummary> sites = reg.sites();
    if (!reg.problem().isEmpty())
        return QStringLiteral("sites: ") + reg.problem();
    for (const SiteSummary &site : sites) {
        const QList<VersionInfo> history = reg.history(site.id);
        if (history.size() != site.versions)
            return QStringLiteral("%1: %2 versions, summary says %3").arg(site.name).arg(history.size()).arg(site.versions);
        int latestCopy = 0;
        for (int i = 0; i < history.size(); ++i) {
            if (history.at(i).version != i + 1)
                return QStringLiteral("%1: version %2 at place %3").arg(site.name).arg(history.at(i).version).arg(i + 1);
            if (history.at(i).hasCopy)
                latestCopy = history.at(i).version;
        }
        if (latestCopy != site.currentVersion)
            return QStringLiteral("%1: current version %2, newest copy %3").arg(site.name).arg(site.currentVersion).arg(latestCopy);
        if (latestCopy == 0)
            continue;
        const std::optional<StoredVersion> current = reg.version(site.id, latestCopy);
        if (!current || current->krv.isEmpty())
            return QStringLiteral("%1: current version without its file").arg(site.name);
        const int entries = modulemodel::modelFor(current->info.memory).entries;
        const std::optional<Configuration> held = configimage::parseImage(current->image, entries);
        if (!held)
            return QStringLiteral("%1: current image does not parse").arg(site.name);
        int numbers = 0;
        for (int n = 1; n <= entries; ++n) {
            const QString number = held->telephones.at(size_t(n - 1)).number;
            if (number.isEmpty())
                continue;
            ++numbers;
            bool found = false;
            for (const NumberPlace &place : reg.findNumber(number))
                found = found || (place.siteId == site.id && place.position == n && place.version == latestCopy);
            if (!found)
                return QStringLiteral("%1: number %2 at %3 not found").arg(site.name, number).arg(n);
        }
        if (numbers != site.numbers)
            return QStringLiteral("%1: %2 numbers, summary says %3").arg(site.name).arg(numbers).arg(site.numbers);
    }
    return {};
}

// --- child processes ---

inline const char kChildRole[] = "KORDAVO_TEST_REGISTER_CHILD";
inline const char kChildTag[] = "KORDAVO_TEST_REGISTER_TAG";
inline const char kChildCount[] = "KORDAVO_TEST_REGISTER_COUNT";
inline const char kChildStart[] = "KORDAVO_TEST_REGISTER_START";

// This test program again, recording into `location`: `count` versions, each
// to the shared gate and to a gate of its own (role "record"), or until it is
// killed (role "record-forever"); from the moment `startAt` when one is given.
inline void startRecorder(QProcess &child, const QString &location, const QString &role, const QString &tag, int count,
                          const QDateTime &startAt = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildRole), role);
    env.insert(QString::fromLatin1(kChildTag), tag);
    env.insert(QString::fromLatin1(kChildCount), QString::number(count));
    if (startAt.isValid())
        env.insert(QString::fromLatin1(kChildStart), QString::number(startAt.toMSecsSinceEpoch()));
    env.insert(QStringLiteral("KORDAVO_REGISTER"), location);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
}

// Runs a recorder's role; the process's exit code.
inline int runRecorder()
{
    const QString role = qEnvironmentVariable(kChildRole);
    const QString tag = qEnvironmentVariable(kChildTag);
    const int count = qEnvironmentVariableIntValue(kChildCount);
    QString why;
    const std::optional<Location> location = locationFromEnvironment(&why);
    if (!location) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    // Recorders started together open the register together.
    if (qEnvironmentVariableIsSet(kChildStart)) {
        const qint64 wait = qEnvironmentVariable(kChildStart).toLongLong() - QDateTime::currentMSecsSinceEpoch();
        if (wait > 0)
            QThread::msleep(static_cast<unsigned long>(wait));
    }
    SiteRegister reg(*location);
    for (int i = 0; role == QLatin1String("record-forever") || i < count; ++i) {
        // Both gates change one number every time, so every version is new.
        const Number changing{1 + i % 20, QStringLiteral("3630%1").arg(1000000 + i), 1, 1};
        for (const Configuration &c : {gate(QStringLiteral("9000"), QStringLiteral("Kozos kapu"), {changing}),
                                       gate(QStringLiteral("9001"), QStringLiteral("Kapu ") + tag, {changing})}) {
            const RecordOutcome outcome =
                reg.record(transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok, c, i));
            if (outcome.status != RecordOutcome::Status::Recorded) {
                std::fprintf(stderr, "record %d: %s\n", i, qPrintable(outcome.problem));
                return 1;
            }
        }
    }
    return 0;
}

inline bool isRecorderChild()
{
    const QString role = qEnvironmentVariable(kChildRole);
    return role == QLatin1String("record") || role == QLatin1String("record-forever");
}

} // namespace registertest
