#pragma once

class WindowState;

namespace Ui {
class MainWindow;
}

// The memory-size mode: what the form lets the user edit for the memory size
// that a module reports, and the memory the transfers use.
class MemoryMode
{
public:
    MemoryMode(Ui::MainWindow &ui, WindowState &state);

    // Enables the telephone pages that the module's memory holds, and locks
    // what a reduced model does not store.
    void apply(int memory);

private:
    Ui::MainWindow &ui;
    WindowState &state;
};
