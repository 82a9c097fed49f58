#pragma once

// The command-line tool speaks Hungarian unless asked for English.

#include <QtCore/QString>

namespace cli {

class Text
{
public:
    explicit Text(bool english = false) : englishText(english) {}
    bool english() const { return englishText; }
    QString operator()(const char16_t *hungarian, const char *englishVersion) const
    {
        return englishText ? QString::fromUtf8(englishVersion) : QString::fromUtf16(hungarian);
    }

private:
    bool englishText = false;
};

// English when `--lang en` is given, or, without --lang, when the locale
// (LC_ALL, else LANG) is an English one.
bool wantsEnglish(const QString &langOption);

// The help text, with the subcommands and exit codes.
QString helpText(const Text &t);

} // namespace cli
