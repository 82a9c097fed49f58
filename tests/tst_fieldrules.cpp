// What the form's fields accept when the user finishes editing: the
// messages of rejected entries, the walk order of a group, locked fields, the leading "+" of telephone numbers, which ends of
// editing run a check, and the window's close that runs none.

#include "support/testsupport.h"

#include "document/documentcommands.h"
#include "document/fieldrules.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QMimeData>
#include <QtCore/QTemporaryDir>
#include <QtGui/QClipboard>
#include <QtGui/QFocusEvent>
#include <QtCore/QTimer>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTabWidget>

namespace {

const QString kDigitsOnly = QStringLiteral("Csak számok adhatóak meg!");
const QString kPhoneMessage = QStringLiteral(
    "Csak valós telefonszámok adhatóak meg,\nnemzetközi formátumban, '+' karakter nélkül.");

// Remembers the reason of the last focus-in of a widget.
class FocusReasonSpy : public QObject
{
public:
    explicit FocusReasonSpy(QWidget *watched) { watched->installEventFilter(this); }
    Qt::FocusReason reason = Qt::NoFocusReason;
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            reason = static_cast<QFocusEvent *>(event)->reason();
            ++count;
        }
        return false;
    }
};

} // namespace

class TestFieldRules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void digitFieldAcceptsDigitsAndSpaces();
    void rejectedFieldIsClearedFocusedAndReported();
    void restoreSettingHasItsEnglishTitle();
    void firstFailingFieldOfGeneralGroupOnly();
    void smsCentreTakesTelephoneText();
    void messagesAndCommandsTakeAnything();
    void lockedFieldsAreSkipped();
    void telephoneFieldsSpacesPassHyphensFail();
    void loadedBadNumbersReportedInWalkOrder();
    void leavingAnUnchangedFieldChecksItsPage();
    void typingOnEachPageRunsItsOwnCheck();
    void focusChangesOfTheReportDoNotCheckAgain();
    void closingTheWindowChecksNothing();
    void leadingPlusRemovedWhileTyping();
    void pastedDoublePlusLosesOne();
    void spacesDroppedAsTypedAndPasted();
    void programWrittenTextIsNotChecked();

private:
    std::unique_ptr<ScratchDir> m_dir;
    RecordingPrompter *m_prompter = nullptr;

    // Runs `action` with the real message boxes and answers every box that
    // shows; returns their texts.
    QStringList boxesShownBy(const std::function<void()> &action)
    {
        Prompter::install(nullptr);
        QStringList shown;
        std::function<void(QWidget *)> answer = [&](QWidget *modal) {
            auto *label = modal->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            shown << (label ? label->text() : modal->metaObject()->className());
            QTimer::singleShot(0, modal, [modal] { static_cast<QDialog *>(modal)->accept(); });
            whenModalShows(answer, 500);
        };
        whenModalShows(answer, 5000);
        action();
        QTest::qWait(700);   // room for a further box to show up
        Prompter::install(m_prompter);
        return shown;
    }

    // A shown, active window, so focus can be observed.
    void showActive(MainWindow &w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }

    // A configuration file with empty fields but the given telephone numbers.
    QString writeNumbers(const QMap<int, QByteArray> &numbers)
    {
        QByteArray bytes = "36309888000";
        for (int i = 2; i <= 16; ++i)
            bytes += "\r\n";
        for (int n = 1; n <= 128; ++n)
            bytes += "\r\n00" + numbers.value(n);
        QFile file(m_dir->filePath("letters.krv"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
        return file.fileName();
    }
};

void TestFieldRules::init()
{
    m_dir = std::make_unique<ScratchDir>();
    QVERIFY(m_dir->isValid());
    m_prompter = new RecordingPrompter;
}

void TestFieldRules::cleanup()
{
    delete m_prompter;
    m_dir.reset();
}

void TestFieldRules::digitFieldAcceptsDigitsAndSpaces()
{
    MainWindow w;
    // Empty fields pass everywhere.
    w.input_g1();
    w.input_g3();
    QVERIFY(m_prompter->messages.isEmpty());

    widget<QLineEdit>(w, "m_pin")->setText("12 4");
    widget<QLineEdit>(w, "m_id")->setText("0042");
    widget<QLineEdit>(w, "rele_time")->setText("5");
    widget<QLineEdit>(w, "visszaallas")->setText("1");
    w.input_g1();
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text(), QStringLiteral("12 4"));
}

