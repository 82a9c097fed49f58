#pragma once

#include <QtWidgets/QDialog>

#include <memory>

namespace Ui {
class about;
}

// The "Névjegy" box: the two information lines of the default configuration
// and the program's name and version.
class about : public QDialog
{
    Q_OBJECT

public:
    about(const QString &infoLine1, const QString &infoLine2, QWidget *parent = nullptr);
    ~about() override;

private:
    std::unique_ptr<Ui::about> ui;
};

// Opens a "Névjegy" box; not modal, and every call opens another one, which
// is freed when closed.
void showAboutBox(const QString &infoLine1, const QString &infoLine2, QWidget *parent);
// Hands the help document in the working directory to the desktop, or says
// that it cannot be opened.
void openHelpDocument(QWidget *parent);

// Shown in the window title and in the About box, with the program's version.
QString programTitle();
