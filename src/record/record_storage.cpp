#include "record_storage.h"

#include "name_collation.h"
#include "record_format.h"
#include "regular_file.h"
#include "safe_save.h"
#include "windows1252.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ww::storage {
namespace {

RecordError unreadable(const QString &path, int error)
{
    return RecordError(RecordError::Code::Unreadable, path, 0, RecordError::reasonFromErrno(error));
}

Listing unlistable(const QString &directory, int error)
{
    return {{}, {}, RecordError(RecordError::Code::FolderUnreadable, directory, 0, RecordError::reasonFromErrno(error)), true};
}

} // namespace

QString pathFor(const QString &directory, const QString &name)
{
    return directory + QLatin1Char('/') + name + format::suffix;
}

RecordError write(const QString &directory, const Record &record)
{
    return write(directory, record.name + format::suffix, record);
}

RecordError write(const QString &directory, const QString &fileName, const Record &record)
{
    const QString path = directory + QLatin1Char('/') + fileName;
    struct stat st {};
    if (::stat(QFile::encodeName(directory).constData(), &st) != 0)
        return RecordError(RecordError::Code::DirectoryMissing, path);
    if (!S_ISDIR(st.st_mode))
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    return replaceFile(path, format::encode(record));
}

RecordError mayWrite(const QString &directory, const QString &fileName)
{
    struct stat st {};
    const QByteArray folder = QFile::encodeName(directory);
    if (::lstat(folder.constData(), &st) == 0 && (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    return replaceable(directory + QLatin1Char('/') + fileName);
}

QString printable(const QString &text)
{
    // Control characters (Unicode's Cc) are C0, DEL and C1, nothing else.
    const auto isControl = [](char16_t c) { return c < 0x20 || (c >= 0x7f && c <= 0x9f); };
    // Zero-width and direction marks draw nothing, or turn what follows
    // around: "Eule.dat" and "Eule\u200B.dat" would look alike.
    const auto isInvisible = [](char16_t c) {
        return (c >= 0x200b && c <= 0x200f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069)
            || c == 0xfeff;
    };
    const auto escaped = [&](QChar c) { return isControl(c.unicode()) || isInvisible(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), escaped))
        return text;
    QString shown;
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            shown += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else if (isInvisible(c.unicode()))
            shown += QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper();
        else
            shown += c;
    }
    return shown;
}

ReadResult read(const QString &path)
{
    return read(QFile::encodeName(path), path);
}

ReadResult read(const QByteArray &nativePath, const QString &shownPath)
{
    QByteArray bytes;
    if (const RecordError error = readBytes(nativePath, shownPath, bytes); error.isError())
        return error;
    return format::parse(bytes, shownPath);
}

RecordError readBytes(const QByteArray &nativePath, const QString &shownPath, QByteArray &bytes)
{
    const FileRead read = readRegularFile(nativePath, format::maxFileBytes, bytes);
    switch (read.outcome) {
    case FileRead::Outcome::Read: return RecordError();
    case FileRead::Outcome::Missing: return RecordError(RecordError::Code::NotFound, shownPath);
    case FileRead::Outcome::Directory:
    case FileRead::Outcome::Link:
    case FileRead::Outcome::NotRegular: return RecordError(RecordError::Code::NotRegular, shownPath);
    case FileRead::Outcome::TooLarge: return RecordError(RecordError::Code::TooLarge, shownPath, 0, QString::number(read.size));
    case FileRead::Outcome::Dangling:
        return RecordError(RecordError::Code::Unreadable, shownPath, 0, read.reason(format::maxFileBytes));
    case FileRead::Outcome::Failed: break;
    }
    return unreadable(shownPath, read.error);
}

bool exists(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

RecordError ensureDirectory(const QString &directory)
{
    const QByteArray native = QFile::encodeName(directory);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return RecordError();
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    }
    // A dangling link in the folder's place is in the way as much as a file.
    if (::lstat(native.constData(), &st) == 0)
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    if (::mkdir(native.constData(), 0777) != 0) {
        const int error = errno;
        return RecordError(RecordError::Code::DirectoryNotCreated, directory, 0, RecordError::reasonFromErrno(error));
    }
    return RecordError();
}

namespace {

// Puts `names` in `order` in place, one cycle of the permutation at a time:
// a second list of 10,000 names in fresh memory cost about a millisecond more.
void putInOrder(QList<ListedName> &names, const std::vector<qsizetype> &order)
{
    std::vector<bool> placed(order.size());
    for (size_t cycle = 0; cycle < order.size(); ++cycle) {
        if (placed[cycle])
            continue;
        ListedName first = std::move(names[qsizetype(cycle)]);
        size_t at = cycle;
        while (size_t(order[at]) != cycle) {
            names[qsizetype(at)] = std::move(names[order[at]]);
            placed[at] = true;
            at = size_t(order[at]);
        }
        names[qsizetype(at)] = std::move(first);
        placed[at] = true;
    }
}

} // namespace

Listing list(const QString &directory)
{
    // The names are gathered in one buffer first: with their count known,
    // nothing is moved while it grows, and the memory touched stays small.
    QByteArray gathered;
    std::vector<qsizetype> starts;
    QList<ListedName> others;
    // readdir's entry type spares a stat per file, which dominates large folders.
    DIR *dir = ::opendir(QFile::encodeName(directory).constData());
    if (!dir) {
        const int error = errno;
        return error == ENOENT ? Listing() : unlistable(directory, error);
    }
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            const int error = errno;
            ::closedir(dir);
            if (error != 0)
                return unlistable(directory, error);
            break;
        }
        const QByteArrayView native(entry->d_name);
        if (!QLatin1String(native).endsWith(format::suffix, Qt::CaseInsensitive))
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
        }
        if (regular) {
            starts.push_back(gathered.size());
            gathered.append(native.data(), native.size() + 1); // with its zero
        } else {
            others.append({native.toByteArray(), windows1252::decodeUtf8OrCodePage(native)});
        }
    }
    Listing sorted;
    sorted.found = true;
    std::sort(others.begin(), others.end(), [](const ListedName &a, const ListedName &b) { return a.native < b.native; });
    sorted.others = std::move(others);
    sorted.names.reserve(qsizetype(starts.size()));
    NameCollation keys;
    keys.reserve(qsizetype(starts.size()));
    for (const qsizetype start : starts) {
        const QByteArrayView native(gathered.constData() + start);
        QString shown = windows1252::decodeUtf8OrCodePage(native);
        keys.add(shown);
        sorted.names.append({native.toByteArray(), std::move(shown)});
    }
    QList<ListedName> &names = sorted.names;
    putInOrder(names, keys.order([&](qsizetype a, qsizetype b) { return names[a].native < names[b].native; }));
    return sorted;
}

} // namespace ww::storage
