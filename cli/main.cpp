// kordavo-cli: programs, reads and checks Kordavo modules from a shell.

#include "cli/application.h"
#include "cli/cli.h"
#include "cli/console.h"

#include <QtCore/QCoreApplication>

namespace {

// The port code's debug lines are for developers; a script reads our own messages.
void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    console::writeMessage(message);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietDebug);
    const std::unique_ptr<QCoreApplication> app = cli::makeApplication(argc, argv);
    console::catchInterrupts();
    const std::unique_ptr<QIODevice> outDevice = console::openStream(stdout);
    const std::unique_ptr<QIODevice> errDevice = console::openStream(stderr);
    QTextStream out(outDevice.get());
    QTextStream err(errDevice.get());
    const int code = cli::run(app->arguments().mid(1), {out, err, console::isTerminal(stderr)});
    out.flush();
    err.flush();
    console::commandEnded();
    return code;
}
