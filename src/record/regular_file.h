#pragma once

#include <QByteArray>
#include <QString>

namespace ww::storage {

// How reading a whole regular file ended, for the caller's own message.
struct FileRead
{
    enum class Outcome {
        Read,
        Missing, // nothing there, or a part of the path is no folder
        Directory,
        Link, // a symbolic link where links are not followed
        Dangling, // a symbolic link to nothing
        NotRegular, // a FIFO, a device, a socket
        TooLarge,
        Failed, // the system refused: `error`
    };
    Outcome outcome = Outcome::Read;
    int error = 0;
    qint64 size = 0; // the file's size, for TooLarge
    bool ok() const { return outcome == Outcome::Read; }
    // Why the file could not be read, in German, to follow a colon:
    // "sie ist ein Ordner", "der Datenträger ist voll".
    QString reason(qint64 maxBytes) const;
};

// All of the regular file at `nativePath`, at most `maxBytes` of it. A FIFO
// or a device is never opened (the file is looked at first, and opened
// without blocking should it have changed since); with `followLinks` false,
// a symbolic link in the file's place is refused rather than followed.
FileRead readRegularFile(const QByteArray &nativePath, qint64 maxBytes, QByteArray &bytes, bool followLinks = true);

// All that `nativePath` gives, up to one byte past `maxBytes`: a regular
// file, a pipe or a device alike (a table may come through a pipe; from
// /dev/zero it is refused as a large file is). Waits for a pipe's writer.
// A directory is refused; TooLarge's size is the file's, or for anything
// else one byte past the bound.
FileRead readAnyFile(const QByteArray &nativePath, qint64 maxBytes, QByteArray &bytes);

} // namespace ww::storage
