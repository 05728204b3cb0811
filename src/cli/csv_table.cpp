#include "csv_table.h"

#include "windows1252.h"

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

struct Collector
{
    QList<QList<QByteArray>> rows;
    QList<QByteArray> current;
};

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
    // Per cell, a code-page cell that happens to be valid UTF-8 ("Ã©") would change.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const bool utf8Table = [&] {
        const QString probe = utf8.decode(bytes);
        return !utf8.hasError();
    }();
    if (codePage)
        *codePage = !utf8Table;
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QByteArrayView firstLine = lineEnd < 0 ? bytes : bytes.first(lineEnd);
    const char separator = firstLine.count(';') > firstLine.count(',') ? ';' : ',';

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        error = QStringLiteral("Kein Speicher für die Tabelle.");
        return std::nullopt;
    }
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    // Spaces are part of a field: mana " 5 " stays as it is.
    csv_set_space_func(&parser, [](unsigned char) { return 0; });
    Collector collector;
    const auto onField = [](void *text, size_t size, void *data) {
        static_cast<Collector *>(data)->current.append(QByteArray(static_cast<const char *>(text), qsizetype(size)));
    };
    const auto onRow = [](int, void *data) {
        auto *c = static_cast<Collector *>(data);
        c->rows.append(std::exchange(c->current, {}));
    };
    const size_t parsed = csv_parse(&parser, bytes.data(), size_t(bytes.size()), onField, onRow, &collector);
    const bool ok = parsed == size_t(bytes.size()) && csv_fini(&parser, onField, onRow, &collector) == 0;
    const int problem = csv_error(&parser);
    csv_free(&parser);
    if (!ok) {
        error = problem == CSV_EPARSE
            ? QStringLiteral("Die Tabelle ist kein gültiges CSV: In Zeile %1 steht ein Anführungszeichen falsch "
                             "oder wird nicht geschlossen.")
                  .arg(collector.rows.size() + 1)
            : QStringLiteral("Die Tabelle kann nicht gelesen werden: zu wenig Speicher.");
        return std::nullopt;
    }
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
