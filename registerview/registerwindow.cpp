#include "registerview/registerwindow.h"

#include "document/generalfields.h"
#include "forms/prompter.h"
#include "register/numberkey.h"
#include "register/registerwords.h"
#include "register/versionchanges.h"
#include "registerview/registerclient.h"

#include <QtCore/QEvent>
#include <QtCore/QTimer>
#include <QtGui/QKeySequence>
#include <QtGui/QScreen>
#include <QtGui/QShortcut>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QSplitter>
#include <QtWidgets/QTreeWidget>

using namespace siteregister;

namespace {

const QString kTitle = QStringLiteral("Nyilvántartás");
constexpr int kIdRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

QString shownTime(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("–");
}

// Numbers and times sort by their value, not by their text.
class Row : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, kSortRole);
        const QVariant theirs = other.data(column, kSortRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toLongLong() < theirs.toLongLong();
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

QTreeWidget *table(const char *name, const QStringList &headers, QWidget *parent)
{
    auto *tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(name));
    tree->setHeaderLabels(headers);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(true);
    tree->header()->setStretchLastSection(true);
    return tree;
}

QPushButton *button(const char *name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QString marksOf(const VersionInfo &v)
{
    QStringList marks;
    if (v.asInstalled)
        marks << QStringLiteral("átadáskori");
    if (v.verified.isValid())
        marks << QStringLiteral("ellenőrizve %1").arg(shownTime(v.verified));
    if (!v.hasCopy)
        marks << QStringLiteral("másolat nélkül");
    return marks.join(QLatin1String("; "));
}

} // namespace

