// Open, save and the default configuration in the main window: the file
// format as written and read, the message boxes, the file dialogs and the
// status bar.

#include "support/testsupport.h"

#include "document/configfile.h"
#include "document/configuration.h"
#include "transfer/configimage.h"

#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStatusBar>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kFilter = QStringLiteral("Kordavo Files (*.krv)");
constexpr int kChildFolderWritable = 3;
// What a shell reports when the program cannot be started.
constexpr int kChildCannotRun = 126;
const QString kSyntaxError = QStringLiteral("Nem lehet megnyitni a fájlt. Tipp: ellenőrizze a fájl szintaxisát.");

QList<QLineEdit *> generalFields(MainWindow &w)
{
    return w.findChild<QWidget *>(QStringLiteral("tab"))->findChildren<QLineEdit *>();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 16 general lines and 128 telephone lines of plain ASCII, written without
// the program's own writer.
QList<QByteArray> sampleLines()
{
    QList<QByteArray> lines = {"36201234567", "1234", "0042", "Modul", "1", "Be1", "Be2", "5",
                               "K3 be", "K4 be", "K3 ki", "K4 ki", "M1", "M2", "M3", "M4"};
    for (int n = 1; n <= 128; ++n)
        lines.append("00" + QByteArray::number(36300000000LL + n));
    return lines;
}

QByteArray join(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (int i = 0; i < lines.size(); ++i)
        bytes += (i ? "\r\n" : "") + lines[i];
    return bytes;
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveWritesFormDefaultsByteForByte();
    void saveWritesKeyDigitsOfTickedBoxes();
    void saveCancelledChangesNothing();
    void saveAndLoadGiveTheSameForm();
    void windows1250FromAnotherProgramLoads();
    void openShowsDialogAndMessage();
    void openCancelledChangesNothing();
    void missingFileAndMissingDefault();
    void tooFewLinesRejectedFormUnchanged();
    void exactly144LinesLoad();
    void terminatorCountsAsLine();
    void oddTelephoneLines();
    void overlongValuesAreCutToFieldLength();
    void nameWithoutSuffixShowsTrailingDot();
    void lockedBoxesTakeTheFilesTicks();
    void reducedModuleKeepsTheFilesValues();
    void failedSaveReportsAndKeepsState();
    void failedSaveKeepsOldFile();
    void savesOverWritableFileInReadOnlyFolder();
    void hugeFileIsRejectedQuickly();
    void defaultConfigurationLoadsAfterStart();

private:
    std::unique_ptr<ScratchDir> m_dir;
    RecordingPrompter *m_prompter = nullptr;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Loads through the Open command, as the user would.
    void open(MainWindow &w, const QString &file)
    {
        m_prompter->fileAnswers.enqueue(file);
        w.openfile();
    }
    QByteArray saveForm(MainWindow &w, const QString &name)
    {
        m_prompter->fileAnswers.enqueue(path(name));
        w.save();
        return readAll(path(name));
    }
};

void TestFileCommands::init()
{
    // The start-up timer loads kordavo_default.dll from the working
    // directory: an empty scratch folder keeps it silent.
    m_dir = std::make_unique<ScratchDir>();
    QVERIFY(m_dir->isValid());
    m_prompter = new RecordingPrompter;
}

void TestFileCommands::cleanup()
{
    delete m_prompter;
    m_dir.reset();
}

void TestFileCommands::saveWritesFormDefaultsByteForByte()
{
    MainWindow w;
    const QByteArray bytes = saveForm(w, QStringLiteral("defaults.krv"));

    QByteArray expected = "36309888000";
    for (int i = 2; i <= 16; ++i)
        expected += "\r\n";
    for (int n = 1; n <= 128; ++n)
        expected += "\r\n00";
    QCOMPARE(bytes, expected);
    QCOMPARE(bytes.count("\r\n"), 143);
    QCOMPARE(bytes.count('\n'), 143);
    QVERIFY(!bytes.endsWith('\n'));

    QCOMPARE(m_prompter->fileDialogs.size(), 1);
    QCOMPARE(m_prompter->fileDialogs[0].caption, QStringLiteral("Save File"));
    QCOMPARE(m_prompter->fileDialogs[0].dir, QStringLiteral("."));
    QCOMPARE(m_prompter->fileDialogs[0].filter, kFilter);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Information);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Mentés"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Sikeres mentés."));
    QCOMPARE(m_prompter->messageParents.last(), &w);
    QCOMPARE(w.state().fileName(), QStringLiteral("defaults.krv"));
    QCOMPARE(w.state().filePath(), path(QStringLiteral("defaults.krv")));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("defaults.krv"));
}

