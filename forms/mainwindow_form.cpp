#include "forms/mainwindow_form.h"

#include "forms/stylesheets.h"

#include <QtGui/QIcon>
#include <QtGui/QPalette>
#include <QtGui/QShortcut>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTabWidget>

#include <iterator>
#include <utility>

const int kTelephoneCreationOrder[kNumbersPerPage] = {
    11, 3, 9, 14, 6, 12, 4, 13, 10, 15, 5, 2, 7, 16, 1, 8,
    18, 27, 23, 29, 25, 24, 28, 19, 20, 21, 17, 30, 26, 32, 31, 22,
};

namespace {


QFont boldFont(int pointSize = -1)
{
    QFont font;
    font.setBold(true);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

QLabel *addLabel(QWidget *parent, const QString &text, int x, int y, int w, int h)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    return label;
}

QLineEdit *addLineEdit(QWidget *parent, const QString &name, int x, int y, int w, int h,
                       int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, w, h);
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    edit->setFont(courier);
    edit->setMaxLength(maxLength);
    return edit;
}

QWidget *addIndicator(QWidget *parent, const char *name, const QString &caption, int y)
{
    addLabel(parent, caption, 15, y, 71, 16);
    auto *square = new QWidget(parent);
    square->setObjectName(QString::fromLatin1(name));
    square->setGeometry(100, y, 16, 16);
    square->setStyleSheet(QString::fromLatin1(stylesheets::kGreySquare));
    return square;
}

QPushButton *addDeviceButton(QWidget *parent, const char *name, const QString &text, int y)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(10, y, 151, 35);
    button->setFont(boldFont());
    return button;
}

QGroupBox *addGroupBox(QWidget *parent, const char *name, const QString &title,
                       int x, int y, int w, int h)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(x, y, w, h);
    return box;
}

QWidget *addPage(QTabWidget *tabs, const char *name, const QString &text)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    tabs->addTab(page, text);
    return page;
}

// The keys that turn the pages answer wherever the focus is in the window:
// a combo box would otherwise take Ctrl+PageDown as its next entry, and Qt's
// tab widget knows Ctrl+Tab only from the widgets that pass it on. The ends
// wrap round, as Qt's own Ctrl+Tab does.
void addPageKeys(QMainWindow *window, QTabWidget *tabs)
{
    const auto turn = [tabs](int step) {
        for (int i = 1; i < tabs->count(); ++i) {
            const int page = (tabs->currentIndex() + step * i + tabs->count()) % tabs->count();
            if (tabs->isTabEnabled(page)) {
                tabs->setCurrentIndex(page);
                return;
            }
        }
    };
    const std::pair<QKeyCombination, int> keys[] = {
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
    };
    for (const auto &[key, step] : keys) {
        auto *shortcut = new QShortcut(QKeySequence(key), window);
        QObject::connect(shortcut, &QShortcut::activated, tabs, [turn, step = step] { turn(step); });
    }
}

} // namespace

namespace Ui {

void MainWindow::setupUi(QMainWindow *window, const FormContents &contents)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(900, 560);
    window->setMinimumSize(900, 560);
    window->setMaximumSize(900, 560);

    QPalette palette = window->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        palette.setBrush(group, QPalette::Text, QColor(0, 111, 0));
    palette.setBrush(QPalette::Disabled, QPalette::Text, QColor(118, 116, 108));
    window->setPalette(palette);
    window->setWindowIcon(QIcon(QStringLiteral(":/img/img/icon_download.png")));

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));

    tabWidget = new QTabWidget(centralWidget);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));
    tabWidget->setGeometry(10, 10, 700, 501);
    tab = addPage(tabWidget, "tab", QStringLiteral("Általános"));
    tab_2 = addPage(tabWidget, "tab_2", QStringLiteral("Tel. (1-32)"));
    tab_3 = addPage(tabWidget, "tab_3", QStringLiteral("Tel. (33-64)"));
    tab_4 = addPage(tabWidget, "tab_4", QStringLiteral("Tel. (65-96)"));
    tab_5 = addPage(tabWidget, "tab_5", QStringLiteral("Tel. (97-128)"));
    addPageKeys(window, tabWidget);

    setupGeneralTab(contents);
    setupTelephonePages(contents.telephoneNumberLength);
    setupDeviceColumn();
    setupTabOrder();

    window->setCentralWidget(centralWidget);
    setupMenus(window);

    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    window->setStatusBar(statusBar);

    window->setWindowTitle(QStringLiteral("Kordavo 32/128 letöltő szoftver"));
    tabWidget->setCurrentIndex(0);
}

