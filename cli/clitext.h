#pragma once

// The command-line tool's texts are written in Hungarian, its own language;
// every other language is a translation compiled into the program from
// cli/translations/kordavo-cli_<code>.ts.

#include <QtCore/QCoreApplication>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <optional>

class QTranslator;

namespace cli {

// Text::tr("...") marks a text for the translation tools and translates it
// with the language installed by the running command.
class Text
{
    Q_DECLARE_TR_FUNCTIONS(cli::Text)
};

// "hu", then the code of each translation compiled in ("en").
QStringList languages();

// The language of `--lang` when given (empty: not given), else that of the
// locale (LC_ALL, else LANG) when the tool speaks it, else Hungarian.
// Nothing for a --lang value the tool does not speak.
std::optional<QString> chosenLanguage(const std::optional<QString> &langOption);

// The language's translation, installed for as long as this lives; nothing
// to install for Hungarian.
class Language
{
public:
    explicit Language(const QString &code);
    ~Language();
    Language(const Language &) = delete;
    Language &operator=(const Language &) = delete;

private:
    std::unique_ptr<QTranslator> translator;
};

// The help text, with the subcommands and exit codes.
QString helpText();

} // namespace cli
