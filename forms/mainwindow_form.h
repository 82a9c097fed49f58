#pragma once

// The main window's form: every widget of the central area, the menus and
// actions, the window's size, palette and icon. Built in code so that the 128
// telephone rows come from one loop in the fixed creation order the module's
// record layout depends on.

#include <QtCore/QList>
#include <QtCore/QString>

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;

// What the form shows that is the configuration's to know: the general fields
// with their labels and lengths, the SMS centre presets and the telephone
// numbers' length. The caller hands it in; the form knows where things stand.
struct FormContents
{
    struct Field
    {
        QString objectName;
        QString label;
        int maxLength = 0;
    };
    struct Preset
    {
        QString entry;    // the combo box entry
        QString number;   // the centre number it puts into the field
    };

    QList<Field> generalFields;   // in record order
    QList<Preset> presets;
    QString customEntry;          // the combo's last entry, which carries no number
    int telephoneNumberLength = 0;
};

namespace Ui {

class MainWindow
{
public:
    // The general tab has a place for this many fields, in record order.
    static constexpr int kGeneralFieldCount = 16;

    // Menus and actions.
    QAction *actionOpen = nullptr;
    QAction *actionSave = nullptr;
    QAction *actionExit = nullptr;
    QAction *actionPort = nullptr;
    QAction *actionReadup = nullptr;
    QAction *actionDownload = nullptr;
    QAction *actionVerify = nullptr;
    QAction *actionReleTeszt = nullptr;
    QAction *actionStatus = nullptr;
    QAction *actionContents = nullptr;
    QAction *actionAbout = nullptr;
    QAction *actionSites = nullptr;
    QAction *actionFindNumber = nullptr;
    QAction *actionSheet = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *menuFile = nullptr;
    QMenu *menuSettings = nullptr;
    QMenu *menuDevice = nullptr;
    QMenu *menuRegister = nullptr;
    QMenu *menuHelp = nullptr;
    QStatusBar *statusBar = nullptr;

    QWidget *centralWidget = nullptr;
    QTabWidget *tabWidget = nullptr;

    // General tab.
    QWidget *tab = nullptr;
    QGroupBox *g1 = nullptr;
    QComboBox *smskp_combo = nullptr;
    QLineEdit *smskp = nullptr;
    QLineEdit *m_pin = nullptr;
    QLineEdit *m_id = nullptr;
    QLineEdit *m_nev = nullptr;
    QLineEdit *visszaallas = nullptr;
    QLineEdit *be1_nev = nullptr;
    QLineEdit *be2_nev = nullptr;
    QLineEdit *rele_time = nullptr;
    QGroupBox *g2_ki = nullptr;
    QLineEdit *ki3_on = nullptr;
    QLineEdit *ki4_on = nullptr;
    QLineEdit *ki3_off = nullptr;
    QLineEdit *ki4_off = nullptr;
    QGroupBox *g2_be = nullptr;
    QLineEdit *be1_on_msg = nullptr;
    QLineEdit *be1_off_msg = nullptr;
    QLineEdit *be2_on_msg = nullptr;
    QLineEdit *be2_off_msg = nullptr;
    QWidget *picture = nullptr;
    QLabel *image = nullptr;

    // Telephone pages and their containers.
    QWidget *tab_2 = nullptr;
    QWidget *tab_3 = nullptr;
    QWidget *tab_4 = nullptr;
    QWidget *tab_5 = nullptr;
    QWidget *g3 = nullptr;
    QWidget *g4 = nullptr;
    QWidget *g5 = nullptr;
    QWidget *g6 = nullptr;

    // Right-hand column.
    QLabel *l_ver = nullptr;
    QGroupBox *g_eszkoz = nullptr;
    QLabel *l_service = nullptr;
    QLabel *l_terero = nullptr;
    QProgressBar *terero = nullptr;
    QWidget *w_be1 = nullptr;
    QWidget *w_be2 = nullptr;
    QWidget *w_ki1 = nullptr;
    QWidget *w_ki2 = nullptr;
    QWidget *w_ki3 = nullptr;
    QWidget *w_ki4 = nullptr;
    QPushButton *button_status = nullptr;
    QPushButton *button_dl = nullptr;
    QPushButton *button_vf = nullptr;
    QPushButton *button_ul = nullptr;
    QGroupBox *g_uzemmod = nullptr;
    QPushButton *button_port = nullptr;

    void setupUi(QMainWindow *window, const FormContents &contents);

    // The sixteen general line edits in their creation (and record) order.
    QList<QLineEdit *> generalLineEdits() const;
    // Line edit "t_<n>", or nullptr when there is none.
    QLineEdit *telephoneEdit(int n) const;
    // Every telephone check box, on all pages, enabled or not.
    QList<QCheckBox *> telephoneCheckBoxes() const;
    // The four telephone pages, numbers 1 … 32 first.
    std::array<QWidget *, 4> telephonePages() const { return {tab_2, tab_3, tab_4, tab_5}; }

private:
    void setupGeneralTab(const FormContents &contents);
    void setupTelephonePages(int telephoneNumberLength);
    void setupDeviceColumn();
    void setupMenus(QMainWindow *window);
    void setupTabOrder();
};

} // namespace Ui

// Each telephone page holds 32 numbers, as its tab says.
inline constexpr int kNumbersPerPage = 32;

// The order in which the rows of one telephone page are created (numbers
// within the page, 1 … 32). The module's records do not depend on it, but the
// field checks walk a page in this order and report its first bad number.
extern const int kTelephoneCreationOrder[kNumbersPerPage];
