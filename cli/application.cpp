#include "cli/application.h"

#include "cli/options.h"

#include <QtGui/QGuiApplication>

namespace cli {

namespace {

QtMessageHandler g_handler = nullptr;

// What a platform says while it starts (no XDG_RUNTIME_DIR, say) is for
// developers; a failure to start still ends the program with Qt's message.
void quietStart(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && g_handler)
        g_handler(type, context, message);
}

bool drawsSheet(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Parsed parsed = parseArguments(arguments);
    return !parsed.error && parsed.options.command == QLatin1String("sheet") && !parsed.options.help
           && !parsed.options.version;
}

} // namespace

std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
    if (!drawsSheet(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
#if !defined(Q_OS_WIN)
    // The sheet goes into a file, never onto a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    g_handler = qInstallMessageHandler(quietStart);
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(g_handler);
    return app;
}

} // namespace cli
