#include "cli/console.h"

#include "cli/cli.h"

#include <QtCore/QFile>

#include <csignal>
#include <unistd.h>

namespace {

// The first Ctrl-C (or SIGTERM, SIGHUP) lets the command bring the module
// back to normal operation; a second one ends the program at once.
extern "C" void onInterrupt(int signal)
{
    if (cli::interruptRequested())
        _exit(128 + signal);
    cli::requestInterrupt(signal);
}

} // namespace

namespace console {

void catchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigset_t caught;
    sigemptyset(&caught);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
        sigaddset(&caught, signal);
    }
    // A parent may hand its children these signals blocked.
    sigprocmask(SIG_UNBLOCK, &caught, nullptr);
}

void commandEnded() {}

std::unique_ptr<QIODevice> openStream(FILE *stream)
{
    auto file = std::make_unique<QFile>();
    file->open(stream, QIODevice::WriteOnly);
    return file;
}

bool isTerminal(FILE *stream)
{
    return isatty(fileno(stream)) != 0;
}

void writeMessage(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace console
