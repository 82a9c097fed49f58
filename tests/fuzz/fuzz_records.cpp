// Any bytes as a module's answer to "~{", read with each memory size a module
// reports: no field gets more than it takes, every image has 28 + N records
// of 16 characters, and what was read goes back to a module and returns
// unchanged.

#include "document/modulemodel.h"
#include "serial/comport.h"
#include "transfer/configimage.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString &reply, int memory)
{
    const int entries = modulemodel::modelFor(memory).entries;
    const std::optional<Configuration> parsed = configimage::parseImage(configimage::normalizeReply(reply), entries);
    if (!parsed)
        return;
    for (size_t i = 0; i < parsed->general.size(); ++i) {
        const QString &text = parsed->general[i];
        // Cut to the field, as the form would: a record of spaces and a "7"
        // can leave only spaces in a four-place field.
        if (text.size() > generalfields::kFields.at(i).maxLength)
            std::abort();
    }
    for (int n = 1; n <= 128; ++n) {
        const configfile::TelephoneEntry &entry = parsed->telephones.at(size_t(n - 1));
        if (entry.number.size() > generalfields::kTelephoneNumberLength || entry.number.contains(QLatin1Char(' '))
            || entry.alarm < 0 || entry.alarm > 9 || entry.output < 0 || entry.output > 9)
            std::abort();
        if (n > entries && (!entry.number.isEmpty() || entry.alarm || entry.output))
            std::abort();
    }

    const configimage::BuildResult image = configimage::buildImage(*parsed, entries);
    if (!image.ok())
        return;   // an empty general field: the window refuses it before any image
    if (image.image.size() != (configimage::kGeneralRecords + configimage::kReservedRecords + entries)
                                  * (configimage::kRecordLength + 1))
        std::abort();
    if (configimage::fieldWithSeparator(*parsed, entries) >= 0)
        return;   // refused before a download
    const QStringList records = image.image.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < records.size(); ++i) {
        if (records.at(i).size() != configimage::kRecordLength)
            std::abort();
    }

    // The module answers with what it stored: every record and CR, one more byte.
    QString answer;
    for (int i = 0; i + 1 < records.size(); ++i)
        answer += configimage::asSent(records.at(i)) + QLatin1Char('\r');
    answer += QLatin1Char('\r');
    const std::optional<Configuration> back = configimage::parseImage(configimage::normalizeReply(answer), entries);
    if (!back)
        std::abort();
    // What a module gives back: the bytes as sent, 0xFF read as a space,
    // trailing spaces of a record and every space of a number dropped.
    const auto asRead = [](QString text) { return configimage::asSent(text).replace(QChar(0xFF), QLatin1Char(' ')); };
    for (size_t i = 0; i < parsed->general.size(); ++i) {
        QString text = asRead(configimage::generalRecord(int(i), parsed->general[i]));
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        if (text != back->general[i])
            std::abort();
    }
    for (int n = 1; n <= entries; ++n) {
        const configfile::TelephoneEntry &sent = parsed->telephones.at(size_t(n - 1));
        const configfile::TelephoneEntry &got = back->telephones.at(size_t(n - 1));
        if (asRead(sent.number).remove(QLatin1Char(' ')) != got.number || sent.alarm != got.alarm
            || sent.output != got.output)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString reply;
    reply.reserve(qsizetype(size));
    for (size_t i = 0; i < size; ++i)
        reply.append(QChar(data[i]));   // the line's bytes as the port gives them
    for (int memory : {32, 128, 31, 127})
        check(reply, memory);
    return 0;
}
