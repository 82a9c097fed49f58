#pragma once

// The sheet's texts are Hungarian in the code; kordavo-cli's --lang en
// turns them into English with the rest of its words.

#include <QtCore/QCoreApplication>

namespace handover {

class Text
{
    Q_DECLARE_TR_FUNCTIONS(handover::Text)
};

} // namespace handover
