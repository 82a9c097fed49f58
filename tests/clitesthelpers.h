#pragma once

// Runs kordavo-cli's commands in the test's own process.

#include "cli/cli.h"

#include <QtCore/QString>
#include <QtCore/QTextStream>

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
