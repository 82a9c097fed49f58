#pragma once

#include "forms/connected.h"
#include "serial/moduleworker.h"

#include <QtWidgets/QProgressDialog>

inline void advance(QProgressDialog &progress, int step = 1)
{
    progress.setValue(progress.value() + step);
}

// The worker's reading advances the dialog by every byte that counts, and
// the dialog's Cancel (Mégse, Escape, its close button) stops the worker at
// the next byte.
inline void followReading(QProgressDialog &progress, ModuleWorker &worker)
{
    connected(QObject::connect(&worker, &ModuleWorker::readProgress, &progress,
                               [&progress](int step) {
                                   if (step > 0)
                                       advance(progress, step);
                               }),
              "ModuleWorker::readProgress");
    connected(QObject::connect(&progress, &QProgressDialog::canceled, &worker, &ModuleWorker::cancel),
              "QProgressDialog::canceled");
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
