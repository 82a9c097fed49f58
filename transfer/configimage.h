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

#include "document/configuration.h"

#include <optional>

namespace configimage {

inline constexpr int kRecordLength = generalfields::kRecordLength;
inline constexpr int kGeneralRecords = int(generalfields::kFields.size());
inline constexpr int kReservedRecords = generalfields::kReservedRecords;
// What stands between records in an image; on the line each becomes a CR.
inline constexpr QChar kSeparator = QLatin1Char('|');

// The text left-aligned and filled with spaces to 16 characters; never cut.
QString padRecord(const QString &text);
// "5" becomes "0005"; four characters stay as they are.
QString zeroFilledReleTime(const QString &text);
// Record `index` (0-based, record order) of the general tab.
QString generalRecord(int index, const QString &text);
// Alarm digit, output digit and the number, filled to 16 characters.
QString telephoneRecord(int alarmDigit, int outputDigit, const QString &number);

struct BuildResult
{
    QString image;        // the whole image, or the records before the empty field
    int emptyField = -1;  // index of the first empty general field, -1 if none
    bool ok() const { return emptyField < 0; }
};

// The image of the general fields and telephone entries 1 … memorySize.
BuildResult buildImage(const Configuration &configuration, int memorySize);

// A text that holds the separator would split its record in two on the
// line. Returns the first such text among the image's fields in record order
// (0 … 15 the general fields, 16 + n - 1 telephone number n), or -1.
int fieldWithSeparator(const Configuration &configuration, int memorySize);

// A "~{" answer in image form: last character dropped, CR becomes "|", 0xFF
// becomes a space, and everything up to the last empty line is discarded. A
// "|" that the module holds inside a record becomes kStoredSeparator, so it
// never splits its record; parseImage() turns it back into "|".
QString normalizeReply(const QString &reply);
// Never comes from the line, whose bytes are all Latin-1.
inline constexpr QChar kStoredSeparator = QChar(0xE07C);

// What keeps a normalised "~{" answer from being the module's whole record
// set: every record exactly 16 characters, each with its CR, the closing
// character after the last, and exactly 28 + N of them.
struct RecordSetProblem
{
    enum class Kind {
        EndedEarly,     // no closing character: the answer stops with a record's CR or inside one
        RecordLength,   // a record that is not 16 characters long (noise before the records)
        TooFew,
        TooMany,        // more than the model holds: never cut silently
    };
    Kind kind = Kind::EndedEarly;
    int record = -1;   // RecordLength: the record (0-based), and its length
    int length = 0;
    int count = 0;     // the records in the answer
};
std::optional<RecordSetProblem> recordSetProblem(const QString &normalized, int memorySize);

// Reads a normalised reply back into a configuration: general texts without
// their trailing spaces, telephone entries 1 … memorySize as a file's lines
// are read (numbers without spaces); the entries past those stay empty.
// Nothing when the reply holds fewer than 28 + memorySize records; records
// past those are ignored.
std::optional<Configuration> parseImage(const QString &normalized, int memorySize);

// The image exactly as a download sends it, each character turned into the
// byte it travels as (ModuleLine::lineByte): what a faithful module holds.
QString asSent(const QString &image);
// One record in which the module differs from what was sent. The texts are
// without the spaces that fill a record, "|" shown as itself; nothing where
// one side holds fewer records.
struct RecordDifference
{
    int record = 0;   // 0 … 15 general, 16 … 27 reserved, 28 + n - 1 telephone n
    std::optional<QString> expected;   // as the module would store what was sent
    std::optional<QString> stored;     // the module's record
};
// The records of `expectedImage` (an image as built, before asSent) that a
// normalised "~{" reply does not hold exactly, in record order.
QList<RecordDifference> differences(const QString &expectedImage, const QString &storedNormalizedReply);

// The bytes a download sends after its handshake: every separated part of
// the image, each followed by CR (the empty part after the last separator
// becomes the lone closing CR).
QByteArray wireBytes(const QString &image);

} // namespace configimage
