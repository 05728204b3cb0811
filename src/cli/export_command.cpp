#include "commands.h"

#include "ods_table.h"
#include "record_table.h"
#include "stored_records.h"

#include <QFileDevice>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <numeric>

namespace ww::cli {
namespace {

// A string as Qt's JSON writer spells it: UTF-8, with \" \\ \b \f \n \r \t and
// \u00xx (lower-case) for the other control characters.
void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    const auto plain = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u != '"' && u != '\\';
    };
    // Most cells need no escape: appended whole rather than byte by byte.
    if (std::all_of(utf8.begin(), utf8.end(), plain)) {
        out += utf8;
        out += '"';
        return;
    }
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != '"' && u != '\\') {
            out += c;
            continue;
        }
        out += '\\';
        switch (u) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '\b': out += 'b'; break;
        case '\f': out += 'f'; break;
        case '\n': out += 'n'; break;
        case '\r': out += 'r'; break;
        case '\t': out += 't'; break;
        default: {
            constexpr char hex[] = "0123456789abcdef";
            out += "u00";
            out += hex[u >> 4];
            out += hex[u & 0xf];
        }
        }
    }
    out += '"';
}

// One row as an element of an indented JSON array, as QJsonDocument writes
// it: the keys sorted, four spaces a level.
void appendJsonRow(QByteArray &out, const QStringList &columns, const QStringList &cells)
{
    static const QList<qsizetype> sorted = [&columns] {
        QList<qsizetype> order(columns.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&columns](qsizetype a, qsizetype b) { return columns[a] < columns[b]; });
        return order;
    }();
    // Each key with its indent and colon, spelt once for all rows.
    static const QList<QByteArray> keys = [&columns] {
        QList<QByteArray> spelt;
        for (const QString &column : columns) {
            QByteArray key("        ");
            appendJsonString(key, column);
            spelt.append(key + ": ");
        }
        return spelt;
    }();
    out += "    {\n";
    for (qsizetype n = 0; n < sorted.size(); ++n) {
        const qsizetype i = sorted[n];
        out += keys[i];
        if (table::isCodeColumn(i))
            out += QByteArray::number(cells[i].toInt());
        else
            appendJsonString(out, cells[i]);
        out += n + 1 < sorted.size() ? ",\n" : "\n";
    }
    out += "    }";
}

// LibreOffice Calc keeps a cell of several lines, but drops every tab in
// it when it saves the sheet (7.4, whether the tab is stored as a character
// or as <text:tab/>). The sheet itself is whole; the writer is told which
// record such a round trip would change before it happens.
void noteWhatCalcChanges(const QString &path, const QStringList &cells, QTextStream &err)
{
    const QStringList &columns = table::columns();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString &cell = cells[i];
        const bool lines = cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
        if (lines && cell.contains(QLatin1Char('\t')))
            err << storage::printable(QStringLiteral("%1: Hinweis: Die Spalte '%2' hat mehrere Zeilen und Tabulatoren; "
                                                     "LibreOffice Calc entfernt beim Speichern die Tabulatoren aus "
                                                     "solchen Zellen.")
                                          .arg(path, columns[i]))
                << '\n';
    }
}

// The table on its way out, a piece at a time.
struct Pieces
{
    static constexpr qsizetype size = qsizetype(64) * 1024;
    explicit Pieces(QIODevice &device) : out(device) { text.reserve(size + 4096); }

    void handOn()
    {
        wrote(out.write(text) == text.size());
        text.truncate(0);
    }
    // The rest, and all of it through to the file; false if any of it failed.
    bool finish()
    {
        handOn();
        if (auto *file = qobject_cast<QFileDevice *>(&out))
            wrote(file->flush());
        return written;
    }

    QIODevice &out;
    QByteArray text;
    bool written = true;
    int error = 0;

private:
    // The first failure is the one worth naming.
    void wrote(bool ok)
    {
        if (written && !ok) {
            written = false;
            error = errno;
        }
    }
};

// A spreadsheet would cut what a cell cannot hold: such a record is named
// and left out. What Calc would change is noted.
bool fitsSheet(const QString &path, const QStringList &cells, QTextStream &err)
{
    const QStringList &columns = table::columns();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (const QString problem = ods::cellProblem(cells[i]); !problem.isEmpty()) {
            err << storage::printable(QStringLiteral("%1: Die Spalte '%2' hat %3; der Datensatz fehlt in der Tabelle.")
                                          .arg(path, columns[i], problem))
                << '\n';
            return false;
        }
    }
    noteWhatCalcChanges(path, cells, err);
    return true;
}

} // namespace

int exportTable(const QString &root, Format format, csv::Style style, QIODevice &out, QTextStream &err)
{
    const QStringList &columns = table::columns();
    int faulty = 0;
    int rows = 0;
    // Rows are added as the records are read, in the pickers' order, and
    // handed on in pieces: a table of 10,000 records never lies in memory whole.
    Pieces pieces(out);
    QByteArray &text = pieces.text;
    text = format == Format::Csv ? csv::write({columns}, style) : QByteArrayLiteral("[\n");
    QList<QStringList> sheet{columns};
    const QStringList problems = forEachRecord(RecordStore(root), [&](const StoredRecord &stored) {
        if (!stored.result.ok()) {
            ++faulty;
            err << storage::printable(stored.path + QStringLiteral(": ") + stored.result.error().message()) << '\n';
            return;
        }
        QStringList cells = table::cells({stored.folder, stored.name.shown, stored.result.record()});
        if (format == Format::Ods) {
            if (!fitsSheet(stored.path, cells, err)) {
                ++faulty;
                return;
            }
            sheet.append(std::move(cells));
            return;
        }
        if (format == Format::Csv) {
            csv::appendRow(text, cells, style);
        } else {
            if (rows++ > 0)
                text += ",\n";
            appendJsonRow(text, columns, cells);
        }
        if (text.size() >= Pieces::size)
            pieces.handOn();
    });
    if (format == Format::Json)
        text += rows > 0 ? "\n]\n" : "]\n";
    if (format == Format::Ods)
        text = ods::write(sheet, table::isCodeColumn);
    const bool written = pieces.finish();
    for (const QString &problem : problems)
        err << storage::printable(problem) << '\n';
    // A table that did not arrive whole is no export: a full disk must not pass.
    if (!written) {
        err << QStringLiteral("Die Tabelle konnte nicht vollständig auf die Standardausgabe geschrieben werden: %1.\n")
                   .arg(RecordError::reasonFromErrno(pieces.error));
        return 1;
    }
    return faulty > 0 || !problems.isEmpty() ? 1 : 0;
}

} // namespace ww::cli
