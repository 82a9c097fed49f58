#pragma once

// What the register answers, the same on SQLite and on PostgreSQL: a week of
// one installer's transfers recorded, then every question and change both
// clients make of it.

#include "registertesthelpers.h"

namespace registertest {

inline void checkContract(const Location &location)
{
    using Command = TransferRecord::Command;
    using Result = TransferRecord::Result;
    SiteRegister reg(location);
    QVERIFY2(reg.open(), qPrintable(reg.problem()));

    // The gate at Fő utca: read out, changed and downloaded, verified, a
    // failed download, and a verify that finds someone changed it.
    const Configuration a0 = gate(QStringLiteral("4172"), QStringLiteral("Fokapu nyito"),
                                  {{1, QStringLiteral("36301111111")}, {5, QStringLiteral("36305555555"), 1, 1}});
    Configuration a1 = gate(QStringLiteral("4172"), QStringLiteral("Fokapu nyito"),
                            {{1, QStringLiteral("36301111111"), 0, 2}, {2, QStringLiteral("36302222222"), 1, 1}});
    a1.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapu");
    Configuration a3 = a1;
    a3.telephones[2] = {0, 1, QStringLiteral("36303333333")};

    const TransferRecord readout = transfer(Command::Readout, Result::Ok, a0, 0);
    RecordOutcome outcome = reg.record(readout);
    QCOMPARE(outcome.status, RecordOutcome::Status::Recorded);
    QCOMPARE(outcome.text, QStringLiteral("Fokapu nyito (4172), 1. változat"));
    const qint64 a = outcome.siteId;
    outcome = reg.record(transfer(Command::Download, Result::Ok, a1, 10));
    QCOMPARE(outcome.text, QStringLiteral("Fokapu nyito (4172), 2. változat"));
    outcome = reg.record(transfer(Command::Verify, Result::Ok, a1, 11));
    QCOMPARE(outcome.status, RecordOutcome::Status::Verified);
    QCOMPARE(outcome.version, 2);
    outcome = reg.record(transfer(Command::Download, Result::Failed, a3, 20));
    QCOMPARE(outcome.status, RecordOutcome::Status::Recorded);
    QCOMPARE(outcome.version, 3);
    outcome = reg.record(transfer(Command::Verify, Result::Differs, a3, 30));
    QCOMPARE(outcome.version, 4);
    QCOMPARE(outcome.siteId, a);
    // Sent twice (a queue delivered again): still one version.
    QCOMPARE(reg.record(readout).version, 1);

    // The gate at Hős utca, downloaded with ő and read back as the module holds it (ö).
    const Configuration b = gate(QStringLiteral("4173"), QStringLiteral("Hős utcai kapu"),
                                 {{3, QStringLiteral("+36302222222"), 2, 0}});
    outcome = reg.record(transfer(Command::Download, Result::Ok, b, 40));
    QCOMPARE(outcome.text, QStringLiteral("Hős utcai kapu (4173), 1. változat"));
    const qint64 bSite = outcome.siteId;
    QVERIFY(bSite != a);
    QCOMPARE(reg.record(transfer(Command::Readout, Result::Ok, b, 41)).siteId, bSite);

    // A read-out that failed before any record came: no site to put it at.
    TransferRecord lost = transfer(Command::Readout, Result::Failed, a0, 42);
    lost.krv.clear();
    outcome = reg.record(lost);
    QCOMPARE(outcome.status, RecordOutcome::Status::Recorded);
    QCOMPARE(outcome.siteId, 0);

    // The list.
    QList<SiteSummary> sites = reg.sites();
    QCOMPARE(sites.size(), 2);
    QCOMPARE(sites.at(0).id, a);
    QCOMPARE(sites.at(0).versions, 4);
    QCOMPARE(sites.at(0).currentVersion, 4);
    QCOMPARE(sites.at(0).numbers, 3);
    QCOMPARE(sites.at(0).memory, 128);
    QCOMPARE(sites.at(0).lastVerify, kStart.addSecs(11 * 60));
    QCOMPARE(sites.at(0).lastChange, kStart.addSecs(30 * 60));
    QCOMPARE(sites.at(1).versions, 2);
    QVERIFY(!sites.at(1).lastVerify.isValid());
    // Read back unchanged: no change since the download.
    QCOMPARE(sites.at(1).lastChange, kStart.addSecs(40 * 60));

    // The history.
    const QList<VersionInfo> history = reg.history(a);
    QCOMPARE(history.size(), 4);
    QCOMPARE(history.at(0).command, QStringLiteral("readout"));
    QVERIFY(history.at(0).hasCopy && !history.at(0).asInstalled);
    QVERIFY(history.at(1).asInstalled);
    QCOMPARE(history.at(1).verified, kStart.addSecs(11 * 60));
    QCOMPARE(history.at(2).result, QStringLiteral("failed"));
    QVERIFY(!history.at(2).hasCopy);
    QCOMPARE(history.at(3).result, QStringLiteral("differs"));
    QVERIFY(history.at(3).hasCopy);
    QCOMPARE(history.at(3).time, kStart.addSecs(30 * 60));
    QCOMPARE(history.at(3).identification, kIdentification);

    // Differences, by field name and number position with its rights.
    std::optional<QList<VersionChange>> changes = reg.changes(a, 1, 2);
    QVERIFY(changes);
    QStringList lines;
    for (const VersionChange &change : *changes)
        lines << change.text;
    QCOMPARE(lines, QStringList({
                        QStringLiteral("1-es bemenet neve: „Ajto” → „Kapu”"),
                        QStringLiteral("1. telefonszám: 36301111111: jogok: jog nélkül → 2. kimenet vezérlés"),
                        QStringLiteral("2. telefonszám: új: 36302222222 (1. bemenet riasztás, 1. kimenet vezérlés)"),
                        QStringLiteral("5. telefonszám: törölve: 36305555555 (1. bemenet riasztás, 1. kimenet vezérlés)"),
                    }));
    QVERIFY(!reg.changes(a, 1, 3));   // the failed download kept no copy
    changes = reg.changesSincePrevious(a, 4);
    QVERIFY(changes && changes->size() == 1);
    QCOMPARE(changes->constFirst().text, QStringLiteral("3. telefonszám: új: 36303333333 (1. kimenet vezérlés)"));
    QCOMPARE(reg.latestCopy(a)->info.version, 4);
    QCOMPARE(reg.version(a, 2)->krv, fileOf(a1));

    // A number in every form, in the current versions only.
    for (const QString &form : {QStringLiteral("06 30 222 2222"), QStringLiteral("0036302222222"),
                                QStringLiteral("+36 30 222 2222"), QStringLiteral("36302222222"),
                                QStringLiteral("06-30/222-2222")}) {
        const QList<NumberPlace> places = reg.findNumber(form);
        QCOMPARE(places.size(), 2);
        QCOMPARE(places.at(0).siteId, a);
        QCOMPARE(places.at(0).position, 2);
        QCOMPARE(places.at(0).version, 4);
        QCOMPARE(places.at(1).siteId, bSite);
        QCOMPARE(places.at(1).position, 3);
        QCOMPARE(places.at(1).alarm, 2);
        QCOMPARE(places.at(1).number, QStringLiteral("+36302222222"));
    }
    QVERIFY(reg.findNumber(QStringLiteral("06 30 555 5555")).isEmpty());   // only in version 1
    QCOMPARE(reg.findNumber(QStringLiteral("06303333333")).size(), 1);
    const QList<SharedNumber> shared = reg.sharedNumbers();
    QCOMPARE(shared.size(), 1);
    QCOMPARE(shared.constFirst().key, QStringLiteral("302222222"));
    QCOMPARE(shared.constFirst().places.size(), 2);

    // The user's changes, and finding a site by number or name.
    QVERIFY(reg.rename(a, QStringLiteral("Főkapu nyitó (4172)")));
    QVERIFY(reg.setAddress(a, QStringLiteral("Fő utca 1.")));
    QVERIFY(reg.setNote(a, QStringLiteral("kulcs a portán")));
    QCOMPARE(reg.findSite(QStringLiteral("főkapu"))->address, QStringLiteral("Fő utca 1."));
    // Typed without accents, or as the module spells it (it holds no ő).
    QCOMPARE(reg.findSite(QStringLiteral("HOS UTCAI"))->id, bSite);
    QCOMPARE(reg.findSite(QStringLiteral("Hös utcai kapu (4173)"))->id, bSite);
    QCOMPARE(reg.findSite(QString::number(bSite))->name, QStringLiteral("Hős utcai kapu (4173)"));
    QList<SiteSummary> candidates;
    QVERIFY(!reg.findSite(QStringLiteral("kapu"), &candidates));
    QCOMPARE(candidates.size(), 2);
    QVERIFY(!reg.rename(9999, QStringLiteral("x")));
    QCOMPARE(reg.record(transfer(Command::Download, Result::Ok, a3, 45)).text,
             QStringLiteral("Főkapu nyitó (4172), 5. változat"));

    // The module got a new name: a new site, merged into the old one; its
    // next transfer lands there.
    Configuration c = a3;
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))] = QStringLiteral("Fokapu uj");
    const qint64 cSite = reg.record(transfer(Command::Download, Result::Ok, c, 50)).siteId;
    QVERIFY(cSite != a && cSite != bSite);
    QVERIFY(!reg.merge(a, a));
    QVERIFY2(reg.merge(cSite, a), qPrintable(reg.problem()));
    QVERIFY(!reg.site(cSite));
    QCOMPARE(reg.site(a)->versions, 6);
    QCOMPARE(reg.site(a)->lastChange, kStart.addSecs(50 * 60));
    QCOMPARE(reg.site(a)->address, QStringLiteral("Fő utca 1."));
    QCOMPARE(reg.history(a).at(5).time, kStart.addSecs(50 * 60));
    QCOMPARE(reg.record(transfer(Command::Download, Result::Ok, c, 60)).text,
             QStringLiteral("Főkapu nyitó (4172), 7. változat"));
    QCOMPARE(reg.sites().size(), 2);

    // Old copies go, the as-installed one never.
    reg.setKeptCopies(2);
    for (int i = 0; i < 4; ++i)
        reg.record(transfer(Command::Download, Result::Ok,
                            gate(QStringLiteral("4174"), QStringLiteral("Parkolo"), {{1, QStringLiteral("3670%1").arg(1000000 + i)}}),
                            70 + i));
    const qint64 d = reg.findSite(QStringLiteral("Parkolo"))->id;
    const QList<VersionInfo> pruned = reg.history(d);
    QCOMPARE(pruned.size(), 4);
    QVERIFY(pruned.at(0).hasCopy && pruned.at(0).asInstalled);
    QVERIFY(!pruned.at(1).hasCopy);
    QVERIFY(pruned.at(2).hasCopy && pruned.at(3).hasCopy);
    reg.setKeptCopies(SiteRegister::kDefaultKeptCopies);

    // A reduced module holds no identifier or name: its first number names it.
    const Configuration reduced = gate(QStringLiteral("-"), QStringLiteral("-"), {{1, QStringLiteral("36209999999")}});
    QCOMPARE(reg.record(transfer(Command::Download, Result::Ok, reduced, 80, 127)).text,
             QStringLiteral("Qzv_GSM4_127 (36209999999), 1. változat"));

    QVERIFY(reg.installerName(QStringLiteral("kovacs")).isEmpty());
    QVERIFY(reg.setInstallerName(QStringLiteral("kovacs"), QStringLiteral("Kovács Péter")));
    QVERIFY(reg.setInstallerName(QStringLiteral("kovacs"), QStringLiteral("Kovács Péter Pál")));
    QCOMPARE(reg.installerName(QStringLiteral("kovacs")), QStringLiteral("Kovács Péter Pál"));

    const QString broken = inconsistency(reg);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

// A register as the first schema left it, with versions in it, opened by
// this program: upgraded in place, nothing lost. A register from a newer
// program is left alone.
inline void checkUpgrade(const Location &location)
{
    {
        SiteRegister old(location);
        QVERIFY2(old.openAtSchema(1), qPrintable(old.problem()));
        QCOMPARE(old.schemaVersion(), 1);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(old.record(transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok,
                                         gate(QStringLiteral("1"), QStringLiteral("Regi"), {{1, QString::number(36301000000 + i)}}), i))
                         .status,
                     RecordOutcome::Status::Recorded);
    }
    SiteRegister reg(location);
    QVERIFY2(reg.open(), qPrintable(reg.problem()));
    QCOMPARE(reg.schemaVersion(), schema::kVersion);
    QCOMPARE(reg.history(reg.findSite(QStringLiteral("Regi"))->id).size(), 3);
    QCOMPARE(reg.findNumber(QStringLiteral("06301000002")).size(), 1);
    QVERIFY(reg.setInstallerName(QStringLiteral("kovacs"), QStringLiteral("Kovács Péter")));
}

} // namespace registertest
