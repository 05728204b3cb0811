#pragma once

#include "read_result.h"
#include "record.h"
#include "record_error.h"

#include <QString>
#include <QStringList>

// Record files on disk: where they lie, reading, replacing, listing.
namespace ww::storage {

// A record file's name as the file system holds it, and as it is shown.
// Names that are not UTF-8 (from a Windows archive, say) show as Windows-1252.
struct ListedName
{
    QByteArray native;
    QString shown;
};

} // namespace ww::storage

// Both members move by their bytes, so lists of names grow without copying.
Q_DECLARE_TYPEINFO(ww::storage::ListedName, Q_RELOCATABLE_TYPE);

namespace ww::storage {

// directory "/" name ".dat", the name used as it stands.
QString pathFor(const QString &directory, const QString &name);

// Replaces directory/name.dat atomically: on any failure the earlier file stays whole.
RecordError write(const QString &directory, const Record &record);
// The same under a file name of the caller's (a table names its files).
RecordError write(const QString &directory, const QString &fileName, const Record &record);
// What write() would refuse, found without writing: a file or link where
// the folder should be, a link, a folder or a write-protected file in the
// file's place. A folder that is missing is fine: it is made on writing.
RecordError mayWrite(const QString &directory, const QString &fileName);
// Never opens anything but a regular file (a FIFO would block forever).
ReadResult read(const QString &path);
// The same for a path in the file system's bytes; `shownPath` names it in errors.
ReadResult read(const QByteArray &nativePath, const QString &shownPath);
// A record file's bytes as the reader takes them, unparsed.
RecordError readBytes(const QByteArray &nativePath, const QString &shownPath, QByteArray &bytes);
// True only for a regular file; a directory of that name does not count.
bool exists(const QString &path);

// Creates `directory` unless a file or directory of that name is already there.
RecordError ensureDirectory(const QString &directory);
// A folder's record files, or why it could not be read. A missing folder
// holds no files; one that exists and cannot be listed is an error, never
// an empty list.
struct Listing
{
    QList<ListedName> names;
    // "*.dat" entries that are no regular file (a FIFO, a folder, a link
    // that leads nowhere or in a circle): never opened, but there to be named.
    QList<ListedName> others;
    RecordError error;
    bool found = false; // the folder is there, readable or not
};

// `text` as a terminal or a list may show it: control characters (ESC, LF,
// DEL, NUL, U+0085, ...) as \xHH, zero-width and direction marks as \uHHHH.
QString printable(const QString &text);

// The regular "*.dat" files in `directory`, in German collation order of
// their shown names (case ignored, numbers in natural order).
Listing list(const QString &directory);

} // namespace ww::storage