void MainWindow::setupGeneralTab(const FormContents &contents)
{
    // Where each general field stands, in record (and creation) order; its
    // name, label and length are the caller's.
    struct Place { int labelX, labelW, x, y, w, h; };
    static constexpr Place places[] = {
        {10, 81, 179, 30, 101, 20},    // smskp, beside its preset combo
        {10, 81, 155, 60, 35, 20},     // m_pin
        {10, 91, 155, 90, 35, 20},     // m_id
        {10, 81, 155, 120, 120, 20},   // m_nev
        {10, 81, 155, 150, 15, 21},    // visszaallas
        {10, 111, 155, 185, 120, 20},  // be1_nev
        {10, 101, 155, 215, 120, 20},  // be2_nev
        {10, 101, 155, 245, 35, 20},   // rele_time
        {10, 195, 210, 30, 120, 20},   // ki3_on
        {10, 195, 210, 65, 120, 20},   // ki4_on
        {10, 195, 210, 100, 120, 20},  // ki3_off
        {10, 195, 210, 135, 120, 20},  // ki4_off
        // The middle two names do not follow their labels; the record order
        // is that of the fields, so the names stay as the module's tools know them.
        {5, 190, 200, 30, 120, 20},    // be1_on_msg
        {5, 190, 200, 65, 120, 20},    // be1_off_msg
        {5, 190, 200, 100, 120, 20},   // be2_on_msg
        {5, 190, 200, 135, 120, 20},   // be2_off_msg
    };
    QLineEdit **const members[] = {
        &smskp, &m_pin, &m_id, &m_nev, &visszaallas, &be1_nev, &be2_nev, &rele_time,
        &ki3_on, &ki4_on, &ki3_off, &ki4_off, &be1_on_msg, &be1_off_msg, &be2_on_msg, &be2_off_msg,
    };
    static_assert(std::size(places) == kGeneralFieldCount && std::size(members) == kGeneralFieldCount,
                  "one place and one member for each general field");

    // The output commands, then the input messages, each in a box of its own.
    constexpr int kFirstOutputCommand = 8;
    constexpr int kFirstInputMessage = 12;

    g1 = addGroupBox(tab, "g1", QStringLiteral("Általános"), 10, 5, 285, 275);
    QWidget *group = g1;
    for (int i = 0; i < kGeneralFieldCount; ++i) {
        // The boxes are made as their first field comes: Kimenetek before Bemenetek.
        if (i == kFirstOutputCommand)
            group = g2_ki = addGroupBox(tab, "g2_ki", QStringLiteral("Kimenetek"), 350, 295, 340, 171);
        if (i == kFirstInputMessage)
            group = g2_be = addGroupBox(tab, "g2_be", QStringLiteral("Bemenetek"), 10, 295, 330, 170);
        // A short list leaves a field unnamed rather than reading past its end.
        const FormContents::Field field = contents.generalFields.value(i);
        const Place &place = places[i];
        addLabel(group, field.label, place.labelX, place.y, place.labelW, 16);
        if (i == 0) {
            smskp_combo = new QComboBox(g1);
            smskp_combo->setObjectName(QStringLiteral("smskp_combo"));
            smskp_combo->setGeometry(90, 30, 81, 22);
            // The operators' entries carry their centre number; "Egyéni" carries none.
            for (const FormContents::Preset &preset : contents.presets)
                smskp_combo->addItem(preset.entry, preset.number);
            smskp_combo->addItem(contents.customEntry);
            smskp_combo->setCurrentIndex(0);
        }
        *members[i] = addLineEdit(group, field.objectName, place.x, place.y, place.w, place.h, field.maxLength);
    }
    smskp->setEnabled(false);
    smskp->setText(smskp_combo->currentData().toString());   // the first entry's number

    picture = new QWidget(tab);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setGeometry(305, 10, 385, 270);
    image = new QLabel(picture);
    image->setObjectName(QStringLiteral("image"));
    image->setGeometry(0, 0, 386, 271);
}