void TestFieldRules::rejectedFieldIsClearedFocusedAndReported()
{
    MainWindow w;
    showActive(w);
    QLineEdit *pin = widget<QLineEdit>(w, "m_pin");
    FocusReasonSpy spy(pin);
    widget<QLineEdit>(w, "m_nev")->setFocus();

    // The user types into the field and leaves it with Return.
    pin->setFocus();
    pin->clear();
    spy.count = 0;
    widget<QLineEdit>(w, "m_nev")->setFocus();
    pin->setText("12a4");
    m_prompter->onMessage = [&](const RecordingPrompter::Message &) {
        // While the box is up the field is already empty and focused.
        QVERIFY(pin->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), pin);
    };
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Warning);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(m_prompter->last().text, kDigitsOnly);
    QCOMPARE(m_prompter->messageParents.last(), &w);
    QVERIFY(pin->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), pin);
    QCOMPARE(spy.count, 1);
    QCOMPARE(spy.reason, Qt::OtherFocusReason);

    // Through the real signal: typing and Return.
    m_prompter->onMessage = nullptr;
    m_prompter->clear();
    QLineEdit *relay = widget<QLineEdit>(w, "rele_time");
    relay->setFocus();
    QTest::keyClicks(relay, "5s");
    QTest::keyClick(relay, Qt::Key_Return);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().text, kDigitsOnly);
    QVERIFY(relay->text().isEmpty());
}

void TestFieldRules::restoreSettingHasItsEnglishTitle()
{
    MainWindow w;
    for (const char *ok : {"0", "1", ""}) {
        widget<QLineEdit>(w, "visszaallas")->setText(QString::fromLatin1(ok));
        w.input_g1();
    }
    QVERIFY(m_prompter->messages.isEmpty());
    widget<QLineEdit>(w, "visszaallas")->setText("2");
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Warning);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Input error"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Az érték 0 vagy 1 lehet."));
    QVERIFY(widget<QLineEdit>(w, "visszaallas")->text().isEmpty());
}

void TestFieldRules::firstFailingFieldOfGeneralGroupOnly()
{
    MainWindow w;
    widget<QLineEdit>(w, "m_id")->setText("x1");
    widget<QLineEdit>(w, "visszaallas")->setText("7");
    widget<QLineEdit>(w, "rele_time")->setText("y");
    // Finishing the edit of another field reports the first bad one.
    QLineEdit *name = widget<QLineEdit>(w, "be2_nev");
    QTest::keyClicks(name, "Riaszto");
    QTest::keyClick(name, Qt::Key_Enter);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().text, kDigitsOnly);
    QVERIFY(widget<QLineEdit>(w, "m_id")->text().isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "visszaallas")->text(), QStringLiteral("7"));
    QCOMPARE(widget<QLineEdit>(w, "rele_time")->text(), QStringLiteral("y"));

    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 2);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Input error"));
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 3);
    QCOMPARE(m_prompter->last().text, kDigitsOnly);
    QVERIFY(widget<QLineEdit>(w, "rele_time")->text().isEmpty());
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 3);
}