void TestFileCommands::saveWritesKeyDigitsOfTickedBoxes()
{
    MainWindow w;
    w.setMode(128);
    groupBox(w, "2.1")->setChecked(true);     // entry 1: output 1 only
    groupBox(w, "3.1")->setChecked(true);     // entry 2: both alarm boxes
    groupBox(w, "3.2")->setChecked(true);
    groupBox(w, "256.2")->setChecked(true);   // entry 128: output 2
    groupBox(w, "255.1")->setChecked(true);   //            alarm of input 1
    widget<QLineEdit>(w, "t_128")->setText("36 20 123");
    w.setMode(32);   // locked pages are written all the same
    groupBox(w, "66.1")->setChecked(true);    // entry 33 output 1, on a disabled page

    const QList<QByteArray> lines = saveForm(w, QStringLiteral("ticks.krv")).split('\n');
    QCOMPARE(lines.size(), 144);
    QCOMPARE(lines[16], QByteArray("01\r"));
    QCOMPARE(lines[17], QByteArray("30\r"));
    QCOMPARE(lines[48], QByteArray("01\r"));
    QCOMPARE(lines[143], QByteArray("1236 20 123"));   // spaces are written as typed
}

void TestFileCommands::saveCancelledChangesNothing()
{
    MainWindow w;
    w.state().setFileName(QStringLiteral("old.krv"));
    w.state().setFilePath(path(QStringLiteral("old.krv")));
    w.save();   // no answer queued: the dialog is cancelled
    QCOMPARE(m_prompter->fileDialogs.size(), 1);
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(w.state().fileName(), QStringLiteral("old.krv"));
    QCOMPARE(w.state().filePath(), path(QStringLiteral("old.krv")));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
}

void TestFileCommands::saveAndLoadGiveTheSameForm()
{
    const QString hungarian = QStringLiteral("áéíóöőúüűÁÉÍÓÖŐ");
    const QStringList general = {"36201112222", "1 2", "0815", hungarian, "1", "ÚÜŰ bemenet",
                                 "Ő", "25", "a|b", "ű", "x", "y", "Kapu nyitva!", "~", "z", "Ütés"};
    MainWindow source;
    source.setMode(128);
    source.findChild<QComboBox *>("smskp_combo")->setCurrentIndex(3);
    const auto sourceFields = generalFields(source);
    for (int i = 0; i < 16; ++i)
        sourceFields[i]->setText(general[i]);
    for (int n = 1; n <= 128; n += 3)
        widget<QLineEdit>(source, QStringLiteral("t_%1").arg(n))->setText(QStringLiteral("3670%1").arg(n * 7919));
    widget<QLineEdit>(source, "t_2")->setText("36 30 555 1234");
    const auto sourceBoxes = source.findChild<QWidget *>("centralWidget")->findChildren<QCheckBox *>();
    for (int i = 0; i < sourceBoxes.size(); i += 3)
        sourceBoxes[i]->setChecked(true);
    saveForm(source, QStringLiteral("round.krv"));

    MainWindow target;
    target.setMode(128);
    m_prompter->clear();
    open(target, path(QStringLiteral("round.krv")));
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));

    const auto targetFields = generalFields(target);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(targetFields[i]->text(), general[i]);
    for (int n = 1; n <= 128; ++n) {
        const QString expected = n == 2 ? QStringLiteral("36305551234")
                                        : widget<QLineEdit>(source, QStringLiteral("t_%1").arg(n))->text();
        QCOMPARE(widget<QLineEdit>(target, QStringLiteral("t_%1").arg(n))->text(), expected);
    }
    for (QCheckBox *b : sourceBoxes) {
        const QString group = b->property("group").toString();
        QVERIFY2(groupBox(target, group)->isChecked() == b->isChecked(), qPrintable(group));
    }
    // A second save of the loaded form gives the same bytes, spaces aside.
    QByteArray first = readAll(path(QStringLiteral("round.krv")));
    QCOMPARE(first.count("36 30 555 1234"), 1);
    first.replace("36 30 555 1234", "36305551234");
    QCOMPARE(saveForm(target, QStringLiteral("again.krv")), first);
}

