#include "serial/moduleline.h"

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
