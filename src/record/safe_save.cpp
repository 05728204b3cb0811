#include "safe_save.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace ww::storage {
namespace {

// `error` is errno as saved right after the failing call; Qt's own text
// stands in where the call left none.
RecordError failed(const QString &path, bool replacing, int error, const QString &qtReason = QString())
{
    return RecordError(replacing ? RecordError::Code::WriteFailed : RecordError::Code::CreateFailed, path, 0,
                       error || qtReason.isEmpty() ? RecordError::reasonFromErrno(error ? error : EIO) : qtReason);
}

} // namespace

RecordError replaceable(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return RecordError();
    // QSaveFile writes through a link, to wherever it points.
    if (S_ISLNK(st.st_mode))
        return RecordError(RecordError::Code::TargetIsLink, path);
    if (S_ISDIR(st.st_mode))
        return RecordError(RecordError::Code::TargetIsDirectory, path);
    // A replacing rename would ignore the file's own write protection.
    if (::access(native.constData(), W_OK) != 0) {
        const int error = errno;
        if (error == EACCES)
            return RecordError(RecordError::Code::NotWritable, path);
        return failed(path, true, error);
    }
    return RecordError();
}

RecordError replaceFile(const QString &path, const QByteArray &bytes)
{
    if (RecordError problem = replaceable(path); problem.isError())
        return problem;
    struct stat st {};
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &st) == 0;

    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile commits a short write (disk full, size
    // limit) as success, which would replace a good file with a torn one.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int error = errno;
        return failed(path, replacing, error, file.errorString());
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int error = errno ? errno : EIO;
        // The destructor removes the temporary file; the earlier one stays.
        file.cancelWriting();
        return failed(path, replacing, error);
    }
    errno = 0;
    if (!file.commit()) {
        const int error = errno;
        return failed(path, replacing, error, file.errorString());
    }
    return RecordError();
}

} // namespace ww::storage
