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

// The reduced models hold no identifier, names or messages: these texts
// stand in their place (the module accepts them), and no number has rights.
struct Placeholder
{
    const char *objectName;
    const char *text;
};
inline constexpr Placeholder kReducedPlaceholders[] = {
    {"m_id", "-"}, {"m_nev", "-"}, {"visszaallas", "0"}, {"be1_nev", "-"}, {"be2_nev", "-"},
    {"be1_on_msg", "-"}, {"be1_off_msg", "-"}, {"be2_on_msg", "-"}, {"be2_off_msg", "-"},
    {"ki3_on", "-"}, {"ki4_on", "-"}, {"ki3_off", "-"}, {"ki4_off", "-"},
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
