// The module session's own logic against the simulated module in the same
// process: what each answer means, where answers are cut, early ends, record
// sets that stop short and a line that goes away. No pseudo-terminal, no waits.

#include "support/coretestsupport.h"

#include "imagetesthelpers.h"
#include "serial/modulecommands.h"
#include "serial/moduleprotocol.h"
#include "sim/inprocessline.h"
#include "sim/simulatedmodule.h"
#include "transfer/moduleoperations.h"

namespace {

using Fault = SimulatorOptions::Fault;
using moduleprotocol::Failure;
using moduleprotocol::ModuleSession;
using moduleprotocol::WriteStage;
namespace ops = moduleoperations;

// One fresh module, its line and a session on it.
struct Bench
{
    explicit Bench(const SimulatorOptions &options = {}) : module(options), line(module), session(line) {}
    SimulatedModule module;
    InProcessLine line;
    ModuleSession session;
};

SimulatorOptions withFault(Fault fault, int memory = 32)
{
    SimulatorOptions options;
    options.memorySize = memory;
    options.fault = fault;
    return options;
}

Configuration sample()
{
    Configuration configuration;
    const QStringList general = imagetest::sampleGeneral();
    for (int i = 0; i < general.size(); ++i)
        configuration.general[size_t(i)] = general.at(i);
    configuration.telephones[0] = {3, 1, QStringLiteral("36201234567")};
    configuration.telephones[31] = {0, 2, QStringLiteral("+3630999")};
    return configuration;
}

int recordBytes(int records)
{
    return records * (configimage::kRecordLength + 1);
}

} // namespace

class TestSessionLine : public QObject
{
    Q_OBJECT

private slots:
    void identifiesEveryModel_data();
    void identifiesEveryModel();
    void toolTakesOnlyWholeAnswersOfKnownModels_data();
    void toolTakesOnlyWholeAnswersOfKnownModels();
    void answersEndAtTheirLimit_data();
    void answersEndAtTheirLimit();
    void earlyEndsStopAtTheKnownEnd_data();
    void earlyEndsStopAtTheKnownEnd();
    void shortOrCutRecordSets_data();
    void shortOrCutRecordSets();
    void onlyWholeRecordSetsAreRead_data();
    void onlyWholeRecordSetsAreRead();
    void leftoverBytesAreNoAnswer_data();
    void leftoverBytesAreNoAnswer();
    void stopAtEveryByteTellsWhatWasStored();
    void stoppedReadingIsReadToItsEnd();
    void downloadOutcomes_data();
    void downloadOutcomes();
    void readOutShowsWhatAReducedModuleHolds();
    void statusAndOutputsWithTheirWaits();
};

void TestSessionLine::identifiesEveryModel_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("programMode");
    QTest::addColumn<int>("windowMemory");   // what the window takes the memory size for
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("reduced");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<int>("refusal");        // what kordavo-cli makes of it
    using R = ops::Refusal;
    QTest::newRow("32") << 32 << QByteArray("Qzv") << int(Fault::None) << true << 32 << 32 << false << "cfg_i32.dll" << int(R::None);
    QTest::newRow("128") << 128 << QByteArray("Qzv") << int(Fault::None) << true << 128 << 128 << false << "cfg_i32.dll" << int(R::None);
    QTest::newRow("reduced 31") << 31 << QByteArray("KDV") << int(Fault::None) << true << 31 << 32 << true << "cfg_i31.dll" << int(R::None);
    QTest::newRow("reduced 127") << 127 << QByteArray("Qzv") << int(Fault::None) << true << 127 << 128 << true << "cfg_i31.dll" << int(R::None);
    QTest::newRow("other size 64") << 64 << QByteArray("KDV") << int(Fault::None) << true << 64 << 32 << false << "cfg_i31.dll" << int(R::UnknownModel);
    // "Qzv_GSM4_12" of a 128-number module: the window takes "1" (its last
    // character is the terminator it expects); the tool takes nothing.
    QTest::newRow("cut identification") << 128 << QByteArray("Qzv") << int(Fault::CutIdentification) << true << 1 << 32 << false << "cfg_i31.dll" << int(R::Incomplete);
    QTest::newRow("CR LF ending") << 128 << QByteArray("Qzv") << int(Fault::CrLfEndings) << true << 128 << 128 << false << "cfg_i32.dll" << int(R::None);
    QTest::newRow("wrong prefix") << 32 << QByteArray("Qzv") << int(Fault::WrongPrefix) << false << 0 << 32 << false << "" << int(R::Foreign);
    QTest::newRow("lower case") << 128 << QByteArray("Qzv") << int(Fault::LowerCasePrefix) << false << 0 << 32 << false << "" << int(R::Foreign);
    QTest::newRow("silent") << 32 << QByteArray("Qzv") << int(Fault::Silent) << false << 0 << 32 << false << "" << int(R::Silent);
    QTest::newRow("line cut halfway") << 32 << QByteArray("Qzv") << int(Fault::DropMidAnswer) << false << 0 << 32 << false << "" << int(R::LineLost);
    QTest::newRow("flooding") << 32 << QByteArray("Qzv") << int(Fault::Chatter) << false << 0 << 32 << false << "" << int(R::Flooded);
}