void TestFileCommands::windows1250FromAnotherProgramLoads()
{
    QList<QByteArray> lines = sampleLines();
    lines[3] = "F\xf5kapu \xdb\xd5";                 // "Főkapu ŰŐ"
    lines[5] = "\xe1\xe9\xed\xf3\xf6\xf5\xfa\xfc\xfb";   // á é í ó ö ő ú ü ű
    lines[6] = "\xc1\xc9\xcd\xd3\xd6\xd5\xda\xdc\xdb";   // upper case
    lines[8] = "\x8a\x8e\x9a\x9e";                   // Š Ž š ž, from the 0x80 row
    QVERIFY(writeBytes(path("foreign.krv"), join(lines)));
    MainWindow w;
    open(w, path("foreign.krv"));
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("Főkapu ŰŐ"));
    QCOMPARE(widget<QLineEdit>(w, "be1_nev")->text(), QStringLiteral("áéíóöőúüű"));
    QCOMPARE(widget<QLineEdit>(w, "be2_nev")->text(), QStringLiteral("ÁÉÍÓÖŐÚÜŰ"));
    QCOMPARE(widget<QLineEdit>(w, "ki3_on")->text(), QStringLiteral("ŠŽšž"));

    // Written back unchanged, byte for byte.
    QCOMPARE(saveForm(w, QStringLiteral("back.krv")), join(lines));
}

void TestFileCommands::openShowsDialogAndMessage()
{
    QVERIFY(writeBytes(path("kapu.b.krv"), join(sampleLines())));
    MainWindow w;
    open(w, path("kapu.b.krv"));
    QCOMPARE(m_prompter->fileDialogs.size(), 1);
    QCOMPARE(m_prompter->fileDialogs[0].caption, QStringLiteral("Fájl megnyitása"));
    QCOMPARE(m_prompter->fileDialogs[0].dir, QStringLiteral("."));
    QCOMPARE(m_prompter->fileDialogs[0].filter, kFilter);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Information);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));
    QCOMPARE(m_prompter->last().text, QStringLiteral("kapu.b.krv sikeresen megnyitva."));
    QCOMPARE(m_prompter->messageParents.last(), &w);
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kapu.b.krv"));
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("Modul"));
    QCOMPARE(widget<QLineEdit>(w, "t_128")->text(), QStringLiteral("36300000128"));
    // Only the default configuration adds the link label.
    QVERIFY(!widget<QLabel>(w, QStringLiteral("linkLabel")));
}

void TestFileCommands::openCancelledChangesNothing()
{
    MainWindow w;
    widget<QLineEdit>(w, "m_nev")->setText("marad");
    w.openfile();
    QCOMPARE(m_prompter->fileDialogs.size(), 1);
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("marad"));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
}

