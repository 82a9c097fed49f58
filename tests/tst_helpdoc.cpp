// The help document the build places beside the program.

#include "support/testsupport.h"

#include "app/appearance.h"
#include "app/mainwindow.h"

#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtGui/QAction>
#include <QtGui/QImage>
#include <QtGui/QTextBlock>
#include <QtGui/QTextDocument>
#include <QtGui/QTextList>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

namespace {

// Whitespace (line breaks included) carries no meaning when text comes back
// out of a PDF, and the PDF holds ligatures ("ﬁ") where the source has letters.
QString squeezed(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC))
        if (!c.isSpace() && c != QChar::ObjectReplacementCharacter)
            out += c;
    return out;
}

// The help's source as the PDF was made from it.
bool readSource(QTextDocument &source)
{
    QFile html(QFINDTESTDATA("../data/help/kordavo-help.html"));
    if (!html.open(QIODevice::ReadOnly))
        return false;
    source.setHtml(QString::fromUtf8(html.readAll()));
    return true;
}

// The entries of the contents, "1. A modul és a program" and on, as the
// source lists them after the heading "Tartalom".
QStringList contentsEntries(const QTextDocument &source)
{
    QStringList entries;
    QTextBlock block = source.begin();
    while (block.isValid() && block.text() != QLatin1String("Tartalom"))
        block = block.next();
    for (block = block.next(); block.isValid() && block.textList(); block = block.next())
        entries << block.textList()->itemText(block) + QLatin1Char(' ') + block.text();
    return entries;
}

// "1. A modul és a program 3": a contents entry and its page.
const QRegularExpression kContentsLine(QStringLiteral("^(\\d+\\. .*\\S)\\s+(\\d+)$"));

} // namespace

class TestHelpDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void isAPdfOfSeveralPages();
    void holdsTheScreenshots();
    void readsAsHungarianText();
    void holdsEveryParagraphOnce();
    void contentsGiveEachChaptersPage();
    void namesTheProgramsShortcutsAndButtons();
    void showsTheDownloadUnderWay();

private:
    QByteArray pdf;
    QString rawText;    // pdftotext -raw: the order in which the pages draw their text
};

void TestHelpDoc::initTestCase()
{
    QFile file(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-help.pdf"));
    QVERIFY2(file.open(QIODevice::ReadOnly), "the build did not place kordavo-help.pdf beside the program");
    pdf = file.readAll();

    // The set-up installs poppler-utils; a missing pdftotext is a broken machine.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is not installed");
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-raw"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                              file.fileName(), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    rawText = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY(!rawText.isEmpty());
}

void TestHelpDoc::isAPdfOfSeveralPages()
{
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    // Page objects, not the page tree ("/Type /Pages").
    const auto pages = QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))
                           .globalMatch(QString::fromLatin1(pdf));
    int count = 0;
    for (auto it = pages; it.hasNext(); it.next())
        ++count;
    QVERIFY2(count >= 8, qPrintable(QString::number(count)));
}

void TestHelpDoc::holdsTheScreenshots()
{
    // Six screenshots of the program, at twice the screen's pixels.
    const auto images = QRegularExpression(QStringLiteral("/Subtype\\s*/Image\\s*/Width\\s+(\\d+)"))
                            .globalMatch(QString::fromLatin1(pdf));
    QList<int> widths;
    for (auto it = images; it.hasNext();)
        widths << it.next().captured(1).toInt();
    QVERIFY2(widths.size() >= 6, qPrintable(QString::number(widths.size())));
    QVERIFY2(widths.count(1800) >= 3, "the main window screenshots are missing");
}

void TestHelpDoc::readsAsHungarianText()
{
    const QString text = rawText.simplified();
    for (const char *phrase : {"Betöltés az eszközbe", "Kiolvasás az eszközből", "Betöltés ellenőrzése",
                               "Relé teszt", "Port beállítása", "programozási üzemmód", "dialout"})
        QVERIFY2(text.contains(QString::fromUtf8(phrase)), phrase);
    // Compounds of an abbreviation and a word take a hyphen, never a dash or a space.
    const QString tight = squeezed(rawText);
    for (const char *word : {"SIM-kárty", "USB-soros"})
        QVERIFY2(tight.contains(QString::fromUtf8(word)), word);
    const QRegularExpression dashed(QStringLiteral("\\b(SIM|USB|GSM|SMS|PIN|PDF|COM)(\u2013|\u2014| )"
                                                   "(kárty|soros|hálózat|kód|megjelenítő)"));
    const auto match = dashed.match(text);
    QVERIFY2(!match.hasMatch(), qPrintable(match.captured()));
}

