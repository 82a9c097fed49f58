#pragma once

// A configuration as a plain value: the sixteen general texts in record
// order and the 128 telephone entries. Files are read into one and written
// from one, and the module's record image is built from one and read back
// into one; the window only moves it into and out of its form.

#include "document/configfile.h"
#include "document/generalfields.h"
#include "document/modulemodel.h"

#include <QtCore/QHash>
#include <QtCore/QString>

#include <array>
#include <optional>

struct Configuration
{
    std::array<QString, generalfields::kFields.size()> general;
    std::array<configfile::TelephoneEntry, configfile::kTelephoneEntries> telephones;

    // Keys 2n - 1 (alarm digit) and 2n (output digit) of entries 1 … count,
    // as the telephone check boxes' "group" properties count them.
    QHash<int, int> keyValues(int count = configfile::kTelephoneEntries) const;
    // Digits from the key values of ticked boxes; keys without any count 0.
    void setDigits(const QHash<int, int> &keys);

    bool operator==(const Configuration &o) const;

    // As a reduced model takes it: its placeholders in, every right cleared.
    void reduceForModel();

    // What the window's form holds of this configuration, whatever the
    // module: every value cut to its field, each digit to the two boxes that
    // show it. A file and a read-out are shown so, and a save keeps it.
    Configuration fittedToForm() const;
    // What a module of this model gets of the configuration: as the form
    // holds it, and on a reduced model its placeholders and no rights, in
    // whichever order the file and the module came. A download sends this.
    Configuration fittedTo(const modulemodel::Model &model) const;
};

namespace configfile {

// The 144 lines of a file.
QStringList toLines(const Configuration &configuration);
// Lines 1 … 144 as read (information lines are the caller's); nothing when
// fewer than 144 lines are there.
std::optional<Configuration> fromLines(const QStringList &lines);

// A value that a file cannot hold: a whole "---" ends the file when it is
// read, and a line break starts a new line. Only a module can put either into
// a configuration.
struct UnsavableField
{
    enum class Reason { Terminator, LineBreak };
    int field = -1;   // 0 … 15 the general fields, 16 + n - 1 telephone number n
    Reason reason = Reason::LineBreak;
};
// The first such value: a "---" among the general fields, then a line break
// among them, then one in the numbers.
std::optional<UnsavableField> unsavableField(const Configuration &configuration);

} // namespace configfile