void TestFileCommands::missingFileAndMissingDefault()
{
    MainWindow w;
    widget<QLineEdit>(w, "m_pin")->setText("9999");
    open(w, path("nincs.krv"));
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
    QCOMPARE(m_prompter->last().title, QStringLiteral("File hiba"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("A kiválasztott fájl nem létezik."));
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text(), QStringLiteral("9999"));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));

    // The default configuration may be missing: silence.
    m_prompter->clear();
    w.newfile();
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text(), QStringLiteral("9999"));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QVERIFY(!widget<QLabel>(w, QStringLiteral("linkLabel")));
}

void TestFileCommands::tooFewLinesRejectedFormUnchanged()
{
    QList<QByteArray> lines = sampleLines();
    lines.removeLast();
    QVERIFY(writeBytes(path("short.krv"), join(lines)));
    QVERIFY(writeBytes(path("empty.krv"), QByteArray()));
    QVERIFY(writeBytes(path("short_crlf.krv"), join(lines) + "\r\n"));   // a line end is no line

    MainWindow w;
    w.setMode(128);
    widget<QLineEdit>(w, "m_nev")->setText("eredeti");
    widget<QLineEdit>(w, "t_1")->setText("111");
    groupBox(w, "1.1")->setChecked(true);
    for (const char *name : {"short.krv", "empty.krv", "short_crlf.krv"}) {
        m_prompter->clear();
        open(w, path(QString::fromLatin1(name)));
        QCOMPARE(m_prompter->messages.size(), 1);
        QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
        QCOMPARE(m_prompter->last().title, QStringLiteral("File hiba"));
        QCOMPARE(m_prompter->last().text, kSyntaxError);
        QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("eredeti"));
        QCOMPARE(widget<QLineEdit>(w, "t_1")->text(), QStringLiteral("111"));
        QVERIFY(groupBox(w, "1.1")->isChecked());
        QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    }
}

void TestFileCommands::exactly144LinesLoad()
{
    QList<QByteArray> lines = sampleLines();
    lines[16] = "3136301234567";   // entry 1: alarms of both inputs, output 1
    QVERIFY(writeBytes(path("ok.krv"), join(lines)));
    MainWindow w;
    open(w, path("ok.krv"));
    QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));
    QCOMPARE(widget<QLineEdit>(w, "smskp")->text(), QStringLiteral("36201234567"));
    QCOMPARE(widget<QLineEdit>(w, "be2_off_msg")->text(), QStringLiteral("M4"));
    QCOMPARE(widget<QLineEdit>(w, "t_1")->text(), QStringLiteral("36301234567"));
    QVERIFY(groupBox(w, "1.1")->isChecked());
    QVERIFY(groupBox(w, "1.2")->isChecked());
    QVERIFY(groupBox(w, "2.1")->isChecked());
    QVERIFY(!groupBox(w, "2.2")->isChecked());
}

void TestFileCommands::terminatorCountsAsLine()
{
    QList<QByteArray> lines = sampleLines();
    lines.removeLast();
    lines.append("---");
    lines.append("3399999999");                 // after the terminator: ignored
    lines.append(QByteArray(5000, '\xff'));
    QVERIFY(writeBytes(path("term.krv"), join(lines)));

    MainWindow w;
    w.setMode(128);
    groupBox(w, "255.1")->setChecked(true);
    groupBox(w, "256.2")->setChecked(true);
    open(w, path("term.krv"));
    QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));
    QCOMPARE(widget<QLineEdit>(w, "t_128")->text(), QStringLiteral("-"));
    QCOMPARE(widget<QLineEdit>(w, "t_127")->text(), QStringLiteral("36300000127"));
    QVERIFY(!groupBox(w, "255.1")->isChecked());
    QVERIFY(!groupBox(w, "256.2")->isChecked());
}