void MainWindow::setupTelephonePages(int telephoneNumberLength)
{
    QWidget *const pages[] = {tab_2, tab_3, tab_4, tab_5};
    QWidget **const containers[] = {&g3, &g4, &g5, &g6};
    const char *const containerNames[] = {"g3", "g4", "g5", "g6"};

    for (int p = 0; p < 4; ++p) {
        auto *container = new QWidget(pages[p]);
        container->setObjectName(QString::fromLatin1(containerNames[p]));
        container->setGeometry(5, 5, 581, 461);
        *containers[p] = container;

        for (int block = 0; block < 2; ++block) {
            const int dx = 340 * block;
            // A little wider than the Windows original: the header must not
            // clip "Bemenet" with the fonts a Linux desktop offers.
            auto *alarms = addLabel(container, QStringLiteral("Bemenet riasztás  2     1"),
                                    10 + dx, 5, 48, 41);
            alarms->setStyleSheet(QStringLiteral("color: rgb(0, 85, 0);"));
            auto *controls = addLabel(container, QStringLiteral("Kimenet vezérlés  2     1"),
                                      70 + dx, 5, 48, 41);
            controls->setStyleSheet(QStringLiteral("color: rgb(0, 0, 127);"));
            for (QLabel *header : {alarms, controls}) {
                header->setWordWrap(true);
                header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            }
            addLabel(container, QStringLiteral("Telefonszám"), 140 + dx, 25, 71, 16);
        }

        for (int j : kTelephoneCreationOrder) {
            const int n = kNumbersPerPage * p + j;
            const int i = j - 1;
            const int x0 = 340 * (i / 16);
            const int y = 50 + 25 * (i % 16);
            // Column, x offset, key, bit: alarm boxes use key 2n-1, control boxes 2n.
            struct Box { int column; int x; int key; int bit; };
            const Box boxes[] = {
                {1, 10, 2 * n - 1, 2}, {2, 30, 2 * n - 1, 1},
                {3, 70, 2 * n, 2},     {4, 90, 2 * n, 1},
            };
            for (const Box &b : boxes) {
                auto *box = new QCheckBox(container);
                box->setObjectName(QStringLiteral("tc%1_%2").arg(b.column).arg(n));
                box->setGeometry(x0 + b.x, y, 16, 16);
                box->setProperty("group", QStringLiteral("%1.%2").arg(b.key).arg(b.bit));
            }
            addLineEdit(container, QStringLiteral("t_%1").arg(n), x0 + 120, y, 105, 20, telephoneNumberLength);
        }
    }
}