void TestFieldRules::smsCentreTakesTelephoneText()
{
    MainWindow w;
    // A preset number in the locked field always passes.
    w.input_g1();
    QVERIFY(m_prompter->messages.isEmpty());

    w.findChild<QComboBox *>("smskp_combo")->setCurrentIndex(3);   // "Egyéni"
    QLineEdit *sms = widget<QLineEdit>(w, "smskp");
    QVERIFY(sms->isEnabled());
    sms->setText("+36 30 988");
    w.input_g1();
    QVERIFY(m_prompter->messages.isEmpty());
    sms->setText("36-30-988");
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Csak valós telefonszám adható meg!"));
    QVERIFY(sms->text().isEmpty());
}

void TestFieldRules::messagesAndCommandsTakeAnything()
{
    MainWindow w;
    const QString anything = QStringLiteral("ő+-*/?!12ab");
    for (const char *name : {"m_nev", "be1_nev", "be2_nev"})
        widget<QLineEdit>(w, QString::fromLatin1(name))->setText(anything);
    w.input_g1();
    for (const char *name : {"ki3_on", "ki4_on", "ki3_off", "ki4_off", "be1_on_msg", "be1_off_msg",
                             "be2_on_msg", "be2_off_msg"}) {
        QLineEdit *edit = widget<QLineEdit>(w, QString::fromLatin1(name));
        edit->setText(anything);
        edit->setFocus();
        QTest::keyClicks(edit, "-+x");   // keyClicks types Latin-1 only
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), anything + QStringLiteral("-+x"));
    }
    QVERIFY(m_prompter->messages.isEmpty());
}

void TestFieldRules::lockedFieldsAreSkipped()
{
    MainWindow w;
    // The reduced models put "-" into the locked identifier field.
    w.setMode(31);
    QCOMPARE(widget<QLineEdit>(w, "m_id")->text(), QStringLiteral("-"));
    w.input_g1();
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "m_id")->text(), QStringLiteral("-"));

    // Fields still enabled are checked as before.
    widget<QLineEdit>(w, "m_pin")->setText("a");
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 1);
    QVERIFY(widget<QLineEdit>(w, "m_pin")->text().isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "m_id")->text(), QStringLiteral("-"));

    // Back to the full variant the "-" is judged again.
    w.setMode(32);
    w.input_g1();
    QCOMPARE(m_prompter->messages.size(), 2);
    QVERIFY(widget<QLineEdit>(w, "m_id")->text().isEmpty());

    // A locked telephone page is not judged either.
    m_prompter->clear();
    widget<QLineEdit>(w, "t_40")->setText("abc");
    w.input_g4();
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "t_40")->text(), QStringLiteral("abc"));
    w.setMode(128);
    w.input_g4();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().text, kPhoneMessage);
    QVERIFY(widget<QLineEdit>(w, "t_40")->text().isEmpty());
}

void TestFieldRules::telephoneFieldsSpacesPassHyphensFail()
{
    MainWindow w;
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    QLineEdit *t5 = widget<QLineEdit>(w, "t_5");
    t5->setFocus();
    t5->setText(QStringLiteral("36 30 123 4567"));   // typing drops the spaces; the check takes them
    QTest::keyClick(t5, Qt::Key_Return);
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(t5->text(), QStringLiteral("36 30 123 4567"));

    QLineEdit *t20 = widget<QLineEdit>(w, "t_20");
    t20->setFocus();
    QTest::keyClicks(t20, "36-30-123");
    QTest::keyClick(t20, Qt::Key_Return);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().icon, QMessageBox::Warning);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(m_prompter->last().text, kPhoneMessage);
    QVERIFY(t20->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), t20);
    QCOMPARE(t5->text(), QStringLiteral("36 30 123 4567"));

    // Each page has its own check: the last page on the last number.
    w.setMode(128);
    m_prompter->clear();
    widget<QLineEdit>(w, "t_128")->setText("1-2");
    w.input_g5();
    QVERIFY(m_prompter->messages.isEmpty());
    w.input_g6();
    QCOMPARE(m_prompter->messages.size(), 1);
    QVERIFY(widget<QLineEdit>(w, "t_128")->text().isEmpty());
}

