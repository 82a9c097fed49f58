// kordavo-modulesim: serves a simulated module on a pseudo-terminal until
// SIGINT or SIGTERM. The first line on stdout is the port to open in the tool.

#include "sim/modulesimulator.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QMap>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

const QMap<QString, SimulatorOptions::Fault> &faultNames()
{
    using Fault = SimulatorOptions::Fault;
    static const QMap<QString, Fault> names = {
        {QStringLiteral("none"), Fault::None},
        {QStringLiteral("silent"), Fault::Silent},
        {QStringLiteral("wrong-prefix"), Fault::WrongPrefix},
        {QStringLiteral("lower-case-prefix"), Fault::LowerCasePrefix},
        {QStringLiteral("no-ready"), Fault::NoReadyAnswer},
        {QStringLiteral("no-ack"), Fault::NoAck},
        {QStringLiteral("junk-before-records"), Fault::JunkBeforeRecords},
        {QStringLiteral("ff-padding"), Fault::FFPadding},
        {QStringLiteral("chatter"), Fault::Chatter},
        {QStringLiteral("drop-during-transfer"), Fault::DropDuringTransfer},
        {QStringLiteral("four-field-signal"), Fault::FourFieldSignal},
        {QStringLiteral("separator-in-record"), Fault::SeparatorInRecord},
        {QStringLiteral("cut-identification"), Fault::CutIdentification},
        {QStringLiteral("noise-before-records"), Fault::NoiseBeforeRecords},
        {QStringLiteral("stale-answer"), Fault::StaleAnswer},
        {QStringLiteral("crlf-endings"), Fault::CrLfEndings},
        {QStringLiteral("no-closing-character"), Fault::NoClosingCharacter},
    };
    return names;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "kordavo-modulesim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Blocked before any thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kordavo-modulesim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a Kordavo GSM module on a pseudo-terminal. Prints the port path on the\n"
        "first line of stdout; point the program's port at it. Stops on SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption memory(QStringLiteral("memory"), QStringLiteral("Memory size reported (32, 128, 31, 127, ...)."), QStringLiteral("n"), QStringLiteral("32"));
    const QCommandLineOption prefix(QStringLiteral("prefix"), QStringLiteral("Identification prefix."), QStringLiteral("text"), QStringLiteral("Qzv"));
    const QCommandLineOption ident(QStringLiteral("ident"), QStringLiteral("Whole identification text (without CR); overrides --prefix and --memory in the reply."), QStringLiteral("text"));
    const QCommandLineOption inputs(QStringLiteral("inputs"), QStringLiteral("Active inputs: any of 1 and 2, e.g. 12; 0 for none."), QStringLiteral("list"), QStringLiteral("0"));
    const QCommandLineOption outputs(QStringLiteral("outputs"), QStringLiteral("Initial output mask, hexadecimal 0 to F (bit k = output k + 1)."), QStringLiteral("mask"), QStringLiteral("0"));
    const QCommandLineOption stateLength(QStringLiteral("state-length"), QStringLiteral("Length of the ~R answer, CR included (15 or more)."), QStringLiteral("n"), QStringLiteral("15"));
    const QCommandLineOption signal(QStringLiteral("signal"), QStringLiteral("Signal strength in the ~S reply."), QStringLiteral("n"), QStringLiteral("7"));
    const QCommandLineOption service(QStringLiteral("service"), QStringLiteral("Service provider name in the ~S reply."), QStringLiteral("name"), QStringLiteral("Telenor HU"));
    const QCommandLineOption krv(QStringLiteral("krv"), QStringLiteral("Configuration file whose values are the initial stored records."), QStringLiteral("file"));
    const QCommandLineOption store(QStringLiteral("store"), QStringLiteral("File where downloaded records persist (read at start when present)."), QStringLiteral("file"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Pace answers as on a line of this baud rate (0 = as fast as possible)."), QStringLiteral("n"), QStringLiteral("0"));
    QStringList names = faultNames().keys();
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Misbehave on purpose: %1.").arg(names.join(QStringLiteral(", "))), QStringLiteral("name"), QStringLiteral("none"));
    parser.addOptions({memory, prefix, ident, inputs, outputs, stateLength, signal, service, krv, store, baud, fault});
    parser.process(app);

    SimulatorOptions options;
    bool ok = false;
    options.memorySize = parser.value(memory).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--memory needs a number"));
    options.prefix = parser.value(prefix).toLatin1();
    if (parser.isSet(ident))
        options.identification = parser.value(ident).toLatin1();
    const QString activeInputs = parser.value(inputs);
    for (const QChar c : activeInputs) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1') && c != QLatin1Char('2'))
            return fail(QStringLiteral("--inputs takes the digits 1 and 2, or 0"));
    }
    options.input1Active = activeInputs.contains(QLatin1Char('1'));
    options.input2Active = activeInputs.contains(QLatin1Char('2'));
    const uint mask = parser.value(outputs).toUInt(&ok, 16);
    if (!ok || mask > 0xF)
        return fail(QStringLiteral("--outputs takes one hexadecimal digit"));
    options.outputs = quint8(mask);
    options.stateLength = parser.value(stateLength).toInt(&ok);
    if (!ok || options.stateLength < 15)
        return fail(QStringLiteral("--state-length needs a number of 15 or more"));
    options.signal = parser.value(signal).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--signal needs a number"));
    options.service = parser.value(service).toLatin1();
    options.initialKrv = parser.value(krv);
    options.storeFile = parser.value(store);
    options.pacingBaud = parser.value(baud).toInt(&ok);
    if (!ok || options.pacingBaud < 0)
        return fail(QStringLiteral("--baud needs a number of 0 or more"));
    const QString faultName = parser.value(fault).toLower();
    if (!faultNames().contains(faultName))
        return fail(QStringLiteral("unknown fault \"%1\"; known: %2").arg(faultName, names.join(QStringLiteral(", "))));
    options.fault = faultNames().value(faultName);

    ModuleSimulator simulator(options);
    if (!simulator.start())
        return fail(simulator.errorString());
    std::printf("%s\n", qPrintable(simulator.devicePath()));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.stop();
    return 0;
}
