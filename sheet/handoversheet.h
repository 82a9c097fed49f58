#pragma once

// The handover sheet ("Átadási lap"): what the customer at the gate gets on
// paper when a module is handed over. The site, the module's settings, every
// stored number with its four rights, what changed since the site's previous
// version, the date, the installer and two signatures, on A4 pages made with
// Qt's own text document and PDF writer. The window and kordavo-cli both make
// it here, from the form, a file or a version in the register.

#include "document/configuration.h"
#include "register/versionchanges.h"

#include <QtCore/QDate>
#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

class QImage;
class QPainter;
class QTextDocument;

namespace handover {

struct Sheet
{
    QString site;       // "Főkapu nyitó [2]"; empty when the register does not know the module
    QString siteName;   // "Főkapu nyitó": the sheet's title
    QString address;
    QString source;     // where it comes from: "3. változat (betöltés, 2026-03-03 09:20)", "az űrlap", a file
    // As the module holds it, or gets it on a download.
    Configuration configuration;
    int memory = 0;     // the memory size the module reports; 0 when not known
    QString identification;
    // What changed since the site's previous version; nothing when there is
    // nothing to compare with, and `changesNote` says why.
    std::optional<QList<siteregister::VersionChange>> changes;
    QString changesNote;   // what the changes are measured against, or why there are none
    QDate date;
    QString installer;
};

// "***4": the PIN with every character but its last hidden.
QString maskedPin(const QString &pin);

// The sheet laid out for an A4 page inside the writer's margins.
void layOut(const Sheet &sheet, QTextDocument &document);

// The first page as printed, `scale` times its size at 96 dots per inch:
// the help document's picture of a sheet.
QImage firstPage(const Sheet &sheet, qreal scale);

// Writes the sheet as a PDF, whole or not at all (an existing file is
// replaced only once the new one is complete); false with the reason. The
// fonts need a QGuiApplication.
bool writePdf(const Sheet &sheet, const QString &path, QString *error);

// Page `index` of a paginated document, as QTextDocument::print() draws it,
// at the painter's origin; the help document's pages are drawn this way too.
void drawDocumentPage(QPainter &painter, const QTextDocument &document, int index);

} // namespace handover
