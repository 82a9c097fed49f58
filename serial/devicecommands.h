#pragma once

class MemoryMode;
class QWidget;
class WindowState;

namespace Ui {
class MainWindow;
}

// The commands of the device column: the port button that enters and leaves
// programming mode, the status query and the relay test.
class DeviceCommands
{
public:
    DeviceCommands(Ui::MainWindow &ui, QWidget *window, WindowState &state, MemoryMode &memoryMode);

    // Leaves programming mode, or asks for a port (searching the ports at
    // once when `search`) and puts the module there into programming mode.
    void showPort(bool search);
    void status();
    void releTest();

private:
    // Sends "~X" and shows normal mode; silent when the port does not open.
    void leaveProgramMode();
    // Shows the state's picture file from the working directory.
    void showModulePicture();

    Ui::MainWindow &ui;
    QWidget *window;
    WindowState &state;
    MemoryMode &memoryMode;
};