void TestSessionLine::identifiesEveryModel()
{
    QFETCH(int, memory);
    QFETCH(QByteArray, prefix);
    QFETCH(int, fault);
    QFETCH(bool, programMode);
    QFETCH(int, windowMemory);
    QFETCH(int, entries);
    QFETCH(bool, reduced);
    QFETCH(QString, picture);
    QFETCH(int, refusal);
    SimulatorOptions options = withFault(Fault(fault), memory);
    options.prefix = prefix;
    Bench bench(options);

    const ops::Identified identified = ops::identify(bench.session);
    QCOMPARE(identified.inProgramMode(), programMode);
    QCOMPARE(int(identified.refusal), refusal);
    QCOMPARE(identified.known(), ops::Refusal(refusal) == ops::Refusal::None);
    QCOMPARE(bench.line.sent(), QByteArray("~|"));
    QCOMPARE(bench.line.readWaits(), QList<int>{200});
    QCOMPARE(bench.session.portName(), QStringLiteral("in-process"));
    if (!programMode) {
        QCOMPARE(identified.failure, Failure::BadAnswer);
        // A cut answer would still start with "Qzv": nothing of it counts.
        QCOMPARE(identified.answer.answer.isEmpty(), Fault(fault) == Fault::Silent || Fault(fault) == Fault::DropMidAnswer
                                                          || Fault(fault) == Fault::Chatter);
        QCOMPARE(bench.session.lineLost(), Fault(fault) == Fault::DropMidAnswer);
        return;
    }
    QCOMPARE(identified.memory, windowMemory);
    QCOMPARE(identified.answer.memoryField, QString::number(windowMemory));
    // A line feed after the terminator is no part of the answer's text.
    QCOMPARE(identified.answer.text.contains(QLatin1Char('\r')), false);
    QCOMPARE(identified.model.entries, entries);
    QCOMPARE(identified.model.reduced, reduced);
    QCOMPARE(identified.model.picture, picture);
    QVERIFY(bench.module.programMode());

    QCOMPARE(ops::leave(bench.session), Failure::None);
    QVERIFY(!bench.module.programMode());
    QVERIFY(!bench.line.opened());
}

void TestSessionLine::answersEndAtTheirLimit_data()
{
    QTest::addColumn<int>("identificationBytes");   // terminator included; 0: the usual one
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("identified");
    QTest::addColumn<bool>("recordsRead");
    const int limit = modulecommands::kShortAnswerLimit;
    QTest::newRow("at the limit") << limit << int(Fault::None) << true << true;
    QTest::newRow("one byte over") << limit + 1 << int(Fault::None) << false << true;
    QTest::newRow("endless noise") << 0 << int(Fault::Chatter) << false << false;
}

