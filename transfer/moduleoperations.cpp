#include "transfer/moduleoperations.h"

#include "document/generalfields.h"
#include "serial/modulecommands.h"
#include "transfer/configimage.h"

#include <algorithm>

namespace moduleoperations {

namespace {

int recordCount(int entries)
{
    return configimage::kGeneralRecords + configimage::kReservedRecords + entries;
}

bool hasPlaceholder(int field)
{
    for (const modulemodel::Placeholder &placeholder : modulemodel::kReducedPlaceholders) {
        if (generalfields::indexOf(QLatin1String(placeholder.objectName)) == field)
            return true;
    }
    return false;
}

} // namespace

std::optional<FieldProblem> problemOnAnyModule(const Configuration &configuration)
{
    for (int i = 0; i < configimage::kGeneralRecords; ++i) {
        if (!hasPlaceholder(i) && configuration.general.at(size_t(i)).isEmpty())
            return FieldProblem{FieldProblem::Kind::Empty, i};
    }
    for (int i = 0; i < configimage::kGeneralRecords; ++i) {
        if (!hasPlaceholder(i) && configuration.general.at(size_t(i)).contains(configimage::kSeparator))
            return FieldProblem{FieldProblem::Kind::Separator, i};
    }
    for (int n = 1; n <= modulemodel::kSmallMemory; ++n) {
        if (configuration.telephones.at(size_t(n - 1)).number.contains(configimage::kSeparator))
            return FieldProblem{FieldProblem::Kind::Separator, configimage::kGeneralRecords + n - 1};
    }
    return std::nullopt;
}

Prepared prepare(const Configuration &configuration, const modulemodel::Model &model)
{
    Prepared prepared;
    prepared.model = model;
    prepared.fitted = configuration.fittedTo(model);

    for (int n = model.entries + 1; n <= configfile::kTelephoneEntries; ++n) {
        if (!configuration.telephones.at(size_t(n - 1)).number.isEmpty())
            ++prepared.droppedNumbers;
    }
    if (prepared.droppedNumbers > 0) {
        prepared.firstDropped = model.entries + 1;
        prepared.lastDropped = configfile::kTelephoneEntries;
    }
    if (model.reduced) {
        for (int i = 0; i < configimage::kGeneralRecords; ++i) {
            if (hasPlaceholder(i) && configuration.general.at(size_t(i)) != prepared.fitted.general.at(size_t(i)))
                prepared.reducedDropped = true;
        }
        for (int n = 1; n <= model.entries; ++n) {
            const configfile::TelephoneEntry &entry = configuration.telephones.at(size_t(n - 1));
            if (entry.alarm != 0 || entry.output != 0)
                prepared.reducedDropped = true;
        }
    }

    const configimage::BuildResult built = configimage::buildImage(prepared.fitted, model.entries);
    prepared.image = built.image;
    if (!built.ok()) {
        prepared.problem = FieldProblem{FieldProblem::Kind::Empty, built.emptyField};
        return prepared;
    }
    const int separator = configimage::fieldWithSeparator(prepared.fitted, model.entries);
    if (separator >= 0)
        prepared.problem = FieldProblem{FieldProblem::Kind::Separator, separator};
    return prepared;
}

int downloadProgressMaximum(const QString &image)
{
    return int(image.size()) + 15;
}

Downloaded download(ModuleSession &session, const QString &image, char ackChar, const Control &control)
{
    Downloaded result;
    if (control.cancelled()) {
        result.failure = Failure::Cancelled;
        return result;
    }
    // The progress value is 15 before the first byte and one more for every
    // byte after it; the byte on which the line went away did not go.
    int bytesOut = 0;
    bool lost = false;
    Control counted = control;
    counted.sendProgress = [&](int value) {
        if (!lost) {
            lost = session.lineLost();
            bytesOut = std::max(0, value - (lost ? 16 : 15));
        }
        return control.sendProgress ? control.sendProgress(value) : true;
    };
    const QByteArray wire = configimage::wireBytes(image);
    result.records = int(image.count(configimage::kSeparator));
    result.failure = session.writeRecords(wire, ackChar, counted.sending(), &result.reached);
    result.lineLost = session.lineLost();
    result.recordsSent = std::min(result.records, bytesOut / (configimage::kRecordLength + 1));
    return result;
}

int recordCharacters(int entries)
{
    return recordCount(entries) * configimage::kRecordLength;
}

ReadOut readout(ModuleSession &session, const modulemodel::Model &model, const Control &control)
{
    ReadOut result;
    if (control.cancelled()) {
        result.failure = Failure::Cancelled;
        return result;
    }
    const auto records = session.readRecords(control.reading(), recordCount(model.entries));
    result.lineLost = session.lineLost();
    result.flooded = session.flooded();
    if (!records.ok()) {
        result.failure = records.failure;
        return result;
    }
    // Only the model's whole record set is read: noise, a cut answer or a
    // set of another size never becomes a configuration in part.
    result.image = configimage::normalizeReply(records.value);
    result.recordProblem = configimage::recordSetProblem(result.image, model.entries);
    const std::optional<Configuration> parsed =
        result.recordProblem ? std::nullopt : configimage::parseImage(result.image, model.entries);
    if (!parsed) {
        using Kind = configimage::RecordSetProblem::Kind;
        result.failure = Failure::BadAnswer;
        result.incomplete = !result.recordProblem || result.recordProblem->kind == Kind::TooFew
            || result.recordProblem->kind == Kind::EndedEarly;
        return result;
    }
    result.configuration = parsed->fittedToForm();
    return result;
}

Verified verify(ModuleSession &session, const QString &image, int entries, const Control &control)
{
    Verified result;
    if (control.cancelled()) {
        result.failure = Failure::Cancelled;
        return result;
    }
    const auto records = session.readRecords(control.reading(), recordCount(entries));
    result.lineLost = session.lineLost();
    result.flooded = session.flooded();
    if (!records.ok()) {
        result.failure = records.failure;
        return result;
    }
    result.stored = configimage::normalizeReply(records.value);
    result.differences = configimage::differences(image, result.stored);
    // The whole answer against the whole image: the record lists above drop
    // the empty part after the last separator, so they miss a missing end.
    result.exact = result.stored == configimage::asSent(image);
    result.endedEarly = !result.stored.endsWith(configimage::kSeparator);
    return result;
}

moduleprotocol::ModuleSession::Silence settleAfterRecords(ModuleSession &session, int baudRate)
{
    // Ten bit times a byte: the longest answer from its first byte, and one
    // read wait more for the silence that ends it.
    const qint64 bytes = modulecommands::kRecordsAnswerLimit;
    const qint64 wait = moduleprotocol::kRecordsWaits.readMultiplier + moduleprotocol::kRecordsWaits.readConstant;
    return session.awaitSilence(bytes * 10 * 1000 / std::max(baudRate, 1) + wait);
}

} // namespace moduleoperations
