// Build tool for the help document.
//
//   kordavo-helpdoc shots <bin folder> <output folder>
//       Runs the real program offscreen against the module simulator and
//       saves screenshots of its windows, so the pictures in the help never
//       drift from the program.
//   kordavo-helpdoc pdf <html> <picture folder> <output.pdf>
//       Renders the help's HTML source with its pictures into an A4 PDF.

#include "app/about.h"
#include "app/appearance.h"
#include "app/mainwindow.h"
#include "document/configfile.h"
#include "document/configuration.h"
#include "forms/prompter.h"
#include "register/siteregister.h"
#include "register/transferrecord.h"
#include "registerview/registercommands.h"
#include "registerview/registerwindow.h"
#include "sheet/handoversheet.h"
#include "sheet/sheetsources.h"
#include "sim/modulesimulator.h"
#include "transfer/configimage.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QFontMetricsF>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QPainter>
#include <QtGui/QPdfWriter>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextDocumentFragment>
#include <QtGui/QTextLayout>
#include <QtGui/QTextTable>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QTreeWidget>

#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>

namespace {

// Message boxes would stop the run; the screenshots do not need them.
class SilentPrompter : public Prompter
{
public:
    void message(QWidget *, QMessageBox::Icon, const QString &title, const QString &text,
                 const QString &) override
    {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    }
};

bool g_failed = false;

void save(QWidget *widget, const QString &path)
{
    if (!widget->grab().save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        g_failed = true;
    }
}

// Runs `action` on the next modal dialog with the given object name.
void onDialog(const char *name, std::function<void(QDialog *)> action)
{
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, name, action] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String(name) || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
    });
    poll->start();
}

void wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// What a week of an installer's transfers leaves in a register: four sites,
// the gate at Fő utca read out, changed and verified.
struct SeededSites
{
    qint64 gate = 0;
    QString problem;
};

siteregister::TransferRecord transferOf(const Configuration &c, siteregister::TransferRecord::Command command,
                                        const QDateTime &time)
{
    using siteregister::TransferRecord;
    TransferRecord record = TransferRecord::now(command, TransferRecord::Result::Ok);
    record.time = time;
    record.login = QStringLiteral("kovacs");
    record.host = QStringLiteral("laptop");
    record.program = QStringLiteral("window");
    record.port = QStringLiteral("/dev/ttyUSB0");
    record.identification = QStringLiteral("Qzv_GSM4_128");
    record.memory = 128;
    const modulemodel::Model model = modulemodel::modelFor(record.memory);
    record.image = configimage::asSent(configimage::buildImage(c.fittedTo(model), model.entries).image);
    record.krv = configfile::formatLines(configfile::toLines(c));
    return record;
}

SeededSites seedRegister(const QString &location, const QString &binDir)
{
    using Command = siteregister::TransferRecord::Command;
    SeededSites seeded;
    const std::optional<Configuration> base =
        configfile::fromLines(configfile::readFile(binDir + QStringLiteral("/kordavo_default.dll")));
    if (!base) {
        seeded.problem = QStringLiteral("no default configuration in %1").arg(binDir);
        return seeded;
    }
    const auto named = [&base](const char *id, const char *name, const QList<configfile::TelephoneEntry> &numbers) {
        Configuration c = *base;
        c.general[size_t(generalfields::indexOf(QStringLiteral("m_id")))] = QString::fromLatin1(id);
        c.general[size_t(generalfields::indexOf(QStringLiteral("m_nev")))] = QString::fromUtf8(name);
        c.telephones.fill({});
        for (int n = 0; n < numbers.size(); ++n)
            c.telephones[size_t(n)] = numbers.at(n);
        return c;
    };
    siteregister::Location where;
    where.path = location;
    siteregister::SiteRegister reg(where);
    const QDateTime monday(QDate(2026, 3, 2), QTime(9, 12));
    Configuration changed = *base;
    changed.telephones[1] = {};
    changed.telephones[4].output = 2;
    changed.telephones[6] = {0, 1, QStringLiteral("36201234000")};
    seeded.gate = reg.record(transferOf(*base, Command::Readout, monday)).siteId;
    reg.record(transferOf(changed, Command::Download, monday.addSecs(8 * 60)));
    reg.record(transferOf(changed, Command::Verify, monday.addSecs(9 * 60)));
    reg.setAddress(seeded.gate, QStringLiteral("Fő utca 12."));
    const qint64 garage = reg.record(transferOf(named("4173", "Garázs kapu",
                                                     {{0, 1, QStringLiteral("36301234567")},
                                                      {0, 1, QStringLiteral("36304445566")},
                                                      {0, 3, QStringLiteral("36307778899")}}),
                                               Command::Download, monday.addSecs(5 * 3600)))
                              .siteId;
    reg.setNote(garage, QStringLiteral("Kulcs a portán."));
    QList<configfile::TelephoneEntry> residents;
    for (int n = 1; n <= 40; ++n)
        residents.append({0, 1, QStringLiteral("363055500%1").arg(n, 2, 10, QLatin1Char('0'))});
    reg.record(transferOf(named("0815", "Sorompó Dózsa", residents), Command::Download, monday.addDays(1).addSecs(3600)));
    reg.record(transferOf(named("0042", "Szivattyúház", {{3, 0, QStringLiteral("36209998877")}}), Command::Readout,
                          monday.addDays(2)));
    reg.setInstallerName(siteregister::currentLogin(), QStringLiteral("Kovács János"));
    seeded.problem = reg.problem();
    return seeded;
}

