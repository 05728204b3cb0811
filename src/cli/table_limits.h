#pragma once

#include <QtGlobal>

// What a table may hold, in every dimension, whatever its format; each is
// checked as the table is read, before the work grows with it. A real
// content folder is about 10,000 records: 50 MiB as a table, 10,000 rows of
// 19 cells.
namespace ww::table {

// Read from a file, a pipe or a device alike.
inline constexpr qint64 maxBytes = qint64(64) * 1024 * 1024;
// Rows with text, a header's included; a sheet's repeats count with the cells.
inline constexpr qsizetype maxRows = qsizetype(100) * 1000;
inline constexpr qsizetype maxRowCells = 1000;
inline constexpr qsizetype maxCells = qsizetype(2) * 1000 * 1000;
// A list of objects holding strings and numbers is two deep.
inline constexpr int maxJsonDepth = 32;
// Digits, sign, point and exponent of one JSON number.
inline constexpr qsizetype maxNumberCharacters = 40;

} // namespace ww::table