void TestSessionLine::answersEndAtTheirLimit()
{
    QFETCH(int, identificationBytes);
    QFETCH(int, fault);
    QFETCH(bool, identified);
    QFETCH(bool, recordsRead);
    SimulatorOptions options = withFault(Fault(fault), 128);
    if (identificationBytes > 0) {
        const QByteArray head = "Qzv_";
        const QByteArray tail = "_128";
        options.identification = head + QByteArray(identificationBytes - 1 - head.size() - tail.size(), 'x') + tail;
    }
    Bench bench(options);

    const auto identity = bench.session.identify();
    QCOMPARE(identity.ok(), identified);
    QCOMPARE(bench.line.overflowed(), !identified);
    if (identified)
        QCOMPARE(identity.value.answer.size(), identificationBytes);
    // Whatever the identification did, the module is in programming mode:
    // the records answer has a limit of its own, which the largest module fits.
    const auto records = bench.session.readRecords();
    QCOMPARE(records.ok(), recordsRead);
    QCOMPARE(bench.line.overflowed(), !recordsRead);
    if (recordsRead)
        QCOMPARE(records.value.size(), recordBytes(28 + 128) + 1);
    QVERIFY(!bench.session.lineLost());
}

void TestSessionLine::earlyEndsStopAtTheKnownEnd_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("earlyEnd");
    QTest::addColumn<int>("entries");        // the records the session asks for: 28 + entries
    QTest::addColumn<int>("expectedBytes");
    const int junk = int(qstrlen("GSM MODUL V4.1 OK\r\r"));
    QTest::newRow("32, silence ends") << 32 << int(Fault::None) << false << 32 << recordBytes(60) + 1;
    QTest::newRow("32, early end") << 32 << int(Fault::None) << true << 32 << recordBytes(60) + 1;
    // A module with 128 numbers read in 32 mode: the answer ends after 60 records and one byte.
    QTest::newRow("128 read as 32, early end") << 128 << int(Fault::None) << true << 32 << recordBytes(60) + 1;
    QTest::newRow("128 read as 32, silence ends") << 128 << int(Fault::None) << false << 32 << recordBytes(156) + 1;
    // Counting starts again after the empty line, as the reply's normalisation reads it.
    QTest::newRow("junk first, early end") << 32 << int(Fault::JunkBeforeRecords) << true << 32 << junk + recordBytes(60) + 1;
}

void TestSessionLine::earlyEndsStopAtTheKnownEnd()
{
    QFETCH(int, memory);
    QFETCH(int, fault);
    QFETCH(bool, earlyEnd);
    QFETCH(int, entries);
    QFETCH(int, expectedBytes);
    SimulatorOptions options = withFault(Fault(fault), memory);
    options.outputs = 0xF;
    Bench bench(options);
    bench.session.setEarlyEnd(earlyEnd);
    QVERIFY(bench.session.identify().ok());

    int counted = 0;
    const auto records = bench.session.readRecords([&counted](int step) { counted += step; return true; }, 28 + entries);
    QVERIFY(records.ok());
    QCOMPARE(records.value.size(), expectedBytes);
    QCOMPARE(counted, int(records.value.size() - records.value.count(QLatin1Char('\r'))));
    const auto parsed = configimage::parseImage(configimage::normalizeReply(records.value), entries);
    QVERIFY(parsed);
    QCOMPARE(parsed->general[0], QStringLiteral("36309888000"));
    QCOMPARE(parsed->telephones[0].number, QStringLiteral("36201234567"));

    // What an early end leaves unread is not taken for the next answer: the
    // outputs come from the states answer, not from a record.
    const auto states = bench.session.readStates();
    QVERIFY(states.ok());
    QCOMPARE(states.value.outputs, OutputMask::fromBits(0xF));
}

