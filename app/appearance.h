#pragma once

// The forms are laid out with fixed pixel positions for a compact 8-point
// dialog font; a larger desktop default would clip their labels.
void applyProgramFont();
