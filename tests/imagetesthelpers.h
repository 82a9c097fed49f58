#pragma once

// A known general part and module replies, for the record image tests.

#include "transfer/configimage.h"

#include <QtCore/QHash>
#include <QtCore/QStringList>

namespace imagetest {

inline QStringList sampleGeneral()
{
    return {"36309888000", "1234", "0001", "Kapunyito modul", "0", "Kapu", "Riaszto", "5",
            "ki3 be", "ki4 be", "ki3 ki", "ki4 ki", "be1 be", "be2 be", "be1 ki", "be2 ki"};
}

inline QStringList records(const QString &image)
{
    QStringList parts = image.split(QLatin1Char('|'));
    parts.removeLast();   // the empty part after the closing separator
    return parts;
}

// What a module sends for "~{": every record with CR, then one more character.
inline QString moduleReply(const QString &image, const QString &prefix = QString())
{
    QString reply = prefix;
    for (const QString &r : records(image))
        reply += r + QLatin1Char('\r');
    return reply + QLatin1Char('\r');
}

// The image of a configuration with these general texts, key digits and
// numbers 1 … N, N being the count of numbers.
inline configimage::BuildResult imageOf(const QStringList &general, const QHash<int, int> &keys,
                                        const QStringList &numbers)
{
    Configuration configuration;
    for (int i = 0; i < general.size(); ++i)
        configuration.general[size_t(i)] = general.at(i);
    for (int n = 1; n <= numbers.size(); ++n)
        configuration.telephones[size_t(n - 1)].number = numbers.at(n - 1);
    configuration.setDigits(keys);
    return configimage::buildImage(configuration, int(numbers.size()));
}

} // namespace imagetest
