#pragma once

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

class QLineEdit;
class QWidget;

namespace Ui {
class MainWindow;
}

// The checks of the form's fields as the user leaves them: a field's group
// is judged on Return and on every focus move out of the field (Qt ends the
// editing on a focus move only when the text changed, but a value that a
// file left behind must be judged too), and Return and the arrows step
// between the numbers of a telephone page.
class FieldChecks : public QObject
{
    Q_OBJECT

public:
    FieldChecks(Ui::MainWindow &ui, QWidget *window);

    // Runs `check` whenever `edit` is left; `number` is n of a t_<n> field,
    // 0 for the general fields.
    void watch(QLineEdit *edit, std::function<void()> check, int number);
    // Set while the window closes or is destroyed: the focus moves of its
    // going are not the user leaving a field.
    void setWindowClosing(bool closing) { windowClosing = closing; }

    // Checks the fields of g1 or of a telephone page in their child order and
    // rejects the first that breaks its rule.
    void checkFieldGroup(const QList<QWidget *> &containers);
    // A telephone number is typed without its spaces and its leading "+".
    void tidyTypedNumber(QLineEdit *edit);
    // Takes the user to a field whose content stops a command (its tab to
    // the front, the focus on it) and says why in a critical box. The field
    // keeps its text.
    void showFieldProblem(QLineEdit *field, const QString &title, const QString &message);

    // Runs the check of the focused field, as leaving it would.
    void endEditing();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Rejects `field`: clears it, focuses it and shows the rule's warning.
    void rejectField(QLineEdit *field, const QString &title, const QString &message);
    // Focuses the number `step` away from t_<number> on the same page; false
    // past the page's first or last number.
    bool stepToNumber(int number, int step);
    // A paste into a number field (the paste keys, the field's own menu, the
    // middle button, a drop), taken before the field's length would cut the
    // number's spaces and "+" together with its last digits. True when
    // `event` was one.
    bool pasteIntoNumber(QLineEdit *edit, QEvent *event);
    // `text` where the cursor or the selection is, as a typed number takes it.
    void insertNumber(QLineEdit *edit, const QString &text);

    struct CheckedField
    {
        std::function<void()> check;
        int number;
    };

    Ui::MainWindow &ui;
    QWidget *window;
    QHash<const QObject *, CheckedField> checkedFields;
    bool windowClosing = false;
    // True while a rejection is being reported: the focus moves it causes end
    // the editing of other fields, which must not start a second report.
    bool reportingRejection = false;
    // True while a paste writes its number: that edit needs no tidying.
    bool insertingNumber = false;
};
