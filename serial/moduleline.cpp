#include "serial/moduleline.h"

#include <QtCore/QDebug>

char ModuleLine::lineByte(QChar c)
{
    switch (c.unicode()) {
    case u'ő': return char(0xF6);   // ö
    case u'Ő': return char(0xD6);   // Ö
    case u'ű': return char(0xFC);   // ü
    case u'Ű': return char(0xDC);   // Ü
    case u'\0': return '?';
    default:
        return c.unicode() <= 0xFF ? char(c.unicode()) : '?';
    }
}

QString ModuleLine::readReply(const Progress &progress, int limit, const AnswerEnd &end)
{
    QString reply;
    lastOverflowed = false;
    if (!startReading())
        return reply;
    char byte = 0;
    while (readByte(&byte)) {
        if (reply.size() >= limit) {
            qDebug() << "reply longer than" << limit << "bytes";
            lastOverflowed = true;
            return QString();
        }
        reply.append(QChar(uchar(byte)));
        if (progress && !progress(byte == '\r' ? 0 : 1))
            break;
        if (end && end(byte))
            break;
    }
    return reply;
}

void ModuleLine::sendByte(char byte, bool appendCR)
{
    writeByte(byte);
    if (appendCR)
        writeByte('\r');
}

void ModuleLine::sendCR()
{
    writeByte('\r');
}

void ModuleLine::sendText(const QString &text, bool appendCR)
{
    for (const QChar c : text)
        writeByte(lineByte(c));
    if (appendCR)
        writeByte('\r');
}
