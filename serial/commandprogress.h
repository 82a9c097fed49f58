#pragma once

#include "serial/moduleprotocol.h"

#include <QtWidgets/QProgressDialog>

// Lets a reading advance the dialog by every byte that counts, and stop
// when its Cancel button was pressed. Setting the value of a shown
// window-modal dialog lets it process its events, which is how the button
// takes effect between bytes.
inline moduleprotocol::ReadProgress progressOf(QProgressDialog &progress)
{
    return [&progress](int step) {
        if (step > 0)
            progress.setValue(progress.value() + step);
        return !progress.wasCanceled();
    };
}

// Qt shows a progress dialog by itself once its minimum duration has passed
// since it was made, whatever hide() says. A command that has ended, or
// failed, calls this before it shows its message, or a frozen progress
// window comes up over the message a few seconds later.
inline void endProgress(QProgressDialog &progress)
{
    progress.reset();
    progress.hide();
}