// The register window with the gate at Fő utca, the changes of its two
// versions, and where a resident's number stands; then the first page of
// the gate's handover sheet.
void registerShots(MainWindow &window, const QString &location, const SeededSites &seeded, const QString &outDir)
{
    window.findChild<QAction *>(QStringLiteral("actionSites"))->trigger();
    RegisterWindow *view = window.siteRegister().registerWindow();
    view->resize(1180, 660);
    auto *sites = view->findChild<QTreeWidget *>(QStringLiteral("siteList"));
    QElapsedTimer clock;
    clock.start();
    while (sites->topLevelItemCount() < 4 && clock.elapsed() < 10000)
        wait(20);
    for (int i = 0; i < sites->topLevelItemCount(); ++i) {
        if (sites->topLevelItem(i)->data(0, Qt::UserRole).toLongLong() == seeded.gate)
            sites->setCurrentItem(sites->topLevelItem(i));
    }
    auto *history = view->findChild<QTreeWidget *>(QStringLiteral("historyList"));
    while (history->topLevelItemCount() < 2 && clock.elapsed() < 10000)
        wait(20);
    for (int i = 0; i < history->topLevelItemCount(); ++i)
        history->topLevelItem(i)->setSelected(true);
    view->findChild<QLineEdit *>(QStringLiteral("numberSearch"))->setText(QStringLiteral("06 30 123 4567"));
    view->findChild<QPushButton *>(QStringLiteral("findButton"))->click();
    auto *places = view->findChild<QTreeWidget *>(QStringLiteral("numberResults"));
    while (places->topLevelItemCount() < 2 && clock.elapsed() < 10000)
        wait(20);
    wait(200);
    if (places->topLevelItemCount() < 2) {
        std::fprintf(stderr, "the register window did not show the seeded register\n");
        g_failed = true;
    }
    save(view, outDir + QStringLiteral("/shot-register.png"));
    view->close();

    siteregister::Location where;
    where.path = location;
    siteregister::SiteRegister reg(where);
    QString problem;
    std::optional<handover::Sheet> sheet = handover::sheetOfVersion(reg, seeded.gate, 2, &problem);
    // Dated with the week the register shows, so each build draws the same page.
    if (sheet)
        sheet->date = QDate(2026, 3, 2);
    QImage page = sheet ? handover::firstPage(*sheet, 2) : QImage();
    if (!page.isNull()) {
        // The paper's edge, on the help's white page.
        QPainter edge(&page);
        edge.setPen(QPen(Qt::gray, 4));
        edge.drawRect(page.rect().adjusted(2, 2, -2, -2));
    }
    if (!sheet || !page.save(outDir + QStringLiteral("/shot-sheet.png"), "PNG")) {
        std::fprintf(stderr, "no handover sheet: %s\n", qPrintable(problem));
        g_failed = true;
    }
}

