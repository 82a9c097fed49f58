// The window's side of the record image: the form read into an image and a
// module's reply written back into the form.

#include "support/testsupport.h"

#include "imagetesthelpers.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTabWidget>

using namespace configimage;
using namespace imagetest;

namespace {

void fillForm(MainWindow &w)
{
    const QStringList texts = sampleGeneral();
    const auto edits = w.findChild<QWidget *>(QStringLiteral("tab"))->findChildren<QLineEdit *>();
    for (int i = 0; i < edits.size(); ++i)
        edits[i]->setText(texts.at(i));
}

} // namespace

class TestFormImage : public QObject
{
    Q_OBJECT

private slots:
    void windowBuildsFromTheForm();
    void windowEmptyFieldShowsGeneralTab();
    void windowAppliesReply();
    void windowShortReplyLeavesFormAlone();
};

void TestFormImage::windowBuildsFromTheForm()
{
    MainWindow w;
    fillForm(w);
    widget<QLineEdit>(w, QStringLiteral("be1_off_msg"))->setText(QStringLiteral("REC14"));
    widget<QLineEdit>(w, QStringLiteral("be2_on_msg"))->setText(QStringLiteral("REC15"));
    widget<QLineEdit>(w, QStringLiteral("t_3"))->setText(QStringLiteral("36301234567"));
    groupBox(w, QStringLiteral("6.1"))->setChecked(true);
    groupBox(w, QStringLiteral("5.2"))->setChecked(true);
    widget<QLineEdit>(w, QStringLiteral("t_40"))->setText(QStringLiteral("36209999999"));
    groupBox(w, QStringLiteral("79.1"))->setChecked(true);

    QVERIFY(w.buildConfigImage());
    QString image = w.state().configImage();
    QCOMPARE(image.size(), 1020);
    QStringList recs = records(image);
    QCOMPARE(recs.at(13), QStringLiteral("REC14           "));
    QCOMPARE(recs.at(14), QStringLiteral("REC15           "));
    QCOMPARE(recs.at(28 + 2), QStringLiteral("2136301234567   "));
    QVERIFY(!image.contains(QStringLiteral("36209999999")));

    w.setMode(128);
    QVERIFY(w.buildConfigImage());
    image = w.state().configImage();
    QCOMPARE(image.size(), 2652);
    recs = records(image);
    QCOMPARE(recs.at(28 + 39), QStringLiteral("1036209999999   "));
}

void TestFormImage::windowEmptyFieldShowsGeneralTab()
{
    MainWindow w;
    fillForm(w);
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(2);
    widget<QLineEdit>(w, QStringLiteral("ki4_off"))->clear();
    w.state().setConfigImage(QStringLiteral("old"));
    QVERIFY(!w.buildConfigImage());
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab"));
    // The records before the empty field are kept.
    QCOMPARE(records(w.state().configImage()).size(), 11);
}

void TestFormImage::windowAppliesReply()
{
    MainWindow w;
    w.setMode(128);
    QStringList numbers(128, QString());
    numbers[0] = QStringLiteral("36 30 1234567");
    numbers[127] = QStringLiteral("36701111111");
    QStringList general = sampleGeneral();
    general[3] = QStringLiteral("Name   ");
    const QString image = imageOf(general, {{1, 2}, {2, 1}, {256, 3}}, numbers).image;

    // Boxes that the reply does not tick are cleared.
    groupBox(w, QStringLiteral("1.1"))->setChecked(true);
    groupBox(w, QStringLiteral("100.2"))->setChecked(true);
    QVERIFY(w.applyConfigImage(normalizeReply(moduleReply(image))));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("m_nev"))->text(), QStringLiteral("Name"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("rele_time"))->text(), QStringLiteral("0005"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("be2_off_msg"))->text(), QStringLiteral("be2 ki"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_1"))->text(), QStringLiteral("36301234567"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_128"))->text(), QStringLiteral("36701111111"));
    QVERIFY(groupBox(w, QStringLiteral("1.2"))->isChecked());
    QVERIFY(!groupBox(w, QStringLiteral("1.1"))->isChecked());
    QVERIFY(groupBox(w, QStringLiteral("2.1"))->isChecked());
    QVERIFY(!groupBox(w, QStringLiteral("2.2"))->isChecked());
    QVERIFY(!groupBox(w, QStringLiteral("100.2"))->isChecked());
    QVERIFY(groupBox(w, QStringLiteral("256.1"))->isChecked());
    QVERIFY(groupBox(w, QStringLiteral("256.2"))->isChecked());

    // In 32 mode the numbers 33 … 128 keep their text, but lose their boxes.
    w.setMode(32);
    QVERIFY(w.applyConfigImage(normalizeReply(moduleReply(image))));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_128"))->text(), QStringLiteral("36701111111"));
    QVERIFY(!groupBox(w, QStringLiteral("256.1"))->isChecked());
    QVERIFY(groupBox(w, QStringLiteral("1.2"))->isChecked());
}

void TestFormImage::windowShortReplyLeavesFormAlone()
{
    MainWindow w;
    fillForm(w);
    groupBox(w, QStringLiteral("3.1"))->setChecked(true);
    widget<QLineEdit>(w, QStringLiteral("t_2"))->setText(QStringLiteral("111"));
    QStringList general = sampleGeneral();
    general[0] = QStringLiteral("999");
    QStringList recs = records(imageOf(general, {}, QStringList(32, QString())).image);
    recs.removeLast();
    QVERIFY(!w.applyConfigImage(recs.join(QLatin1Char('|')) + QLatin1Char('|')));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("smskp"))->text(), QStringLiteral("36309888000"));
    QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_2"))->text(), QStringLiteral("111"));
    QVERIFY(groupBox(w, QStringLiteral("3.1"))->isChecked());
}

KORDAVO_TEST_MAIN(TestFormImage)
#include "tst_formimage.moc"