void TestFieldRules::loadedBadNumbersReportedInWalkOrder()
{
    // A file may hold anything; loading does not judge it.
    const QString path = writeNumbers({{7, "hét"}, {3, "három"}});
    QVERIFY(!path.isEmpty());

    MainWindow w;
    m_prompter->fileAnswers.enqueue(path);
    w.openfile();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Megnyitás."));
    QVERIFY(!widget<QLineEdit>(w, "t_7")->text().isEmpty());
    QVERIFY(!widget<QLineEdit>(w, "t_3")->text().isEmpty());

    // Finishing an edit of any field of the page: t_3 comes before t_7 in
    // the page's walk order (11, 3, 9, ..., 2, 7, ...).
    m_prompter->clear();
    QLineEdit *t1 = widget<QLineEdit>(w, "t_1");
    QTest::keyClicks(t1, "36201234567");
    QTest::keyClick(t1, Qt::Key_Return);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().text, kPhoneMessage);
    QVERIFY(widget<QLineEdit>(w, "t_3")->text().isEmpty());
    QVERIFY(!widget<QLineEdit>(w, "t_7")->text().isEmpty());
    QCOMPARE(t1->text(), QStringLiteral("36201234567"));

    w.input_g3();
    QCOMPARE(m_prompter->messages.size(), 2);
    QVERIFY(widget<QLineEdit>(w, "t_7")->text().isEmpty());
    w.input_g3();
    QCOMPARE(m_prompter->messages.size(), 2);
}

void TestFieldRules::leavingAnUnchangedFieldChecksItsPage()
{
    // Qt itself ends the editing on a focus move only after a change; a bad
    // number that a file left is still reported when the user passes through.
    MainWindow w;
    const QString path = writeNumbers({{7, "seven"}, {3, "three"}});
    QVERIFY(!path.isEmpty());
    w.state().setFilePath(path);
    w.document().loadConfiguration(false);
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    widget<QLineEdit>(w, "t_1")->setFocus();
    m_prompter->clear();

    QTest::keyClick(widget<QLineEdit>(w, "t_1"), Qt::Key_Tab);
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(m_prompter->last().text, kPhoneMessage);
    QVERIFY(widget<QLineEdit>(w, "t_3")->text().isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "t_7")->text(), QStringLiteral("seven"));
    QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>(w, "t_3"));

    // Every end of editing checks again, a click away as much as Tab.
    QTest::mouseClick(widget<QLineEdit>(w, "t_20"), Qt::LeftButton);
    QCOMPARE(m_prompter->messages.size(), 2);
    QVERIFY(widget<QLineEdit>(w, "t_7")->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>(w, "t_7"));
    QTest::keyClick(widget<QLineEdit>(w, "t_7"), Qt::Key_Tab);
    QCOMPARE(m_prompter->messages.size(), 2);
}

void TestFieldRules::typingOnEachPageRunsItsOwnCheck()
{
    // Pages 2 to 4, through the keyboard: a bad number first in a page's walk
    // is reported by that page's check, and the next page's stays.
    MainWindow w;
    w.setMode(128);
    showActive(w);
    auto *tabs = w.findChild<QTabWidget *>("tabWidget");
    for (int page = 1; page <= 3; ++page) {
        const int base = 32 * page;
        if (page < 3)
            widget<QLineEdit>(w, QStringLiteral("t_%1").arg(base + 43))->setText("next");   // first in the next page's walk
        tabs->setCurrentIndex(page + 1);
        QLineEdit *typed = widget<QLineEdit>(w, QStringLiteral("t_%1").arg(base + 5));
        typed->setFocus();
        widget<QLineEdit>(w, QStringLiteral("t_%1").arg(base + 11))->setText("x");   // first in the walk
        m_prompter->clear();
        QTest::keyClicks(typed, "36 1");
        QTest::keyClick(typed, page == 2 ? Qt::Key_Tab : Qt::Key_Return);
        QCOMPARE(m_prompter->messages.size(), 1);
        QCOMPARE(m_prompter->last().text, kPhoneMessage);
        QVERIFY(widget<QLineEdit>(w, QStringLiteral("t_%1").arg(base + 11))->text().isEmpty());
        QCOMPARE(typed->text(), QStringLiteral("361"));
        if (page < 3)
            QCOMPARE(widget<QLineEdit>(w, QStringLiteral("t_%1").arg(base + 43))->text(), QStringLiteral("next"));
    }
}