void MainWindow::setupDeviceColumn()
{
    l_ver = new QLabel(QStringLiteral("Memória: --"), centralWidget);
    l_ver->setObjectName(QStringLiteral("l_ver"));
    l_ver->setGeometry(720, 5, 171, 16);
    l_ver->setFont(boldFont());
    l_ver->setStyleSheet(QStringLiteral("color: rgb(0, 85, 255);"));
    l_ver->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    g_eszkoz = addGroupBox(centralWidget, "g_eszkoz", QStringLiteral("Eszköz"), 720, 25, 171, 396);
    l_service = new QLabel(g_eszkoz);
    l_service->setObjectName(QStringLiteral("l_service"));
    l_service->setGeometry(15, 25, 106, 16);
    l_service->setFont(boldFont(10));
    l_service->setStyleSheet(QStringLiteral("color: rgb(0, 85, 255);"));
    l_service->setAlignment(Qt::AlignCenter);

    l_terero = addLabel(g_eszkoz, QStringLiteral("Térerő"), 125, 20, 41, 16);
    l_terero->setObjectName(QStringLiteral("l_terero"));
    l_terero->setAlignment(Qt::AlignCenter);

    terero = new QProgressBar(g_eszkoz);
    terero->setObjectName(QStringLiteral("terero"));
    terero->setGeometry(135, 40, 25, 146);
    terero->setOrientation(Qt::Vertical);
    terero->setRange(0, 10);
    terero->setValue(0);
    terero->setTextVisible(false);
    terero->setFormat(QStringLiteral("%p%"));
    terero->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: #05B8CC; }"));

    w_be1 = addIndicator(g_eszkoz, "w_be1", QStringLiteral("Bemenet 1:"), 55);
    w_be2 = addIndicator(g_eszkoz, "w_be2", QStringLiteral("Bemenet 2:"), 75);
    w_ki1 = addIndicator(g_eszkoz, "w_ki1", QStringLiteral("Kimenet 1:"), 110);
    w_ki2 = addIndicator(g_eszkoz, "w_ki2", QStringLiteral("Kimenet 2:"), 130);
    w_ki3 = addIndicator(g_eszkoz, "w_ki3", QStringLiteral("Kimenet 3:"), 150);
    w_ki4 = addIndicator(g_eszkoz, "w_ki4", QStringLiteral("Kimenet 4:"), 170);

    button_status = addDeviceButton(g_eszkoz, "button_status", QStringLiteral("Állapot lekérdezése"), 205);
    button_dl = addDeviceButton(g_eszkoz, "button_dl", QStringLiteral("Betöltés az eszközbe"), 270);
    button_vf = addDeviceButton(g_eszkoz, "button_vf", QStringLiteral("Betöltés ellenőrzése"), 310);
    button_ul = addDeviceButton(g_eszkoz, "button_ul", QStringLiteral("Kiolvasás az eszközből"), 350);

    g_uzemmod = addGroupBox(centralWidget, "g_uzemmod", QStringLiteral("Üzemmód"), 720, 430, 171, 81);
    button_port = new QPushButton(QStringLiteral("Port beállítása"), g_uzemmod);
    button_port->setObjectName(QStringLiteral("button_port"));
    button_port->setGeometry(10, 19, 151, 51);
    button_port->setFont(boldFont());
}

