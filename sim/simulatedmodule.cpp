#include "sim/simulatedmodule.h"

#include "document/configfile.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"
#include "serial/moduleline.h"
#include "serial/modulecommands.h"
#include "transfer/configimage.h"

#include <QtCore/QFile>
#include <QtCore/QSaveFile>

#include <algorithm>

namespace {

using configimage::kGeneralRecords;
using configimage::kRecordLength;
using configimage::kReservedRecords;
constexpr char kCR = '\r';
constexpr char kTilde = modulecommands::kCommandPrefix;
// Caps what a garbled download can make the module hold in memory.
constexpr int kMaxIncomingBytes = 64 * 1024;

int telephoneEntries(int memorySize)
{
    return modulemodel::modelFor(memorySize).entries;
}

QByteArray toLine(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(ModuleLine::lineByte(c));
    return bytes;
}

QByteArray padded(QByteArray record)
{
    record.truncate(kRecordLength);
    while (record.size() < kRecordLength)
        record.append(' ');
    return record;
}

QList<QByteArray> defaultRecords(int entries)
{
    QList<QByteArray> records;
    for (const generalfields::Field &field : generalfields::kFields)
        records.append(padded(field.example));
    for (int i = 0; i < kReservedRecords; ++i)
        records.append(padded({}));
    for (int n = 1; n <= entries; ++n)
        records.append(padded(n == 1 ? "3336201234567" : "00"));
    return records;
}

// The records a module holds after the given .krv file was opened in the
// program and downloaded: the program's own file reader and record layout.
QList<QByteArray> recordsFromKrv(const QString &path, int entries)
{
    const QStringList lines = configfile::readFile(path);
    const auto line = [&lines](int i) { return i < lines.size() ? lines.at(i) : QString(); };

    QList<QByteArray> records;
    for (int i = 0; i < kGeneralRecords; ++i)
        records.append(toLine(configimage::generalRecord(i, line(i))));
    for (int i = 0; i < kReservedRecords; ++i)
        records.append(padded({}));
    for (int n = 1; n <= entries; ++n) {
        const configfile::TelephoneEntry entry = configfile::parseTelephoneLine(line(kGeneralRecords + n - 1));
        records.append(toLine(configimage::telephoneRecord(entry.alarm, entry.output, entry.number)));
    }
    return records;
}

QList<QByteArray> resized(QList<QByteArray> records, int count)
{
    const QList<QByteArray> fallback = defaultRecords(count - kGeneralRecords - kReservedRecords);
    while (records.size() < count)
        records.append(fallback.size() > records.size() ? fallback.at(records.size()) : padded("00"));
    records.resize(count);
    return records;
}

} // namespace

SimulatedModule::SimulatedModule(const SimulatorOptions &options) : opts(options)
{
    powerUp();
}

void SimulatedModule::powerUp()
{
    inProgramMode = false;
    outputMask = OutputMask::fromBits(opts.outputs);
    rx = Rx::Command;
    line.clear();
    incoming.clear();
    incomingBytes = 0;
    pending.clear();
    chatter = false;
    chatterPos = 0;
    cutAfter = -1;
    cutAfterRecords = -1;
    cutRequested = false;
    loadRecords();
}

int SimulatedModule::recordCount() const
{
    return kGeneralRecords + kReservedRecords + telephoneEntries(opts.memorySize);
}

void SimulatedModule::loadRecords()
{
    const int count = recordCount();
    const int entries = telephoneEntries(opts.memorySize);
    if (!opts.storeFile.isEmpty()) {
        QFile file(opts.storeFile);
        if (file.open(QIODevice::ReadOnly)) {
            QList<QByteArray> stored = file.readAll().split('\n');
            if (!stored.isEmpty() && stored.last().isEmpty())
                stored.removeLast();
            bool valid = !stored.isEmpty();
            for (const QByteArray &record : stored)
                valid = valid && record.size() == kRecordLength;
            if (valid) {
                records = resized(stored, count);
                return;
            }
        }
    }
    if (!opts.initialKrv.isEmpty() && QFile::exists(opts.initialKrv)) {
        records = recordsFromKrv(opts.initialKrv, entries);
        return;
    }
    records = defaultRecords(entries);
}

