// kordavo-cli sheet as a user runs it, without a display: the handover
// sheet of a file and of a register version (SQLite and a PostgreSQL server
// of the test's own) read back through pdftotext: every number at its
// position with its four rights, the PIN masked but its last digit, the
// changes in the register's words, the installer kept once given, and no
// existing file written over without --force.

#include "registertesthelpers.h"
#include "sheettesthelpers.h"
#include "support/postgresserver.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QFileInfo>

using namespace registertest;
using namespace sheettest;

namespace {

struct Ran
{
    int code = -1;
    QString out;
    QString err;
};

// The tool with no display at all, and a platform plugin that needs one:
// only the offscreen platform it picks itself for `sheet` can work.
Ran tool(const QStringList &arguments, const QString &registerLocation)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("KORDAVO_REGISTER"), registerLocation);
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli"), arguments);
    Ran ran;
    if (!process.waitForFinished(60000))
        return ran;
    ran.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    ran.out = QString::fromUtf8(process.readAllStandardOutput());
    ran.err = QString::fromUtf8(process.readAllStandardError());
    return ran;
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

// A 128-number module's gate with every position taken and every pair of
// rights somewhere, so the table runs over several pages.
Configuration fullGate()
{
    QList<Number> numbers;
    for (int n = 1; n <= 128; ++n)
        numbers.append({n, QStringLiteral("3630%1").arg(2000000 + n * 7), n % 4, (n / 4) % 4});
    Configuration c = gate(QStringLiteral("4172"), QStringLiteral("Főkapu nyitó"), numbers);
    c.general[size_t(generalfields::indexOf(QStringLiteral("m_pin")))] = QStringLiteral("2580");
    // Input 1's messages stand in the first and the third message field.
    c.general[size_t(generalfields::indexOf(QStringLiteral("be1_nev")))] = QStringLiteral("Kapuérzékelő");
    c.general[size_t(generalfields::indexOf(QStringLiteral("be1_on_msg")))] = QStringLiteral("Kapu kinyílt");
    c.general[size_t(generalfields::indexOf(QStringLiteral("be2_on_msg")))] = QStringLiteral("Kapu bezárult");
    return c;
}

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sheetOfAFile();
    void sheetOfARegisterVersion_data();
    void sheetOfARegisterVersion();

private:
    ScratchPostgres server;
};

