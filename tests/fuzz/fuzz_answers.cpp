// Any bytes as the answer to "~|", "~R" or "~S": the parsers never read past
// an answer and always give values the window can show.

#include "serial/modulereplies.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString answer;
    for (size_t i = 0; i < size; ++i)
        answer.append(QChar(data[i]));

    QString identification = answer;
    identification.chop(1);
    const bool recognised = modulereplies::isIdentification(identification);
    if (recognised && !(identification.startsWith(QLatin1String("Qzv")) || identification.startsWith(QLatin1String("KDV"))))
        std::abort();
    const QString field = modulereplies::memoryField(identification);
    if (field.contains(QLatin1Char('_')) || !identification.endsWith(field))
        std::abort();
    if (const std::optional<int> memory = modulereplies::memoryNumber(field)) {
        if (field.trimmed().toInt() != *memory)
            std::abort();
    }

    const std::optional<modulereplies::IoStates> states = modulereplies::parseStates(answer);
    if (bool(states) != (answer.size() >= modulereplies::kStatesAnswerLength))
        std::abort();
    if (states && states->outputs.bits() > 0xF)
        std::abort();

    if (const std::optional<modulereplies::SignalInfo> signal = modulereplies::parseSignal(answer)) {
        if (signal->strength < 1 || signal->strength > 9 || answer.count(QLatin1Char(',')) != 2)
            std::abort();
        for (const QChar c : signal->service) {
            if (c.isSpace())
                std::abort();
        }
    }
    return 0;
}
