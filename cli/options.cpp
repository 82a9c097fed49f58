#include "cli/options.h"

#include "cli/clitext.h"
#include "register/registerlocation.h"

#include <QtCore/QCommandLineParser>

namespace cli {

namespace {

// The options as the parser knows them; `value` names what an option's value stands for.
struct KnownOption
{
    const char *name;
    const char *shortName;
    const char *value;
};
constexpr KnownOption kOptions[] = {
    {"port", nullptr, "P"},
    {"baud", nullptr, "B"},
    {"lang", nullptr, "LANG"},
    {"log", nullptr, "FILE"},
    {"separator", nullptr, "S"},
    {"stay", nullptr, nullptr},
    {"fast", nullptr, nullptr},
    {"force", nullptr, nullptr},
    {"strict", nullptr, nullptr},
    {"json", nullptr, nullptr},
    {"probe", nullptr, nullptr},
    {"help", "h", nullptr},
    {"version", nullptr, nullptr},
    {"register", nullptr, "URL"},
    {"no-register", nullptr, nullptr},
    {"installer", nullptr, "NAME"},
};

const KnownOption *optionNamed(const QString &name)
{
    for (const KnownOption &known : kOptions) {
        if (name == QLatin1String(known.name) || (known.shortName && name == QLatin1String(known.shortName)))
            return &known;
    }
    return nullptr;
}

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

QString usageErrorText(const UsageError &error)
{
    switch (error.kind) {
    case UsageError::Kind::UnknownOption:
        return Text::tr("Ismeretlen kapcsoló: %1").arg(error.option);
    case UsageError::Kind::MissingValue:
        return Text::tr("%1: hiányzó érték").arg(error.option);
    case UsageError::Kind::UnexpectedValue:
        return Text::tr("%1: ez a kapcsoló nem kap értéket: „%2”").arg(error.option, error.value);
    case UsageError::Kind::BadValue:
        return Text::tr("%1: hibás érték: „%2”").arg(error.option, error.value);
    case UsageError::Kind::UnknownLanguage:
        return Text::tr("%1: ismeretlen nyelv: „%2” (választható: %3)")
            .arg(error.option, error.value, languages().join(QLatin1String(", ")));
    }
    return {};
}

Parsed parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const KnownOption &known : kOptions) {
        QStringList names = {QString::fromLatin1(known.name)};
        if (known.shortName)
            names.prepend(QString::fromLatin1(known.shortName));
        const QString valueName = known.value ? QString::fromLatin1(known.value) : QString();
        parser.addOption(QCommandLineOption(names, QString(), valueName));
    }
    Parsed parsed;
    const bool ok = parser.parse(QStringList{QStringLiteral("kordavo-cli")} + arguments);
    // The parser reads every argument before it gives up, so --lang is known
    // for the message about anything else.
    if (parser.isSet(QStringLiteral("lang")))
        parsed.lang = parser.values(QStringLiteral("lang")).constLast();
    if (!ok) {
        UsageError error{UsageError::Kind::UnknownOption, {}, {}};
        if (!parser.unknownOptionNames().isEmpty()) {
            error.option = dashed(parser.unknownOptionNames().constFirst());
        } else {
            // The parser tells a value missing at the end, or given to a
            // switch, only in its own words; the arguments tell which.
            for (const QString &argument : arguments) {
                if (argument == QLatin1String("--"))
                    break;
                if (!argument.startsWith(QLatin1Char('-')))
                    continue;
                const int dashes = argument.startsWith(QLatin1String("--")) ? 2 : 1;
                const QString name = argument.mid(dashes).section(QLatin1Char('='), 0, 0);
                const KnownOption *known = optionNamed(name);
                if (known && !known->value && argument.contains(QLatin1Char('='))) {
                    error = {UsageError::Kind::UnexpectedValue, dashed(name), argument.section(QLatin1Char('='), 1)};
                    break;
                }
            }
            if (error.option.isEmpty() && !arguments.isEmpty())
                error = {UsageError::Kind::MissingValue, arguments.constLast(), {}};
        }
        parsed.error = error;
        return parsed;
    }
    // "--port --fast": the parser takes the next option as the value; no
    // port or file is named like one of ours.
    for (const KnownOption &known : kOptions) {
        const QString name = QString::fromLatin1(known.name);
        if (!known.value || !parser.isSet(name))
            continue;
        for (const QString &value : parser.values(name)) {
            if (value.startsWith(QLatin1String("--")) && optionNamed(value.mid(2).section(QLatin1Char('='), 0, 0))) {
                parsed.error = UsageError{UsageError::Kind::MissingValue, dashed(name), {}};
                return parsed;
            }
        }
    }
    Options &o = parsed.options;
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        o.command = positional.constFirst();
        o.positional = positional.mid(1);
    }
    o.ports = parser.values(QStringLiteral("port"));
    o.log = parser.value(QStringLiteral("log"));
    o.stay = parser.isSet(QStringLiteral("stay"));
    o.fast = parser.isSet(QStringLiteral("fast"));
    o.force = parser.isSet(QStringLiteral("force"));
    o.strict = parser.isSet(QStringLiteral("strict"));
    o.json = parser.isSet(QStringLiteral("json"));
    o.probe = parser.isSet(QStringLiteral("probe"));
    o.help = parser.isSet(QStringLiteral("help"));
    o.version = parser.isSet(QStringLiteral("version"));
    if (parser.isSet(QStringLiteral("baud"))) {
        const QString baud = parser.value(QStringLiteral("baud"));
        bool isNumber = false;
        o.baud = baud.toInt(&isNumber);
        if (!isNumber || o.baud <= 0)
            parsed.error = UsageError{UsageError::Kind::BadValue, QStringLiteral("--baud"), baud};
    }
    o.noRegister = parser.isSet(QStringLiteral("no-register"));
    if (parser.isSet(QStringLiteral("installer")))
        o.installer = parser.value(QStringLiteral("installer"));
    if (parser.isSet(QStringLiteral("register"))) {
        o.registerLocation = parser.value(QStringLiteral("register"));
        QString why;
        if (o.registerLocation.trimmed().isEmpty() || !siteregister::parseLocation(o.registerLocation, &why))
            parsed.error = UsageError{UsageError::Kind::BadValue, QStringLiteral("--register"), o.registerLocation};
    }
    if (parser.isSet(QStringLiteral("separator"))) {
        const QString separator = parser.value(QStringLiteral("separator"));
        if (separator == QLatin1String(",") || separator == QLatin1String(";"))
            o.separator = separator.at(0);
        else
            parsed.error = UsageError{UsageError::Kind::BadValue, QStringLiteral("--separator"), separator};
    }
    return parsed;
}

int needPorts(const Options &o, Streams &streams, bool several)
{
    if (o.ports.isEmpty()) {
        streams.err << Text::tr("Adja meg a portot: --port P") << '\n';
        return kUsage;
    }
    if (!several && o.ports.size() > 1) {
        streams.err << Text::tr("Ez a parancs egyetlen portot fogad el.") << '\n';
        return kUsage;
    }
    if (o.ports.contains(QString())) {
        streams.err << Text::tr("A --port értéke nem lehet üres.") << '\n';
        return kUsage;
    }
    return kSuccess;
}

int needPositional(const Options &o, int count, Streams &streams)
{
    if (o.positional.size() != count) {
        streams.err << Text::tr("Hibás használat; lásd: kordavo-cli --help") << '\n';
        return kUsage;
    }
    return kSuccess;
}

// The commands that take `count` file arguments and one port.
int needOnePort(const Options &o, int count, Streams &streams)
{
    if (int code = needPositional(o, count, streams))
        return code;
    return needPorts(o, streams, false);
}

} // namespace cli
