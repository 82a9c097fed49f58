#pragma once

// The site register's window, "Nyilvántartás": the sites with a filter, the
// chosen site's versions, what changed between two of them, where a number
// stands, and the user's changes to a site (name, address, note, merge).
// It asks the register through RegisterClient, so the window never waits
// on it; loading a version into the form and a version's handover sheet
// are handed to whoever opened it.

#include "register/siteregister.h"

#include <QtCore/QList>
#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class RegisterClient;

class RegisterWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RegisterWindow(RegisterClient &client, QWidget *parent = nullptr);

    // Asks the register again, keeping the chosen site and versions.
    void refresh();
    // Brings the window up with the keyboard in the site filter, or in the number search.
    void showSites();
    void showNumberSearch();

signals:
    // A version's configuration file, to go into the form; `name` says which.
    void loadIntoForm(const QByteArray &krv, const QString &name);
    void sheetRequested(qint64 siteId, int version);
    void installerNameRequested();

protected:
    // kordavo-cli may have recorded meanwhile: the register is asked again
    // whenever the installer comes back to this window.
    void changeEvent(QEvent *event) override;

private:
    void showUp();
    void buildWidgets();
    void setUpKeyboard();

    void showSiteList(const QList<siteregister::SiteSummary> &list, const QString &problem);
    void applyFilter();
    void siteChosen();
    void showSite(const siteregister::SiteSummary *site);
    void showHistory(qint64 siteId, const QList<siteregister::VersionInfo> &list, const QString &problem);
    void versionsChosen();
    QList<int> chosenVersions() const;
    const siteregister::VersionInfo *versionInfo(int version) const;

    void loadChosen();
    void sheetOfChosen();
    void changeSite(const QString &what);
    void mergeSite();
    void findNumber();
    void jumpToPlace(QTreeWidgetItem *item);
    void selectSite(qint64 siteId);

    void say(const QString &text);
    void sayProblem(const QString &problem);

    RegisterClient &client;
    QList<siteregister::SiteSummary> sites;
    QList<siteregister::VersionInfo> versions;
    qint64 currentSite = 0;
    qint64 wantedSite = 0;     // to choose once the list comes
    qint64 restoreFor = 0;     // the site whose chosen versions a refresh keeps
    QList<int> restoreVersions;
    int changesAsked = 0;      // the newest question about changes; older answers are dropped

    QLineEdit *filter = nullptr;
    QTreeWidget *siteList = nullptr;
    QLineEdit *numberSearch = nullptr;
    QPushButton *findButton = nullptr;
    QTreeWidget *numberResults = nullptr;
    QLabel *siteTitle = nullptr;
    QLabel *siteDetails = nullptr;
    QPushButton *renameButton = nullptr;
    QPushButton *addressButton = nullptr;
    QPushButton *noteButton = nullptr;
    QPushButton *mergeButton = nullptr;
    QTreeWidget *historyList = nullptr;
    QPushButton *loadButton = nullptr;
    QPushButton *sheetButton = nullptr;
    QPlainTextEdit *changesView = nullptr;
    QPushButton *installerButton = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *statusLine = nullptr;
    QString said;        // the status line's text once the register has answered
    QTimer waitShown;
    bool placed = false;
};