void TestSheet::initTestCase()
{
    QVERIFY(QFileInfo::exists(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-cli")));
    KORDAVO_START_POSTGRES(server);
}

void TestSheet::cleanupTestCase()
{
    QVERIFY(server.stop());
}

void TestSheet::sheetOfAFile()
{
    ScratchDir scratch;
    const Configuration c = fullGate();
    QFile file(scratch.filePath(QStringLiteral("kapu.krv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fileOf(c));
    file.close();
    const QString out = scratch.filePath(QStringLiteral("lap.pdf"));
    const QString reg = scratch.filePath(QStringLiteral("register.sqlite"));

    Ran ran = tool({QStringLiteral("sheet"), file.fileName(), out, QStringLiteral("--installer"),
                    QStringLiteral("Kovács János")},
                   reg);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    QVERIFY2(ran.out.contains(QStringLiteral("Átadási lap: %1").arg(out)), qPrintable(ran.out));
    const QString text = pdfText(out);
    QVERIFY(!text.isEmpty());
    // The model is not known from a file: all 128 positions, each once, over several pages.
    const QMap<int, NumberRow> rows = numberRows(text);
    QCOMPARE(rows.size(), 128);
    for (int n = 1; n <= 128; ++n) {
        const configfile::TelephoneEntry &entry = c.telephones.at(size_t(n - 1));
        QCOMPARE(rows.value(n).number, entry.number);
        QCOMPARE(rows.value(n).rights, rightsOf(entry.alarm, entry.output));
        QCOMPARE(rows.value(n).seen, 1);
    }
    QVERIFY(text.count(QLatin1Char('\f')) >= 3);
    const QString pin = lineWith(text, QStringLiteral("Modul PIN-kód"));
    QVERIFY2(pin.contains(QStringLiteral("***0")), qPrintable(pin));
    QVERIFY(!text.contains(QStringLiteral("2580")));
    QVERIFY(QRegularExpression(QStringLiteral("1\\. bemenet\\s+Kapuérzékelő\\s+Kapu kinyílt\\s+Kapu bezárult"))
                .match(text)
                .hasMatch());
    for (const char *words : {"Átadási lap – Főkapu nyitó", "Kovács János", "átvevő",
                              "A modul nincs a nyilvántartásban."})
        QVERIFY2(squeezed(text).contains(squeezed(QString::fromUtf8(words))), words);

    // An existing file stays as it is unless --force says otherwise.
    const QByteArray before = digest(out);
    ran = tool({QStringLiteral("sheet"), file.fileName(), out}, reg);
    QCOMPARE(ran.code, 2);
    QVERIFY2(ran.err.contains(QStringLiteral("--force")), qPrintable(ran.err));
    QCOMPARE(digest(out), before);
    ran = tool({QStringLiteral("sheet"), file.fileName(), out, QStringLiteral("--force")}, reg);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    // The name given once is the login's from now on.
    QVERIFY(squeezed(pdfText(out)).contains(squeezed(QStringLiteral("átadó (telepítő): Kovács János"))));
    QVERIFY2(!ran.err.contains(QStringLiteral("--installer")), qPrintable(ran.err));

    // Every other command runs with no GUI application at all.
    ran = tool({QStringLiteral("register"), QStringLiteral("list")}, reg);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    ran = tool({QStringLiteral("sheet"), scratch.filePath(QStringLiteral("nincs.krv")), scratch.filePath(QStringLiteral("x.pdf"))}, reg);
    QCOMPARE(ran.code, 4);
    QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("x.pdf"))));
}

void TestSheet::sheetOfARegisterVersion_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void TestSheet::sheetOfARegisterVersion()
{
    QFETCH(bool, onServer);
    ScratchDir scratch;
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path()));
    QString location = scratch.filePath(QStringLiteral("register.sqlite"));
    if (onServer) {
        QString why;
        QVERIFY2(server.createDatabase(QStringLiteral("sheets"), &why), qPrintable(why));
        location = server.url(QStringLiteral("sheets"));
    }
    QString why;
    SiteRegister reg(*parseLocation(location, &why));
    const Configuration first = gate(QStringLiteral("4172"), QStringLiteral("Főkapu nyitó"),
                                     {{1, QStringLiteral("36301234567"), 3, 3},
                                      {2, QStringLiteral("36209876543"), 1, 1},
                                      {5, QStringLiteral("36301112233"), 1, 0}});
    const Configuration second = gate(QStringLiteral("4172"), QStringLiteral("Főkapu nyitó"),
                                      {{1, QStringLiteral("36301234567"), 3, 3},
                                       {5, QStringLiteral("36301112233"), 1, 2},
                                       {7, QStringLiteral("36201234000"), 0, 1}});
    QVERIFY(reg.record(transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok, first, 1)).written());
    const RecordOutcome kept = reg.record(transfer(TransferRecord::Command::Download, TransferRecord::Result::Ok, second, 2));
    QVERIFY2(kept.written(), qPrintable(kept.problem));
    const std::optional<QList<VersionChange>> changes = reg.changes(kept.siteId, 1, 2);
    QVERIFY(changes && changes->size() == 3);

    // The newest version by the site's name, accents not counting.
    const QString out = scratch.filePath(QStringLiteral("fokapu.pdf"));
    Ran ran = tool({QStringLiteral("sheet"), QStringLiteral("fokapu"), out}, location);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    QString text = pdfText(out);
    QMap<int, NumberRow> rows = numberRows(text);
    QCOMPARE(rows.keys(), (QList<int>{1, 5, 7}));
    QCOMPARE(rows.value(5).number, QStringLiteral("36301112233"));
    QCOMPARE(rows.value(5).rights, rightsOf(1, 2));
    QCOMPARE(rows.value(7).rights, rightsOf(0, 1));
    const QString pin = lineWith(text, QStringLiteral("Modul PIN-kód"));
    QVERIFY2(pin.contains(QStringLiteral("***4")) && !pin.contains(QStringLiteral("1234")), qPrintable(pin));
    for (const VersionChange &change : *changes)
        QVERIFY2(squeezed(text).contains(squeezed(change.text)), qPrintable(change.text));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("Főkapu nyitó (4172) [%1]").arg(kept.siteId))));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("128 számos (Qzv_GSM4_128)"))));
    QVERIFY2(ran.err.contains(QStringLiteral("--installer")), qPrintable(ran.err));

    // An older version, and the installer's name kept in this register.
    ran = tool({QStringLiteral("sheet"), QString::number(kept.siteId), QStringLiteral("1"), out, QStringLiteral("--force"),
                QStringLiteral("--installer"), QStringLiteral("Nagy Péter")},
               location);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    text = pdfText(out);
    QCOMPARE(numberRows(text).keys(), (QList<int>{1, 2, 5}));
    QVERIFY(squeezed(text).contains(squeezed(QStringLiteral("Ez a telephely első megőrzött változata."))));
    QCOMPARE(reg.installerName(currentLogin()), QStringLiteral("Nagy Péter"));

    // A site the register does not know is a usage error; a register that is off, exit 5.
    ran = tool({QStringLiteral("sheet"), QStringLiteral("nincs ilyen"), scratch.filePath(QStringLiteral("x.pdf"))}, location);
    QCOMPARE(ran.code, 2);
    ran = tool({QStringLiteral("sheet"), QStringLiteral("fokapu"), scratch.filePath(QStringLiteral("x.pdf"))},
               QStringLiteral("off"));
    QCOMPARE(ran.code, 5);
    QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("x.pdf"))));
    qunsetenv("XDG_DATA_HOME");
}

KORDAVO_CORE_TEST_MAIN(TestSheet)

#include "tst_sheet.moc"