void TestFileCommands::oddTelephoneLines()
{
    QList<QByteArray> lines = sampleLines();
    lines[16] = "3";                       // entry 1: one character
    lines[17] = "x2 36 30 1";              // entry 2: letter as alarm digit
    lines[18] = "31 36 30 123 4567";       // entry 3: spaces dropped
    lines[19] = "";                        // entry 4: empty line
    QVERIFY(writeBytes(path("odd.krv"), join(lines)));
    MainWindow w;
    open(w, path("odd.krv"));
    QCOMPARE(widget<QLineEdit>(w, "t_1")->text(), QString());
    QVERIFY(groupBox(w, "1.1")->isChecked());
    QVERIFY(groupBox(w, "1.2")->isChecked());
    QCOMPARE(widget<QLineEdit>(w, "t_2")->text(), QStringLiteral("36301"));
    QVERIFY(!groupBox(w, "3.1")->isChecked());
    QVERIFY(!groupBox(w, "3.2")->isChecked());
    QVERIFY(groupBox(w, "4.2")->isChecked());
    QCOMPARE(widget<QLineEdit>(w, "t_3")->text(), QStringLiteral("36301234567"));
    QVERIFY(groupBox(w, "5.1")->isChecked() && groupBox(w, "5.2")->isChecked() && groupBox(w, "6.1")->isChecked());
    QCOMPARE(widget<QLineEdit>(w, "t_4")->text(), QString());
}

void TestFileCommands::overlongValuesAreCutToFieldLength()
{
    QList<QByteArray> lines = sampleLines();
    lines[1] = "123456789";                         // m_pin, 4
    lines[3] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";        // m_nev, 16
    lines[4] = "01";                                // visszaallas, 1
    lines[16] = "00" + QByteArray(40, '7');         // t_1, 14
    QVERIFY(writeBytes(path("long.krv"), join(lines)));
    MainWindow w;
    open(w, path("long.krv"));
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text(), QStringLiteral("1234"));
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
    QCOMPARE(widget<QLineEdit>(w, "visszaallas")->text(), QStringLiteral("0"));
    QCOMPARE(widget<QLineEdit>(w, "t_1")->text(), QString(14, QLatin1Char('7')));
}

void TestFileCommands::nameWithoutSuffixShowsTrailingDot()
{
    QVERIFY(writeBytes(path("kapu"), join(sampleLines())));
    MainWindow w;
    open(w, path("kapu"));
    QCOMPARE(w.state().fileName(), QStringLiteral("kapu."));
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kapu."));
    QCOMPARE(m_prompter->last().text, QStringLiteral("kapu. sikeresen megnyitva."));
}

void TestFileCommands::lockedBoxesTakeTheFilesTicks()
{
    QList<QByteArray> lines = sampleLines();
    lines[16 + 32] = "3336301234567";   // entry 33: every right
    lines[16 + 33] = "0036301234567";   // entry 34: none
    lines[16] = "0236301234567";        // entry 1 on the enabled page
    QVERIFY(writeBytes(path("locked.krv"), join(lines)));

    MainWindow w;   // 32 numbers: pages 33 to 128 disabled
    groupBox(w, "67.1")->setChecked(true);   // entry 34 alarm 1, ticked before
    open(w, path("locked.krv"));
    QCOMPARE(widget<QLineEdit>(w, "t_33")->text(), QStringLiteral("36301234567"));   // numbers load
    // A locked page shows the file's rights too, or a save would mix an
    // earlier file's ticks with this file's numbers.
    QVERIFY(!groupBox(w, "65.1")->isEnabled());
    QVERIFY(groupBox(w, "65.1")->isChecked());
    QVERIFY(groupBox(w, "66.2")->isChecked());
    QVERIFY(!groupBox(w, "67.1")->isChecked());
    QVERIFY(groupBox(w, "2.2")->isChecked());
    QVERIFY(!groupBox(w, "2.1")->isChecked());
}

