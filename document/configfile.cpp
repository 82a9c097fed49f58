#include "document/configfile.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QIODevice>
#include <QtCore/QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace configfile {

namespace {

// Windows-1250, bytes 0x80 to 0xFF. The five bytes the code page leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 control of the same
// value, as Windows and ICU do, so every byte survives a load and save.
constexpr char16_t kHighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,   // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,   // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,   // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,   // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,   // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,   // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,   // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,   // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,   // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,   // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,   // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,   // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,   // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,   // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,   // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,   // F8
};

char encodeChar(char16_t c)
{
    if (c < 0x80)
        return char(c);
    const auto *end = std::end(kHighHalf);
    const auto *found = std::find(std::begin(kHighHalf), end, c);
    return found == end ? '?' : char(0x80 + (found - std::begin(kHighHalf)));
}

int digitValue(const QString &line, int index)
{
    if (index >= line.size())
        return 0;
    const char16_t c = line.at(index).unicode();
    return (c >= u'0' && c <= u'9') ? int(c - u'0') : 0;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b < 0x80 ? char16_t(b) : kHighHalf[b - 0x80]);
    }
    return text;
}

QByteArray encode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character beyond the 16-bit range gives one "?", not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes.append(encodeChar(c.unicode()));
    }
    return bytes;
}

QStringList readLines(QIODevice &device)
{
    QStringList lines;
    QByteArray current;
    qint64 currentLength = 0;   // bytes of the current line, kept or not
    bool lastWasCR = false;

    // A CR before the LF belongs to the line end, also at the end of the data.
    auto finishLine = [&] {
        if (lastWasCR && currentLength <= kMaxLineBytes + 1)
            current.chop(1);
        lines.append(decode(current.left(kMaxLineBytes)));
        current.clear();
        currentLength = 0;
        lastWasCR = false;
        return lines.size() >= kMaxLinesRead || lines.last() == QLatin1String("---");
    };

    char buffer[64 * 1024];
    qint64 scanned = 0;
    bool finished = false;
    while (!finished && scanned < kMaxBytesScanned) {
        const qint64 want = std::min<qint64>(sizeof buffer, kMaxBytesScanned - scanned);
        const qint64 got = device.read(buffer, want);
        if (got <= 0)
            break;
        scanned += got;
        for (qint64 i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (finishLine()) {
                    finished = true;
                    break;
                }
                continue;
            }
            if (currentLength <= kMaxLineBytes)
                current.append(c);
            ++currentLength;
            lastWasCR = (c == '\r');
        }
    }
    // The text after the last line end is a line of its own; a file ending in
    // a line end has no empty line after it, but an empty file has one.
    if (!finished && (currentLength > 0 || lines.isEmpty()))
        finishLine();
    return lines;
}

QStringList readFile(const QString &path)
{
    // Pipes and devices could block or never end; only plain files are read.
    QFile file;
    if (openPlainFile(file, path) != PathKind::Regular || !file.isOpen())
        return {QString()};
    return readLines(file);
}

PathKind pathKind(const QString &path)
{
#if defined(Q_OS_UNIX)
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return PathKind::Missing;
    if (S_ISREG(info.st_mode))
        return PathKind::Regular;
    if (S_ISDIR(info.st_mode))
        return PathKind::Directory;
    if (S_ISFIFO(info.st_mode))
        return PathKind::Pipe;
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return PathKind::Device;
    return PathKind::Other;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return PathKind::Missing;
    if (info.isDir())
        return PathKind::Directory;
    return info.isFile() ? PathKind::Regular : PathKind::Other;
#endif
}

PathKind openPlainFile(QFile &file, const QString &path)
{
#if defined(Q_OS_UNIX)
    // Opened without waiting, then looked at: a pipe swapped in after a
    // check would otherwise hold the open until someone writes to it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return pathKind(path);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        const PathKind kind = pathKind(path);
        return kind == PathKind::Regular ? PathKind::Other : kind;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(fd);
    return PathKind::Regular;
#else
    const PathKind kind = pathKind(path);
    if (kind == PathKind::Regular) {
        file.setFileName(path);
        file.open(QIODevice::ReadOnly);
    }
    return kind;
#endif
}

