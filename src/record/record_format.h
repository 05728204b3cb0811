#pragma once

#include "read_result.h"
#include "record.h"
#include "record_error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1String>
#include <QString>

// The one-line, comma-separated record file as bytes: no file system here.
namespace ww::format {

// The limits every layer shares: what the check lets through, the reader
// takes and the editor's boxes hold.
// Larger files cannot be records; refusing them keeps memory bounded.
inline constexpr qint64 maxFileBytes = qint64(1024) * 1024;
// File names longer than this many bytes are refused by common file systems.
inline constexpr int maxFileNameBytes = 255;
inline constexpr QLatin1String suffix(".dat");
// A file is replaced through a temporary one beside it, named after it with
// ".XXXXXX" appended, which must fit as well.
inline constexpr int replaceSuffixBytes = 7;
// What is left of a file name for the record's name.
inline constexpr int maxNameBytes = maxFileNameBytes - int(suffix.size()) - replaceSuffixBytes;

// The exact bytes of a record file.
QByteArray encode(const Record &record);
// Reads the first ten fields of `data`; `path` only names the file in errors.
ReadResult parse(QByteArrayView data, const QString &path);

// What the format or a file name cannot hold, checked before writing so
// that nothing is stored that would not read back as it was typed.
RecordError check(const Record &record);

// A name that stays inside its folder: no separator, not "." or "..".
bool staysInFolder(const QString &fileName);

} // namespace ww::format