void TestFileCommands::reducedModuleKeepsTheFilesValues()
{
    QList<QByteArray> lines = sampleLines();
    for (int n = 1; n <= 128; ++n)
        lines[15 + n] = QByteArray::number(n % 4) + QByteArray::number((n / 4) % 4) + QByteArray::number(n);
    QVERIFY(writeBytes(path("reduced.krv"), join(lines)));
    MainWindow w;
    w.setMode(31);
    open(w, path("reduced.krv"));
    // The locked fields and boxes show what the file holds.
    QVERIFY(!widget(w, "m_nev")->isEnabled());
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("Modul"));
    QCOMPARE(widget<QLineEdit>(w, "be1_on_msg")->text(), QStringLiteral("M1"));
    QVERIFY(!groupBox(w, "5.1")->isEnabled());
    QVERIFY(groupBox(w, "5.1")->isChecked() && groupBox(w, "5.2")->isChecked());   // entry 3: "30"
    QVERIFY(!groupBox(w, "6.1")->isChecked());
    QCOMPARE(widget<QLineEdit>(w, "t_100")->text(), QStringLiteral("100"));

    // The module reports itself again (a status query); the installer edits
    // one number and saves under a new name: every other line is the file's.
    w.setMode(31);
    widget<QLineEdit>(w, "t_5")->setText(QStringLiteral("36201234567"));
    QList<QByteArray> expected = lines;
    expected[16 + 5 - 1] = "11" + QByteArray("36201234567");
    QCOMPARE(saveForm(w, QStringLiteral("saved.krv")), join(expected));

    // The module still gets its placeholders and no rights.
    QVERIFY(w.buildConfigImage());
    const QStringList records = w.state().configImage().split(QLatin1Char('|'));
    QCOMPARE(records.at(3), QStringLiteral("-").leftJustified(16));
    QCOMPARE(records.at(4), QStringLiteral("0").leftJustified(16));
    QCOMPARE(records.at(12), QStringLiteral("-").leftJustified(16));
    QCOMPARE(records.at(28 + 2 - 1), QStringLiteral("002").leftJustified(16));

    // A read-out shows what the module holds, names and rights included.
    Configuration held = *configfile::fromLines(configfile::readFile(path("reduced.krv")));
    held.general[3] = QStringLiteral("Kert");
    held.telephones[0] = {3, 2, QStringLiteral("36301112233")};
    QVERIFY(w.applyConfigImage(configimage::buildImage(held, 32).image));
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("Kert"));
    QVERIFY(groupBox(w, "1.1")->isChecked() && groupBox(w, "1.2")->isChecked());
    QVERIFY(groupBox(w, "2.2")->isChecked() && !groupBox(w, "2.1")->isChecked());
}

void TestFileCommands::failedSaveReportsAndKeepsState()
{
    MainWindow w;
    w.state().setFileName(QStringLiteral("old.krv"));
    w.state().setFilePath(path("old.krv"));
    widget<QLabel>(w, QStringLiteral("fileLabel"))->setText(QStringLiteral("old.krv"));

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.krv")));
    const QStringList targets = {path("nincs/ilyen/mappa.krv"), path("folder.krv")};
    for (const QString &target : targets) {
        m_prompter->clear();
        m_prompter->fileAnswers.enqueue(target);
        w.save();
        QCOMPARE(m_prompter->messages.size(), 1);
        QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
        QCOMPARE(m_prompter->last().title, QStringLiteral("File hiba"));
        QVERIFY2(m_prompter->last().text.contains(QDir::toNativeSeparators(target)),
                 qPrintable(m_prompter->last().text));
        QCOMPARE(w.state().fileName(), QStringLiteral("old.krv"));
        QCOMPARE(w.state().filePath(), path("old.krv"));
        QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("old.krv"));
    }
    QVERIFY(QFileInfo(path("folder.krv")).isDir());
}

