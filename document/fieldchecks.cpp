#include "document/fieldchecks.h"

#include "document/fieldrules.h"
#include "forms/mainwindow_form.h"
#include "forms/prompter.h"

#include <QtCore/QMimeData>
#include <QtCore/QScopedValueRollback>
#include <QtGui/QClipboard>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTabWidget>

#include <memory>

FieldChecks::FieldChecks(Ui::MainWindow &ui, QWidget *window)
    : QObject(window)
    , ui(ui)
    , window(window)
{
}

void FieldChecks::watch(QLineEdit *edit, std::function<void()> check, int number)
{
    edit->installEventFilter(this);
    checkedFields.insert(edit, {std::move(check), number});
}

bool FieldChecks::eventFilter(QObject *watched, QEvent *event)
{
    const auto found = checkedFields.constFind(watched);
    if (found == checkedFields.cend() || windowClosing)
        return QObject::eventFilter(watched, event);
    const CheckedField &field = *found;
    if (field.number > 0 && pasteIntoNumber(static_cast<QLineEdit *>(watched), event))
        return true;

    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front (a message box among them) and
        // the field's own context menu leave the field where it is; the
        // menu bar and its menus end the editing, as they end a line edit's.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const QWidget *popup = QApplication::activePopupWidget();
        const bool ownMenu = reason == Qt::PopupFocusReason && popup && popup->parentWidget() == watched;
        if (reason != Qt::ActiveWindowFocusReason && !ownMenu) {
            const std::function<void()> check = field.check;
            check();
        }
    } else if (event->type() == QEvent::KeyPress && field.number > 0) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int step = 0;
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                step = 1;
                break;
            case Qt::Key_Up:
                step = -1;
                break;
            default:
                break;
            }
        }
        // Leaving the field runs the check; where there is nowhere to go,
        // Return ends the editing in place.
        if (step != 0 && static_cast<QWidget *>(watched)->hasFocus()
            && stepToNumber(field.number, step))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void FieldChecks::endEditing()
{
    const auto found = checkedFields.constFind(window->focusWidget());
    if (found != checkedFields.cend() && !windowClosing) {
        const std::function<void()> check = found->check;
        check();
    }
}

bool FieldChecks::stepToNumber(int number, int step)
{
    const int target = number + step;
    // Each page is a list of its own, as its tab says.
    if (target < 1 || (target - 1) / kNumbersPerPage != (number - 1) / kNumbersPerPage)
        return false;
    QLineEdit *next = ui.telephoneEdit(target);
    if (!next || !next->isEnabled())
        return false;
    // As with Tab, so the number typed next replaces the one there.
    next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void FieldChecks::rejectField(QLineEdit *field, const QString &title, const QString &message)
{
    // The rejected text is discarded, and the user is taken to the field.
    const QScopedValueRollback<bool> guard(reportingRejection, true);
    field->clear();
    field->setFocus(Qt::OtherFocusReason);
    prompt::warning(window, title, message);
}

void FieldChecks::showFieldProblem(QLineEdit *field, const QString &title, const QString &message)
{
    // The focus moves while the box is up; they are not the user leaving a field.
    const QScopedValueRollback<bool> guard(reportingRejection, true);
    for (QWidget *w = field; w; w = w->parentWidget()) {
        if (ui.tabWidget->indexOf(w) >= 0) {
            ui.tabWidget->setCurrentWidget(w);
            break;
        }
    }
    field->setFocus(Qt::OtherFocusReason);
    prompt::critical(window, title, message);
}

void FieldChecks::checkFieldGroup(const QList<QWidget *> &containers)
{
    if (reportingRejection)
        return;
    for (QWidget *container : containers) {
        const bool telephonePage = container != ui.g1 && container != ui.g2_ki && container != ui.g2_be;
        const auto edits = container->findChildren<QLineEdit *>();
        for (QLineEdit *edit : edits) {
            // A locked field cannot be corrected by the user, so it is not judged
            // (the reduced models lock m_id with "-", which must not block downloads).
            if (!edit->isEnabled())
                continue;
            const std::optional<fieldrules::Rule> broken =
                telephonePage ? std::make_optional(fieldrules::telephoneRule())
                              : fieldrules::brokenGeneralRule(edit->objectName(), edit->text());
            if (broken && !broken->passes(edit->text())) {
                rejectField(edit, broken->title, broken->message);
                return;
            }
        }
    }
}

void FieldChecks::tidyTypedNumber(QLineEdit *edit)
{
    if (!edit || insertingNumber)
        return;
    const QString text = edit->text();
    const QString number = fieldrules::plainTelephoneNumber(text);
    if (number == text)
        return;
    // The cursor stays behind what was typed.
    const int cursor = int(fieldrules::plainTelephoneNumber(text.left(edit->cursorPosition())).size());
    edit->setText(number);
    edit->setCursorPosition(cursor);
}

bool FieldChecks::pasteIntoNumber(QLineEdit *edit, QEvent *event)
{
    if (edit->isReadOnly())
        return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    switch (event->type()) {
    case QEvent::KeyPress:
        if (!static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
            return false;
        insertNumber(edit, clipboard->text());
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton || !clipboard->supportsSelection()
            || !edit->rect().contains(mouse->position().toPoint()))
            return false;
        edit->deselect();
        insertNumber(edit, clipboard->text(QClipboard::Selection));
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (drop->source() == edit || !drop->mimeData()->hasText())
            return false;
        edit->deselect();
        edit->setCursorPosition(edit->cursorPositionAt(drop->position().toPoint()));
        insertNumber(edit, drop->mimeData()->text());
        drop->acceptProposedAction();
        // Ends the field's drop cursor, as its own drop would.
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(edit, &leave);
        return true;
    }
    case QEvent::ContextMenu: {
        // The field's own menu, its paste entry taken over. Qt connects that
        // entry by the slot's name in some versions and by pointer in others.
        const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            const bool byName = disconnect(action, SIGNAL(triggered()), edit, SLOT(paste()));
            const bool byPointer = disconnect(action, &QAction::triggered, edit, &QLineEdit::paste);
            if (byName || byPointer)
                connect(action, &QAction::triggered, edit,
                        [this, edit] { insertNumber(edit, QGuiApplication::clipboard()->text()); });
        }
        menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    default:
        return false;
    }
}

void FieldChecks::insertNumber(QLineEdit *edit, const QString &text)
{
    const QString current = edit->text();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int end = edit->hasSelectedText() ? edit->selectionEnd() : start;
    const QString head = current.left(start);
    const QString tail = current.mid(end);
    // As much of the pasted number as fits once its spaces and "+" are gone;
    // the rest of the field stays, as with any paste.
    QString pasted = fieldrules::withoutSpaces(text);
    QString number = fieldrules::plainTelephoneNumber(head + pasted + tail);
    const int overflow = int(number.size()) - edit->maxLength();
    if (overflow > 0) {
        pasted.chop(overflow);
        number = fieldrules::plainTelephoneNumber(head + pasted + tail);
    }
    const QScopedValueRollback<bool> inserting(insertingNumber, true);
    // One step to undo, and the textEdited of a paste.
    edit->selectAll();
    edit->insert(number);
    edit->setCursorPosition(int(fieldrules::plainTelephoneNumber(head + pasted).size()));
}
