#pragma once

// A configuration file checked as the form checks what a user types, and
// for what would not reach the module unchanged: every value that breaks a
// rule, with its line and label.

#include <QtCore/QStringList>

#include <optional>

namespace filecheck {

struct Problem
{
    int line = 0;      // 1-based line of the file
    QString label;     // "Modul PIN-kód" or "12. telefonszám"
    QString value;
    QString message;
    // A note, not a fault: the value reaches the module changed in a way the
    // installer should know of (ő stored as ö), but it may be sent.
    bool warning = false;
};

// The faults among the problems: what stops a download unless forced.
int faults(const QList<Problem> &problems);

// The file's 144 lines as read; nothing when fewer lines are there.
std::optional<QList<Problem>> check(const QStringList &lines);

} // namespace filecheck
