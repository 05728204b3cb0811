#include "regular_file.h"

#include "record_error.h"

#include <QLocale>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ww::storage {
namespace {

FileRead failed(int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return {FileRead::Outcome::Missing, error, 0};
    return {FileRead::Outcome::Failed, error, 0};
}

FileRead kindOf(const struct stat &st)
{
    if (S_ISDIR(st.st_mode))
        return {FileRead::Outcome::Directory, 0, 0};
    if (S_ISLNK(st.st_mode))
        return {FileRead::Outcome::Link, 0, 0};
    return {FileRead::Outcome::NotRegular, 0, 0};
}

// The rest of an open regular file of `size` bytes, up to one byte past
// `maxBytes`: one byte more than the size tells a file that grew meanwhile.
FileRead readOpened(int fd, qint64 size, qint64 maxBytes, QByteArray &data)
{
    data.resize(qsizetype(std::min(size, maxBytes) + 1));
    qsizetype filled = 0;
    for (;;) {
        const qsizetype wanted = data.size() - filled;
        const ssize_t n = ::read(fd, data.data() + filled, size_t(wanted));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(errno);
        if (n == 0)
            break;
        filled += n;
        if (n < wanted || filled > maxBytes)
            break; // a short read of a regular file is its end
        data.resize(qsizetype(std::min<qint64>(qint64(data.size()) * 2, maxBytes + 1)));
    }
    data.truncate(filled);
    if (filled > maxBytes)
        return {FileRead::Outcome::TooLarge, 0, std::max<qint64>(size, filled)};
    return {};
}

} // namespace

QString FileRead::reason(qint64 maxBytes) const
{
    const QLocale german(QLocale::German, QLocale::Germany);
    switch (outcome) {
    case Outcome::Read: return QString();
    case Outcome::Missing: return RecordError::reasonFromErrno(ENOENT);
    case Outcome::Directory: return QStringLiteral("an ihrer Stelle steht ein Ordner");
    case Outcome::Link: return QStringLiteral("an ihrer Stelle steht eine symbolische Verknüpfung");
    case Outcome::Dangling: return QStringLiteral("sie ist eine symbolische Verknüpfung auf etwas, das es nicht gibt");
    case Outcome::NotRegular:
        return QStringLiteral("sie ist keine gewöhnliche Datei (eine Pipe, ein Gerät oder ein Socket) und wird nicht geöffnet");
    case Outcome::TooLarge:
        return QStringLiteral("sie ist mit %1 Bytes zu groß (höchstens %2 Bytes)")
            .arg(german.toString(size), german.toString(maxBytes));
    case Outcome::Failed: return RecordError::reasonFromErrno(error);
    }
    return QString();
}

FileRead readRegularFile(const QByteArray &nativePath, qint64 maxBytes, QByteArray &bytes, bool followLinks)
{
    bytes.clear();
    // Look before opening: a FIFO would block and a device may act on open.
    struct stat st {};
    if ((followLinks ? ::stat(nativePath.constData(), &st) : ::lstat(nativePath.constData(), &st)) != 0) {
        const int error = errno;
        if (error == ENOENT && followLinks && ::lstat(nativePath.constData(), &st) == 0)
            return {FileRead::Outcome::Dangling, 0, 0};
        return failed(error);
    }
    if (!S_ISREG(st.st_mode))
        return kindOf(st);
    if (st.st_size > maxBytes)
        return {FileRead::Outcome::TooLarge, 0, st.st_size};
    // Should the name have become a FIFO or a link since the look above,
    // O_NONBLOCK keeps the read from waiting and O_NOFOLLOW refuses the link.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno == ELOOP && !followLinks ? FileRead{FileRead::Outcome::Link, 0, 0} : failed(errno);
    struct stat opened {};
    FileRead result;
    if (::fstat(fd, &opened) != 0)
        result = failed(errno);
    else if (!S_ISREG(opened.st_mode))
        result = kindOf(opened);
    else
        result = readOpened(fd, opened.st_size, maxBytes, bytes);
    ::close(fd);
    if (!result.ok())
        bytes.clear();
    return result;
}

FileRead readAnyFile(const QByteArray &nativePath, qint64 maxBytes, QByteArray &bytes)
{
    bytes.clear();
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(errno);
    struct stat st {};
    FileRead result;
    if (::fstat(fd, &st) != 0) {
        result = failed(errno);
    } else if (S_ISDIR(st.st_mode)) {
        result = kindOf(st);
    } else if (S_ISREG(st.st_mode) && st.st_size > maxBytes) {
        result = {FileRead::Outcome::TooLarge, 0, st.st_size};
    } else {
        // A pipe's reads end short without ending it: read to its end or the
        // bound. A regular file's size is known: one buffer, one byte more.
        constexpr qsizetype chunk = qsizetype(64) * 1024;
        if (S_ISREG(st.st_mode))
            bytes.resize(qsizetype(st.st_size) + 1);
        qsizetype filled = 0;
        for (;;) {
            if (bytes.size() - filled < (S_ISREG(st.st_mode) ? 1 : chunk))
                bytes.resize(qsizetype(std::min<qint64>(std::max<qint64>(qint64(bytes.size()) * 2, chunk), maxBytes + 1)));
            const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result = failed(errno);
                break;
            }
            filled += n;
            if (n == 0 || filled > maxBytes)
                break;
        }
        bytes.truncate(filled);
        if (result.ok() && filled > maxBytes)
            result = {FileRead::Outcome::TooLarge, 0, filled};
    }
    ::close(fd);
    if (!result.ok())
        bytes.clear();
    return result;
}

} // namespace ww::storage
