#pragma once

#include <QLatin1String>
#include <QtGlobal>

// The limits every layer shares: what the check lets through, the reader
// takes and the editor's boxes hold. Apart from the format so that its
// error messages can name them without depending on it.
namespace ww::format {

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

} // namespace ww::format
