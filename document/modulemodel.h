#pragma once

// What the memory size that a module reports means: how many telephone
// entries it stores, whether it is one of the reduced models (no identifier,
// names or messages), and which picture shows it.

#include <QtCore/QString>

namespace modulemodel {

inline constexpr int kSmallMemory = 32;
inline constexpr int kLargeMemory = 128;

struct Model
{
    int entries = kSmallMemory;   // the window's memorySize, the transfers' N
    bool reduced = false;
    QString picture;              // in the working folder, beside the program
};

// 128 and 127 store 128 numbers, 31 and 127 are the reduced models; every
// other value is taken as a full 32-number module. Only the two full sizes
// show the full module's picture.
inline Model modelFor(int memory)
{
    Model model;
    model.entries = (memory == 128 || memory == 127) ? kLargeMemory : kSmallMemory;
    model.reduced = memory == 127 || memory == 31;
    model.picture = (memory == kSmallMemory || memory == kLargeMemory) ? QStringLiteral("cfg_i32.dll")
                                                                       : QStringLiteral("cfg_i31.dll");
    return model;
}

} // namespace modulemodel