void TestSessionLine::shortOrCutRecordSets_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<qint64>("goneAfter");   // answer bytes before the line goes; -1: it stays
    QTest::addColumn<bool>("incomplete");
    QTest::addColumn<bool>("lineLost");
    QTest::newRow("half the records, then silence") << int(Fault::HalfRecords) << qint64(-1) << true << false;
    QTest::newRow("module drops the line halfway") << int(Fault::DropDuringTransfer) << qint64(-1) << false << true;
    QTest::newRow("adapter pulled after 5 records") << int(Fault::None) << qint64(5 * 17 + 3) << false << true;
}

void TestSessionLine::shortOrCutRecordSets()
{
    QFETCH(int, fault);
    QFETCH(qint64, goneAfter);
    QFETCH(bool, incomplete);
    QFETCH(bool, lineLost);
    Bench bench(withFault(Fault(fault)));
    const modulemodel::Model model = ops::identify(bench.session).model;
    QVERIFY(bench.module.programMode());
    if (goneAfter >= 0)
        bench.line.goAwayAfter(goneAfter);

    const ops::ReadOut readout = ops::readout(bench.session, model);
    QCOMPARE(readout.failure, Failure::BadAnswer);
    QVERIFY(!readout.configuration);
    QCOMPARE(readout.incomplete, incomplete);
    QCOMPARE(readout.lineLost, lineLost);

    // Verify never calls a short record set a match.
    if (!lineLost) {
        const ops::Prepared prepared = ops::prepare(sample(), model);
        const ops::Verified verified = ops::verify(bench.session, prepared.image, model.entries);
        QVERIFY(verified.ok());
        QVERIFY(!verified.matches());
        QVERIFY(!verified.differences.constLast().stored);
        return;
    }
    // A line that went away stays away: the next command cannot open it.
    QCOMPARE(ops::identify(bench.session).failure, Failure::PortNotOpened);
}

void TestSessionLine::downloadOutcomes_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("reached");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("lineLost");
    QTest::newRow("32 stored") << 32 << int(Fault::None) << int(Failure::None) << int(WriteStage::RecordsSent) << true << false;
    QTest::newRow("128 stored") << 128 << int(Fault::None) << int(Failure::None) << int(WriteStage::RecordsSent) << true << false;
    QTest::newRow("not ready") << 32 << int(Fault::NoReadyAnswer) << int(Failure::BadAnswer) << int(WriteStage::NotReady) << false << false;
    QTest::newRow("not acknowledged") << 32 << int(Fault::NoAck) << int(Failure::BadAnswer) << int(WriteStage::RecordsSent) << false << false;
    QTest::newRow("line dropped halfway") << 128 << int(Fault::DropDuringTransfer) << int(Failure::BadAnswer) << int(WriteStage::RecordsSent) << false << true;
}

void TestSessionLine::downloadOutcomes()
{
    QFETCH(int, memory);
    QFETCH(int, fault);
    QFETCH(int, failure);
    QFETCH(int, reached);
    QFETCH(bool, stored);
    QFETCH(bool, lineLost);
    Bench bench(withFault(Fault(fault), memory));
    const modulemodel::Model model = ops::identify(bench.session).model;
    const QStringList before = bench.module.storedRecords();
    const ops::Prepared prepared = ops::prepare(sample(), model);
    QVERIFY(prepared.ok());
    bench.line.clearLog();

    int lastProgress = 0;
    ops::Control control;
    control.sendProgress = [&lastProgress](int value) { lastProgress = value; return true; };
    const ops::Downloaded downloaded = ops::download(bench.session, prepared.image, 'O', control);
    QCOMPARE(int(downloaded.failure), failure);
    QCOMPARE(int(downloaded.reached), reached);
    QCOMPARE(downloaded.lineLost, lineLost);
    // Both answers of "~}" are read with the storing wait.
    QCOMPARE(bench.line.readWaits().first(), 5000);
    if (WriteStage(reached) == WriteStage::NotReady) {
        QCOMPARE(bench.line.sent(), QByteArray("~}"));
        QCOMPARE(bench.module.storedRecords(), before);
        return;
    }
    const QByteArray wire = configimage::wireBytes(prepared.image);
    if (lineLost) {
        // The bytes after the cut never left; the module kept what it had.
        QVERIFY(bench.line.sent().size() < 2 + wire.size());
        QVERIFY(wire.startsWith(bench.line.sent().mid(2)));
        QCOMPARE(bench.module.storedRecords(), before);
        return;
    }
    QCOMPARE(bench.line.sent(), "~}" + wire);
    // One step per byte after the 15 of "ready": the closing CR counts one
    // past the bar's end, which the bar leaves unshown.
    QCOMPARE(lastProgress, ops::downloadProgressMaximum(prepared.image) + 1);
    QCOMPARE(bench.line.readWaits(), (QList<int>{5000, 5000}));
    if (!stored) {
        QCOMPARE(bench.module.storedRecords(), before);
        return;
    }
    // What went down comes back up as the same configuration.
    const ops::ReadOut readout = ops::readout(bench.session, model);
    QVERIFY(readout.ok());
    Configuration expected = prepared.fitted;
    expected.general[7] = QStringLiteral("0005");   // the relay time as its record holds it
    QCOMPARE(*readout.configuration, expected);
    QCOMPARE(bench.line.readWaits().constLast(), 700);
    QVERIFY(ops::verify(bench.session, prepared.image, model.entries).matches());
}

