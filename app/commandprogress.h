#pragma once

#include <QtWidgets/QProgressDialog>

// Qt shows a progress dialog by itself once its minimum duration has passed
// since it was made, whatever hide() says. A command that has ended, or
// failed, calls this before it shows its message, or a frozen progress
// window comes up over the message a few seconds later.
inline void endProgress(QProgressDialog &progress)
{
    progress.reset();
    progress.hide();
}