int takeShots(const QString &binDir, const QString &outDir)
{
    // A dialog that never shows must fail the build, not hang it.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::minutes(2));
        std::fprintf(stderr, "kordavo-helpdoc: screenshots did not finish in time\n");
        std::_Exit(3);
    }).detach();
    QDir().mkpath(outDir);
    QDir::setCurrent(binDir);
    SilentPrompter prompter;
    Prompter::install(&prompter);
    // A register of the build's own, never the user's: what the pictures show
    // is seeded into it, and the window's transfers land there too.
    const QString location = QDir(outDir).filePath(QStringLiteral("register.sqlite"));
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(location + suffix);
    qputenv("KORDAVO_REGISTER", QFile::encodeName(location));
    const SeededSites seeded = seedRegister(location, binDir);
    if (!seeded.gate || !seeded.problem.isEmpty()) {
        std::fprintf(stderr, "cannot seed the register: %s\n", qPrintable(seeded.problem));
        return 1;
    }

    SimulatorOptions options;
    options.memorySize = 128;
    options.outputs = 0x5;
    options.input1Active = true;
    options.signal = 7;
    options.service = "Telenor HU";
    ModuleSimulator module(options);
    if (!module.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(module.errorString()));
        return 1;
    }
    const QString port = module.devicePath();

    MainWindow window;
    window.show();
    wait(800); // the default configuration loads 500 ms after start
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    save(&window, outDir + QStringLiteral("/shot-main-general.png"));
    tabs->setCurrentIndex(1);
    save(&window, outDir + QStringLiteral("/shot-main-telephones.png"));
    tabs->setCurrentIndex(0);

    // Programming mode through the menu entry, typing the simulator's path.
    onDialog("setcom", [&](QDialog *dialog) {
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("comboBox"));
        combo->setEditText(QStringLiteral("/dev/ttyUSB0"));
        save(dialog, outDir + QStringLiteral("/shot-port-dialog.png"));
        combo->setEditText(port);
        dialog->accept();
    });
    window.findChild<QAction *>(QStringLiteral("actionPort"))->trigger();
    window.findChild<QPushButton *>(QStringLiteral("button_status"))->click();
    save(&window, outDir + QStringLiteral("/shot-main-program-mode.png"));

    onDialog("Reletest", [&](QDialog *dialog) {
        save(dialog, outDir + QStringLiteral("/shot-relay.png"));
        dialog->reject();
    });
    window.findChild<QAction *>(QStringLiteral("actionReleTeszt"))->trigger();

    // The download dialog more than half way through the records. They leave
    // in one burst once the module is ready, too fast for a timer to catch,
    // so the picture is taken from the progress bar's own signal.
    bool downloadShot = false;
    onDialog("dload", [&](QDialog *dialog) {
        auto *bar = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QObject::connect(bar, &QProgressBar::valueChanged, dialog, [&, dialog, bar](int value) {
            if (downloadShot || value < bar->maximum() * 3 / 5)
                return;
            downloadShot = true;
            save(dialog, outDir + QStringLiteral("/shot-download.png"));
        });
    });
    window.findChild<QPushButton *>(QStringLiteral("button_dl"))->click();
    if (!downloadShot) {
        std::fprintf(stderr, "the download ended before its picture was taken\n");
        g_failed = true;
    }

    registerShots(window, location, seeded, outDir);

    Prompter::install(nullptr);
    return g_failed ? 1 : 0;
}

int pageOf(const QTextDocument &document, qreal y)
{
    return int(std::floor(y / document.pageSize().height()));
}

// First and last page that the lines of a block stand on.
std::pair<int, int> pagesOf(const QTextDocument &document, const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return {-1, -1};
    // The block's rectangle starts where the block would start unbroken; its
    // lines carry the shift to a following page.
    const qreal top = document.documentLayout()->blockBoundingRect(block).top();
    const QTextLine first = layout->lineAt(0);
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    return {pageOf(document, top + first.y()),
            pageOf(document, top + last.y() + last.height() - 0.5)};
}

// A heading, a picture whose caption follows, a paragraph that ends in a
// colon, or a table's section row (one cell across the table) belongs on the
// page of what comes after it.
bool keepsWithNext(const QTextBlock &block)
{
    const QTextCursor cursor(block);
    const QTextTable *table = cursor.currentTable();
    if (table)
        return table->columns() > 1 && table->cellAt(cursor).columnSpan() == table->columns();
    return block.blockFormat().headingLevel() > 0
           || block.text().contains(QChar::ObjectReplacementCharacter)
           || (!block.textList() && block.text().trimmed().endsWith(QLatin1Char(':')));
}

