#pragma once

#include "read_result.h"
#include "record.h"
#include "record_error.h"
#include "record_limits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one-line, comma-separated record file as bytes: no file system here.
namespace ww::format {

// The exact bytes of a record file.
QByteArray encode(const Record &record);
// Reads the first ten fields of `data`; `path` only names the file in errors.
ReadResult parse(QByteArrayView data, const QString &path);

// What the format or a file name cannot hold, checked before writing so
// that nothing is stored that would not read back as it was typed.
RecordError check(const Record &record);

// The rules a record's name obeys as a file name (without ".dat"): not
// empty, no separator or control character, not "." or "..", short enough.
RecordError checkFileName(const QString &name);

// True when a text field holds `text` as it stands: no quote, and only
// characters the file's code page has.
bool holdsText(QStringView text);

// A name that stays inside its folder: no separator, not "." or "..".
bool staysInFolder(const QString &fileName);

} // namespace ww::format
