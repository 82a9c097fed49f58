// Any bytes as a telephone list for import-csv: the reader never fails on
// them; what it takes holds only numbers the form's field takes and rights
// its check boxes can show; an import that succeeds says why nothing is
// wrong, one that fails says why in a line per row; and a list it took,
// exported and read back, is the same list.

#include "cli/csvlist.h"
#include "document/fieldrules.h"
#include "document/generalfields.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const csvlist::ImportResult &result)
{
    if (result.rows < 0 || result.rows > csvlist::kMaxBytes)
        std::abort();
    for (const QString &error : result.errors) {
        if (error.isEmpty() || error.contains(QLatin1Char('\n')))
            std::abort();
    }
    int filled = 0;
    for (const configfile::TelephoneEntry &entry : result.telephones) {
        if (entry.number.size() > generalfields::kTelephoneNumberLength
            || !fieldrules::telephoneRule().passes(entry.number) || entry.number.contains(QLatin1Char(' ')))
            std::abort();
        if (entry.alarm < 0 || entry.alarm > 3 || entry.output < 0 || entry.output > 3)
            std::abort();
        filled += !entry.number.isEmpty() || entry.alarm != 0 || entry.output != 0;
    }
    // Every entry that holds something came from a row of its own.
    if (result.ok() && filled > result.rows)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const csvlist::ImportResult imported = csvlist::importList(bytes);
    check(imported);
    if (!imported.ok())
        return 0;

    // What was taken goes out as a list and comes back unchanged, with either separator.
    Configuration configuration;
    configuration.telephones = imported.telephones;
    for (const QChar separator : {QLatin1Char(';'), QLatin1Char(',')}) {
        const csvlist::ImportResult again = csvlist::importList(csvlist::exportList(configuration, separator));
        check(again);
        if (!again.ok() || again.rows != configfile::kTelephoneEntries)
            std::abort();
        for (size_t i = 0; i < again.telephones.size(); ++i) {
            const configfile::TelephoneEntry &a = imported.telephones.at(i);
            const configfile::TelephoneEntry &b = again.telephones.at(i);
            if (a.number != b.number || a.alarm != b.alarm || a.output != b.output)
                std::abort();
        }
    }
    return 0;
}
