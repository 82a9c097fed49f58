#include "sheet/handoversheet.h"

#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "register/registerwords.h"
#include "sheet/sheettext.h"

#include <QtCore/QSaveFile>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <QtGui/QPageLayout>
#include <QtGui/QPainter>
#include <QtGui/QPdfWriter>
#include <QtGui/QTextDocument>

namespace handover {

namespace {

constexpr int kResolution = 96;
constexpr qreal kMarginMm = 15;

QString field(const Sheet &sheet, const char *objectName)
{
    return sheet.configuration.general.at(size_t(generalfields::indexOf(QString::fromLatin1(objectName)))).trimmed();
}

QString escaped(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("–") : text.toHtmlEscaped();
}

QString row(const QString &label, const QString &value)
{
    return QStringLiteral("<tr><td width=\"32%\"><b>%1</b></td><td>%2</td></tr>").arg(label.toHtmlEscaped(), value);
}

QString rightCell(bool granted)
{
    return granted ? QStringLiteral("<td align=\"center\">%1</td>").arg(Text::tr("igen"))
                   : QStringLiteral("<td align=\"center\">–</td>");
}

QString moduleSection(const Sheet &sheet)
{
    QString model = siteregister::modelText(sheet.memory);
    if (!sheet.identification.isEmpty())
        model += QStringLiteral(" (%1)").arg(sheet.identification);
    QString html = QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">");
    html += row(Text::tr("Telephely"), escaped(sheet.site.isEmpty() ? Text::tr("nincs a nyilvántartásban") : sheet.site));
    if (!sheet.address.isEmpty())
        html += row(Text::tr("Cím"), escaped(sheet.address));
    html += row(generalfields::generalFieldName(generalfields::indexOf(QStringLiteral("m_id"))), escaped(field(sheet, "m_id")));
    html += row(generalfields::generalFieldName(generalfields::indexOf(QStringLiteral("m_nev"))), escaped(field(sheet, "m_nev")));
    html += row(Text::tr("Modell"), escaped(model));
    html += row(generalfields::generalFieldName(generalfields::indexOf(QStringLiteral("smskp"))), escaped(field(sheet, "smskp")));
    html += row(generalfields::generalFieldName(generalfields::indexOf(QStringLiteral("m_pin"))),
                escaped(maskedPin(field(sheet, "m_pin"))));
    html += row(generalfields::generalFieldName(generalfields::indexOf(QStringLiteral("rele_time"))),
                escaped(field(sheet, "rele_time")));
    html += row(Text::tr("Forrás"), escaped(sheet.source));
    return html + QStringLiteral("</table>");
}

// The form's message fields do not follow their object names: the second
// field holds input 2's message on switching on, the third input 1's on
// switching off.
QString inputSection(const Sheet &sheet)
{
    const struct
    {
        int input;
        const char *name;
        const char *on;
        const char *off;
    } inputs[] = {{1, "be1_nev", "be1_on_msg", "be2_on_msg"}, {2, "be2_nev", "be1_off_msg", "be2_off_msg"}};
    QString html = QStringLiteral("<table width=\"100%\" border=\"1\" style=\"border-collapse: collapse; border-color: #808080\" cellspacing=\"0\" cellpadding=\"3\">"
                                  "<thead><tr bgcolor=\"#e4e4e4\"><th width=\"16%\">%1</th><th width=\"28%\">%2</th>"
                                  "<th width=\"28%\">%3</th><th width=\"28%\">%4</th></tr></thead>")
                       .arg(Text::tr("Bemenet"), Text::tr("Név"), Text::tr("Üzenet bekapcsoláskor"),
                            Text::tr("Üzenet kikapcsoláskor"));
    for (const auto &input : inputs)
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(Text::tr("%1. bemenet").arg(input.input), escaped(field(sheet, input.name)),
                         escaped(field(sheet, input.on)), escaped(field(sheet, input.off)));
    return html + QStringLiteral("</table>");
}

QString numberSection(const Sheet &sheet)
{
    const int entries = sheet.memory > 0 ? modulemodel::modelFor(sheet.memory).entries : configfile::kTelephoneEntries;
    QString rows;
    int stored = 0;
    for (int n = 1; n <= entries; ++n) {
        const configfile::TelephoneEntry &entry = sheet.configuration.telephones.at(size_t(n - 1));
        if (entry.number.trimmed().isEmpty())
            continue;
        ++stored;
        rows += QStringLiteral("<tr><td align=\"right\">%1.</td><td>%2</td>").arg(n).arg(entry.number.toHtmlEscaped());
        for (int input = 1; input <= 2; ++input)
            rows += rightCell(entry.alarm & configfile::groupBitValue(input));
        for (int output = 1; output <= 2; ++output)
            rows += rightCell(entry.output & configfile::groupBitValue(output));
        rows += QStringLiteral("</tr>");
    }
    if (stored == 0)
        return QStringLiteral("<p>%1</p>").arg(Text::tr("A modul nem tárol telefonszámot."));
    return QStringLiteral("<p>%1</p>").arg(Text::tr("%n tárolt telefonszám, a modul memóriájában elfoglalt helyük szerint.", nullptr, stored))
           + QStringLiteral("<table width=\"100%\" border=\"1\" style=\"border-collapse: collapse; border-color: #808080\" cellspacing=\"0\" cellpadding=\"2\">"
                            "<thead><tr bgcolor=\"#e4e4e4\"><th width=\"10%\">%1</th><th width=\"26%\">%2</th>"
                            "<th width=\"16%\">%3</th><th width=\"16%\">%4</th><th width=\"16%\">%5</th>"
                            "<th width=\"16%\">%6</th></tr></thead>")
                 .arg(Text::tr("Hely"), Text::tr("Telefonszám"), Text::tr("1. bemenet riasztás"),
                      Text::tr("2. bemenet riasztás"), Text::tr("1. kimenet vezérlés"), Text::tr("2. kimenet vezérlés"))
           + rows + QStringLiteral("</table>");
}

QString changeSection(const Sheet &sheet)
{
    QString html = QStringLiteral("<p>%1</p>").arg(sheet.changesNote.toHtmlEscaped());
    if (!sheet.changes)
        return html;
    if (sheet.changes->isEmpty())
        return html + QStringLiteral("<p>%1</p>").arg(Text::tr("Nincs változás."));
    html += QStringLiteral("<ul>");
    for (const siteregister::VersionChange &change : *sheet.changes)
        html += QStringLiteral("<li>%1</li>").arg(change.text.toHtmlEscaped());
    return html + QStringLiteral("</ul>");
}

QString signatureSection(const Sheet &sheet)
{
    const QString line = QStringLiteral("<p><br><br>……………………………………………</p>");
    return QStringLiteral("<p>%1</p>").arg(Text::tr("Kelt: %1").arg(sheet.date.toString(QStringLiteral("yyyy. MM. dd."))))
           + QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"6\"><tr>"
                            "<td width=\"50%\" align=\"center\">%1<p>%2</p></td>"
                            "<td width=\"50%\" align=\"center\">%1<p>%3</p></td></tr></table>")
                 .arg(line,
                      sheet.installer.isEmpty() ? Text::tr("átadó (telepítő)")
                                                : Text::tr("átadó (telepítő): %1").arg(sheet.installer.toHtmlEscaped()),
                      Text::tr("átvevő"));
}

