#pragma once

// Where kordavo-cli meets its terminal: interrupts from the keyboard (or a
// closing window) and the two output streams. console_unix.cpp and
// console_win.cpp hold the two ways.

#include <QtCore/QIODevice>

#include <cstdio>
#include <memory>

namespace console {

// Ctrl-C and its kin ask the running command to stop at its next safe point
// (cli::requestInterrupt); a second one ends the program at once.
void catchInterrupts();
// The command has ended and its output is out. A closing Windows console
// waits for this before it lets the program go.
void commandEnded();

// stdout or stderr as the device of a QTextStream, which writes UTF-8. A
// Windows console is handed the text itself, since its code page is not UTF-8.
std::unique_ptr<QIODevice> openStream(FILE *stream);
// Progress bars are drawn only on a terminal.
bool isTerminal(FILE *stream);
// One line of Qt's log on stderr.
void writeMessage(const QString &text);

} // namespace console
