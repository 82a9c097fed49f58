#pragma once

// kordavo-cli's commands, each taking the parsed options and returning its exit code.

#include "cli/cli.h"
#include "cli/options.h"

namespace cli {

// Module commands: the transfers of a configuration file.
int commandDownloadOrVerify(const Options &o, Streams &streams, bool download);
int commandReadout(const Options &o, Streams &streams);

// Module commands: identification, states and outputs, ports.
int commandInfo(const Options &o, Streams &streams);
int commandStatus(const Options &o, Streams &streams);
int commandRelay(const Options &o, Streams &streams);
int commandPorts(const Options &o, Streams &streams);
PortSource &portSource();

// File commands.
int commandCheck(const Options &o, Streams &streams);
int commandExportCsv(const Options &o, Streams &streams);
int commandImportCsv(const Options &o, Streams &streams);

// The site register: register list, history, diff, find, shared, export,
// rename, address, note, merge.
int commandRegister(const Options &o, Streams &streams);
// The handover sheet of a site's version or of a file, as a PDF.
int commandSheet(const Options &o, Streams &streams);

} // namespace cli
