#include "word_list.h"

#include "record_error.h"
#include "regular_file.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ww::spelling::wordlist {
namespace {

// A team's list of the game's names and words runs to thousands of lines;
// the German dictionary itself is 4 MiB. A larger file is no word list,
// and reading it would cost the editor its memory.
constexpr qint64 maxListBytes = qint64(16) * 1024 * 1024;

// UTF-8 as the list is meant to be; UTF-16 where it starts with its byte
// order mark (Windows' Notepad saves "Unicode" so); otherwise the Windows
// code page a German Windows editor saves in.
QString decoded(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16)(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return windows1252::decodeUtf8OrCodePage(QByteArrayView(bytes).sliced(3));
    return windows1252::decodeUtf8OrCodePage(bytes);
}

} // namespace

QString personalPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("ww_editor/woerter.txt"));
}

QStringList read(const QString &path, QString *error)
{
    QStringList words;
    QByteArray bytes;
    const storage::FileRead got = storage::readRegularFile(QFile::encodeName(path), maxListBytes, bytes);
    if (got.outcome == storage::FileRead::Outcome::Missing)
        return words;
    if (!got.ok()) {
        if (error)
            *error = QStringLiteral("Die Wortliste '%1' kann nicht gelesen werden: %2.").arg(path, got.reason(maxListBytes));
        return words;
    }
    const QString text = decoded(bytes);
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        // Lines may end in CR LF where the list was edited on Windows.
        if (const QStringView word = line.trimmed(); !word.isEmpty())
            words.append(word.toString());
    }
    return words;
}

bool append(const QString &path, const QString &word, QString *error)
{
    const auto fail = [&](const QString &why) {
        *error = QStringLiteral("Das Wort '%1' konnte nicht in die Wortliste '%2' geschrieben werden: %3.")
                     .arg(word, path, why);
        return false;
    };
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("ihr Ordner kann nicht angelegt werden"));
    // A link the writer made (a team's shared list) is followed; anything
    // but a regular file is refused before it could block the window.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        return fail(errno == EISDIR ? QStringLiteral("an ihrer Stelle steht ein Ordner") : RecordError::reasonFromErrno(errno));
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(RecordError::reasonFromErrno(errno));
    if (!S_ISREG(st.st_mode))
        return fail(storage::FileRead{storage::FileRead::Outcome::NotRegular}.reason(maxListBytes));
    QByteArray line = word.toUtf8() + '\n';
    // A last line without its line end, as some editors leave it, stays a word of its own.
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
        line.prepend('\n');
    // All of it or nothing: a part of a line on a full disk would glue the
    // next word to it.
    ssize_t n = ::write(fd, line.constData(), size_t(line.size()));
    if (n == line.size())
        return true;
    // A short write gives no reason; the rest of it does.
    if (n >= 0 && ::write(fd, line.constData() + n, size_t(line.size() - n)) >= 0)
        errno = ENOSPC;
    const int why = errno;
    if (n > 0 && ::ftruncate(fd, st.st_size) != 0)
        return fail(RecordError::reasonFromErrno(why) + QStringLiteral("; die Liste endet nun mitten in einer Zeile"));
    return fail(RecordError::reasonFromErrno(why));
}

} // namespace ww::spelling::wordlist
