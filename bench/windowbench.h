#pragma once

// Shared by the benchmarks that drive the main window against the simulator.

#include "app/mainwindow.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>

#include <ctime>

namespace windowbench {

inline double now(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// A full 128-number form with a third of the boxes ticked.
inline void fill128(MainWindow &w)
{
    const char *general[] = {"36309888000", "1234", "0001", "Kapunyito modul", "0", "Kapu",
                             "Riaszto", "5", "K3 BE", "K4 BE", "K3 KI", "K4 KI",
                             "Kapu nyitva", "Riasztas", "Kapu zarva", "Riasztas vege"};
    const auto edits = w.findChild<QWidget *>(QStringLiteral("tab"))->findChildren<QLineEdit *>();
    for (int i = 0; i < edits.size(); ++i)
        edits[i]->setText(QString::fromLatin1(general[i]));
    for (int n = 1; n <= 128; ++n)
        w.findChild<QLineEdit *>(QStringLiteral("t_%1").arg(n))
            ->setText(QStringLiteral("3630%1").arg(1000000 + n * 37));
    int i = 0;
    for (QCheckBox *b : w.findChildren<QCheckBox *>())
        b->setChecked(++i % 3 == 0);
}

} // namespace windowbench