void TestFieldRules::focusChangesOfTheReportDoNotCheckAgain()
{
    // Moving the focus to the rejected field, and the box taking it, end the
    // editing of other fields; that must not start a second report while
    // the first is under way.
    MainWindow w;
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    for (int n : {3, 7, 30})
        widget<QLineEdit>(w, QStringLiteral("t_%1").arg(n))->setText(QStringLiteral("x%1").arg(n));

    QLineEdit *t1 = widget<QLineEdit>(w, "t_1");
    t1->setFocus();
    QTest::keyClicks(t1, "3620");
    QCOMPARE(boxesShownBy([t1] { QTest::keyClick(t1, Qt::Key_Return); }), QStringList{kPhoneMessage});
    QVERIFY(widget<QLineEdit>(w, "t_3")->text().isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "t_7")->text(), QStringLiteral("x7"));
    QCOMPARE(widget<QLineEdit>(w, "t_30")->text(), QStringLiteral("x30"));
    QCOMPARE(w.focusWidget(), widget<QLineEdit>(w, "t_3"));

    // The user corrects the field and leaves it: the next check reports the
    // next field.
    showActive(w);
    QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>(w, "t_3"));
    m_prompter->clear();
    QTest::keyClicks(widget<QLineEdit>(w, "t_3"), "3670");
    widget<QLineEdit>(w, "t_2")->setFocus();
    QCOMPARE(m_prompter->messages.size(), 1);
    QCOMPARE(widget<QLineEdit>(w, "t_7")->text(), QString());
    QCOMPARE(widget<QLineEdit>(w, "t_30")->text(), QStringLiteral("x30"));
    QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>(w, "t_7"));

    // The same in the general group.
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(0);
    widget<QLineEdit>(w, "m_id")->setText("y");
    widget<QLineEdit>(w, "rele_time")->setText("z");
    QLineEdit *name = widget<QLineEdit>(w, "m_nev");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_A);
    QCOMPARE(boxesShownBy([name] { QTest::keyClick(name, Qt::Key_Return); }), QStringList{kDigitsOnly});
    QVERIFY(widget<QLineEdit>(w, "m_id")->text().isEmpty());
    QCOMPARE(widget<QLineEdit>(w, "rele_time")->text(), QStringLiteral("z"));
}

void TestFieldRules::closingTheWindowChecksNothing()
{
    // The focused field holds a bad number as the window goes, by close()
    // (Kilépés) or by being destroyed: no message, no crash.
    for (const bool destroyOnly : {false, true}) {
        auto *w = new MainWindow;
        showActive(*w);
        w->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
        QLineEdit *t5 = widget<QLineEdit>(*w, "t_5");
        t5->setFocus();
        QTest::keyClicks(t5, "36-30");
        if (!destroyOnly) {
            QVERIFY(w->close());
            QVERIFY(m_prompter->messages.isEmpty());
            QCOMPARE(t5->text(), QStringLiteral("36-30"));
        }
        delete w;
        QVERIFY(m_prompter->messages.isEmpty());
    }
}

