#pragma once

// The forms are laid out with fixed pixel positions for a compact 8-point
// dialog font; a larger desktop default would clip their labels.
void applyProgramFont();

// Qt's own buttons and dialogs ("Cancel", file dialogs) speak Hungarian like
// the rest of the program, where Qt's translation is installed.
void installQtTranslation();
