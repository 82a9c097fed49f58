// The About box and the help command.

#include "support/testsupport.h"

#include "app/about.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void showsInformationLinesAndVersion();
    void emptyInformationLines();
    void everyActivationOpensAnotherBox();
    void closeButtonClosesTheBox();
    void helpMissing();
    void helpPresentOpensAbsoluteUrl();
    void helpRefusedByDesktop();
};

void TestAbout::showsInformationLinesAndVersion()
{
    MainWindow w;
    w.state().setInfoLine1(QStringLiteral("<a href=\"https://example.hu\">Példa Kft.</a>"));
    w.state().setInfoLine2(QStringLiteral("Írta: Kovács Ődön"));
    w.nevjegy();
    const auto boxes = w.findChildren<about *>();
    QCOMPARE(boxes.size(), 1);
    about *box = boxes.first();
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QCOMPARE(box->windowTitle(), QStringLiteral("Névjegy"));
    QCOMPARE(box->findChild<QLabel *>(QStringLiteral("label_v"))->text(), w.windowTitle());
    QCOMPARE(box->findChild<QLabel *>(QStringLiteral("label_comp"))->text(), w.state().infoLine1());
    QCOMPARE(box->findChild<QLabel *>(QStringLiteral("label_wby"))->text(), w.state().infoLine2());
    QVERIFY(box->findChild<QLabel *>(QStringLiteral("label_wby"))->font().italic());
    QCOMPARE(box->size(), QSize(311, 200));
}

void TestAbout::emptyInformationLines()
{
    about box{QString(), QString()};
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("label_comp"))->text().isEmpty());
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("label_wby"))->text().isEmpty());
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("label_v"))->text(),
             QStringLiteral("Kordavo 32/128 letöltő szoftver v2.62"));
}

void TestAbout::everyActivationOpensAnotherBox()
{
    MainWindow w;
    w.show();
    w.findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    w.findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    QCOMPARE(w.findChildren<about *>().size(), 2);
    // The window stays usable while a box is open.
    QVERIFY(!QApplication::activeModalWidget());
}

void TestAbout::closeButtonClosesTheBox()
{
    MainWindow w;
    w.nevjegy();
    QPointer<about> box = w.findChild<about *>();
    auto *buttons = box->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->click();
    QTRY_VERIFY(box.isNull());
}

void TestAbout::helpMissing()
{
    ScratchDir dir;
    RecordingPrompter prompter;
    MainWindow w;
    w.findChild<QAction *>(QStringLiteral("actionContents"))->trigger();
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().icon, QMessageBox::Critical);
    QCOMPARE(prompter.last().title, QStringLiteral("Help"));
    QCOMPARE(prompter.last().text, QStringLiteral("Hiba! A dokumentáció nem nyitható meg."));
    // The details name the file the program looked for.
    const QFileInfo named(QDir::fromNativeSeparators(prompter.last().details));
    QVERIFY(named.isAbsolute());
    QCOMPARE(named.fileName(), QStringLiteral("kordavo-help.pdf"));
    QCOMPARE(QFileInfo(named.absolutePath()).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
    QCOMPARE(prompter.messageParents.last(), &w);
    QVERIFY(prompter.openedUrls.isEmpty());
}

void TestAbout::helpPresentOpensAbsoluteUrl()
{
    ScratchDir dir;
    QFile pdf(dir.filePath(QStringLiteral("kordavo-help.pdf")));
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n");
    pdf.close();
    RecordingPrompter prompter;
    MainWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(prompter.openedUrls.size(), 1);
    const QUrl url = prompter.openedUrls.last();
    QVERIFY(url.isLocalFile());
    QCOMPARE(QFileInfo(url.toLocalFile()).canonicalFilePath(), QFileInfo(pdf).canonicalFilePath());
    QVERIFY(QFileInfo(url.toLocalFile()).isAbsolute());
}

void TestAbout::helpRefusedByDesktop()
{
    ScratchDir dir;
    QFile pdf(dir.filePath(QStringLiteral("kordavo-help.pdf")));
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    pdf.close();
    RecordingPrompter prompter;
    prompter.openUrlResult = false;
    MainWindow w;
    w.contents();
    QCOMPARE(prompter.openedUrls.size(), 1);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("Hiba! A dokumentáció nem nyitható meg."));
    QCOMPARE(QFileInfo(QDir::fromNativeSeparators(prompter.last().details)).canonicalFilePath(),
             QFileInfo(pdf).canonicalFilePath());
}

KORDAVO_TEST_MAIN(TestAbout)
#include "tst_about.moc"
