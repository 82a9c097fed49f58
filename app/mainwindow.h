#pragma once

#include <QtWidgets/QMainWindow>

#include <memory>

class DeviceCommands;
class DocumentCommands;
class FieldChecks;
class MemoryMode;
class QLabel;
class RegisterCommands;
class TransferCommands;
class WindowState;

namespace Ui {
class MainWindow;
}

// The configuration tool's only window. Every user command is a slot that
// hands on to the part of the program it belongs to: the file commands and
// field checks (document/), the device column (serial/), the transfers
// (transfer/) and the site register (registerview/). The window holds the state they share and shows it: the port
// in the status bar, programming mode in the device column.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    WindowState &state() { return *windowState; }
    const WindowState &state() const { return *windowState; }
    DocumentCommands &document() { return *documentCommands; }
    RegisterCommands &siteRegister() { return *registerCommands; }

    // Shows programming mode (or normal mode) in the device column, the
    // menus and the port button; runs on every change of the state's mode.
    void updateModeDisplay();

    // The record image of the form into the state; false on an empty general field.
    bool buildConfigImage();
    // A normalised "~{" reply into the form; false when it holds too few records.
    bool applyConfigImage(const QString &image);

public slots:
    void newfile();
    void openfile();
    void save();
    void show_port();
    void status();
    void smskpSelect();
    void setMode(int n);
    void download();
    void readup();
    void verify();
    void rele_test();
    void nevjegy();
    void contents();
    void input_g1();
    void input_g2();
    void input_g3();
    void input_g4();
    void input_g5();
    void input_g6();
    void input_tel_edit();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showPortLabel();

    std::unique_ptr<Ui::MainWindow> ui;
    WindowState *windowState;
    FieldChecks *fieldChecks;
    std::unique_ptr<MemoryMode> memoryMode;
    std::unique_ptr<DocumentCommands> documentCommands;
    std::unique_ptr<DeviceCommands> deviceCommands;
    std::unique_ptr<TransferCommands> transferCommands;
    std::unique_ptr<RegisterCommands> registerCommands;
    QLabel *portLabel = nullptr;
};
