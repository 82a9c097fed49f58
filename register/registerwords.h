#pragma once

// How the clients name what the register keeps: a version's command, its
// result and the program that made it, and a site as a message names it.

#include "register/siteregister.h"

#include <QtCore/QString>

namespace siteregister {

// "betöltés", "kiolvasás", "ellenőrzés" for the stored command names.
QString commandText(const QString &command);
// "sikeres", "eltér", "sikertelen", "megszakítva".
QString resultText(const QString &result);
// "kordavo 2.62" (the window) or "kordavo-cli 2.62" (the tool).
QString programText(const QString &program, const QString &version);
// "Főkapu nyitó (4172) [3]": the name and the site's number.
QString siteLabel(const SiteSummary &site);
// "36301234567 (1. kimenet vezérlés)" at "5. telefonszám" of a site's version.
QString placeText(const NumberPlace &place);

} // namespace siteregister
