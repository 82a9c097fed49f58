#pragma once

// The module's four outputs (relays) as one value, bit k for output k + 1.
// It turns into text only where text is due: the module's answer and command
// on the line (modulereplies), the relay dialog's boxes, and the "1010" that
// kordavo-cli takes and prints.

#include <QtCore/QString>

#include <optional>

class OutputMask
{
public:
    static constexpr int kOutputs = 4;

    constexpr OutputMask() = default;
    static constexpr OutputMask fromBits(unsigned bits) { return OutputMask(quint8(bits & 0x0F)); }
    constexpr quint8 bits() const { return value; }

    // Output 1 … 4.
    constexpr bool isOn(int output) const { return (value >> (output - 1)) & 1; }
    void setOn(int output, bool on)
    {
        const quint8 bit = quint8(1u << (output - 1));
        value = on ? quint8(value | bit) : quint8(value & ~bit);
    }

    constexpr bool operator==(OutputMask o) const { return value == o.value; }
    constexpr bool operator!=(OutputMask o) const { return value != o.value; }

    // "1010": output 1 first, "1" for an output that is on.
    QString text() const
    {
        QString states;
        for (int output = 1; output <= kOutputs; ++output)
            states += isOn(output) ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }
    // Exactly four "0" or "1", output 1 first; nothing otherwise.
    static std::optional<OutputMask> fromText(const QString &states)
    {
        if (states.size() != kOutputs)
            return std::nullopt;
        OutputMask mask;
        for (int output = 1; output <= kOutputs; ++output) {
            const QChar c = states.at(output - 1);
            if (c != QLatin1Char('0') && c != QLatin1Char('1'))
                return std::nullopt;
            mask.setOn(output, c == QLatin1Char('1'));
        }
        return mask;
    }

private:
    explicit constexpr OutputMask(quint8 bits) : value(bits) {}
    quint8 value = 0;
};
