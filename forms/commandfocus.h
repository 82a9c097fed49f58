#pragma once

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

// Keeps the keyboard focus on the window itself while a device command runs.
// A focused button that the command disables would otherwise hand the focus
// on along the chain, and a second Space meant for it would start the next
// command there (a download). When the command ends, the focus goes back to
// where it was (its own button), unless the command has moved it meanwhile.
class CommandFocus
{
public:
    explicit CommandFocus(QWidget *window)
        : window(window)
        , returnTo(window->focusWidget())
    {
        if (returnTo && returnTo != window)
            window->setFocus(Qt::OtherFocusReason);
    }

    ~CommandFocus()
    {
        if (!window || !returnTo || returnTo == window)
            return;
        QWidget *now = window->focusWidget();
        if ((now == window || now == nullptr) && returnTo->isEnabled() && returnTo->isVisibleTo(window))
            returnTo->setFocus(Qt::OtherFocusReason);
    }

    CommandFocus(const CommandFocus &) = delete;
    CommandFocus &operator=(const CommandFocus &) = delete;

private:
    QPointer<QWidget> window;
    QPointer<QWidget> returnTo;
};
