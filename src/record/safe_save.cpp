#include "safe_save.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace ww::storage {
namespace {

RecordError failed(const QString &path, int error, const QSaveFile &file)
{
    return RecordError(RecordError::Code::WriteFailed, path, 0,
                       error ? RecordError::reasonFromErrno(error) : file.errorString());
}

} // namespace

RecordError replaceFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return RecordError(RecordError::Code::TargetIsDirectory, path);
        // A replacing rename would ignore the file's own write protection.
        if (::access(native.constData(), W_OK) != 0)
            return RecordError(RecordError::Code::NotWritable, path);
    }

    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile commits a short write (disk full, size
    // limit) as success, which would replace a good file with a torn one.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(path, errno, file);
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int error = errno ? errno : EIO;
        // The destructor removes the temporary file; the earlier one stays.
        file.cancelWriting();
        return failed(path, error, file);
    }
    errno = 0;
    if (!file.commit())
        return failed(path, errno, file);
    return RecordError();
}

} // namespace ww::storage
