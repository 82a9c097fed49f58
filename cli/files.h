#pragma once

// The files the tool reads and writes besides the port.

#include "cli/cli.h"
#include "cli/options.h"
#include "document/configuration.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>

#include <optional>

namespace cli {

struct LoadedFile
{
    QByteArray bytes;
    QStringList lines;
    Configuration configuration;
};

// The configuration file, or nothing after a message on standard error.
std::optional<LoadedFile> loadFile(const QString &path, Streams &streams);
// Opens a plain file for reading, or says on standard error why not: a
// missing or unreadable file, or a path that is no file (a folder, a named
// pipe, a device), which is never waited on.
bool openForReading(QFile &file, const QString &path, Streams &streams);
// readout and export-csv write over an existing file only when asked to.
int refuseOverwrite(const QString &path, const Options &o, Streams &streams);

} // namespace cli
