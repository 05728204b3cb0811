#include "word_list.h"

#include "record_error.h"
#include "regular_file.h"
#include "unicode_encoding.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

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

// A list's words as text, and what a word added to it is written in.
struct Decoded
{
    QString text;
    std::optional<unicodeencoding::Found> unicode; // UTF-16 or UTF-32, as Notepad saves "Unicode"
    bool codePage = false; // Windows-1252 throughout, as a German Windows editor saves
    QString problem; // why it cannot be read, in German
};

// UTF-16 and UTF-32 by their mark or their zeros; anything else line by
// line, each line UTF-8 where it is, Windows-1252 where it is not: a list
// kept in UTF-8 may have one line pasted in from a Windows program.
Decoded decoded(QByteArrayView bytes)
{
    Decoded d;
    if ((d.unicode = unicodeencoding::detect(bytes))) {
        QStringDecoder decoder(d.unicode->encoding);
        d.text = decoder.decode(bytes);
        if (decoder.hasError() || bytes.size() % d.unicode->unit != 0)
            d.problem = QStringLiteral("sie ist kein gültiges %1").arg(d.unicode->name);
        return d;
    }
    if (bytes.contains('\0')) {
        d.problem = QStringLiteral("sie enthält Null-Bytes und ist doch weder UTF-16 noch UTF-32");
        return d;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    bool utf8Lines = false;
    for (const QByteArrayView line : QLatin1StringView(bytes).tokenize(QLatin1Char('\n'))) {
        const QByteArrayView raw(line.data(), line.size());
        const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return uchar(c) < 0x80; });
        if (ascii || raw.isValidUtf8()) {
            d.text += QString::fromUtf8(raw);
            utf8Lines = utf8Lines || !ascii;
        } else {
            d.text += windows1252::decode(raw);
            d.codePage = true;
        }
        d.text += QLatin1Char('\n');
    }
    if (!bytes.endsWith('\n') && !d.text.isEmpty())
        d.text.chop(1);
    // Both kinds of line: new words go in UTF-8, which is what the list is meant to be.
    d.codePage = d.codePage && !utf8Lines;
    return d;
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
    const Decoded list = decoded(bytes);
    if (!list.problem.isEmpty()) {
        if (error)
            *error = QStringLiteral("Die Wortliste '%1' kann nicht gelesen werden: %2.").arg(path, list.problem);
        return words;
    }
    for (const QStringView line : QStringView(list.text).split(QLatin1Char('\n'))) {
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
    if (st.st_size > maxListBytes)
        return fail(storage::FileRead{storage::FileRead::Outcome::TooLarge, 0, st.st_size}.reason(maxListBytes));
    // The word goes in the list's own encoding, or the next start would read it wrong.
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    if (::pread(fd, bytes.data(), size_t(bytes.size()), 0) != ssize_t(bytes.size()))
        return fail(RecordError::reasonFromErrno(errno));
    const Decoded list = decoded(bytes);
    if (!list.problem.isEmpty())
        return fail(list.problem);
    // A last line without its line end, as some editors leave it, stays a word of its own.
    const QString text = (list.text.isEmpty() || list.text.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n"))
        + word + QLatin1Char('\n');
    QByteArray line;
    if (list.unicode) {
        line = QStringEncoder(list.unicode->encoding)(text);
    } else if (list.codePage) {
        if (const QStringList missing = windows1252::unencodable(word); !missing.isEmpty())
            return fail(QStringLiteral("die Liste ist in Windows-1252 geschrieben, das '%1' nicht kennt")
                            .arg(missing.join(QStringLiteral("', '"))));
        line = windows1252::encode(text);
    } else {
        line = text.toUtf8();
    }
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