void MainWindow::setupTabOrder()
{
    // The rows are created out of order and the field walks depend on that
    // order, so Tab gets its own chain that reads the screen: each group top
    // to bottom, Bemenetek before Kimenetek as they stand left to right, and
    // on a telephone row the four boxes before the number.
    QList<QWidget *> chain{tabWidget, smskp_combo, smskp, m_pin, m_id, m_nev, visszaallas,
                           be1_nev, be2_nev, rele_time,
                           be1_on_msg, be1_off_msg, be2_on_msg, be2_off_msg,
                           ki3_on, ki4_on, ki3_off, ki4_off};
    QWidget *const containers[] = {g3, g4, g5, g6};
    for (int p = 0; p < 4; ++p) {
        for (int j = 1; j <= kNumbersPerPage; ++j) {
            const int n = kNumbersPerPage * p + j;
            for (int column = 1; column <= 4; ++column)
                chain << containers[p]->findChild<QCheckBox *>(QStringLiteral("tc%1_%2").arg(column).arg(n),
                                                               Qt::FindDirectChildrenOnly);
            chain << containers[p]->findChild<QLineEdit *>(QStringLiteral("t_%1").arg(n),
                                                           Qt::FindDirectChildrenOnly);
        }
    }
    chain << button_status << button_dl << button_vf << button_ul << button_port;
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::setupMenus(QMainWindow *window)
{
    auto action = [window](const char *name, const QString &text, const QKeySequence &shortcut) {
        auto *a = new QAction(text, window);
        a->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty())
            a->setShortcut(shortcut);
        return a;
    };
    actionOpen = action("actionOpen", QStringLiteral("Megnyitás"), QKeySequence(QStringLiteral("Ctrl+O")));
    actionSave = action("actionSave", QStringLiteral("Mentés"), QKeySequence(QStringLiteral("Ctrl+S")));
    actionExit = action("actionExit", QStringLiteral("Kilépés"), QKeySequence(QStringLiteral("Ctrl+Q")));
    actionPort = action("actionPort", QStringLiteral("Port beállítása"), {});
    actionReadup = action("actionReadup", QStringLiteral("Kiolvasás az eszközből"), QKeySequence(QStringLiteral("Ctrl+R")));
    actionDownload = action("actionDownload", QStringLiteral("Betöltés az eszközbe"), QKeySequence(QStringLiteral("Ctrl+D")));
    actionVerify = action("actionVerify", QStringLiteral("Betöltés ellenőrzése"), QKeySequence(QStringLiteral("Ctrl+V")));
    actionReleTeszt = action("actionReleTeszt", QStringLiteral("Relé teszt"), {});
    actionStatus = action("actionStatus", QStringLiteral("Státusz lekérdezése"), {});
    actionContents = action("actionContents", QStringLiteral("Tartalom"), QKeySequence(QStringLiteral("F1")));
    actionAbout = action("actionAbout", QStringLiteral("Névjegy"), {});
    actionSites = action("actionSites", QStringLiteral("Telephelyek…"), {});
    actionFindNumber = action("actionFindNumber", QStringLiteral("Szám keresése…"), {});
    actionSheet = action("actionSheet", QStringLiteral("Átadási lap (PDF)…"), {});

    menuBar = new QMenuBar(window);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setGeometry(0, 0, 900, 21);
    auto menu = [this](const char *name, const QString &title) {
        auto *m = new QMenu(title, menuBar);
        m->setObjectName(QString::fromLatin1(name));
        menuBar->addMenu(m);
        return m;
    };
    menuFile = menu("menuFile", QStringLiteral("&File"));
    menuSettings = menu("menuSettings", QStringLiteral("&Beállítások"));
    menuDevice = menu("menuDevice", QStringLiteral("&Eszköz"));
    menuRegister = menu("menuRegister", QStringLiteral("&Nyilvántartás"));
    menuHelp = menu("menuHelp", QStringLiteral("&Help"));
    window->setMenuBar(menuBar);

    menuFile->addAction(actionOpen);
    menuFile->addAction(actionSave);
    menuFile->addSeparator();
    menuFile->addAction(actionExit);
    menuSettings->addAction(actionPort);
    menuDevice->addAction(actionReadup);
    menuDevice->addSeparator();
    menuDevice->addAction(actionDownload);
    menuDevice->addAction(actionVerify);
    menuDevice->addSeparator();
    menuDevice->addAction(actionReleTeszt);
    menuDevice->addSeparator();
    menuDevice->addAction(actionStatus);
    menuRegister->addAction(actionSites);
    menuRegister->addAction(actionFindNumber);
    menuRegister->addSeparator();
    menuRegister->addAction(actionSheet);
    menuHelp->addAction(actionContents);
    menuHelp->addAction(actionAbout);
}

} // namespace Ui

QList<QLineEdit *> Ui::MainWindow::generalLineEdits() const
{
    return tab->findChildren<QLineEdit *>();
}

QLineEdit *Ui::MainWindow::telephoneEdit(int n) const
{
    return centralWidget->findChild<QLineEdit *>(QStringLiteral("t_%1").arg(n));
}

QList<QCheckBox *> Ui::MainWindow::telephoneCheckBoxes() const
{
    return centralWidget->findChildren<QCheckBox *>();
}
