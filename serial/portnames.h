#pragma once

#include <QtCore/QString>

// "COM2" before "COM10", "ttyS1" before "ttyUSB0": runs of digits compare by
// value, everything else character by character.
bool portNameLess(const QString &a, const QString &b);
