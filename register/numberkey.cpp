#include "register/numberkey.h"

namespace siteregister {

namespace {

const QString kHungary = QStringLiteral("36");
// With its country code a Hungarian number has at least ten digits; an
// eight-digit national number may itself start with 36 (Eger's area code).
constexpr int kShortestWithCountryCode = 10;

} // namespace

QString numberKey(const QString &number)
{
    QString digits;
    bool international = false;
    for (const QChar c : number) {
        if (c.isDigit() && c.unicode() < 0x80)
            digits += c;
        else if (c == QLatin1Char('+') && digits.isEmpty())
            international = true;
    }
    if (digits.isEmpty())
        return {};
    if (!international && digits.startsWith(QLatin1String("00"))) {
        international = true;
        digits.remove(0, 2);
    }
    if (international)
        return digits.startsWith(kHungary) ? digits.mid(kHungary.size()) : QLatin1Char('+') + digits;
    if (digits.startsWith(QLatin1String("06")))
        return digits.mid(2);
    if (digits.startsWith(kHungary) && digits.size() >= kShortestWithCountryCode)
        return digits.mid(kHungary.size());
    return digits;
}

} // namespace siteregister
