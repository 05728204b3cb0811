#include "csv_table.h"

#include "table_limits.h"
#include "windows1252.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>


#include <csv.h>

namespace ww::csv {
namespace {

// `text` in UTF-8 at the end of `out`, without a copy of its own on the way.
void appendUtf8(QByteArray &out, const QString &text)
{
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const qsizetype start = out.size();
    out.resize(start + utf8.requiredSpace(text.size()));
    char *end = utf8.appendToBuffer(out.data() + start, text);
    out.truncate(end - out.constData());
}

void appendField(QByteArray &out, const QString &text, char separator)
{
    bool quote = false;
    bool quoteInside = false;
    for (const QChar c : text) {
        quoteInside = quoteInside || c == QLatin1Char('"');
        quote = quote || c == QLatin1Char(separator) || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    }
    if (quoteInside) {
        QByteArray bytes = text.toUtf8();
        bytes.replace('"', QByteArrayView("\"\""));
        out += '"';
        out += bytes;
        out += '"';
        return;
    }
    if (quote)
        out += '"';
    appendUtf8(out, text);
    if (quote)
        out += '"';
}

// The rows so far, and why reading stopped early: a row, a row's cells
// or the cells in all past their bound.
struct Collector
{
    QList<QList<QByteArray>> rows;
    QList<QByteArray> current;
    qsizetype cells = 0;
    QString stop;

    void field(QByteArray text)
    {
        if (!stop.isEmpty())
            return;
        const QLocale german(QLocale::German, QLocale::Germany);
        if (current.size() >= table::maxRowCells) {
            stop = QStringLiteral("Zeile %1 der Tabelle hat mehr als %2 Zellen; eingelesen werden höchstens so viele.")
                       .arg(rows.size() + 1)
                       .arg(german.toString(table::maxRowCells));
        } else if (++cells > table::maxCells) {
            stop = QStringLiteral("Die Tabelle hat bis Zeile %1 schon %2 Zellen; eingelesen werden höchstens %3.")
                       .arg(rows.size() + 1)
                       .arg(german.toString(cells), german.toString(table::maxCells));
        }
        current.append(std::move(text));
    }
    void row()
    {
        if (!stop.isEmpty())
            return;
        if (rows.size() >= table::maxRows) {
            const QLocale german(QLocale::German, QLocale::Germany);
            stop = QStringLiteral("Die Tabelle hat mehr als %1 Zeilen; eingelesen werden höchstens so viele.")
                       .arg(german.toString(table::maxRows));
        }
        rows.append(std::exchange(current, {}));
    }
};

// The fields of `bytes` into `collector`; false, with `error`, where the
// CSV is broken or a bound is passed.
bool parse(QByteArrayView bytes, char separator, Collector &collector, QString &error)
{
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        error = QStringLiteral("Kein Speicher für die Tabelle.");
        return false;
    }
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    // Spaces are part of a field: mana " 5 " stays as it is.
    csv_set_space_func(&parser, [](unsigned char) { return 0; });
    const auto onField = [](void *text, size_t size, void *data) {
        static_cast<Collector *>(data)->field(QByteArray(static_cast<const char *>(text), qsizetype(size)));
    };
    const auto onRow = [](int, void *data) { static_cast<Collector *>(data)->row(); };
    // In pieces, so that a bound stops the reading soon after it is passed.
    constexpr qsizetype piece = qsizetype(256) * 1024;
    bool ok = true;
    for (qsizetype at = 0; ok && at < bytes.size() && collector.stop.isEmpty(); at += piece) {
        const QByteArrayView part = bytes.sliced(at, std::min(piece, bytes.size() - at));
        ok = csv_parse(&parser, part.data(), size_t(part.size()), onField, onRow, &collector) == size_t(part.size());
    }
    if (ok && collector.stop.isEmpty())
        ok = csv_fini(&parser, onField, onRow, &collector) == 0;
    const int problem = csv_error(&parser);
    csv_free(&parser);
    if (!collector.stop.isEmpty()) {
        error = collector.stop;
        return false;
    }
    if (!ok) {
        error = problem == CSV_EPARSE
            ? QStringLiteral("Die Tabelle ist kein gültiges CSV: In Zeile %1 steht ein Anführungszeichen falsch "
                             "oder wird nicht geschlossen.")
                  .arg(collector.rows.size() + 1)
            : QStringLiteral("Die Tabelle kann nicht gelesen werden: zu wenig Speicher.");
        return false;
    }
    return true;
}

} // namespace

QByteArray write(const QList<QStringList> &rows, Style style)
{
    QByteArray out = style.byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QStringList &row : rows)
        appendRow(out, row, style);
    return out;
}

void appendRow(QByteArray &out, const QStringList &row, Style style)
{
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += style.separator;
        appendField(out, row[i], style.separator);
    }
    out += "\r\n";
}

std::optional<QList<QStringList>> read(const QByteArray &data, QString &error, bool *codePage)
{
    QByteArrayView bytes(data);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    // Per cell, a code-page cell that happens to be valid UTF-8 ("Ã©") would
    // change. Checked in place: decoded, the table would take twice its size.
    const bool utf8Table = bytes.isValidUtf8();
    if (codePage)
        *codePage = !utf8Table;
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QByteArrayView firstLine = lineEnd < 0 ? bytes : bytes.first(lineEnd);
    const char separator = firstLine.count(';') > firstLine.count(',') ? ';' : ',';

    Collector collector;
    if (!parse(bytes, separator, collector, error))
        return std::nullopt;
    QList<QStringList> rows;
    rows.reserve(collector.rows.size());
    for (QList<QByteArray> &raw : collector.rows) {
        QStringList row;
        row.reserve(raw.size());
        for (const QByteArray &f : std::as_const(raw))
            row.append(utf8Table ? QString::fromUtf8(f) : windows1252::decode(f));
        rows.append(row);
        // Each row's bytes go as its text comes: the table is never held three times over.
        raw = {};
    }
    return rows;
}

} // namespace ww::csv
