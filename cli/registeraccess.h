#pragma once

// How the tool's register commands and its handover sheet reach the site
// register and name a site in it.

#include "cli/cli.h"
#include "cli/options.h"
#include "register/siteregister.h"

#include <memory>
#include <optional>

namespace cli {

// The register this command asks (--register, KORDAVO_REGISTER or the
// default file), opened; nothing after a message, with `code` saying why.
std::unique_ptr<siteregister::SiteRegister> openRegister(const Options &o, Streams &streams, int *code);
// SITE: a site's number or its name; nothing after a message.
std::optional<siteregister::SiteSummary> siteNamed(siteregister::SiteRegister &site, const QString &text,
                                                   Streams &streams, int *code);
// A version number as typed; nothing after a message.
std::optional<int> versionNumber(const QString &text, Streams &streams);

} // namespace cli