RegisterWindow::RegisterWindow(RegisterClient &client, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , client(client)
{
    setObjectName(QStringLiteral("registerWindow"));
    setWindowTitle(QStringLiteral("%1 – Telephelyek").arg(kTitle));
    // The main window alone ends the program; this one goes with it.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildWidgets();
    setUpKeyboard();
    // Only a wait the user would notice is shown: a server far away or gone.
    waitShown.setSingleShot(true);
    waitShown.setInterval(300);
    connect(&waitShown, &QTimer::timeout, this, [this] {
        statusLine->setText(QStringLiteral("A nyilvántartás válaszára vár: %1").arg(this->client.where()));
    });
    connect(&client, &RegisterClient::busyChanged, this, [this](bool busy) {
        if (busy) {
            waitShown.start();
        } else {
            waitShown.stop();
            statusLine->setText(said);
        }
    });
}

void RegisterWindow::buildWidgets()
{
    // Left: the sites and the number search; right: the chosen site.
    auto *left = new QWidget(this);
    filter = new QLineEdit(left);
    filter->setObjectName(QStringLiteral("siteFilter"));
    filter->setPlaceholderText(QStringLiteral("név, cím, megjegyzés vagy azonosító része"));
    filter->setClearButtonEnabled(true);
    siteList = table("siteList", {QStringLiteral("Telephely"), QStringLiteral("Modell"), QStringLiteral("Számok"),
                                  QStringLiteral("Utolsó változás"), QStringLiteral("Utolsó ellenőrzés")},
                     left);
    siteList->setSortingEnabled(true);
    siteList->sortByColumn(0, Qt::AscendingOrder);
    siteList->header()->setStretchLastSection(false);
    siteList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < siteList->columnCount(); ++column)
        siteList->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    auto *search = new QGroupBox(QStringLiteral("Hol áll egy szám?"), left);
    numberSearch = new QLineEdit(search);
    numberSearch->setObjectName(QStringLiteral("numberSearch"));
    numberSearch->setPlaceholderText(QStringLiteral("06 30 123 4567, +36 30 123 4567, 36301234567 …"));
    findButton = button("findButton", QStringLiteral("Keresés"), search);
    numberResults = table("numberResults", {QStringLiteral("Telephely"), QStringLiteral("Hely"), QStringLiteral("Szám"),
                                            QStringLiteral("Jogok")},
                          search);
    numberResults->setToolTip(QStringLiteral("Enter vagy dupla kattintás: a telephely kiválasztása"));
    for (int column = 0; column < 3; ++column)
        numberResults->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(buddyLabel(QStringLiteral("Szám &keresése:"), numberSearch, search));
    searchRow->addWidget(numberSearch, 1);
    searchRow->addWidget(findButton);
    auto *searchLayout = new QVBoxLayout(search);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(numberResults);

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(buddyLabel(QStringLiteral("&Szűrés:"), filter, left));
    filterRow->addWidget(filter, 1);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(filterRow);
    leftLayout->addWidget(buddyLabel(QStringLiteral("Telep&helyek:"), siteList, left));
    leftLayout->addWidget(siteList, 3);
    leftLayout->addWidget(search, 2);

    auto *right = new QWidget(this);
    siteTitle = new QLabel(right);
    siteTitle->setObjectName(QStringLiteral("siteTitle"));
    QFont bold = siteTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    siteTitle->setFont(bold);
    siteTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    siteDetails = new QLabel(right);
    siteDetails->setObjectName(QStringLiteral("siteDetails"));
    siteDetails->setWordWrap(true);
    siteDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    renameButton = button("renameButton", QStringLiteral("Át&nevezés…"), right);
    addressButton = button("addressButton", QStringLiteral("&Cím…"), right);
    noteButton = button("noteButton", QStringLiteral("&Megjegyzés…"), right);
    mergeButton = button("mergeButton", QStringLiteral("Össze&vonás…"), right);
    auto *siteButtons = new QHBoxLayout;
    for (QPushButton *b : {renameButton, addressButton, noteButton, mergeButton})
        siteButtons->addWidget(b);
    siteButtons->addStretch(1);

    historyList = table("historyList", {QStringLiteral("#"), QStringLiteral("Idő"), QStringLiteral("Művelet"),
                                        QStringLiteral("Eredmény"), QStringLiteral("Modell"), QStringLiteral("Ki"),
                                        QStringLiteral("Megjegyzés")},
                        right);
    historyList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int column = 0; column < historyList->columnCount() - 1; ++column)
        historyList->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    loadButton = button("loadButton", QStringLiteral("&Betöltés az űrlapba"), right);
    sheetButton = button("sheetButton", QStringLiteral("Átadási &lap (PDF)…"), right);
    auto *versionButtons = new QHBoxLayout;
    versionButtons->addWidget(loadButton);
    versionButtons->addWidget(sheetButton);
    versionButtons->addStretch(1);

    changesView = new QPlainTextEdit(right);
    changesView->setObjectName(QStringLiteral("changesView"));
    changesView->setReadOnly(true);
    changesView->setTabChangesFocus(true);

    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(siteTitle);
    rightLayout->addWidget(siteDetails);
    rightLayout->addLayout(siteButtons);
    rightLayout->addWidget(buddyLabel(QStringLiteral("Vál&tozatok (kettő kijelölve: az eltéréseik):"), historyList, right));
    rightLayout->addWidget(historyList, 3);
    rightLayout->addLayout(versionButtons);
    rightLayout->addWidget(buddyLabel(QStringLiteral("&Eltérések:"), changesView, right));
    rightLayout->addWidget(changesView, 2);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    statusLine = new QLabel(this);
    statusLine->setObjectName(QStringLiteral("statusLine"));
    statusLine->setWordWrap(true);
    installerButton = button("installerButton", QStringLiteral("Telepítő neve…"), this);
    closeButton = button("closeButton", QStringLiteral("Bezárás"), this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(statusLine, 1);
    bottom->addWidget(installerButton);
    bottom->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    // Fits a 1366 × 768 screen with its panel; smaller screens get it whole.
    QSize size(1180, 660);
    if (const QScreen *shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() * 0.95);
    resize(size);
    setMinimumSize(760, 480);

    connect(filter, &QLineEdit::textChanged, this, &RegisterWindow::applyFilter);
    connect(filter, &QLineEdit::returnPressed, siteList, qOverload<>(&QWidget::setFocus));
    connect(siteList, &QTreeWidget::currentItemChanged, this, &RegisterWindow::siteChosen);
    connect(historyList, &QTreeWidget::itemSelectionChanged, this, &RegisterWindow::versionsChosen);
    connect(numberSearch, &QLineEdit::returnPressed, this, &RegisterWindow::findNumber);
    connect(findButton, &QPushButton::clicked, this, &RegisterWindow::findNumber);
    connect(numberResults, &QTreeWidget::itemActivated, this, &RegisterWindow::jumpToPlace);
    connect(renameButton, &QPushButton::clicked, this, [this] { changeSite(QStringLiteral("name")); });
    connect(addressButton, &QPushButton::clicked, this, [this] { changeSite(QStringLiteral("address")); });
    connect(noteButton, &QPushButton::clicked, this, [this] { changeSite(QStringLiteral("note")); });
    connect(mergeButton, &QPushButton::clicked, this, &RegisterWindow::mergeSite);
    connect(loadButton, &QPushButton::clicked, this, &RegisterWindow::loadChosen);
    connect(sheetButton, &QPushButton::clicked, this, &RegisterWindow::sheetOfChosen);
    connect(installerButton, &QPushButton::clicked, this, &RegisterWindow::installerNameRequested);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    showSite(nullptr);
}

