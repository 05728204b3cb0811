#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Tables as RFC 4180 CSV in UTF-8: a field holding the separator, a quote
// or a line break is quoted, quotes doubled, records end with CR LF.
namespace ww::csv {

struct Style
{
    char separator = ',';
    bool byteOrderMark = false;
};
// What German spreadsheet programs expect.
inline constexpr Style excel{';', true};

QByteArray write(const QList<QStringList> &rows, Style style);
// One record of fields, appended to `out`; write() is these, after the mark.
void appendRow(QByteArray &out, const QStringList &row, Style style);

// Rows of fields. The separator is taken from the first line (';' or ','),
// a byte-order mark is dropped. The encoding is decided once for the whole
// table: UTF-8 where all of it is, otherwise Windows-1252 as spreadsheet
// programs on Windows save it, and then `codePage` is set. `error` gets a
// German reason when the text is no valid CSV.
std::optional<QList<QStringList>> read(const QByteArray &data, QString &error, bool *codePage = nullptr);

} // namespace ww::csv
