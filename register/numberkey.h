#pragma once

// A telephone number as a search compares it: the same line written as
// 06 30 123 4567, 0036301234567, +36 30 123 4567 or 36301234567 gives one key.

#include <QtCore/QString>

namespace siteregister {

// Hungarian numbers become their national significant number ("301234567");
// another country's keep "+" and their country code; anything else (a short
// or local number) its digits. Spaces, dashes, dots, slashes and brackets
// do not count. Empty when the text holds no digit.
QString numberKey(const QString &number);

} // namespace siteregister
