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

// What each memory size a module reports stands for: 128 and 127 store 128
// numbers, 31 and 127 are the reduced models, and only the two full sizes
// show the full module's picture.
struct ModelRow
{
    int memory;
    int entries;
    bool reduced;
    const char *picture;
};
inline constexpr ModelRow kModels[] = {
    {kLargeMemory, kLargeMemory, false, "cfg_i32.dll"},
    {kLargeMemory - 1, kLargeMemory, true, "cfg_i31.dll"},
    {kSmallMemory, kSmallMemory, false, "cfg_i32.dll"},
    {kSmallMemory - 1, kSmallMemory, true, "cfg_i31.dll"},
};
// Every other value is taken as a full 32-number module, shown with the
// reduced module's picture.
inline constexpr ModelRow kOtherModel{0, kSmallMemory, false, "cfg_i31.dll"};

// Whether a module reporting this memory size is one of the models above.
inline bool isKnownMemory(int memory)
{
    for (const ModelRow &row : kModels) {
        if (row.memory == memory)
            return true;
    }
    return false;
}

inline Model modelFor(int memory)
{
    const ModelRow *row = &kOtherModel;
    for (const ModelRow &candidate : kModels) {
        if (candidate.memory == memory)
            row = &candidate;
    }
    return {row->entries, row->reduced, QString::fromLatin1(row->picture)};
}

} // namespace modulemodel
