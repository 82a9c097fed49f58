#pragma once

// A handover sheet read back as its reader sees it: the PDF's text through
// poppler's pdftotext, and the rows of its number table.

#include <QtCore/QMap>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QString>
#include <QtTest/QTest>

namespace sheettest {

// The text of every page, laid out as printed; empty when it cannot be read.
inline QString pdfText(const QString &path)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        qFatal("pdftotext (poppler-utils) is not installed");
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                              QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct NumberRow
{
    QString number;
    QString rights;   // four marks in the table's order: input 1 and 2 alarm, output 1 and 2 control; "1" or "0"
    int seen = 0;     // how often its position stands in the text's table
};

// "  5. 36301112233   igen   –   –   igen": position, number and the four rights.
inline QMap<int, NumberRow> numberRows(const QString &text)
{
    static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\.\\s+(\\+?\\d+)\\s+(igen|–)\\s+(igen|–)\\s+"
                                                       "(igen|–)\\s+(igen|–)\\s*$"));
    QMap<int, NumberRow> rows;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = row.match(line);
        if (!match.hasMatch())
            continue;
        NumberRow &found = rows[match.captured(1).toInt()];
        found.number = match.captured(2);
        found.rights.clear();
        for (int i = 3; i <= 6; ++i)
            found.rights += match.captured(i) == QLatin1String("igen") ? QLatin1Char('1') : QLatin1Char('0');
        ++found.seen;
    }
    return rows;
}

// The four marks a row shows for an entry's alarm and output digits.
inline QString rightsOf(int alarm, int output)
{
    QString marks;
    for (int bit : {1, 2})
        marks += (alarm & bit) ? QLatin1Char('1') : QLatin1Char('0');
    for (int bit : {1, 2})
        marks += (output & bit) ? QLatin1Char('1') : QLatin1Char('0');
    return marks;
}

// The first line that holds `label`.
inline QString lineWith(const QString &text, const QString &label)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.contains(label))
            return line;
    }
    return {};
}

// Text as pdftotext gives it, without the line breaks and spaces of the layout.
inline QString squeezed(const QString &text)
{
    QString out = text;
    out.remove(QRegularExpression(QStringLiteral("\\s+")));
    return out;
}

} // namespace sheettest