void TestHelpDoc::holdsEveryParagraphOnce()
{
    // The source's text in the order the pages draw it: block after block,
    // table cells row by row, a numbered item after its number.
    QTextDocument source;
    QVERIFY(readSource(source));
    QStringList paragraphs;
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        const bool numbered = list && list->format().style() <= QTextListFormat::ListDecimal;
        const QString marker = numbered ? list->itemText(block) : QString();
        const QString text = squeezed(marker + block.text());
        if (!text.isEmpty())
            paragraphs << text;
    }
    const QString sourceText = paragraphs.join(QString());
    const QString pdfText = squeezed(rawText);

    for (const QString &paragraph : paragraphs)
        QVERIFY2(pdfText.contains(paragraph), qPrintable(paragraph));
    // Every page ends in its number. Moving text to the next page must not
    // leave a page empty behind it.
    QStringList pages = rawText.split(QLatin1Char('\f'));
    for (int i = 0; i + 1 < pages.size(); ++i) {
        QStringList pageLines = pages[i].trimmed().split(QLatin1Char('\n'));
        QVERIFY2(pageLines.takeLast() == QString::number(i + 1), qPrintable(QStringLiteral("page %1").arg(i + 1)));
        pages[i] = pageLines.join(QLatin1Char('\n'));
        QVERIFY2(!pages[i].trimmed().isEmpty(), qPrintable(QStringLiteral("page %1 is empty").arg(i + 1)));
    }

    // A line may stand in the PDF as often as its text stands in the source
    // (a chapter title in the contents and over the chapter, "16" in a
    // table), never more: a page break must not print a line twice. The
    // contents' page numbers are the PDF's own.
    QStringList entries = contentsEntries(source);
    for (QString &entry : entries)
        entry = squeezed(entry);
    QHash<QString, int> lines;
    for (const QString &line : pages.join(QLatin1Char('\n')).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch entry = kContentsLine.match(line.trimmed());
        const bool listed = entry.hasMatch() && entries.contains(squeezed(entry.captured(1)));
        const QString text = squeezed(listed ? entry.captured(1) : line);
        if (!text.isEmpty())
            ++lines[text];
    }
    for (auto it = lines.cbegin(); it != lines.cend(); ++it)
        QVERIFY2(it.value() <= sourceText.count(it.key()),
                 qPrintable(QStringLiteral("%1 times: %2").arg(it.value()).arg(it.key())));
}

void TestHelpDoc::contentsGiveEachChaptersPage()
{
    QTextDocument source;
    QVERIFY(readSource(source));
    const QStringList entries = contentsEntries(source);
    QVERIFY2(entries.size() >= 10, qPrintable(entries.join(QLatin1Char('|'))));
    const QStringList pages = rawText.split(QLatin1Char('\f'));
    QHash<QString, int> listed;
    for (const QString &line : rawText.split(QRegularExpression(QStringLiteral("[\n\f]")))) {
        const QRegularExpressionMatch entry = kContentsLine.match(line.trimmed());
        if (entry.hasMatch())
            listed.insert(squeezed(entry.captured(1)), entry.captured(2).toInt());
    }
    // Every chapter's heading stands on the page its entry names.
    int previous = 0;
    for (const QString &title : entries) {
        QVERIFY2(listed.contains(squeezed(title)), qPrintable(title));
        const int page = listed.value(squeezed(title));
        QVERIFY2(page >= previous && page <= pages.size(), qPrintable(QStringLiteral("%1: %2").arg(title).arg(page)));
        previous = page;
        // The page's text without the contents' own lines (a heading may
        // take two lines).
        QString pageText;
        for (const QString &line : pages.at(page - 1).split(QLatin1Char('\n'))) {
            if (!kContentsLine.match(line.trimmed()).hasMatch())
                pageText += line;
        }
        QVERIFY2(squeezed(pageText).contains(squeezed(title)),
                 qPrintable(QStringLiteral("%1 is not on page %2").arg(title).arg(page)));
    }
}

void TestHelpDoc::namesTheProgramsShortcutsAndButtons()
{
    const QString text = rawText.simplified();
    MainWindow window;
    int shortcuts = 0;
    for (const QAction *action : window.findChildren<QAction *>()) {
        if (action->shortcut().isEmpty() || action->text().isEmpty())
            continue;
        ++shortcuts;
        const QString entry = QStringLiteral("%1 (%2)").arg(action->text(),
                                                             action->shortcut().toString());
        QVERIFY2(text.contains(entry), qPrintable(entry));
    }
    QVERIFY(shortcuts >= 5);

    // Qt's own buttons speak Hungarian in the program, and so does the help.
    installQtTranslation();
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    const QString cancel = box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
    QVERIFY2(cancel != QLatin1String("Cancel"), "Qt's Hungarian translation is not installed");
    QVERIFY2(text.contains(QStringLiteral("„%1”").arg(cancel)), qPrintable(cancel));
    QVERIFY(!text.contains(QLatin1String("Cancel")));
    // The button that shows a message's details (the differing fields of a
    // verify, the help's own path) by the name the program gives it.
    QMessageBox message;
    message.setDetailedText(QStringLiteral("x"));
    QString details;
    for (QAbstractButton *button : message.buttons()) {
        if (message.buttonRole(button) == QMessageBox::ActionRole)
            details = button->text().remove(QLatin1Char('&'));
    }
    QVERIFY(!details.isEmpty());
    QVERIFY2(text.contains(QStringLiteral("„%1”").arg(details)), qPrintable(details));
}

void TestHelpDoc::showsTheDownloadUnderWay()
{
    QImage shot(QStringLiteral(KORDAVO_BIN_DIR "/../packaging/help/shot-download.png"));
    QVERIFY(!shot.isNull());
    shot = shot.convertToFormat(QImage::Format_RGB32);
    // The progress bar is the row with the most of the highlight's blue; its
    // filled part is a share of the picture's width between empty and full.
    int filled = 0;
    for (int y = 0; y < shot.height(); ++y) {
        int blue = 0;
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.blue() > c.red() + 60 && c.blue() > c.green() + 20)
                ++blue;
        }
        filled = std::max(filled, blue);
    }
    const double share = double(filled) / shot.width();
    QVERIFY2(share > 0.2 && share < 0.8, qPrintable(QString::number(share)));
}

KORDAVO_TEST_MAIN(TestHelpDoc)
#include "tst_helpdoc.moc"