void TestSessionLine::readOutShowsWhatAReducedModuleHolds()
{
    // Names and rights in a reduced module (stored before, or by another
    // tool) come back as they are: only what is sent to it is fitted.
    Bench bench(withFault(Fault::None, 31));
    const modulemodel::Model model = ops::identify(bench.session).model;
    QVERIFY(model.reduced);
    bench.module.setStoredRecords(imagetest::records(configimage::buildImage(sample(), 32).image));
    const ops::ReadOut readout = ops::readout(bench.session, model);
    QVERIFY(readout.ok());
    Configuration expected = sample();
    expected.general[7] = QStringLiteral("0005");   // the relay time as its record holds it
    QCOMPARE(*readout.configuration, expected);
}

void TestSessionLine::statusAndOutputsWithTheirWaits()
{
    SimulatorOptions options;
    options.memorySize = 127;
    options.input2Active = true;
    options.signal = 12;
    options.service = "Pannon GSM";
    Bench bench(options);

    const ops::Status status = ops::status(bench.session);
    QVERIFY(status.ok());
    QCOMPARE(bench.line.sent(), QByteArray("~|~R~S"));
    // The signal answer gets the module's longer wait; the others the command wait.
    QCOMPARE(bench.line.readWaits(), (QList<int>{200, 200, 5000}));
    QCOMPARE(status.memory, 127);
    QVERIFY(!status.states.input1Active);
    QVERIFY(status.states.input2Active);
    QCOMPARE(status.signal.raw, 12);
    QCOMPARE(status.signal.strength, 9);
    QCOMPARE(status.signal.service, QStringLiteral("PannonGSM"));

    // Every mask goes out as its digit and comes back from the states answer.
    for (int bits = 0; bits < 16; ++bits) {
        const OutputMask states = OutputMask::fromBits(unsigned(bits));
        bench.line.clearLog();
        QCOMPARE(ops::setOutputs(bench.session, states), Failure::None);
        QCOMPARE(bench.line.sent(), QByteArray("~") + QByteArray::number(bits, 16).toUpper());
        QCOMPARE(int(bench.module.outputs()), bits);
        const auto read = ops::outputStates(bench.session);
        QVERIFY(read.ok());
        QCOMPARE(read.value.outputs, states);
    }

    // A states answer cut short by a line that goes away is no answer.
    SimulatorOptions cut = options;
    cut.fault = Fault::DropMidAnswer;
    bench.module.setOptions(cut);
    QCOMPARE(ops::outputStates(bench.session).failure, Failure::BadAnswer);
    QVERIFY(bench.session.lineLost());
}