void SimulatedModule::persistRecords()
{
    if (opts.storeFile.isEmpty())
        return;
    QSaveFile file(opts.storeFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const QByteArray &record : records)
        file.write(record + '\n');
    file.commit();
}

void SimulatedModule::setOptions(const SimulatorOptions &options)
{
    const int oldCount = recordCount();
    opts = options;
    outputMask = OutputMask::fromBits(options.outputs);
    if (recordCount() != oldCount)
        records = resized(records, recordCount());
    setFault(options.fault);
}

void SimulatedModule::setFault(SimulatorOptions::Fault fault)
{
    opts.fault = fault;
    if (fault != SimulatorOptions::Fault::Chatter && chatter) {
        chatter = false;
        pending.clear();
    }
}

QStringList SimulatedModule::storedRecords() const
{
    QStringList list;
    for (const QByteArray &record : records)
        list.append(QString::fromLatin1(record));
    return list;
}

void SimulatedModule::setStoredRecords(const QStringList &list)
{
    records.clear();
    for (const QString &record : list)
        records.append(toLine(record));
    persistRecords();
}

void SimulatedModule::topUpChatter()
{
    static const QByteArray noise = "NOISE 0123456789 ABCDEF\r";
    while (pending.size() < 512) {
        pending.append(noise.at(chatterPos));
        chatterPos = (chatterPos + 1) % noise.size();
    }
}

qint64 SimulatedModule::sendable(qint64 count) const
{
    return cutAfter >= 0 ? std::min(count, cutAfter) : count;
}

bool SimulatedModule::sent(qint64 count)
{
    pending.remove(0, count);
    if (cutAfter < 0)
        return false;
    cutAfter -= count;
    if (cutAfter > 0)
        return false;
    cutAfter = -1;
    return true;
}

void SimulatedModule::silence()
{
    pending.clear();
    chatter = false;
}

void SimulatedModule::giveUpRecords()
{
    rx = Rx::Command;
    incoming.clear();
    line.clear();
}

void SimulatedModule::send(const QByteArray &bytes)
{
    if (opts.fault == SimulatorOptions::Fault::DropMidAnswer && cutAfter < 0)
        cutAfter = std::max<qint64>(1, (pending.size() + bytes.size()) / 2);
    pending.append(bytes);
}

void SimulatedModule::sendLine(const QByteArray &text)
{
    send(text + (opts.fault == SimulatorOptions::Fault::CrLfEndings ? QByteArray("\r\n") : QByteArray("\r")));
}

void SimulatedModule::receive(char byte)
{
    if (rx == Rx::Records) {
        lastRx = Clock::now();
        if (byte != kCR) {
            if (incomingBytes < kMaxIncomingBytes)
                line.append(byte);
            ++incomingBytes;
            return;
        }
        if (line.isEmpty()) {
            finishDownload();
            return;
        }
        incoming.append(line);
        line.clear();
        if (cutAfterRecords >= 0 && incoming.size() >= cutAfterRecords)
            cutRequested = true;
        return;
    }
    if (rx == Rx::AfterTilde) {
        rx = Rx::Command;
        if (byte == kTilde) {
            rx = Rx::AfterTilde;
            return;
        }
        handleCommand(byte);
        return;
    }
    if (byte == kTilde)
        rx = Rx::AfterTilde;
    else if (byte == modulecommands::kEndSearch)
        inProgramMode = false;   // the port search's "never mind": no answer
}

