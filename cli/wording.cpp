#include "cli/wording.h"

namespace cli {

QString withNote(const QString &message, const QString &note)
{
    return note.isEmpty() ? message : message + QLatin1String("; ") + note;
}

bool refusedInProgramMode(moduleoperations::Refusal refusal)
{
    // A module's prefix came: it took "~|" and is in programming mode.
    return refusal == moduleoperations::Refusal::Incomplete || refusal == moduleoperations::Refusal::UnknownModel;
}

} // namespace cli
