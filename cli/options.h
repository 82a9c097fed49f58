#pragma once

// kordavo-cli's command line: the options it knows, what is wrong with a
// command line, and the checks of how many ports and files a command got.

#include "cli/cli.h"
#include "cli/csvlist.h"

#include <QtCore/QChar>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

namespace cli {

constexpr int kDefaultBaud = 1200;   // the window's default as well

struct Options
{
    QString command;
    QStringList positional;
    QStringList ports;
    int baud = kDefaultBaud;
    QString log;
    QChar separator = QLatin1Char(csvlist::kDefaultSeparator);   // export-csv: "," or ";"
    bool stay = false;
    bool fast = false;
    bool force = false;
    bool strict = false;
    bool json = false;
    bool probe = false;
    bool help = false;
    bool version = false;
    // The site register: --register URL names it, --no-register turns it off.
    QString registerLocation;
    bool noRegister = false;
    // sheet: the installer's name, kept in the register for this login; null when not given.
    QString installer;
};

// What is wrong with the arguments, in the language of --lang.
struct UsageError
{
    enum class Kind { UnknownOption, MissingValue, UnexpectedValue, BadValue, UnknownLanguage } kind;
    QString option;   // as typed: "--port"
    QString value;
};

QString usageErrorText(const UsageError &error);

struct Parsed
{
    Options options;
    std::optional<QString> lang;   // the last --lang, even when something else is wrong
    std::optional<UsageError> error;
};

// The options may stand anywhere among the command and its arguments; "--"
// ends them, so that a file name may start with a dash.
Parsed parseArguments(const QStringList &arguments);

// kUsage, with a message, unless a command got what it needs.
int needPorts(const Options &o, Streams &streams, bool several);
int needPositional(const Options &o, int count, Streams &streams);
// The commands that take `count` file arguments and one port.
int needOnePort(const Options &o, int count, Streams &streams);

} // namespace cli
