#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A CSV or JSON table's bytes as UTF-8 (or the Windows-1252 the CSV reader
// tells apart itself): a table in UTF-16 or UTF-32 is read by its
// byte-order mark, and without one recognised by its zero bytes, as a
// spreadsheet saves "Unicode" text. One that does not decode is refused;
// a stray zero byte in other text is left to the row that holds it.
namespace ww::tabletext {

// `note` is set when the encoding was recognised without a mark.
std::optional<QByteArray> toUtf8(const QByteArray &data, QString &error, QString &note);

} // namespace ww::tabletext
