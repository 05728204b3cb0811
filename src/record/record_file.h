#pragma once

#include "record.h"
#include "record_error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <optional>

namespace ww {

// Either a whole record or the reason there is none.
class ReadResult
{
public:
    ReadResult(Record record) : m_record(std::move(record)) {}
    ReadResult(RecordError error) : m_error(std::move(error)) {}

    bool ok() const { return m_record.has_value(); }
    const Record &record() const { return *m_record; }
    const RecordError &error() const { return m_error; }

private:
    std::optional<Record> m_record;
    RecordError m_error;
};

// The one-line, comma-separated record file and the folders that hold it.
class RecordFile
{
public:
    // Larger files cannot be records; refusing them keeps memory bounded.
    static constexpr qint64 maxFileSize = 1024 * 1024;
    // File names longer than this many bytes are refused by common file systems.
    static constexpr int maxFileNameBytes = 255;

    static QString suffix() { return QStringLiteral(".dat"); }
    static QString pathFor(const QString &directory, const QString &name);

    // The exact bytes of a record file.
    static QByteArray encode(const Record &record);
    // Reads the first ten fields of `data`; `path` only names the file in errors.
    static ReadResult parse(QByteArrayView data, const QString &path);

    // What the format or a file name cannot hold, checked before writing so
    // that nothing is stored that would not read back as it was typed.
    static RecordError check(const Record &record);

    // Replaces directory/name.dat atomically: on any failure the earlier file stays whole.
    static RecordError write(const QString &directory, const Record &record);
    // Never opens anything but a regular file (a FIFO would block forever).
    static ReadResult read(const QString &path);
    // True only for a regular file; a directory of that name does not count.
    static bool exists(const QString &path);

    // Creates `directory` unless a file or directory of that name is already there.
    static RecordError ensureDirectory(const QString &directory);
    // Names of the regular "*.dat" files in `directory`, in German collation order
    // (case ignored, numbers in natural order). Empty when the folder is missing.
    static QStringList list(const QString &directory);
};

} // namespace ww
