#include "serial/portnames.h"

#include <QtCore/QStringList>

namespace {

// Splits at the borders between digits and other characters.
QStringList naturalChunks(const QString &text)
{
    QStringList chunks;
    QString current;
    for (const QChar c : text) {
        if (!current.isEmpty() && current.back().isDigit() != c.isDigit()) {
            chunks << current;
            current.clear();
        }
        current.append(c);
    }
    if (!current.isEmpty())
        chunks << current;
    return chunks;
}

} // namespace

bool portNameLess(const QString &a, const QString &b)
{
    const QStringList left = naturalChunks(a);
    const QStringList right = naturalChunks(b);
    for (int i = 0; i < left.size() && i < right.size(); ++i) {
        const QString &l = left.at(i);
        const QString &r = right.at(i);
        if (l.at(0).isDigit() && r.at(0).isDigit()) {
            // Compare by value without overflowing: drop leading zeros, then
            // the longer run of digits is the larger number.
            QString ld = l, rd = r;
            while (ld.size() > 1 && ld.at(0) == QLatin1Char('0'))
                ld.remove(0, 1);
            while (rd.size() > 1 && rd.at(0) == QLatin1Char('0'))
                rd.remove(0, 1);
            if (ld.size() != rd.size())
                return ld.size() < rd.size();
            if (ld != rd)
                return ld < rd;
            if (l.size() != r.size())
                return l.size() < r.size();
            continue;
        }
        if (l != r)
            return l < r;
    }
    return left.size() < right.size();
}
