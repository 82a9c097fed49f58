// kordavo-cli: programs, reads and checks Kordavo modules from a shell.

#include "cli/application.h"
#include "cli/cli.h"

#include <QtCore/QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#if defined(Q_OS_WIN)
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace {

// The port code's debug lines are for developers; a script reads our own messages.
void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

// The first Ctrl-C (or SIGTERM, SIGHUP) lets the command bring the module
// back to normal operation; a second one ends the program at once.
extern "C" void onInterrupt(int signal)
{
    if (cli::interruptRequested())
        _exit(128 + signal);
    cli::requestInterrupt(signal);
}

void catchInterrupts()
{
#if defined(Q_OS_UNIX)
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
#else
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietDebug);
    const std::unique_ptr<QCoreApplication> app = cli::makeApplication(argc, argv);
    catchInterrupts();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = cli::run(app->arguments().mid(1), {out, err, isatty(STDERR_FILENO) != 0});
    out.flush();
    err.flush();
    return code;
}