void TestFieldRules::leadingPlusRemovedWhileTyping()
{
    MainWindow w;
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    QLineEdit *t5 = widget<QLineEdit>(w, "t_5");
    t5->setFocus();
    QTest::keyClick(t5, Qt::Key_Plus);
    QCOMPARE(t5->text(), QString());
    QTest::keyClicks(t5, "+36+301234567");
    QCOMPARE(t5->text(), QStringLiteral("36+301234567"));   // only a leading "+" goes
    QTest::keyClick(t5, Qt::Key_Home);
    QTest::keyClick(t5, Qt::Key_Plus);
    QCOMPARE(t5->text(), QStringLiteral("36+301234567"));
    QTest::keyClick(t5, Qt::Key_Return);
    QVERIFY(m_prompter->messages.isEmpty());
}

void TestFieldRules::pastedDoublePlusLosesOne()
{
    MainWindow w;
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    QLineEdit *t9 = widget<QLineEdit>(w, "t_9");
    t9->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("++36301234567"));
    if (QGuiApplication::clipboard()->text() != QLatin1String("++36301234567"))
        QSKIP("No clipboard on this platform");
    QTest::keyClick(t9, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(t9->text(), QStringLiteral("+36301234567"));
    QTest::keyClick(t9, Qt::Key_Return);
    QVERIFY(m_prompter->messages.isEmpty());
    QCOMPARE(t9->text(), QStringLiteral("+36301234567"));
}

void TestFieldRules::spacesDroppedAsTypedAndPasted()
{
    // A number written in groups keeps every digit: its spaces go as they are
    // typed or pasted, as the leading "+" does, and the module gets digits.
    MainWindow w;
    showActive(w);
    w.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    const QString grouped = QStringLiteral("+36 70 123 45 67");
    const QString digits = QStringLiteral("36701234567");
    QLineEdit *typed = widget<QLineEdit>(w, "t_5");
    typed->setFocus();
    QTest::keyClicks(typed, grouped);
    QCOMPARE(typed->text(), digits);
    // A space typed inside the number goes too, and the cursor stays put.
    typed->setCursorPosition(2);
    QTest::keyClick(typed, Qt::Key_Space);
    QCOMPARE(typed->text(), digits);
    QCOMPARE(typed->cursorPosition(), 2);

    QGuiApplication::clipboard()->setText(grouped);
    if (QGuiApplication::clipboard()->text() != grouped)
        QSKIP("No clipboard on this platform");
    QLineEdit *pasted = widget<QLineEdit>(w, "t_6");
    pasted->setFocus();
    QTest::keyClick(pasted, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(pasted->text(), digits);

    // "Beillesztés" from the field's own menu.
    QLineEdit *fromMenu = widget<QLineEdit>(w, "t_7");
    fromMenu->setFocus();
    bool pastedFromMenu = false;
    QTimer::singleShot(0, [&pastedFromMenu] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            if (!pastedFromMenu && action->text().startsWith(QLineEdit::tr("&Paste"))) {
                action->trigger();
                pastedFromMenu = true;
            }
        }
        menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), fromMenu->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(fromMenu, &menuEvent);
    QVERIFY(pastedFromMenu);
    QCOMPARE(fromMenu->text(), digits);

    // Dropped from another program.
    QLineEdit *dropped = widget<QLineEdit>(w, "t_8");
    QMimeData mime;
    mime.setText(grouped);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dropped, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dropped, &drop);
    QCOMPARE(dropped->text(), digits);

    QTest::keyClick(fromMenu, Qt::Key_Return);
    QVERIFY(m_prompter->messages.isEmpty());
}

void TestFieldRules::programWrittenTextIsNotChecked()
{
    MainWindow w;
    // Text the program writes emits neither textEdited nor editingFinished.
    widget<QLineEdit>(w, "t_2")->setText("+3630");
    widget<QLineEdit>(w, "m_pin")->setText("abcd");
    QCOMPARE(widget<QLineEdit>(w, "t_2")->text(), QStringLiteral("+3630"));
    QCOMPARE(widget<QLineEdit>(w, "m_pin")->text(), QStringLiteral("abcd"));
    QVERIFY(m_prompter->messages.isEmpty());
}

KORDAVO_TEST_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
