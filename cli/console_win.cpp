#include "cli/console.h"

#include "cli/cli.h"

#include <QtCore/QFile>
#include <QtCore/QStringDecoder>

#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>

namespace {

// The console window was closed (or the user logs off): the terminal is
// gone, as with SIGHUP on Linux, whose number it borrows for the exit code.
constexpr int kConsoleClosed = 1;
// Windows ends the program a few seconds (five by default) after a close
// event's handler was called; the module gets "~X" within this.
constexpr DWORD kCloseWaitMs = 4500;

HANDLE commandDone = nullptr;

// Runs on a thread of its own that Windows starts for each event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    int signal = 0;
    switch (event) {
    case CTRL_C_EVENT:
        signal = SIGINT;
        break;
    case CTRL_BREAK_EVENT:
        signal = SIGBREAK;
        break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        signal = kConsoleClosed;
        break;
    default:
        return FALSE;
    }
    const bool closing = signal == kConsoleClosed;
    // A second Ctrl-C ends the program at once.
    if (cli::interruptRequested() && !closing)
        _exit(128 + signal);
    cli::requestInterrupt(signal);
    // The program ends when this returns: first the command brings the
    // module back to normal operation.
    if (closing && commandDone)
        ::WaitForSingleObject(commandDone, kCloseWaitMs);
    return TRUE;
}

// Text into a console window: what the QTextStream encoded as UTF-8 goes to
// the console as UTF-16, so ő and ű show whatever the console's code page.
class ConsoleWriter : public QIODevice
{
public:
    explicit ConsoleWriter(HANDLE console) : console(console) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        // A character split between two writes is completed by the next one.
        const QString text = decoder.decode(QByteArrayView(data, size));
        const wchar_t *next = reinterpret_cast<const wchar_t *>(text.utf16());
        qsizetype left = text.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD chunk = DWORD(std::min<qsizetype>(left, 4096));
            if (!::WriteConsoleW(console, next, chunk, &written, nullptr) || written == 0) {
                setErrorString(QStringLiteral("WriteConsoleW"));
                return -1;
            }
            next += written;
            left -= written;
        }
        return size;
    }

private:
    HANDLE console;
    QStringDecoder decoder{QStringDecoder::Utf8};
};

HANDLE consoleOf(FILE *stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

namespace console {

void catchInterrupts()
{
    commandDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void commandEnded()
{
    if (commandDone)
        ::SetEvent(commandDone);
}

std::unique_ptr<QIODevice> openStream(FILE *stream)
{
    if (const HANDLE console = consoleOf(stream))
        return std::make_unique<ConsoleWriter>(console);
    // Into a file or a pipe the bytes are those Linux writes: UTF-8, and no
    // CR added before a LF (an exported CSV keeps its own CR LF).
    ::_setmode(::_fileno(stream), _O_BINARY);
    auto file = std::make_unique<QFile>();
    file->open(stream, QIODevice::WriteOnly);
    return file;
}

bool isTerminal(FILE *stream)
{
    return consoleOf(stream) != nullptr;
}

void writeMessage(const QString &text)
{
    const QString line = text + QLatin1Char('\n');
    if (const HANDLE console = consoleOf(stderr)) {
        DWORD written = 0;
        ::WriteConsoleW(console, reinterpret_cast<const wchar_t *>(line.utf16()), DWORD(line.size()), &written,
                        nullptr);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

} // namespace console
