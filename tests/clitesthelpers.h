#pragma once

// Runs kordavo-cli's commands in the test's own process.

#include "cli/cli.h"

#include <QtCore/QString>
#include <QtCore/QTextStream>

// One run's exit code, standard output and standard error apart.
struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

inline CliRun runCliApart(const QStringList &arguments)
{
    CliRun ran;
    QTextStream out(&ran.out);
    QTextStream err(&ran.err);
    ran.code = cli::run(arguments, {out, err, false});
    out.flush();
    err.flush();
    return ran;
}

// The exit code; `output` gets standard output followed by standard error.
inline int runCli(const QStringList &arguments, QString *output = nullptr)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = cli::run(arguments, {outStream, errStream, false});
    outStream.flush();
    errStream.flush();
    if (output)
        *output = out + err;
    return code;
}
