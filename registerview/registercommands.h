#pragma once

// The window's site register: the "Nyilvántartás" menu (the register window,
// the number search, a handover sheet of the form), the record of every
// transfer and the status bar's word on it.

#include <QtCore/QObject>

#include <memory>

class DocumentCommands;
class QLabel;
class QStatusBar;
class QWidget;
class RegisterClient;
class RegisterWindow;
class WindowState;

namespace handover {
struct Sheet;
}
namespace siteregister {
class RegisterRecorder;
struct RecordOutcome;
struct TransferRecord;
} // namespace siteregister

class RegisterCommands : public QObject
{
    Q_OBJECT

public:
    RegisterCommands(QWidget *window, QStatusBar *statusBar, WindowState &state, DocumentCommands &document);
    ~RegisterCommands() override;

    // "Telephelyek…", "Szám keresése…", "Átadási lap (PDF)…".
    void showSites();
    void findNumber();
    void sheetOfForm();

    // What a transfer did goes to the register on a thread of its own; the
    // status bar says what the register kept, or once why it could not.
    void record(const siteregister::TransferRecord &record);

    // The register window once it has been opened; nullptr before.
    RegisterWindow *registerWindow() const { return view.get(); }

private:
    RegisterClient &client();
    RegisterWindow &windowed();
    void showOutcome(const siteregister::RecordOutcome &outcome);
    void sheetOfVersion(qint64 siteId, int version);
    // Asks for the installer's name if the register keeps none, then for the
    // file (and before writing over one), then writes the sheet.
    void makeSheet(handover::Sheet sheet, QWidget *parent);
    void changeInstallerName();
    void loadVersion(const QByteArray &krv, const QString &name);

    QWidget *window;
    QStatusBar *statusBar;
    WindowState &state;
    DocumentCommands &document;
    std::unique_ptr<RegisterClient> registerClient;
    std::unique_ptr<RegisterWindow> view;   // goes before the client it asks
    siteregister::RegisterRecorder *recorder = nullptr;
    QLabel *recordLabel = nullptr;
};