void TestFileCommands::failedSaveKeepsOldFile()
{
    // A real full disk: the old file and the status bar stay, nothing new appears.
    FullDisk disk;
    KORDAVO_MOUNT_FULL_DISK(disk);
    const QString target = disk.filePath(QStringLiteral("old.krv"));
    const QByteArray old = join(sampleLines());
    QVERIFY(writeBytes(target, old));
    QVERIFY(disk.fill());
    MainWindow w;
    open(w, target);
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("old.krv"));
    widget<QLineEdit>(w, "m_nev")->setText(QStringLiteral("Új név"));

    for (const QString &name : {QStringLiteral("old.krv"), QStringLiteral("new.krv")}) {
        m_prompter->clear();
        m_prompter->fileAnswers.enqueue(disk.filePath(name));
        w.save();
        QCOMPARE(m_prompter->messages.size(), 1);
        QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
        QCOMPARE(m_prompter->last().title, QStringLiteral("File hiba"));
        QCOMPARE(m_prompter->last().text, QStringLiteral("A fájl mentése nem sikerült: %1\nNincs elég hely a lemezen.")
                                              .arg(QDir::toNativeSeparators(disk.filePath(name))));
        QCOMPARE(w.state().fileName(), QStringLiteral("old.krv"));
        QCOMPARE(w.state().filePath(), target);
        QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("old.krv"));
        QCOMPARE(readAll(target), old);
        // No half-written temporary file is left beside it.
        QCOMPARE(disk.files(), QStringList{QStringLiteral("old.krv")});
    }
}

void TestFileCommands::savesOverWritableFileInReadOnlyFolder()
{
    // The folder takes no temporary file for this user, the file itself may
    // be written: the save must still succeed. Root is not stopped by folder
    // permissions, so root runs the save as the unprivileged user "nobody".
    const QString folder = path("shared");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("shared")));
    const QString target = folder + QStringLiteral("/kapu.krv");
    QVERIFY(writeBytes(target, "old content"));
    const QFileDevice::Permissions rx = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(m_dir->path(), rx | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                              | QFileDevice::WriteGroup | QFileDevice::ReadOther
                                              | QFileDevice::WriteOther));
    QVERIFY(QFile::setPermissions(folder, rx));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORDAVO_SAVE_CHILD"), target);
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(folder);
    if (!startAsUnprivileged(child))
        QSKIP("setpriv (util-linux) is needed to save as an unprivileged user");
    QVERIFY(child.waitForFinished(30000));
    QFile::setPermissions(folder, rx | QFileDevice::WriteOwner);
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    if (child.exitCode() == kChildCannotRun)
        QSKIP(qPrintable(QStringLiteral("the unprivileged user cannot run this test: ") + output));
    QVERIFY2(child.exitCode() != kChildFolderWritable, "the folder should refuse new files to this user");
    QVERIFY2(child.exitCode() == 0, qPrintable(output));

    const QByteArray saved = readAll(target);
    QVERIFY(saved.startsWith("36309888000\r\n"));
    QCOMPARE(saved.count("\r\n"), 143);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("kapu.krv")});
}

