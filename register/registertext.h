#pragma once

// The register's texts are Hungarian in the code; a client that installs a
// translation (the tool's --lang en) shows them in its language.

#include <QtCore/QCoreApplication>

namespace siteregister {

class Text
{
    Q_DECLARE_TR_FUNCTIONS(siteregister::Text)
};

} // namespace siteregister