void TestSessionLine::toolTakesOnlyWholeAnswersOfKnownModels_data()
{
    QTest::addColumn<QByteArray>("answer");      // the whole identification as the module sends it
    QTest::addColumn<bool>("earlyEnd");
    QTest::addColumn<int>("refusal");
    using R = ops::Refusal;
    for (const bool early : {false, true}) {
        const char *mode = early ? "fast" : "silence";
        QTest::addRow("%s: 128", mode) << QByteArray("Qzv_GSM4_128\r") << early << int(R::None);
        QTest::addRow("%s: 31 with CR LF", mode) << QByteArray("KDV_GSM4_31\r\n") << early << int(R::None);
        QTest::addRow("%s: cut to _12", mode) << QByteArray("Qzv_GSM4_12") << early << int(R::Incomplete);
        QTest::addRow("%s: cut to _1", mode) << QByteArray("Qzv_GSM4_1") << early << int(R::Incomplete);
        QTest::addRow("%s: cut to Qzv_G", mode) << QByteArray("Qzv_G") << early << int(R::Incomplete);
        QTest::addRow("%s: empty field", mode) << QByteArray("Qzv_GSM4_\r") << early << int(R::UnknownModel);
        QTest::addRow("%s: 128x", mode) << QByteArray("Qzv_GSM4_128x\r") << early << int(R::UnknownModel);
        QTest::addRow("%s: -5", mode) << QByteArray("Qzv_GSM4_-5\r") << early << int(R::UnknownModel);
        QTest::addRow("%s: 99999999999", mode) << QByteArray("Qzv_GSM4_99999999999\r") << early << int(R::UnknownModel);
        QTest::addRow("%s: 64", mode) << QByteArray("Qzv_GSM4_64\r") << early << int(R::UnknownModel);
        QTest::addRow("%s: foreign", mode) << QByteArray("Xyz_GSM4_128\r") << early << int(R::Foreign);
    }
}

void TestSessionLine::toolTakesOnlyWholeAnswersOfKnownModels()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, earlyEnd);
    QFETCH(int, refusal);
    SimulatorOptions options;
    options.memorySize = 128;
    options.input1Active = true;
    const int end = int(answer.size() - (answer.endsWith("\r\n") ? 2 : answer.endsWith('\r') ? 1 : 0));
    options.identification = answer.left(end);
    options.identificationEnd = answer.mid(end);
    Bench bench(options);
    bench.session.setEarlyEnd(earlyEnd);

    const ops::Identified identified = ops::identify(bench.session);
    QCOMPARE(int(identified.refusal), refusal);
    QCOMPARE(identified.answer.complete, ops::Refusal(refusal) != ops::Refusal::Incomplete);
    // The window's status query asks only for a number; the tool's for a known model.
    const ops::Status status = ops::status(bench.session, {}, {}, true);
    QCOMPARE(int(status.refusal), refusal);
    QCOMPARE(status.ok(), ops::Refusal(refusal) == ops::Refusal::None);
    if (status.ok()) {
        // The line feed of an answer that ends in CR LF is not the next answer's first byte.
        QVERIFY(status.states.input1Active);
        QVERIFY(!status.states.input2Active);
    } else {
        QCOMPARE(status.reached, ops::Status::Step::Identify);
    }
}