// What goes to the next page with `block`: its table row, or the whole
// table where it fits on a page, and the headings, picture or section row
// just before that.
QTextBlock movingStart(const QTextDocument &document, QTextBlock block)
{
    QTextCursor cursor(block);
    if (QTextTable *table = cursor.currentTable()) {
        const bool fits = document.documentLayout()->frameBoundingRect(table).height()
                          < document.pageSize().height();
        const int row = fits ? 0 : table->cellAt(cursor).row();
        block = table->cellAt(row, 0).firstCursorPosition().block();
    }
    for (QTextBlock previous = block.previous(); previous.isValid() && keepsWithNext(previous);
         previous = previous.previous())
        block = previous;
    return block;
}

// Moves the rows from `row` on into a table of their own on the next page.
// A page break inside the cells would move the row, but leave an empty page.
void splitTable(QTextTable *table, int row)
{
    QTextTableFormat format = table->format();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor after(table->document());
    after.setPosition(table->lastPosition() + 1);
    QTextTable *rest = after.insertTable(table->rows() - row, table->columns(), format);
    for (int r = row; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;   // covered by a spanning cell
            QTextCursor source = cell.firstCursorPosition();
            const QTextBlockFormat blockFormat = source.blockFormat();
            source.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            QTextTableCell target = rest->cellAt(r - row, c);
            target.setFormat(cell.format());
            QTextCursor into = target.firstCursorPosition();
            into.setBlockFormat(blockFormat);
            into.insertFragment(source.selection());
            if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                rest->mergeCells(r - row, c, std::min(cell.rowSpan(), table->rows() - r), cell.columnSpan());
        }
    }
    table->removeRows(row, table->rows() - row);
}

// Starts `block` on a new page: a paragraph by a page break, a table row by
// a table of its own, the first row by a break before the whole table.
// False when it stands at a page's top already.
bool breakBefore(const QTextBlock &block)
{
    QTextCursor cursor(block);
    QTextTable *table = cursor.currentTable();
    if (!table) {
        if (cursor.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            return false;
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.mergeBlockFormat(format);
        return true;
    }
    const int row = table->cellAt(cursor).row();
    if (row > 0) {
        splitTable(table, row);
        return true;
    }
    QTextTableFormat format = table->format();
    if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        return false;
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    table->setFormat(format);
    return true;
}

// Whether `block` may not stay where the layout put it.
bool mustMove(const QTextDocument &document, const QTextBlock &block)
{
    const auto [first, last] = pagesOf(document, block);
    if (first < 0)
        return false;
    if (first != last)
        return true;
    const QTextBlock next = block.next();
    if (keepsWithNext(block) && next.isValid() && pagesOf(document, next).first > last)
        return true;
    // Qt moves a table's rows to the next page one by one; a table that fits
    // on a page is read more easily on one.
    const QTextCursor cursor(block);
    QTextTable *table = cursor.currentTable();
    if (table && table->cellAt(0, 0).firstCursorPosition().block() == block) {
        const QRectF frame = document.documentLayout()->frameBoundingRect(table);
        return frame.height() < document.pageSize().height()
               && pageOf(document, frame.top()) != pageOf(document, frame.bottom() - 0.5);
    }
    return false;
}

// No block may run across a page break. QTextDocument draws every page from
// the whole layout under a clip, and for a block cut by the page's top edge
// it also draws the line just above that edge: clipped out of sight, but
// still in the PDF's text, so a text extractor (and a search, or a screen
// reader) finds that line twice. A block that would be cut starts the next
// page instead; headings, pictures and lines that end in a colon go along
// with what follows them, and a table that fits on a page stays on one.
void keepBlocksWhole(QTextDocument &document)
{
    bool changed = true;
    for (int pass = 0; changed && pass < 1000; ++pass) {
        changed = false;
        // Positions are final only once the whole document is laid out.
        document.pageCount();
        for (QTextBlock block = document.begin(); block.isValid() && !changed; block = block.next()) {
            if (mustMove(document, block))
                changed = breakBefore(movingStart(document, block)) || breakBefore(block);
        }
    }
}

// The chapter whose heading starts with "<number>. ".
QTextBlock chapterHeading(const QTextDocument &document, int number)
{
    const QString start = QStringLiteral("%1. ").arg(number);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1 && !block.textList() && block.text().startsWith(start))
            return block;
    }
    return {};
}