// The site's name, or the module's where the register does not know it.
QString title(const Sheet &sheet)
{
    const QString name = sheet.siteName.isEmpty() ? field(sheet, "m_nev") : sheet.siteName;
    return name.isEmpty() ? Text::tr("Átadási lap") : Text::tr("Átadási lap – %1").arg(name);
}

} // namespace

QString maskedPin(const QString &pin)
{
    if (pin.size() <= 1)
        return pin;
    return QString(pin.size() - 1, QLatin1Char('*')) + pin.back();
}

void layOut(const Sheet &sheet, QTextDocument &document)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.5);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    const QString heading = QStringLiteral("<h3>%1</h3>");
    document.setHtml(QStringLiteral("<html><body><h1>%1</h1>").arg(title(sheet).toHtmlEscaped()) + moduleSection(sheet)
                     + heading.arg(Text::tr("Bemenetek")) + inputSection(sheet)
                     + heading.arg(Text::tr("Telefonszámok és jogaik")) + numberSection(sheet)
                     + heading.arg(Text::tr("Változások az előző változat óta")) + changeSection(sheet)
                     + signatureSection(sheet) + QStringLiteral("</body></html>"));
}

namespace {

// One page of the laid-out sheet, its number and the title below it, into a
// paint rectangle of `page` (the writer's, inside its margins).
void drawPage(QPainter &painter, const QTextDocument &document, const QString &footer, const QSizeF &page,
              qreal footerHeight, int index, int pages)
{
    drawDocumentPage(painter, document, index);
    painter.setFont(document.defaultFont());
    painter.drawText(QRectF(0, page.height() - footerHeight, page.width(), footerHeight), Qt::AlignRight | Qt::AlignVCenter,
                     Text::tr("%1 – %2/%3. oldal").arg(footer).arg(index + 1).arg(pages));
}

QPageLayout a4Layout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

// Paginated to the page's paint rectangle, less a line for the footer.
void paginate(QTextDocument &document, const QSizeF &page, qreal footerHeight)
{
    document.setPageSize(QSizeF(page.width(), page.height() - 2 * footerHeight));
}

} // namespace

QImage firstPage(const Sheet &sheet, qreal scale)
{
    QTextDocument document;
    layOut(sheet, document);
    const QPageLayout layout = a4Layout();
    const QSizeF page = layout.paintRectPixels(kResolution).size();
    const qreal footerHeight = QFontMetricsF(document.defaultFont()).height();
    paginate(document, page, footerHeight);
    const QRect full = layout.fullRectPixels(kResolution);
    QImage image((QSizeF(full.size()) * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.translate(layout.paintRectPixels(kResolution).topLeft());
    drawPage(painter, document, title(sheet), page, footerHeight, 0, document.pageCount());
    return image;
}

bool writePdf(const Sheet &sheet, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(a4Layout());
        writer.setResolution(kResolution);
        writer.setTitle(title(sheet));
        writer.setCreator(QStringLiteral("Kordavo"));

        QTextDocument document;
        layOut(sheet, document);
        // Every page drawn from the one layout, with its number and the
        // sheet's title below it.
        const QSizeF page = writer.pageLayout().paintRectPixels(kResolution).size();
        const qreal footerHeight = QFontMetricsF(document.defaultFont(), &writer).height();
        paginate(document, page, footerHeight);
        const int pages = document.pageCount();
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = Text::tr("a PDF nem írható");
            return false;
        }
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                writer.newPage();
            drawPage(painter, document, title(sheet), page, footerHeight, i, pages);
        }
        painter.end();
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void drawDocumentPage(QPainter &painter, const QTextDocument &document, int index)
{
    const QSizeF body = document.pageSize();
    painter.save();
    const QRectF view(0, index * body.height(), body.width(), body.height());
    painter.translate(0, -view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace handover