QByteArray formatLines(const QStringList &lines)
{
    return encode(lines.join(QLatin1String("\r\n")));
}

QString errorText(int error, const QString &otherwise)
{
    switch (error) {
    case ENOSPC:
        return QCoreApplication::translate("configfile", "Nincs elég hely a lemezen.");
#ifdef EDQUOT
    case EDQUOT:
        return QCoreApplication::translate("configfile", "Elfogyott a lemezkvóta.");
#endif
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("configfile", "Nincs jogosultság a fájl írásához.");
    case EROFS:
        return QCoreApplication::translate("configfile", "A lemez csak olvasható.");
    case ENOENT:
    case ENOTDIR:
        return QCoreApplication::translate("configfile", "A mappa nem létezik.");
    case EISDIR:
        return QCoreApplication::translate("configfile", "A megadott név egy mappa.");
    case EIO:
        return QCoreApplication::translate("configfile", "Írási hiba a lemezen.");
    case EFBIG:
        return QCoreApplication::translate("configfile", "A fájl túl nagy.");
    default:
        return otherwise;
    }
}

namespace {

// The system's own text (in English) only where we have none of our own.
QString reasonText(int error, const QFileDevice &file, const QString &otherwise)
{
    const bool systemText = file.error() != QFileDevice::NoError && !file.errorString().isEmpty();
    return errorText(error, systemText ? file.errorString() : otherwise);
}

// Records why a step failed; errno is read before anything else can change it.
struct Failed
{
    QString *errorString;
    const QFileDevice &file;
    bool operator()(const QString &otherwise) const
    {
        const int error = errno;
        if (errorString)
            *errorString = reasonText(error, file, otherwise);
        return false;
    }
};

// Pushes what the system holds for the file to the disk, so that an error
// the system would only meet later (a full disk under delayed allocation, a
// network share) is met here.
bool syncToDisk(QFileDevice &file)
{
    if (!file.flush())
        return false;
#if defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

// Every byte, or false; unbuffered, so no error waits for a later flush.
// A negative offset writes where the file stands (its end, when appending).
bool writeAt(QFileDevice &file, qint64 offset, const char *data, qint64 size)
{
    errno = 0;
    if (offset >= 0 && !file.seek(offset))
        return false;
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0) {
            if (written == 0 && errno == 0)
                errno = ENOSPC;   // nothing taken and no reason given: the disk took no more
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

constexpr qint64 kMaxInPlaceBytes = 64 * 1024 * 1024;

// Straight into the existing file, for a folder that takes no temporary file.
// The old bytes are held first and written back when any step fails. The part
// beyond the old length goes first: when the disk cannot take it, nothing of
// the old content has been touched yet.
bool writeInPlace(const QString &path, const QByteArray &bytes, QString *errorString)
{
    QFile file(path);
    const Failed fail{errorString, file};
    errno = 0;
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(QStringLiteral("A fájl nem nyitható meg írásra."));
    const qint64 oldSize = file.size();
    // The old bytes are held in memory; a configuration or a list is small.
    if (oldSize > kMaxInPlaceBytes) {
        errno = EFBIG;
        return fail(QString());
    }
    const QByteArray old = file.readAll();
    if (old.size() != oldSize)
        return fail(QStringLiteral("A régi tartalom nem olvasható vissza."));

    const qint64 newSize = bytes.size();
    const bool written = (newSize <= oldSize
                          || writeAt(file, oldSize, bytes.constData() + oldSize, newSize - oldSize))
        && writeAt(file, 0, bytes.constData(), std::min(oldSize, newSize))
        && (newSize >= oldSize || file.resize(newSize)) && syncToDisk(file);
    if (written)
        return true;

    fail(QStringLiteral("A fájl írása nem sikerült."));
    const bool restored = writeAt(file, 0, old.constData(), oldSize) && file.resize(oldSize) && syncToDisk(file);
    if (!restored && errorString)
        *errorString += QStringLiteral(" A régi tartalmat sem sikerült visszaírni.");
    return false;
}

} // namespace

bool writeFile(const QString &path, const QByteArray &bytes, QString *errorString)
{
    QSaveFile file(path);
    const Failed fail{errorString, file};
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // The folder may refuse the temporary file where the file itself may
        // be written (a shared .krv in a read-only folder).
        const int refused = errno;
        const QFileInfo target(path);
        if (target.isFile() && !QFileInfo(QFileInfo(target.canonicalFilePath()).absolutePath()).isWritable())
            return writeInPlace(path, bytes, errorString);
        errno = refused;
        return fail(QStringLiteral("A fájl nem nyitható meg írásra."));
    }
    if (!writeAt(file, 0, bytes.constData(), bytes.size()) || !syncToDisk(file)) {
        fail(QStringLiteral("A fájl írása nem sikerült."));
        file.cancelWriting();
        return false;
    }
    errno = 0;
    if (!file.commit())
        return fail(QStringLiteral("A fájl nem cserélhető le."));
    return true;
}

bool appendToFile(const QString &path, const QByteArray &bytes, QString *errorString)
{
    QFile file(path);
    const Failed fail{errorString, file};
    errno = 0;
    if (!openForAppending(file, errorString))
        return false;
    const qint64 oldSize = file.size();
    if (writeAt(file, -1, bytes.constData(), bytes.size()) && syncToDisk(file))
        return true;
    fail(QStringLiteral("A fájl írása nem sikerült."));
    // No half line is left for the next reader.
    file.resize(oldSize);
    return false;
}

bool openForAppending(QFile &file, QString *errorString)
{
    const Failed fail{errorString, file};
    errno = 0;
    // Pipes and devices could block; only a plain file, new or existing.
    if (QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isFile()) {
        errno = EISDIR;
        return fail(QString());
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return fail(QStringLiteral("A fájl nem nyitható meg írásra."));
    return true;
}

QString displayName(const QString &path)
{
    const QFileInfo info(path);
    return info.baseName() + QLatin1Char('.') + info.completeSuffix();
}

QString formatTelephoneLine(const TelephoneEntry &entry)
{
    return QString::number(entry.alarm) + QString::number(entry.output) + entry.number;
}

TelephoneEntry parseTelephoneLine(const QString &line)
{
    TelephoneEntry entry;
    entry.alarm = digitValue(line, 0);
    entry.output = digitValue(line, 1);
    entry.number = line.mid(2).remove(QLatin1Char(' '));
    return entry;
}

GroupKey parseGroupKey(const QString &group)
{
    const QStringList parts = group.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    GroupKey result;
    bool keyOk = false;
    bool bitOk = false;
    result.key = parts.first().toInt(&keyOk);
    result.bit = parts.last().toInt(&bitOk);
    result.valid = keyOk && bitOk;
    return result;
}

int groupBitValue(int bit)
{
    if (bit < 1 || bit > 31)
        return 0;
    return int(std::pow(2.0, bit - 1));
}

QHash<int, int> keyValues(const QList<FlagBox> &boxes)
{
    QHash<int, int> keys;
    for (const FlagBox &box : boxes) {
        const GroupKey group = parseGroupKey(box.group);
        if (group.valid && box.checked)
            keys[group.key] += groupBitValue(group.bit);
    }
    return keys;
}

bool boxTicked(const QHash<int, int> &keys, const QString &group)
{
    const GroupKey parsed = parseGroupKey(group);
    return parsed.valid && (keys.value(parsed.key) & groupBitValue(parsed.bit)) != 0;
}

} // namespace configfile
