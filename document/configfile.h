#pragma once

// The configuration file (.krv and the default configuration): 16 general
// lines, 128 telephone lines, CR LF between lines and none after the last,
// Windows-1250 text. Everything here works without a window.

#include "document/generalfields.h"
#include "document/modulemodel.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

class QFile;
class QIODevice;

namespace configfile {

constexpr int kGeneralLines = int(generalfields::kFields.size());
constexpr int kTelephoneEntries = modulemodel::kLargeMemory;
constexpr int kConfigurationLines = kGeneralLines + kTelephoneEntries;   // 144
// Lines 145 and 146 of the default configuration carry the information lines;
// nothing after them is ever used, so reading stops there.
constexpr int kMaxLinesRead = kConfigurationLines + 2;
// No field or information line needs more; longer lines are cut on reading.
constexpr int kMaxLineBytes = 4096;
// Bytes scanned at most for one file, so a huge file without line ends costs
// neither memory nor time.
constexpr qint64 kMaxBytesScanned = 1024 * 1024;

// Files are exchanged with the Hungarian Windows systems that made the
// existing ones, so the code page is Windows-1250 everywhere. Our own table
// gives the same result on every platform, ICU or not.
QString decode(const QByteArray &bytes);
// Characters that Windows-1250 cannot hold become "?".
QByteArray encode(const QString &text);

// Reads lines the way the loader needs them: CR LF or LF ends a line, a line
// of exactly "---" ends the file (and is kept), at most kMaxLinesRead lines.
// Always returns at least one line, so an empty or unreadable device gives
// one empty line.
QStringList readLines(QIODevice &device);
// Opens and reads the file; a file that cannot be opened gives one empty line.
QStringList readFile(const QString &path);

// What a path names. Only a plain file is read as a configuration or a
// list: a named pipe waits for a writer, a device never ends.
enum class PathKind { Missing, Regular, Directory, Pipe, Device, Other };
PathKind pathKind(const QString &path);
// Opens the path for reading only when it is a plain file, without waiting
// on a pipe that is put in its place meanwhile; its kind either way.
PathKind openPlainFile(QFile &file, const QString &path);

// Joins the lines with CR LF, without a line end after the last one.
QByteArray formatLines(const QStringList &lines);

// Writes the bytes as the file at `path`: through a temporary file that
// replaces the old one only once every byte is on the disk, or, where the
// folder takes no new file but the file itself may be written, straight into
// the file, writing its old bytes back when that fails. False, with the
// reason for the user in errorString, when the file could not be written;
// the old file is then as it was and no new file is left.
bool writeFile(const QString &path, const QByteArray &bytes, QString *errorString);
// Adds the bytes to the end of the file (created when missing) and pushes
// them to the disk; a failure takes back what was added.
bool appendToFile(const QString &path, const QByteArray &bytes, QString *errorString);
// Opens a plain file, new or existing, for appendToFile's kind of writing;
// the reason when it cannot be.
bool openForAppending(QFile &file, QString *errorString);

// The reason for the user for a system error number ("Nincs elég hely a
// lemezen." for a full disk), `otherwise` for one without a text of ours.
QString errorText(int error, const QString &otherwise);

// The name shown in the status bar: base name, ".", complete suffix.
QString displayName(const QString &path);

// A telephone entry: alarm digit (inputs 1 and 2), output digit (outputs 1
// and 2) and the number.
struct TelephoneEntry
{
    int alarm = 0;
    int output = 0;
    QString number;
};

QString formatTelephoneLine(const TelephoneEntry &entry);
// The first two characters give the digits (anything but a digit, or a
// missing character, counts 0); the rest is the number without its spaces.
TelephoneEntry parseTelephoneLine(const QString &line);

// The "group" property of a telephone check box: "k.b", key k = 2n - 1 for
// the alarm boxes of entry n and 2n for its output boxes, bit index b.
struct GroupKey
{
    int key = 0;
    int bit = 0;
    bool valid = false;   // both numbers parsed
};
GroupKey parseGroupKey(const QString &group);
// Value a ticked box adds to its key: 2 to the power b - 1.
int groupBitValue(int bit);

// A telephone check box as the file and the module's records see it.
struct FlagBox
{
    QString group;
    bool checked = false;
};
// Sum of groupBitValue(b) over the ticked boxes of every key k; keys without
// a ticked box count 0. Boxes whose group does not parse are ignored.
QHash<int, int> keyValues(const QList<FlagBox> &boxes);
// Whether the box with this group is ticked for the given key values: the
// key's value has the bit of the box's weight index.
bool boxTicked(const QHash<int, int> &keys, const QString &group);

} // namespace configfile
