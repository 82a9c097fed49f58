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

Configuration Configuration::fittedTo(const modulemodel::Model &model) const
{
    Configuration fitted = fittedToForm();
    if (model.reduced)
        fitted.reduceForModel();
    return fitted;
}

Configuration Configuration::fittedToForm() const
{
    Configuration fitted = *this;
    for (size_t i = 0; i < fitted.general.size(); ++i)
        fitted.general[i].truncate(generalfields::kFields.at(i).maxLength);
    // The boxes of an entry show bit 1 and bit 2 of its digits, nothing more.
    constexpr int kShownBits = 3;
    for (configfile::TelephoneEntry &entry : fitted.telephones) {
        entry.number.truncate(generalfields::kTelephoneNumberLength);
        entry.alarm &= kShownBits;
        entry.output &= kShownBits;
    }
    return fitted;
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

std::optional<UnsavableField> unsavableField(const Configuration &configuration)
{
    using Reason = UnsavableField::Reason;
    const auto &general = configuration.general;
    for (size_t i = 0; i < general.size(); ++i) {
        if (general[i] == QLatin1String("---"))
            return UnsavableField{int(i), Reason::Terminator};
    }
    const auto hasLineBreak = [](const QString &text) {
        return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    };
    for (size_t i = 0; i < general.size(); ++i) {
        if (hasLineBreak(general[i]))
            return UnsavableField{int(i), Reason::LineBreak};
    }
    for (size_t n = 0; n < configuration.telephones.size(); ++n) {
        if (hasLineBreak(configuration.telephones[n].number))
            return UnsavableField{int(general.size() + n), Reason::LineBreak};
    }
    return std::nullopt;
}

} // namespace configfile