// Item n of the contents (the list after the heading "Tartalom") names
// chapter n, and gets the page the chapter's heading stands on, at the right
// edge. The numbers go in once the pages are final, and again should they
// move anything.
void numberContents(QTextDocument &document)
{
    QTextBlock block = document.begin();
    while (block.isValid() && block.text() != QLatin1String("Tartalom"))
        block = block.next();
    QList<QTextBlock> entries;
    for (block = block.next(); block.isValid() && block.textList(); block = block.next())
        entries << block;
    bool changed = true;
    for (int pass = 0; changed && pass < 10; ++pass) {
        keepBlocksWhole(document);
        changed = false;
        for (int i = 0; i < entries.size(); ++i) {
            const QTextBlock heading = chapterHeading(document, i + 1);
            if (!heading.isValid())
                continue;
            const QString page = QLatin1Char('\t') + QString::number(pagesOf(document, heading).first + 1);
            const QTextBlock entry = entries.at(i);
            const int tab = int(entry.text().indexOf(QLatin1Char('\t')));
            if (tab >= 0 && entry.text().mid(tab) == page)
                continue;
            QTextCursor cursor(entry);
            QTextBlockFormat format;
            const qreal width = document.documentLayout()->blockBoundingRect(entry).width();
            format.setTabPositions({QTextOption::Tab(width, QTextOption::RightTab)});
            cursor.mergeBlockFormat(format);
            if (tab >= 0) {
                cursor.setPosition(entry.position() + tab);
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            } else {
                cursor.movePosition(QTextCursor::EndOfBlock);
            }
            cursor.insertText(page);
            changed = true;
        }
    }
}

// The pages as QTextDocument::print() draws a paginated document, each with
// its number in the bottom margin, where the contents send the reader.
void printWithPageNumbers(const QTextDocument &document, QPdfWriter &writer)
{
    QPainter painter(&writer);
    const QSizeF page = document.pageSize();
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        handover::drawDocumentPage(painter, document, i);
        painter.setFont(document.defaultFont());
        const QString number = QString::number(i + 1);
        const QFontMetricsF metrics(painter.font());
        painter.drawText(QPointF(page.width() - metrics.horizontalAdvance(number),
                                 page.height() + 2 * metrics.height()),
                         number);
    }
}

int renderPdf(const QString &htmlPath, const QString &pictureDir, const QString &pdfPath)
{
    QFile source(htmlPath);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(htmlPath));
        return 1;
    }
    QTextDocument document;
    document.setBaseUrl(QUrl::fromLocalFile(QDir(pictureDir).absolutePath() + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setHtml(QString::fromUtf8(source.readAll()));

    QPdfWriter writer(pdfPath);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    writer.setResolution(96);
    writer.setTitle(programTitle() + QStringLiteral(" – Felhasználói kézikönyv"));
    writer.setCreator(QStringLiteral("Kordavo"));
    // A document paginated to the writer's page prints itself; otherwise
    // print() lays out a copy that loses the base URL and adds its own margins.
    document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
    numberContents(document);
    printWithPageNumbers(document, writer);
    return QFileInfo(pdfPath).size() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "shots" && argc == 4) {
        // Twice the pixels, so the pictures stay sharp in print.
        qputenv("QT_SCALE_FACTOR", "2");
        QApplication app(argc, argv);
        // Step for step what the program's main() does before its window,
        // so the pictures carry the program's fonts, the fields' included.
        applyProgramFont();
        installQtTranslation();
        return takeShots(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (mode == "pdf" && argc == 5) {
        QApplication app(argc, argv);
        return renderPdf(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QString::fromLocal8Bit(argv[4]));
    }
    std::fprintf(stderr, "usage: %s shots <bin folder> <output folder>\n"
                         "       %s pdf <html> <picture folder> <output.pdf>\n", argv[0], argv[0]);
    return 2;
}
