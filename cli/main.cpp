// kordavo-cli: programs, reads and checks Kordavo modules from a shell.

#include "cli/cli.h"

#include <QtCore/QCoreApplication>

#include <cstdio>
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

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietDebug);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = cli::run(app.arguments().mid(1), {out, err, isatty(STDERR_FILENO) != 0});
    out.flush();
    err.flush();
    return code;
}
