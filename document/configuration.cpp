#include "document/configuration.h"

#include "document/modulemodel.h"

QHash<int, int> Configuration::keyValues(int count) const
{
    QHash<int, int> keys;
    for (int n = 1; n <= count && n <= int(telephones.size()); ++n) {
        keys[2 * n - 1] = telephones.at(size_t(n - 1)).alarm;
        keys[2 * n] = telephones.at(size_t(n - 1)).output;
    }
    return keys;
}

void Configuration::setDigits(const QHash<int, int> &keys)
{
    for (int n = 1; n <= int(telephones.size()); ++n) {
        telephones[size_t(n - 1)].alarm = keys.value(2 * n - 1);
        telephones[size_t(n - 1)].output = keys.value(2 * n);
    }
}

void Configuration::reduceForModel()
{
    for (const modulemodel::Placeholder &placeholder : modulemodel::kReducedPlaceholders) {
        const int index = generalfields::indexOf(QLatin1String(placeholder.objectName));
        if (index >= 0)
            general[size_t(index)] = QLatin1String(placeholder.text);
    }
    for (configfile::TelephoneEntry &entry : telephones)
        entry.alarm = entry.output = 0;
}

bool Configuration::operator==(const Configuration &o) const
{
    if (general != o.general)
        return false;
    for (size_t i = 0; i < telephones.size(); ++i) {
        const auto &a = telephones.at(i);
        const auto &b = o.telephones.at(i);
        if (a.alarm != b.alarm || a.output != b.output || a.number != b.number)
            return false;
    }
    return true;
}

namespace configfile {

QStringList toLines(const Configuration &configuration)
{
    QStringList lines(configuration.general.begin(), configuration.general.end());
    for (const TelephoneEntry &entry : configuration.telephones)
        lines.append(formatTelephoneLine(entry));
    return lines;
}

std::optional<Configuration> fromLines(const QStringList &lines)
{
    if (lines.size() < kConfigurationLines)
        return std::nullopt;
    // A stray CR is no one's text (a module takes it as the end of a record),
    // and written back as the file's last character it would read as a line end.
    const auto value = [&lines](int i) { return QString(lines.at(i)).remove(QLatin1Char('\r')); };
    Configuration configuration;
    for (int i = 0; i < kGeneralLines; ++i)
        configuration.general[size_t(i)] = value(i);
    for (int n = 1; n <= kTelephoneEntries; ++n)
        configuration.telephones[size_t(n - 1)] = parseTelephoneLine(value(kGeneralLines + n - 1));
    return configuration;
}

} // namespace configfile