void SimulatedModule::handleCommand(char command)
{
    using Fault = SimulatorOptions::Fault;
    const Fault fault = opts.fault;
    if (fault == Fault::Silent)
        return;
    if (fault == Fault::Chatter) {
        chatter = true;
        chatterPos = 0;
    }

    if (command == '|') {
        inProgramMode = true;
        QByteArray ident = opts.identification;
        if (ident.isEmpty()) {
            QByteArray prefix = opts.prefix;
            if (fault == Fault::WrongPrefix)
                prefix = "Xyz";
            else if (fault == Fault::LowerCasePrefix)
                prefix = prefix.toLower();
            ident = prefix + "_GSM4_" + QByteArray::number(opts.memorySize);
        } else if (fault == Fault::WrongPrefix) {
            ident = "Xyz" + ident.mid(3);
        } else if (fault == Fault::LowerCasePrefix) {
            ident = ident.left(3).toLower() + ident.mid(3);
        }
        if (fault == Fault::CutIdentification) {
            // What a line that stops short leaves: "Qzv_GSM4_12" of "Qzv_GSM4_128\r".
            send(ident.chopped(1));
            return;
        }
        QByteArray end = opts.identificationEnd;
        if (fault == Fault::CrLfEndings && end == "\r")
            end = "\r\n";
        send(ident + end);
        return;
    }
    if (!inProgramMode)
        return;

    switch (command) {
    case 'X':
        inProgramMode = false;
        sendLine("OK");
        return;
    case 'R': {
        // Positions 3 and 4: inputs 2 and 1 ('0' = active); 10 to 13: outputs 4 to 1.
        QByteArray state = "ST0" + QByteArray(opts.input2Active ? "0" : "1")
                           + QByteArray(opts.input1Active ? "0" : "1") + "00000";
        for (int output = OutputMask::kOutputs; output >= 1; --output)
            state.append(outputMask.isOn(output) ? '1' : '0');
        // Longer answers carry more after the outputs, which the tool does not read.
        while (state.size() + 1 < opts.stateLength)
            state.append('0');
        sendLine(state);
        return;
    }
    case 'S': {
        QByteArray reply = "+CSQ," + QByteArray::number(opts.signal) + ",";
        if (fault == Fault::FourFieldSignal)
            reply += "Telenor,HU";
        else
            reply += opts.service;
        sendLine(reply);
        return;
    }
    case '{': {
        QByteArray reply;
        if (fault == Fault::NoiseBeforeRecords) {
            // A module restarting, a noisy adapter: bytes without a line end.
            for (int i = 0; i < 100; ++i)
                reply += "0123456789ABCDEFH"[(i * 7 + 3) % 17];
        }
        if (fault == Fault::JunkBeforeRecords)
            reply += "GSM MODUL V4.1 OK\r\r";
        for (int i = 0; i < records.size(); ++i) {
            QByteArray record = records.at(i);
            if (fault == Fault::FFPadding)
                record.replace(' ', '\xFF');
            if (fault == Fault::SeparatorInRecord && i == 3)
                record = padded("Kapu|Udvar");
            reply += record + kCR;
        }
        if (fault != Fault::NoClosingCharacter)
            reply += kCR;
        if (fault == Fault::HalfRecords)
            reply.truncate((reply.size() - 1) / 2 / (kRecordLength + 1) * (kRecordLength + 1));
        if (fault == Fault::DropDuringTransfer)
            cutAfter = reply.size() / 2;
        send(reply);
        return;
    }
    case '}':
        if (fault == Fault::NoReadyAnswer) {
            sendLine("BUSY");
            return;
        }
        rx = Rx::Records;
        line.clear();
        incoming.clear();
        incomingBytes = 0;
        lastRx = Clock::now();
        cutAfterRecords = fault == Fault::DropDuringTransfer ? recordCount() / 2 : -1;
        // A stale "O" after the "R": what a tool that takes it as the final answer believes.
        sendLine(fault == Fault::StaleAnswer ? QByteArray("R\rO") : QByteArray("READY"));
        return;
    default:
        break;
    }
    if ((command >= '0' && command <= '9') || (command >= 'A' && command <= 'F')) {
        outputMask = OutputMask::fromBits(unsigned(command <= '9' ? command - '0' : command - 'A' + 10));
        sendLine("OK");
    }
}

void SimulatedModule::finishDownload()
{
    rx = Rx::Command;
    cutAfterRecords = -1;
    bool valid = incoming.size() == recordCount() && incomingBytes < kMaxIncomingBytes;
    for (const QByteArray &record : incoming)
        valid = valid && record.size() == kRecordLength;
    const bool refuses = opts.fault == SimulatorOptions::Fault::NoAck || opts.fault == SimulatorOptions::Fault::StaleAnswer;
    if (valid && !refuses) {
        records = incoming;
        persistRecords();
        sendLine("OK");
    } else {
        sendLine("ERROR");
    }
    incoming.clear();
    line.clear();
}