void TestSessionLine::onlyWholeRecordSetsAreRead_data()
{
    QTest::addColumn<int>("memory");         // the module's
    QTest::addColumn<int>("entries");        // the model it is read as
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("longRecord");     // a stored record made 17 characters long; -1: none
    QTest::addColumn<bool>("earlyEnd");
    QTest::addColumn<int>("problem");        // -1: a whole set
    QTest::addColumn<int>("badRecord");
    using K = configimage::RecordSetProblem::Kind;
    for (const bool early : {false, true}) {
        const char *mode = early ? "fast" : "silence";
        QTest::addRow("%s: whole set", mode) << 32 << 32 << int(Fault::None) << -1 << early << -1 << -1;
        QTest::addRow("%s: junk and an empty line first", mode) << 32 << 32 << int(Fault::JunkBeforeRecords) << -1 << early << -1 << -1;
        QTest::addRow("%s: noise without a line end first", mode) << 128 << 128 << int(Fault::NoiseBeforeRecords) << -1 << early << int(K::RecordLength) << 0;
        QTest::addRow("%s: a record one character long", mode) << 32 << 32 << int(Fault::None) << 33 << early << int(K::RecordLength) << 33;
        QTest::addRow("%s: no closing character", mode) << 32 << 32 << int(Fault::NoClosingCharacter) << -1 << early << int(K::EndedEarly) << -1;
        QTest::addRow("%s: half the records", mode) << 32 << 32 << int(Fault::HalfRecords) << -1 << early << int(K::EndedEarly) << -1;
    }
    // Read until silence, a 128-number module read as a 32-number one
    // sends more records than the model holds; cut short, they would lose numbers 33 to 128.
    QTest::newRow("silence: 128 read as 32") << 128 << 32 << int(Fault::None) << -1 << false << int(K::TooMany) << -1;
    QTest::newRow("silence: 32 read as 128") << 32 << 128 << int(Fault::None) << -1 << false << int(K::TooFew) << -1;
}

void TestSessionLine::onlyWholeRecordSetsAreRead()
{
    QFETCH(int, memory);
    QFETCH(int, entries);
    QFETCH(int, fault);
    QFETCH(int, longRecord);
    QFETCH(bool, earlyEnd);
    QFETCH(int, problem);
    QFETCH(int, badRecord);
    Bench bench(withFault(Fault(fault), memory));
    bench.session.setEarlyEnd(earlyEnd);
    QVERIFY(ops::identify(bench.session).inProgramMode());
    if (longRecord >= 0) {
        QStringList records = bench.module.storedRecords();
        records[longRecord] += QLatin1Char('7');
        bench.module.setStoredRecords(records);
    }
    const modulemodel::Model model = modulemodel::modelFor(entries);

    const ops::ReadOut readout = ops::readout(bench.session, model);
    QCOMPARE(readout.ok(), problem < 0);
    QCOMPARE(readout.configuration.has_value(), problem < 0);
    QCOMPARE(readout.recordProblem.has_value(), problem >= 0);
    if (problem >= 0) {
        QCOMPARE(readout.failure, Failure::BadAnswer);
        QCOMPARE(int(readout.recordProblem->kind), problem);
        if (badRecord >= 0)
            QCOMPARE(readout.recordProblem->record, badRecord);
    }

    // Verify compares the normalised answer with the image exactly.
    Configuration stored;
    if (const auto parsed = configimage::parseImage(configimage::normalizeReply(bench.module.storedRecords().join(QLatin1Char('\r')) + "\r\r"), model.entries))
        stored = *parsed;
    stored.general[7] = QStringLiteral("5");
    const ops::Prepared prepared = ops::prepare(stored, model);
    const ops::Verified verified = ops::verify(bench.session, prepared.image, model.entries);
    QVERIFY(verified.ok());
    QCOMPARE(verified.matches(), problem < 0);
    QCOMPARE(verified.exact, problem < 0);
    QCOMPARE(verified.endedEarly, problem == int(configimage::RecordSetProblem::Kind::EndedEarly));
    if (Fault(fault) == Fault::NoClosingCharacter)
        QVERIFY(verified.differences.isEmpty());   // every record is right: only the end is missing
}

void TestSessionLine::leftoverBytesAreNoAnswer_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("earlyEnd");
    QTest::addColumn<bool>("stored");
    QTest::newRow("CR LF, silence") << int(Fault::CrLfEndings) << false << true;
    QTest::newRow("CR LF, fast") << int(Fault::CrLfEndings) << true << true;
    QTest::newRow("stale O, silence") << int(Fault::StaleAnswer) << false << false;
    QTest::newRow("stale O, fast") << int(Fault::StaleAnswer) << true << false;
}

