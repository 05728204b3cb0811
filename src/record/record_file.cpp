#include "record_file.h"

#include "value_lists.h"
#include "windows1252.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <numeric>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ww {
namespace {

constexpr std::array<bool, Record::fieldCount> isNumberField = {
    true, false, true, false, true, true, true, true, true, false,
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A line end (CR, LF or CR LF) separates fields just as a comma does.
void skipSeparator(QByteArrayView data, qsizetype &pos)
{
    if (pos >= data.size())
        return;
    if (data[pos] == '\r' && pos + 1 < data.size() && data[pos + 1] == '\n')
        pos += 2;
    else
        ++pos;
}

// Optional sign and digits, surrounded by nothing but blanks.
std::optional<int> toInteger(QByteArrayView raw)
{
    qsizetype begin = 0;
    qsizetype end = raw.size();
    while (begin < end && isBlank(raw[begin]))
        ++begin;
    while (end > begin && isBlank(raw[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (raw[begin] == '+' || raw[begin] == '-'))
        negative = raw[begin++] == '-';
    if (begin == end)
        return std::nullopt;
    qint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (raw[i] < '0' || raw[i] > '9')
            return std::nullopt;
        value = value * 10 + (raw[i] - '0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(value);
}

int listPosition(int field, int code)
{
    switch (field) {
    case 1: return lists::kindPosition(code);
    case 3: return lists::magicPosition(code);
    default: return lists::percentPosition(code);
    }
}

QString describeCharacters(const QStringList &characters)
{
    QStringList shown;
    for (const QString &c : characters)
        shown.append(QStringLiteral("'%1' (U+%2)")
                         .arg(c)
                         .arg(QString::number(c.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
    return shown.join(QStringLiteral(", "));
}

} // namespace

QString RecordFile::pathFor(const QString &directory, const QString &name)
{
    return directory + QLatin1Char('/') + name + suffix();
}

QByteArray RecordFile::encode(const Record &r)
{
    const QChar comma = QLatin1Char(',');
    const QString line = QString::number(r.kind) + comma + quoted(r.name) + comma
        + QString::number(r.magic) + comma + quoted(r.mana) + comma
        + QString::number(r.attack) + comma + QString::number(r.defence) + comma
        + QString::number(r.moveEarth) + comma + QString::number(r.moveWater) + comma
        + QString::number(r.moveAir) + comma + quoted(r.text) + QLatin1String("\r\n");
    return windows1252::encode(line);
}

ReadResult RecordFile::parse(QByteArrayView data, const QString &path)
{
    std::array<QByteArrayView, Record::fieldCount> raw;
    qsizetype pos = 0;
    const qsizetype size = data.size();

    for (int f = 0; f < Record::fieldCount; ++f) {
        while (pos < size && isBlank(data[pos]))
            ++pos;
        if (pos >= size)
            return RecordError(RecordError::Code::TooFewFields, path, f + 1);

        if (data[pos] == '"') {
            const auto *begin = data.data() + pos + 1;
            const auto *close = static_cast<const char *>(std::memchr(begin, '"', size - pos - 1));
            if (!close)
                return RecordError(RecordError::Code::UnclosedQuote, path, f + 1);
            raw[f] = QByteArrayView(begin, close);
            pos = close - data.data() + 1;
            // Whatever stands between the closing quote and the separator is dropped.
            while (pos < size && data[pos] != ',' && !isLineEnd(data[pos]))
                ++pos;
        } else {
            const qsizetype begin = pos;
            while (pos < size && data[pos] != ',' && !isLineEnd(data[pos]))
                ++pos;
            qsizetype end = pos;
            while (end > begin && data[end - 1] == ' ')
                --end;
            raw[f] = data.sliced(begin, end - begin);
        }
        skipSeparator(data, pos);
    }

    std::array<int, Record::fieldCount> numbers{};
    for (int f = 0; f < Record::fieldCount; ++f) {
        if (!isNumberField[f])
            continue;
        const std::optional<int> value = toInteger(raw[f]);
        if (!value)
            return RecordError(RecordError::Code::NotANumber, path, f + 1,
                               windows1252::decode(raw[f].first(std::min<qsizetype>(raw[f].size(), 40))));
        if (listPosition(f + 1, *value) < 0)
            return RecordError(RecordError::Code::OutOfRange, path, f + 1, QString::number(*value));
        numbers[f] = *value;
    }

    Record r;
    r.kind = numbers[0];
    r.name = windows1252::decode(raw[1]);
    r.magic = numbers[2];
    r.mana = windows1252::decode(raw[3]);
    r.attack = numbers[4];
    r.defence = numbers[5];
    r.moveEarth = numbers[6];
    r.moveWater = numbers[7];
    r.moveAir = numbers[8];
    r.text = windows1252::decode(raw[9]);
    return r;
}

RecordError RecordFile::check(const Record &r)
{
    const std::array<std::pair<int, const QString *>, 3> texts = {{{2, &r.name}, {4, &r.mana}, {10, &r.text}}};
    if (r.name.isEmpty())
        return RecordError(RecordError::Code::EmptyName, QString(), 2);
    for (const auto &[field, text] : texts) {
        if (text->contains(QLatin1Char('"')))
            return RecordError(RecordError::Code::QuoteInText, QString(), field, QStringLiteral("\""));
        const QStringList bad = windows1252::unencodable(*text);
        if (!bad.isEmpty())
            return RecordError(RecordError::Code::Unencodable, QString(), field, describeCharacters(bad));
    }
    if (r.name.contains(QLatin1Char('/')) || r.name.contains(QLatin1Char('\\')))
        return RecordError(RecordError::Code::NameWithSeparator, QString(), 2);
    if (r.name == QLatin1String(".") || r.name == QLatin1String(".."))
        return RecordError(RecordError::Code::NameIsDot, QString(), 2);
    for (const QChar c : r.name) {
        if (c.category() == QChar::Other_Control)
            return RecordError(RecordError::Code::NameWithControl, QString(), 2,
                               QStringLiteral("U+%1").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
    }
    const qsizetype bytes = QFile::encodeName(r.name + suffix()).size();
    if (bytes > maxFileNameBytes)
        return RecordError(RecordError::Code::NameTooLong, QString(), 2,
                           QStringLiteral("%1 Bytes").arg(bytes - suffix().size()));
    return RecordError();
}

RecordError RecordFile::write(const QString &directory, const Record &record)
{
    const QString path = pathFor(directory, record.name);
    const QFileInfo dir(directory);
    if (!dir.exists())
        return RecordError(RecordError::Code::DirectoryMissing, path);
    if (!dir.isDir())
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    const QFileInfo target(path);
    if (target.isDir())
        return RecordError(RecordError::Code::TargetIsDirectory, path);
    // A replacing rename would ignore the file's own write protection.
    if (target.exists() && !target.isWritable())
        return RecordError(RecordError::Code::NotWritable, path);

    QSaveFile file(path);
    errno = 0;
    // Unbuffered: a buffered QSaveFile commits a short write (disk full, size
    // limit) as success, which would replace a good file with a torn one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return RecordError(RecordError::Code::WriteFailed, path, 0, RecordError::reasonFromErrno(errno));
    const QByteArray bytes = encode(record);
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int error = errno ? errno : EIO;
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return RecordError(RecordError::Code::WriteFailed, path, 0, RecordError::reasonFromErrno(error));
    }
    errno = 0;
    if (!file.commit()) {
        const int error = errno;
        return RecordError(RecordError::Code::WriteFailed, path, 0,
                           error ? RecordError::reasonFromErrno(error) : file.errorString());
    }
    return RecordError();
}

ReadResult RecordFile::read(const QString &path)
{
    QByteArray data;
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    // Look before opening: a FIFO would block and a device may act on open.
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return RecordError(RecordError::Code::NotFound, path);
        return RecordError(RecordError::Code::Unreadable, path, 0, RecordError::reasonFromErrno(error));
    }
    if (!S_ISREG(st.st_mode))
        return RecordError(RecordError::Code::NotRegular, path);
    if (st.st_size > maxFileSize)
        return RecordError(RecordError::Code::TooLarge, path, 0, QString::number(st.st_size));
    // Should the name have become a FIFO since the look above, O_NONBLOCK
    // still keeps the read from waiting for a writer.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return RecordError(RecordError::Code::NotFound, path);
        return RecordError(RecordError::Code::Unreadable, path, 0, RecordError::reasonFromErrno(error));
    }
    // One byte more than the size tells a file that grew meanwhile; the limit
    // still holds however much it grew.
    data.resize(std::min<qint64>(st.st_size, maxFileSize) + 1);
    qsizetype filled = 0;
    int error = 0;
    for (;;) {
        const qsizetype wanted = data.size() - filled;
        const ssize_t n = ::read(fd, data.data() + filled, size_t(wanted));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        filled += n;
        if (n < wanted || filled > maxFileSize)
            break; // a short read of a regular file is its end
        data.resize(std::min<qsizetype>(data.size() * 2, maxFileSize + 1));
    }
    ::close(fd);
    if (error)
        return RecordError(RecordError::Code::Unreadable, path, 0, RecordError::reasonFromErrno(error));
    data.truncate(filled);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return RecordError(RecordError::Code::NotFound, path);
    if (!info.isFile())
        return RecordError(RecordError::Code::NotRegular, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return RecordError(RecordError::Code::Unreadable, path, 0, file.errorString());
    data = file.read(maxFileSize + 1);
#endif
    if (data.size() > maxFileSize)
        return RecordError(RecordError::Code::TooLarge, path, 0, QString::number(data.size()));
    return parse(data, path);
}

bool RecordFile::exists(const QString &path)
{
    return QFileInfo(path).isFile();
}

RecordError RecordFile::ensureDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (info.isDir())
        return RecordError();
    if (info.exists() || info.isSymLink())
        return RecordError(RecordError::Code::DirectoryBlocked, directory);
    errno = 0;
    if (!QDir().mkdir(directory))
        return RecordError(RecordError::Code::DirectoryNotCreated, directory, 0,
                           RecordError::reasonFromErrno(errno ? errno : EIO));
    return RecordError();
}

QStringList RecordFile::list(const QString &directory)
{
    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);

    QStringList names;
    std::vector<QCollatorSortKey> keys;
    const auto isRecordName = [](const QString &name) { return name.endsWith(suffix(), Qt::CaseInsensitive); };
    const auto add = [&](QString name) {
        keys.push_back(collator.sortKey(name));
        names.append(std::move(name));
    };
#ifdef Q_OS_UNIX
    // readdir's entry type spares a stat per file, which dominates large folders.
    const QByteArray native = QFile::encodeName(directory);
    if (DIR *dir = ::opendir(native.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            QString name = QFile::decodeName(entry->d_name);
            if (!isRecordName(name))
                continue;
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
            }
            if (regular)
                add(std::move(name));
        }
        ::closedir(dir);
    }
#else
    QDirIterator it(directory, {QStringLiteral("*") + suffix()}, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile() && isRecordName(it.fileName()))
            add(it.fileName());
    }
#endif
    // Sorting positions rather than keys and names avoids shuffling shared data.
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : names[a] < names[b];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype i : order)
        sorted.append(names[i]);
    return sorted;
}

} // namespace ww
