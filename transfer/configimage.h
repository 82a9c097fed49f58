#pragma once

// The module's record image of a configuration: 16 general records, 12
// reserved records and N telephone records (N = 32 or 128), each exactly 16
// characters and each followed by the separator. These functions work on
// plain strings and values, so the record layout can be checked without a
// window; MainWindow only gathers the form's texts and ticks for them and
// writes the results back.

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

namespace configimage {

inline constexpr int kRecordLength = 16;
inline constexpr int kGeneralRecords = 16;
inline constexpr int kReservedRecords = 12;
// Position of rele_time among the general records; it goes zero-filled.
inline constexpr int kReleTimeRecord = 7;

// The text left-aligned and filled with spaces to 16 characters; never cut.
QString padRecord(const QString &text);
// "5" becomes "0005"; four characters stay as they are.
QString zeroFilledReleTime(const QString &text);
// Record `index` (0-based, record order) of the general tab.
QString generalRecord(int index, const QString &text);
// Alarm digit, output digit and the number, filled to 16 characters.
QString telephoneRecord(int alarmDigit, int outputDigit, const QString &number);

// A telephone check box's "group" property "k.b": key k and weight index b.
// False when either part is not a decimal number.
bool parseGroup(const QString &group, int *key, int *weightIndex);

struct FlagBox
{
    QString group;
    bool checked = false;
};
// Sum of 2^(b-1) over the ticked boxes of every key; keys without a ticked
// box are absent (and count as 0).
QHash<int, int> keyValues(const QList<FlagBox> &boxes);
// Whether the box with this group is ticked for the given key values.
bool boxTicked(const QHash<int, int> &keys, const QString &group);

struct BuildResult
{
    QString image;        // the whole image, or the records before the empty field
    int emptyField = -1;  // index of the first empty general field, -1 if none
    bool ok() const { return emptyField < 0; }
};

// generalTexts: the sixteen general fields in record order; numbers: the
// texts of t_1 … t_N, N being the memory size.
BuildResult buildImage(const QStringList &generalTexts, const QHash<int, int> &keys,
                       const QStringList &numbers, QChar separator = QLatin1Char('|'));

// A "~{" answer in image form: last character dropped, CR becomes "|", 0xFF
// becomes a space, and everything up to the last empty line is discarded.
QString normalizeReply(const QString &reply);

struct TelephoneEntry
{
    int alarmDigit = 0;
    int outputDigit = 0;
    QString number;  // spaces removed
};

struct ParsedImage
{
    QStringList general;             // trailing spaces removed
    QList<TelephoneEntry> telephones;
    // Keys 2n-1 and 2n of the parsed telephone entries.
    QHash<int, int> keyValues() const;
};

// Reads a normalised reply back into field texts; nullopt when it holds
// fewer than generalCount + 12 + memorySize records. Records past those are
// ignored.
std::optional<ParsedImage> parseImage(const QString &normalized, int memorySize,
                                      int generalCount = kGeneralRecords);

// The byte a character travels as: its Latin-1 code, 0 when it has none.
char wireByte(QChar c);
// The image as a module holds it after a download: characters without a
// Latin-1 code become character 0, the byte they travelled as.
QString asStored(const QString &image);
// The bytes a download sends after its handshake: every separated part of
// the image, each followed by CR (the empty part after the last separator
// becomes the lone closing CR).
QByteArray wireBytes(const QString &image, QChar separator = QLatin1Char('|'));

} // namespace configimage
