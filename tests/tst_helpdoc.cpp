// The help document the build places beside the program.

#include "support/testsupport.h"

#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>

class TestHelpDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void isAPdfOfSeveralPages();
    void holdsTheScreenshots();
    void readsAsHungarianText();

private:
    QByteArray pdf;
};

void TestHelpDoc::initTestCase()
{
    QFile file(QStringLiteral(KORDAVO_BIN_DIR "/kordavo-help.pdf"));
    QVERIFY2(file.open(QIODevice::ReadOnly), "the build did not place kordavo-help.pdf beside the program");
    pdf = file.readAll();
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
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                              QStringLiteral(KORDAVO_BIN_DIR "/kordavo-help.pdf"), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    for (const char *phrase : {"Betöltés az eszközbe", "Kiolvasás az eszközből", "Betöltés ellenőrzése",
                               "Relé teszt", "Port beállítása", "programozási üzemmód", "dialout"})
        QVERIFY2(text.contains(QString::fromUtf8(phrase)), phrase);
}

KORDAVO_TEST_MAIN(TestHelpDoc)
#include "tst_helpdoc.moc"
