#pragma once

// Where a handover sheet's contents come from: a version in the site
// register, or a configuration (the window's form, a file) with the site the
// register knows its module by. The register's questions run on the caller's
// thread, the window's register thread or the tool's own.

#include "sheet/handoversheet.h"

#include <QtCore/QString>

#include <optional>

namespace siteregister {
class SiteRegister;
}

namespace handover {

// Version `version` of a site: the configuration as downloaded, read or
// found, and the changes since the site's previous version with a copy.
// Nothing, with the reason, for a version without a copy.
std::optional<Sheet> sheetOfVersion(siteregister::SiteRegister &site, qint64 siteId, int version, QString *problem);

// A configuration for a module of `memory` (0 when not known) whose "~|"
// answer is `identification` (empty when not known). When the register
// (which may be null) knows the module, its site, and what changes against
// the site's newest version with a copy.
Sheet sheetOfConfiguration(siteregister::SiteRegister *site, const Configuration &configuration, int memory,
                           const QString &identification, const QString &source);

// The installer's name kept for this login; empty when none is.
QString keptInstallerName(siteregister::SiteRegister *site);

} // namespace handover
