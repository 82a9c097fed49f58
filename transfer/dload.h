#pragma once

#include <QtCore/QString>
#include <QtWidgets/QDialog>

#include <memory>

class QTimer;
class dlThread;
struct DownloadSettings;

namespace Ui {
class dload;
}

// The download's progress dialog. It starts its worker at once and cannot be
// dismissed while the worker runs; afterwards it shows the result with an OK
// button, and after a success it also closes itself 2 s later.
class dload : public QDialog
{
    Q_OBJECT

public:
    explicit dload(const DownloadSettings &settings, QWidget *parent = nullptr);
    // Waits for a worker that is still running, so the port is closed before
    // the dialog (or the program) goes away.
    ~dload() override;

    dlThread *worker = nullptr;
    QTimer *closeTimer = nullptr;

public slots:
    void dlcomplete();
    // Escape and the window's close button do nothing, in every state: the
    // dialog ends only by OK, or by itself 2 s after a success.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The failure's reason in a label of its own below the failure text: the
    // progress bar and the button move down to make room.
    void showReason(const QString &reason);

    std::unique_ptr<Ui::dload> ui;
    const QString portName;
};