void RegisterWindow::setUpKeyboard()
{
    // Left column top to bottom, then the right one, then the bottom row.
    const QList<QWidget *> chain = {filter,       siteList,      numberSearch, findButton,  numberResults,
                                    renameButton, addressButton, noteButton,   mergeButton, historyList,
                                    loadButton,   sheetButton,   changesView,  installerButton, closeButton};
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    // Down from the filter goes into the list it filters.
    auto *down = new QShortcut(QKeySequence(Qt::Key_Down), filter, nullptr, nullptr, Qt::WidgetShortcut);
    connect(down, &QShortcut::activated, siteList, qOverload<>(&QWidget::setFocus));
}

void RegisterWindow::showUp()
{
    if (!placed && screen()) {
        // The first time in the middle of the screen, not in its corner.
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void RegisterWindow::showSites()
{
    showUp();
    filter->setFocus(Qt::OtherFocusReason);
    filter->selectAll();
    refresh();
}

void RegisterWindow::showNumberSearch()
{
    showUp();
    numberSearch->setFocus(Qt::OtherFocusReason);
    numberSearch->selectAll();
    refresh();
}

void RegisterWindow::say(const QString &text)
{
    said = text;
    if (!waitShown.isActive())
        statusLine->setText(text);
}

void RegisterWindow::sayProblem(const QString &problem)
{
    say(QStringLiteral("A nyilvántartás nem válaszolt: %1.").arg(problem));
}

void RegisterWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refresh();
}

void RegisterWindow::refresh()
{
    if (!client.unavailable().isEmpty()) {
        say(QStringLiteral("Nincs nyilvántartás: %1.").arg(client.unavailable()));
        return;
    }
    client.ask(
        this,
        [](SiteRegister &site) {
            QList<SiteSummary> list = site.sites();
            return std::make_pair(list, site.problem());
        },
        [this](const std::pair<QList<SiteSummary>, QString> &answer) { showSiteList(answer.first, answer.second); });
}

void RegisterWindow::showSiteList(const QList<SiteSummary> &list, const QString &problem)
{
    if (!problem.isEmpty()) {
        sayProblem(problem);
        return;
    }
    const qint64 keep = wantedSite ? wantedSite : currentSite;
    restoreFor = keep;
    restoreVersions = keep == currentSite ? chosenVersions() : QList<int>();
    wantedSite = 0;
    sites = list;
    {
        const QSignalBlocker quiet(siteList);
        siteList->setSortingEnabled(false);
        siteList->clear();
        for (const SiteSummary &s : sites) {
            auto *item = new Row(siteList);
            item->setText(0, siteLabel(s));
            item->setText(1, modelText(s.memory));
            item->setText(2, QString::number(s.numbers));
            item->setText(3, shownTime(s.lastChange));
            item->setText(4, shownTime(s.lastVerify));
            item->setData(0, kIdRole, s.id);
            item->setData(2, kSortRole, s.numbers);
            item->setData(3, kSortRole, s.lastChange.isValid() ? s.lastChange.toMSecsSinceEpoch() : 0);
            item->setData(4, kSortRole, s.lastVerify.isValid() ? s.lastVerify.toMSecsSinceEpoch() : 0);
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            QStringList tip{s.name};
            if (!s.address.isEmpty())
                tip << s.address;
            if (!s.note.isEmpty())
                tip << s.note;
            item->setToolTip(0, tip.join(QLatin1Char('\n')));
        }
        siteList->setSortingEnabled(true);
    }
    say(sites.isEmpty() ? QStringLiteral("A nyilvántartás üres: %1").arg(client.where())
                        : QStringLiteral("%1 telephely: %2").arg(sites.size()).arg(client.where()));
    applyFilter();
    currentSite = 0;
    selectSite(keep);
    if (!currentSite)
        showSite(nullptr);
}

void RegisterWindow::applyFilter()
{
    const QString wanted = foldedName(filter->text().trimmed());
    for (int i = 0; i < siteList->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = siteList->topLevelItem(i);
        const qint64 id = item->data(0, kIdRole).toLongLong();
        bool shown = wanted.isEmpty();
        for (const SiteSummary &s : std::as_const(sites)) {
            if (s.id != id || shown)
                continue;
            for (const QString &text : {s.name, s.address, s.note, s.identification, QString::number(s.id)})
                shown = shown || foldedName(text).contains(wanted);
        }
        item->setHidden(!shown);
    }
}

void RegisterWindow::selectSite(qint64 siteId)
{
    for (int i = 0; i < siteList->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = siteList->topLevelItem(i);
        if (item->data(0, kIdRole).toLongLong() != siteId)
            continue;
        if (item->isHidden()) {
            filter->clear();
            applyFilter();
        }
        siteList->setCurrentItem(item);
        siteList->scrollToItem(item);
        return;
    }
}

void RegisterWindow::siteChosen()
{
    const QTreeWidgetItem *item = siteList->currentItem();
    const qint64 id = item ? item->data(0, kIdRole).toLongLong() : 0;
    const SiteSummary *site = nullptr;
    for (const SiteSummary &s : std::as_const(sites)) {
        if (s.id == id)
            site = &s;
    }
    currentSite = site ? site->id : 0;
    showSite(site);
    if (!site)
        return;
    // A refresh keeps the versions chosen; another site starts with none.
    const QList<int> keep = id == restoreFor ? restoreVersions : QList<int>();
    restoreFor = 0;
    {
        const QSignalBlocker quiet(historyList);
        versions.clear();
        historyList->clear();
    }
    versionsChosen();
    client.ask(
        this,
        [id](SiteRegister &reg) {
            QList<VersionInfo> list = reg.history(id);
            return std::make_pair(list, reg.problem());
        },
        [this, id, keep](const std::pair<QList<VersionInfo>, QString> &answer) {
            showHistory(id, answer.first, answer.second);
            // The newest version is the one looked for first.
            QTreeWidgetItem *current = keep.isEmpty() ? historyList->topLevelItem(0) : nullptr;
            for (int i = 0; i < historyList->topLevelItemCount(); ++i) {
                QTreeWidgetItem *row = historyList->topLevelItem(i);
                if (keep.contains(row->data(0, kIdRole).toInt()) && !current)
                    current = row;
            }
            if (current)
                historyList->setCurrentItem(current);
            for (int i = 0; i < historyList->topLevelItemCount(); ++i) {
                QTreeWidgetItem *row = historyList->topLevelItem(i);
                row->setSelected(row == current || keep.contains(row->data(0, kIdRole).toInt()));
            }
        });
}

void RegisterWindow::showSite(const SiteSummary *site)
{
    for (QPushButton *b : {renameButton, addressButton, noteButton, mergeButton})
        b->setEnabled(site != nullptr);
    if (!site) {
        siteTitle->setText(QStringLiteral("Nincs kiválasztott telephely"));
        siteDetails->clear();
        versions.clear();
        historyList->clear();
        versionsChosen();
        return;
    }
    siteTitle->setText(siteLabel(*site));
    QStringList details;
    details << QStringLiteral("Cím: %1").arg(site->address.isEmpty() ? QStringLiteral("–") : site->address);
    details << QStringLiteral("Modul: %1, %2").arg(site->identification, modelText(site->memory));
    if (!site->note.isEmpty())
        details << QStringLiteral("Megjegyzés: %1").arg(site->note);
    siteDetails->setText(details.join(QLatin1Char('\n')));
}

void RegisterWindow::showHistory(qint64 siteId, const QList<VersionInfo> &list, const QString &problem)
{
    if (siteId != currentSite)
        return;
    if (!problem.isEmpty()) {
        sayProblem(problem);
        return;
    }
    versions = list;
    const QSignalBlocker quiet(historyList);
    historyList->clear();
    // The newest on top: that is the one a user looks for.
    for (auto v = versions.crbegin(); v != versions.crend(); ++v) {
        auto *item = new QTreeWidgetItem(historyList);
        item->setText(0, QString::number(v->version));
        item->setText(1, shownTime(v->time));
        item->setText(2, commandText(v->command));
        item->setText(3, resultText(v->result));
        item->setText(4, modelText(v->memory));
        item->setText(5, v->login);
        item->setText(6, marksOf(*v));
        item->setData(0, kIdRole, v->version);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        QStringList tip{QStringLiteral("%1@%2, %3").arg(v->login, v->host, programText(v->program, v->programVersion)),
                        QStringLiteral("Port: %1").arg(v->port)};
        if (!v->message.isEmpty())
            tip << v->message;
        for (int column = 0; column < historyList->columnCount(); ++column)
            item->setToolTip(column, tip.join(QLatin1Char('\n')));
    }
    versionsChosen();
}

QList<int> RegisterWindow::chosenVersions() const
{
    QList<int> chosen;
    const auto rows = historyList->selectedItems();
    for (const QTreeWidgetItem *row : rows)
        chosen << row->data(0, kIdRole).toInt();
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

const VersionInfo *RegisterWindow::versionInfo(int version) const
{
    for (const VersionInfo &v : versions) {
        if (v.version == version)
            return &v;
    }
    return nullptr;
}

void RegisterWindow::versionsChosen()
{
    const QList<int> chosen = chosenVersions();
    const VersionInfo *one = chosen.size() == 1 ? versionInfo(chosen.constFirst()) : nullptr;
    loadButton->setEnabled(one && one->hasCopy);
    sheetButton->setEnabled(one && one->hasCopy);
    ++changesAsked;
    if (chosen.isEmpty() || chosen.size() > 2) {
        changesView->setPlainText(
            versions.isEmpty() ? QString()
                               : QStringLiteral("Jelöljön ki egy változatot (az előző megőrzött változathoz képest), "
                                                "vagy kettőt (egymáshoz képest)."));
        return;
    }
    int from = chosen.constFirst();
    int to = chosen.constLast();
    if (chosen.size() == 1) {
        from = 0;
        for (const VersionInfo &v : std::as_const(versions)) {
            if (v.version < to && v.hasCopy)
                from = v.version;
        }
        if (!from) {
            changesView->setPlainText(QStringLiteral("A(z) %1. változat a telephely első megőrzött változata.").arg(to));
            return;
        }
    }
    const qint64 siteId = currentSite;
    const int asked = changesAsked;
    client.ask(
        this,
        [siteId, from, to](SiteRegister &reg) {
            const std::optional<QList<VersionChange>> changes = reg.changes(siteId, from, to);
            return std::make_pair(changes, reg.problem());
        },
        [this, asked, from, to](const std::pair<std::optional<QList<VersionChange>>, QString> &answer) {
            if (asked != changesAsked)
                return;
            if (!answer.first) {
                changesView->setPlainText(QStringLiteral("Az eltérések nem állapíthatók meg: %1.").arg(answer.second));
                return;
            }
            QStringList lines{QStringLiteral("%1. → %2. változat:").arg(from).arg(to)};
            for (const VersionChange &change : *answer.first)
                lines << QStringLiteral("  ") + change.text;
            if (answer.first->isEmpty())
                lines << QStringLiteral("  nincs eltérés");
            changesView->setPlainText(lines.join(QLatin1Char('\n')));
        });
}

void RegisterWindow::loadChosen()
{
    const QList<int> chosen = chosenVersions();
    if (chosen.size() != 1)
        return;
    const qint64 siteId = currentSite;
    const int version = chosen.constFirst();
    QString siteName;
    for (const SiteSummary &s : std::as_const(sites)) {
        if (s.id == siteId)
            siteName = s.name;
    }
    client.ask(
        this,
        [siteId, version](SiteRegister &reg) {
            const std::optional<StoredVersion> stored = reg.version(siteId, version);
            return std::make_pair(stored, reg.problem());
        },
        [this, siteName, version](const std::pair<std::optional<StoredVersion>, QString> &answer) {
            if (!answer.first || !answer.first->info.hasCopy) {
                sayProblem(answer.first ? QStringLiteral("a(z) %1. változatról nincs másolat").arg(version) : answer.second);
                return;
            }
            emit loadIntoForm(answer.first->krv, QStringLiteral("%1, %2. változat").arg(siteName).arg(version));
        });
}

void RegisterWindow::sheetOfChosen()
{
    const QList<int> chosen = chosenVersions();
    if (chosen.size() == 1)
        emit sheetRequested(currentSite, chosen.constFirst());
}

void RegisterWindow::changeSite(const QString &what)
{
    // A copy: the list may be asked again while the user types.
    std::optional<SiteSummary> site;
    for (const SiteSummary &s : std::as_const(sites)) {
        if (s.id == currentSite)
            site = s;
    }
    if (!site)
        return;
    const bool name = what == QLatin1String("name");
    const bool note = what == QLatin1String("note");
    const QString label = name ? QStringLiteral("A telephely új neve:")
                          : note ? QStringLiteral("Megjegyzés a telephelyhez:")
                                 : QStringLiteral("A telephely címe:");
    const QString initial = name ? site->name : note ? site->note : site->address;
    const std::optional<QString> value = Prompter::instance().text(this, kTitle, label, initial, note);
    if (!value || *value == initial)
        return;
    const qint64 id = site->id;
    client.ask(
        this,
        [id, what, value = *value](SiteRegister &reg) {
            const bool ok = what == QLatin1String("name")      ? reg.rename(id, value)
                            : what == QLatin1String("address") ? reg.setAddress(id, value)
                                                               : reg.setNote(id, value);
            return ok ? QString() : reg.problem();
        },
        [this](const QString &problem) {
            if (!problem.isEmpty())
                prompt::warning(this, kTitle, QStringLiteral("A változtatás nem sikerült: %1.").arg(problem));
            refresh();
        });
}

void RegisterWindow::mergeSite()
{
    // Copies: the list may be asked again while a question is open.
    std::optional<SiteSummary> from;
    QList<SiteSummary> others;
    QStringList labels;
    for (const SiteSummary &s : std::as_const(sites)) {
        if (s.id == currentSite) {
            from = s;
        } else {
            others << s;
            labels << siteLabel(s);
        }
    }
    if (!from)
        return;
    if (others.isEmpty()) {
        prompt::information(this, kTitle, QStringLiteral("Nincs másik telephely, amellyel összevonható."));
        return;
    }
    const std::optional<int> chosen = Prompter::instance().choice(
        this, kTitle, QStringLiteral("A(z) %1 telephely változatai ehhez a telephelyhez kerülnek:").arg(siteLabel(*from)),
        labels);
    if (!chosen)
        return;
    const SiteSummary into = others.at(*chosen);
    if (!Prompter::instance().question(
            this, kTitle,
            QStringLiteral("A(z) %1 telephely beolvad ide: %2. A változatai, a modulja és a címe (ha ott nincs) "
                           "átkerülnek, a %1 telephely megszűnik. Folytatja?")
                .arg(siteLabel(*from), siteLabel(into))))
        return;
    const qint64 fromId = from->id;
    const qint64 intoId = into.id;
    client.ask(
        this, [fromId, intoId](SiteRegister &reg) { return reg.merge(fromId, intoId) ? QString() : reg.problem(); },
        [this, intoId](const QString &problem) {
            if (!problem.isEmpty())
                prompt::warning(this, kTitle, QStringLiteral("Az összevonás nem sikerült: %1.").arg(problem));
            else
                wantedSite = intoId;
            refresh();
        });
}

void RegisterWindow::findNumber()
{
    const QString number = numberSearch->text();
    numberResults->clear();
    if (numberKey(number).isEmpty()) {
        say(QStringLiteral("Adjon meg egy telefonszámot (06…, +36…, szóközökkel is)."));
        return;
    }
    client.ask(
        this,
        [number](SiteRegister &reg) {
            QList<NumberPlace> places = reg.findNumber(number);
            return std::make_pair(places, reg.problem());
        },
        [this, number](const std::pair<QList<NumberPlace>, QString> &answer) {
            if (!answer.second.isEmpty()) {
                sayProblem(answer.second);
                return;
            }
            numberResults->clear();
            for (const NumberPlace &place : answer.first) {
                auto *item = new QTreeWidgetItem(numberResults);
                item->setText(0, QStringLiteral("%1 [%2]").arg(place.siteName).arg(place.siteId));
                item->setText(1, QStringLiteral("%1.").arg(place.position));
                item->setText(2, place.number);
                item->setText(3, rightsText(place.alarm, place.output));
                item->setData(0, kIdRole, place.siteId);
                item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
                for (int column = 0; column < numberResults->columnCount(); ++column)
                    item->setToolTip(column, placeText(place));
            }
            if (answer.first.isEmpty()) {
                say(QStringLiteral("A(z) %1 szám egyik telephely jelenlegi változatában sincs.").arg(number.trimmed()));
                return;
            }
            say(QStringLiteral("A(z) %1 szám %2 helyen áll.").arg(number.trimmed()).arg(answer.first.size()));
            numberResults->setCurrentItem(numberResults->topLevelItem(0));
        });
}

void RegisterWindow::jumpToPlace(QTreeWidgetItem *item)
{
    if (!item)
        return;
    selectSite(item->data(0, kIdRole).toLongLong());
    siteList->setFocus(Qt::OtherFocusReason);
}
