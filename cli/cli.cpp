#include "cli/cli.h"

#include "cli/clitext.h"
#include "cli/commands.h"
#include "cli/moduleaccess.h"
#include "cli/options.h"
#include "cli/output.h"
#include "kordavoversion.h"

namespace cli {

void setPortSource(PortSource source)
{
    portSource() = std::move(source);
}

int run(const QStringList &arguments, Streams streams)
{
    clearInterrupt();
    Parsed parsed = parseArguments(arguments);
    const std::optional<QString> language = chosenLanguage(parsed.lang);
    if (!language && !parsed.error)
        parsed.error = UsageError{UsageError::Kind::UnknownLanguage, QStringLiteral("--lang"), *parsed.lang};
    const Language speaking(language.value_or(QStringLiteral("hu")));
    if (parsed.error) {
        streams.err << usageErrorText(*parsed.error) << '\n' << Text::tr("Lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    const Options &o = parsed.options;
    if (o.help || o.command == QLatin1String("help")) {
        streams.out << helpText();
        return checkedOutput(kSuccess, streams);
    }
    if (o.version) {
        streams.out << "kordavo-cli " << kordavo::kVersion << '\n';
        return checkedOutput(kSuccess, streams);
    }
    struct Command
    {
        const char *name;
        int (*run)(const Options &, Streams &);
    };
    static const Command commands[] = {
        {"ports", commandPorts},
        {"info", commandInfo},
        {"status", commandStatus},
        {"download", [](const Options &o, Streams &s) { return commandDownloadOrVerify(o, s, true); }},
        {"readout", commandReadout},
        {"verify", [](const Options &o, Streams &s) { return commandDownloadOrVerify(o, s, false); }},
        {"relay", commandRelay},
        {"check", commandCheck},
        {"export-csv", commandExportCsv},
        {"import-csv", commandImportCsv},
        {"register", commandRegister},
        {"sheet", commandSheet},
    };
    for (const Command &command : commands) {
        if (o.command == QLatin1String(command.name))
            return checkedOutput(command.run(o, streams), streams);
    }
    if (o.command.isEmpty())
        streams.err << helpText();
    else
        streams.err << Text::tr("Ismeretlen parancs: %1\nLásd: kordavo-cli --help")
                           .arg(o.command)
                    << '\n';
    return kUsage;
}

} // namespace cli