void TestSessionLine::leftoverBytesAreNoAnswer()
{
    QFETCH(int, fault);
    QFETCH(bool, earlyEnd);
    QFETCH(bool, stored);
    SimulatorOptions options = withFault(Fault(fault), 32);
    options.input1Active = true;
    options.outputs = 0x5;
    Bench bench(options);
    bench.session.setEarlyEnd(earlyEnd);

    const ops::Status status = ops::status(bench.session, {}, {}, true);
    QVERIFY(status.ok());
    QVERIFY(status.states.input1Active);
    QVERIFY(!status.states.input2Active);
    QCOMPARE(status.states.outputs, OutputMask::fromBits(0x5));
    QCOMPARE(status.signal.service, QStringLiteral("TelenorHU"));

    const modulemodel::Model model = ops::identify(bench.session).model;
    const QStringList before = bench.module.storedRecords();
    const ops::Prepared prepared = ops::prepare(sample(), model);
    const ops::Downloaded downloaded = ops::download(bench.session, prepared.image, 'O');
    QCOMPARE(downloaded.ok(), stored);
    QCOMPARE(downloaded.reached, WriteStage::RecordsSent);
    QCOMPARE(bench.module.storedRecords() != before, stored);
    QCOMPARE(ops::readout(bench.session, model).ok(), true);
}

void TestSessionLine::stopAtEveryByteTellsWhatWasStored()
{
    const ops::Prepared prepared = ops::prepare(sample(), modulemodel::modelFor(32));
    const int wireBytes = int(configimage::wireBytes(prepared.image).size());
    int unknown = 0;
    for (int stopAt = 0; stopAt <= wireBytes; ++stopAt) {
        Bench bench;
        bench.session.setEarlyEnd(true);
        QVERIFY(ops::identify(bench.session).inProgramMode());
        const QStringList before = bench.module.storedRecords();
        // Call 0 is the module's "ready", call k the k-th byte sent.
        int calls = 0;
        ops::Control control;
        control.sendProgress = [&calls, stopAt](int) { return calls++ != stopAt; };
        const ops::Downloaded downloaded = ops::download(bench.session, prepared.image, 'O', control);
        const bool storedNow = bench.module.storedRecords() != before;
        const QByteArray context = QByteArray::number(stopAt);
        // "Nothing was stored" is said only while the module cannot have stored the set.
        if (downloaded.reached != WriteStage::RecordsSent)
            QVERIFY2(!storedNow, context.constData());
        if (downloaded.ok())
            QVERIFY2(storedNow, context.constData());
        unknown += !downloaded.ok() && downloaded.reached == WriteStage::RecordsSent;
        // The module takes the next command as one, whatever was stopped.
        QCOMPARE(ops::leave(bench.session), Failure::None);
        QVERIFY2(!bench.module.programMode(), context.constData());
    }
    // The last record's last byte and its CR: the set is whole, its storing unknown.
    QCOMPARE(unknown, 2);
}

void TestSessionLine::stoppedReadingIsReadToItsEnd()
{
    Bench bench(withFault(Fault::None, 128));
    QVERIFY(ops::identify(bench.session).inProgramMode());
    int bytes = 0;
    ops::Control control;
    control.readProgress = [&bytes](int) { return ++bytes < 100; };
    QCOMPARE(ops::readout(bench.session, modulemodel::modelFor(128), control).failure, Failure::Cancelled);
    QVERIFY(!bench.module.answer().isEmpty());
    bench.line.clearLog();

    const ModuleSession::Silence settled = ops::settleAfterRecords(bench.session, 9600);
    QVERIFY(settled.silent);
    QCOMPARE(settled.discarded, qint64(recordBytes(156) + 1 - 100));
    QVERIFY(bench.module.answer().isEmpty());
    // Read with the records' wait; nothing is sent meanwhile.
    QCOMPARE(bench.line.readWaits(), QList<int>{700});
    QVERIFY(bench.line.sent().isEmpty());
}

KORDAVO_CORE_TEST_MAIN(TestSessionLine)
#include "tst_sessionline.moc"