void TestFileCommands::hugeFileIsRejectedQuickly()
{
    {
        QFile file(path("huge.krv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(5) * 1024 * 1024 * 1024));
    }
    MainWindow w;
    widget<QLineEdit>(w, "m_nev")->setText("marad");
    QElapsedTimer clock;
    clock.start();
    open(w, path("huge.krv"));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_prompter->last().text, kSyntaxError);
    QCOMPARE(widget<QLineEdit>(w, "m_nev")->text(), QStringLiteral("marad"));
}

void TestFileCommands::defaultConfigurationLoadsAfterStart()
{
    const QString source = QStringLiteral(KORDAVO_BIN_DIR "/kordavo_default.dll");
    QVERIFY2(QFile::exists(source), qPrintable(source));
    QVERIFY(QFile::copy(source, path("kordavo_default.dll")));

    MainWindow w;
    w.show();
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QTest::qWait(300);
    QCOMPARE(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("Nincs megnyitott fájl."));
    QTRY_COMPARE_WITH_TIMEOUT(widget<QLabel>(w, QStringLiteral("fileLabel"))->text(), QStringLiteral("kordavo_default.dll"), 2000);
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(w.state().fileName(), QStringLiteral("kordavo_default.dll"));
    QCOMPARE(w.state().filePath(), QStringLiteral("kordavo_default.dll"));

    // The information lines: a link on line 145, a second line on 146.
    QLabel *link = widget<QLabel>(w, QStringLiteral("linkLabel"));
    QVERIFY(link);
    QVERIFY(w.statusBar()->isAncestorOf(link));
    QVERIFY(link->openExternalLinks());
    QCOMPARE(link->text(), w.state().infoLine1());
    QVERIFY(w.state().infoLine1().contains(QLatin1String("<a href=\"https://www.example.hu")));
    QVERIFY(!w.state().infoLine2().isEmpty());
    QVERIFY(w.statusBar()->children().contains(widget<QLabel>(w, QStringLiteral("portLabel"))));

    // Sensible example values, with the accented letters intact.
    QCOMPARE(w.findChild<QComboBox *>("smskp_combo")->currentIndex(), 0);
    QVERIFY(!widget<QLineEdit>(w, "smskp")->isEnabled());
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text().size(), 4);
    QCOMPARE(widget<QLineEdit>(w, "m_id")->text().size(), 4);
    QVERIFY(widget<QLineEdit>(w, "visszaallas")->text() == "0" || widget<QLineEdit>(w, "visszaallas")->text() == "1");
    QVERIFY(!widget<QLineEdit>(w, "rele_time")->text().isEmpty());
    QString allText;
    for (QLineEdit *e : generalFields(w)) {
        QVERIFY2(!e->text().isEmpty(), qPrintable(e->objectName()));
        allText += e->text();
    }
    QVERIFY(allText.contains(QStringLiteral("ő")));
    QVERIFY(allText.contains(QStringLiteral("ű")));
    QVERIFY(!widget<QLineEdit>(w, "t_1")->text().isEmpty());
    int ticked = 0;
    for (QCheckBox *b : w.findChild<QWidget *>("centralWidget")->findChildren<QCheckBox *>())
        ticked += b->isChecked() ? 1 : 0;
    QVERIFY(ticked >= 3);
    bool beyond32 = false;
    for (int n = 33; n <= 128; ++n)
        beyond32 = beyond32 || !widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n))->text().isEmpty();
    QVERIFY(beyond32);

    // The user's checks find nothing to complain about.
    for (auto check : {&MainWindow::input_g1, &MainWindow::input_g3})
        (w.*check)();
    w.setMode(128);
    for (auto check : {&MainWindow::input_g4, &MainWindow::input_g5, &MainWindow::input_g6})
        (w.*check)();
    QVERIFY(m_prompter->messages.isEmpty());

    // The file itself: 146 CR LF lines, no final line end.
    const QByteArray bytes = readAll(source);
    QCOMPARE(bytes.count("\r\n"), 145);
    QCOMPARE(bytes.count('\n'), 145);
    QVERIFY(!bytes.endsWith('\n'));
}

// The child half of savesOverWritableFileInReadOnlyFolder: saves a fresh
// form over the file as whatever user runs it.
int saveAsChild(const QString &target)
{
    QFile probe(QFileInfo(target).dir().filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return kChildFolderWritable;
    }
    RecordingPrompter prompter;
    MainWindow w;
    prompter.fileAnswers.enqueue(target);
    w.save();
    if (prompter.last().text == QStringLiteral("Sikeres mentés."))
        return 0;
    std::fprintf(stderr, "%s: %s\n", qPrintable(prompter.last().title), qPrintable(prompter.last().text));
    return 1;
}

int main(int argc, char *argv[])
{
    prepareTestEnvironment();
    QApplication app(argc, argv);
    const QString child = qEnvironmentVariable("KORDAVO_SAVE_CHILD");
    if (!child.isEmpty())
        return saveAsChild(child);
    TestFileCommands tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_filecommands.moc"
