#include "serial/modulereplies.h"

#include "serial/modulecommands.h"

#include <QtCore/QStringList>

namespace modulereplies {

bool isIdentification(const QString &answer)
{
    return answer.startsWith(QLatin1String("Qzv"), Qt::CaseSensitive)
        || answer.startsWith(QLatin1String("KDV"), Qt::CaseSensitive);
}

QString memoryField(const QString &answerWithoutTerminator)
{
    return answerWithoutTerminator.split(QLatin1Char('_')).constLast();
}

std::optional<int> memoryNumber(const QString &field)
{
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<IoStates> parseStates(const QString &answer)
{
    if (answer.size() < kStatesAnswerLength)
        return std::nullopt;
    IoStates states;
    states.input1Active = answer.at(4) == QLatin1Char('0');
    states.input2Active = answer.at(3) == QLatin1Char('0');
    for (int output = 1; output <= OutputMask::kOutputs; ++output)
        states.outputs.setOn(output, answer.at(14 - output) == QLatin1Char('1'));
    return states;
}

int clampSignal(int strength)
{
    return qBound(1, strength, 9);
}

std::optional<SignalInfo> parseSignal(const QString &answer)
{
    const QStringList fields = answer.split(QLatin1Char(','));
    if (fields.size() != 3)
        return std::nullopt;
    SignalInfo info;
    // A field that is not a number counts as 0, which the clamp turns into 1.
    info.raw = fields.at(1).toInt();
    info.strength = clampSignal(info.raw);
    for (const QChar c : fields.at(2)) {
        // The terminator rides on the last field; it is white space too.
        if (!c.isSpace())
            info.service.append(c);
    }
    return info;
}

QString relayCommand(OutputMask outputs)
{
    return QLatin1Char(modulecommands::kCommandPrefix) + QString::number(outputs.bits(), 16).toUpper();
}

} // namespace modulereplies
