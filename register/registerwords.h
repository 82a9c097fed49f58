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
// "128 számos", "32 számos, egyszerűsített": the model a memory size stands for.
QString modelText(int memory);
// A name as a search compares it: case and accents do not count, so
// "fokapu" finds "Főkapu" and the module's own "Fökapu" (it holds no ő).
QString foldedName(const QString &name);
// "Főkapu nyitó (4172) [3]": the name and the site's number.
QString siteLabel(const SiteSummary &site);
// "36301234567 (1. kimenet vezérlés)" at "5. telefonszám" of a site's version.
QString placeText(const NumberPlace &place);

} // namespace siteregister
