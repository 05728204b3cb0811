#include "commands.h"
#include "json_table.h"
#include "ods_table.h"
#include "table_limits.h"
#include "table_text.h"

#include "record_fields.h"
#include "record_format.h"
#include "record_store.h"
#include "record_table.h"
#include "regular_file.h"
#include "value_lists.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTextStream>

namespace ww::cli {
namespace {

// A table row before it is understood: where it stands and how to get a cell.
struct RawRow
{
    QString where; // "Zeile 3", "Eintrag 2"
    std::function<QVariant(const QString &)> cell;
    // The rows right below that repeat this one (a sheet's repeated row):
    // refused as one, without being read again.
    qsizetype repeats = 0;
    qsizetype line = 0;
    // Why the row is refused before its cells are read, or "".
    QString refusal;
};

// Spreadsheet programs keep a cell's line breaks as LF; the record has CR LF.
QString crlf(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            out += QLatin1Char('\r');
        out += text[i];
    }
    return out;
}

// A table's rows below its header row, cells found by the header's names.
std::optional<QList<RawRow>> headedRows(const std::optional<QList<QStringList>> &table, QString &error)
{
    if (!table)
        return std::nullopt;
    if (table->isEmpty()) {
        error = QStringLiteral("Die Tabelle ist leer.");
        return std::nullopt;
    }
    QHash<QString, qsizetype> index;
    const QStringList &known = table::columns();
    for (qsizetype i = 0; i < table->constFirst().size(); ++i) {
        const QString name = table->constFirst()[i].trimmed();
        // A column added for notes may share a name; one of the table's own may not.
        if (index.contains(name) && known.contains(name)) {
            error = QStringLiteral("Die Spalte '%1' steht zweimal in der Tabelle (Spalte %2 und %3); "
                                   "es ist nicht klar, welche gilt.")
                        .arg(name)
                        .arg(index.value(name) + 1)
                        .arg(i + 1);
            return std::nullopt;
        }
        index.insert(name, i);
    }
    for (const QString &column : known) {
        if (!index.contains(column) && !column.endsWith(QLatin1String(" (Text)"))) {
            error = QStringLiteral("Der Tabelle fehlt die Spalte '%1'.").arg(column);
            return std::nullopt;
        }
    }
    const QString description = fields::caption(fields::positionOf(&Record::text));
    QList<RawRow> rows;
    for (qsizetype r = 1; r < table->size(); ++r) {
        const QStringList cells = table->at(r);
        if (!rows.isEmpty() && rows.constLast().line + rows.constLast().repeats == r - 1 && cells.isSharedWith(table->at(r - 1))) {
            ++rows.last().repeats;
            continue;
        }
        if (std::all_of(cells.begin(), cells.end(), [](const QString &c) { return c.isEmpty(); }))
            continue; // a blank line, as spreadsheets leave at the end
        rows.append({QStringLiteral("Zeile %1").arg(r + 1),
                     [cells, index, description](const QString &column) {
                         const qsizetype i = index.value(column, -1);
                         const QString value = i >= 0 && i < cells.size() ? cells[i] : QString();
                         return QVariant(column == description ? crlf(value) : value);
                     },
                     0, r, {}});
    }
    return rows;
}

std::optional<QList<RawRow>> jsonRows(const QByteArray &data, QString &error)
{
    const std::optional<QJsonArray> array = json::read(data, error);
    if (!array)
        return std::nullopt;
    if (const QString twice = json::keyTwice(data, table::columns()); !twice.isEmpty()) {
        error = twice;
        return std::nullopt;
    }
    QList<RawRow> rows;
    rows.reserve(array->size());
    for (qsizetype i = 0; i < array->size(); ++i) {
        RawRow row;
        row.where = QStringLiteral("Eintrag %1").arg(i + 1);
        const QJsonValue entry = array->at(i);
        if (!entry.isObject()) {
            row.refusal = QStringLiteral("Der Eintrag enthält statt eines Objekts mit den Spalten als Namen %1.")
                              .arg(json::describe(entry));
            rows.append(row);
            continue;
        }
        // Shares the document's object; its cells are made when the row is read.
        const QJsonObject object = entry.toObject();
        for (const QString &column : table::columns()) {
            QString found;
            json::cell(object.value(column), found);
            if (!found.isEmpty()) {
                row.refusal = QStringLiteral("Spalte '%1' enthält %2; erlaubt sind ein Text oder eine ganze Zahl, "
                                             "die JSON genau hält (Betrag unter 2^53).")
                                  .arg(column, found);
                break;
            }
        }
        row.cell = [object](const QString &column) {
            QString found;
            return json::cell(object.value(column), found);
        };
        rows.append(row);
    }
    return rows;
}

// A list of records, or the single object a JSON table must not be.
bool looksLikeJson(QByteArrayView data)
{
    const QByteArrayView start = data.first(std::min<qsizetype>(data.size(), 4096)).trimmed();
    return start.startsWith('[') || start.startsWith('{');
}

// Why the row's file may not be written, or an empty string.
QString fileProblem(const table::Row &row)
{
    if (row.folder != lists::recordDirectory(lists::creatureKind) && row.folder != lists::recordDirectory(lists::spellKind))
        return QStringLiteral("Den Ordner '%1' gibt es nicht; erlaubt sind 'Kreaturen' und 'Zauber'.").arg(row.folder);
    if (!row.file.endsWith(format::suffix, Qt::CaseInsensitive) || row.file.size() == format::suffix.size() || !format::staysInFolder(row.file))
        return QStringLiteral("'%1' ist kein Dateiname für einen Datensatz (NAME.dat, ohne '/' und '\\').").arg(row.file);
    // The file's name obeys the rules the editor holds a name to.
    if (const RecordError problem = format::checkFileName(row.file.chopped(format::suffix.size())); problem.isError())
        return QStringLiteral("Spalte 'Datei': ") + problem.message();
    return QString();
}

// Shortened for a line of output: the start of a long text, and how long it is.
QString excerpt(const QString &text)
{
    constexpr qsizetype shown = 40;
    if (text.size() <= shown)
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    return QStringLiteral("'%1…' (%2 Zeichen)").arg(text.left(shown)).arg(text.size());
}

// One line per field in which `now` differs from the file's bytes `before`.
QStringList differences(const QByteArray &before, const Record &now, const QString &path)
{
    const ReadResult old = format::parse(before, path);
    if (!old.ok())
        return {QStringLiteral("  (die bisherige Datei ist nicht lesbar: %1)").arg(old.error().message())};
    QStringList lines;
    for (const fields::Field &f : fields::all()) {
        const QString was = f.kind == fields::Kind::Code ? QString::number(old.record().*f.code) : old.record().*f.text;
        const QString is = f.kind == fields::Kind::Code ? QString::number(now.*f.code) : now.*f.text;
        if (was != is)
            lines.append(QStringLiteral("  %1: %2 → %3").arg(f.captionText(), excerpt(was), excerpt(is)));
    }
    // Only bytes outside the fields differ: the line end, or what stood after the tenth field.
    if (lines.isEmpty())
        lines.append(QStringLiteral("  (gleiche Felder; die Datei wird in der Form des Editors geschrieben)"));
    return lines;
}

// The bytes of the file a row would replace, read as a picker reads it
// (never opening a FIFO or a device); empty when it cannot be read.
QByteArray existing(const RecordStore &store, int kind, const QString &fileName)
{
    QByteArray bytes;
    return store.readBytes(kind, fileName, bytes).isError() ? QByteArray() : bytes;
}

// The table at `path` as rows, its notes printed; nothing, with the reason
// on `err`, when it cannot be read as it stands.
std::optional<QList<RawRow>> readTable(const QString &path, QTextStream &out, QTextStream &err)
{
    QByteArray data;
    // A pipe or a device says nothing of its size: at most one byte past the bound is read.
    const storage::FileRead read = storage::readAnyFile(QFile::encodeName(path), table::maxBytes, data);
    if (read.outcome == storage::FileRead::Outcome::TooLarge) {
        err << QStringLiteral("Die Tabelle '%1' ist zu groß: Gelesen werden höchstens %2 MiB%3.\n")
                   .arg(storage::printable(path))
                   .arg(table::maxBytes / (qint64(1024) * 1024))
                   .arg(read.size > table::maxBytes + 1 ? QStringLiteral(", sie hat %1 Bytes").arg(read.size) : QString());
        return std::nullopt;
    }
    if (!read.ok()) {
        err << QStringLiteral("Die Tabelle '%1' kann nicht gelesen werden: %2.\n")
                   .arg(storage::printable(path), read.reason(table::maxBytes));
        return std::nullopt;
    }
    QStringList notes;
    QString error;
    if (!ods::looksLikeSpreadsheet(data)) {
        QString note;
        std::optional<QByteArray> text = tabletext::toUtf8(data, error, note);
        if (!text) {
            err << storage::printable(path) << QStringLiteral(": ") << storage::printable(error) << '\n';
            return std::nullopt;
        }
        data = std::move(*text);
        if (!note.isEmpty())
            notes.append(note);
    }
    // Editors on Windows start UTF-8 JSON with a byte-order mark as well.
    if (data.startsWith("\xEF\xBB\xBF") && looksLikeJson(QByteArrayView(data).sliced(3)))
        data.remove(0, 3);
    bool codePage = false;
    auto rows = ods::looksLikeSpreadsheet(data)  ? headedRows(ods::read(data, error, &notes), error)
                : looksLikeJson(data)          ? jsonRows(data, error)
                                                 : headedRows(csv::read(data, error, &codePage), error);
    if (!rows) {
        err << storage::printable(path) << QStringLiteral(": ") << storage::printable(error) << '\n';
        return std::nullopt;
    }
    if (codePage)
        notes.append(QStringLiteral("Die Tabelle ist kein UTF-8; sie wird ganz als Windows-1252 gelesen."));
    for (const QString &note : std::as_const(notes))
        out << QStringLiteral("Hinweis: ") << storage::printable(note) << '\n';
    return rows;
}

// Writes rows as record files, each as the editor's save would, and says
// what became of each.
class Import
{
public:
    Import(const QString &root, ImportOptions options, QTextStream &out) : m_store(root), m_options(options), m_out(out) {}

    void row(const RawRow &raw)
    {
        // A row the sheet repeats would go to the same file again: its
        // repeats are refused at once, however long the row.
        const auto refuseRepeats = qScopeGuard([&] {
            if (raw.repeats == 0)
                return;
            m_refused += int(raw.repeats);
            m_out << QStringLiteral("abgelehnt: Zeilen %1 bis %2: Sie wiederholen %3; jede Datei wird nur einmal geschrieben.\n")
                         .arg(raw.line + 2)
                         .arg(raw.line + 1 + raw.repeats)
                         .arg(raw.where);
        });
        if (!raw.refusal.isEmpty())
            return refuse(raw, raw.refusal);
        QString error;
        std::optional<table::Row> row = table::fromCells(raw.cell, error);
        if (!row)
            return refuse(raw, error);
        if (const QString problem = fileProblem(*row); !problem.isEmpty())
            return refuse(raw, problem);
        // The same check the editor runs before it saves.
        if (const RecordError problem = format::check(row->record); problem.isError())
            return refuse(raw, problem.message());
        // fileProblem() let only the two record folders through.
        const int kind = row->folder == lists::recordDirectory(lists::creatureKind) ? lists::creatureKind : lists::spellKind;
        const QString path = m_store.folder(kind) + QLatin1Char('/') + row->file;
        if (m_targets.contains(path))
            return refuse(raw, QStringLiteral("%1 stand schon in %2.").arg(path, m_targets[path]));
        m_targets.insert(path, raw.where);
        // What the real run would refuse, the dry run refuses too.
        if (const RecordError blocked = m_store.mayWrite(kind, row->file); blocked.isError())
            return refuse(raw, blocked.message());
        write(raw, *row, kind, path);
    }

    int end()
    {
        m_out << QStringLiteral("%1%2 angelegt, %3 ersetzt, %4 unverändert, %5 abgelehnt.\n")
                     .arg(m_options.dryRun ? QStringLiteral("Probelauf: ") : QString())
                     .arg(m_created)
                     .arg(m_replaced)
                     .arg(m_unchanged)
                     .arg(m_refused);
        return m_refused > 0 ? 1 : 0;
    }

private:
    void refuse(const RawRow &raw, const QString &reason)
    {
        ++m_refused;
        m_out << QStringLiteral("abgelehnt: ") << raw.where << QStringLiteral(": ") << storage::printable(reason) << '\n';
    }

    void write(const RawRow &raw, const table::Row &row, int kind, const QString &path)
    {
        const bool present = m_store.exists(kind, row.file);
        const QByteArray before = present ? existing(m_store, kind, row.file) : QByteArray();
        if (present && before == format::encode(row.record)) {
            ++m_unchanged;
            m_out << QStringLiteral("unverändert: ") << storage::printable(path) << '\n';
            return;
        }
        if (present && !m_options.overwrite)
            return refuse(raw, QStringLiteral("%1 ist schon vorhanden; ersetzt wird nur mit --overwrite.").arg(path));
        if (!m_options.dryRun) {
            RecordError failure = m_store.ensureFolder(kind);
            if (!failure.isError())
                failure = m_store.write(kind, row.file, row.record);
            if (failure.isError())
                return refuse(raw, failure.message());
        }
        ++(present ? m_replaced : m_created);
        if (m_options.dryRun)
            m_out << (present ? QStringLiteral("würde ersetzen: ") : QStringLiteral("würde anlegen: "));
        else
            m_out << (present ? QStringLiteral("ersetzt: ") : QStringLiteral("angelegt: "));
        m_out << storage::printable(path) << '\n';
        if (row.file != row.record.name + format::suffix)
            m_out << QStringLiteral("  Hinweis: Der Name '%1' weicht vom Dateinamen ab; Speichern im Editor schreibt '%2'.\n")
                         .arg(storage::printable(row.record.name), storage::printable(row.record.name + format::suffix));
        if (present) {
            for (const QString &line : differences(before, row.record, path))
                m_out << storage::printable(line) << '\n';
        }
    }

    const RecordStore m_store;
    const ImportOptions m_options;
    QTextStream &m_out;
    QHash<QString, QString> m_targets; // path -> where in the table
    int m_created = 0;
    int m_replaced = 0;
    int m_unchanged = 0;
    int m_refused = 0;
};

} // namespace

int importTable(const QString &tablePath, const QString &root, ImportOptions options, QTextStream &out,
                QTextStream &err)
{
    const std::optional<QList<RawRow>> rows = readTable(tablePath, out, err);
    if (!rows)
        return 2;
    Import import(root, options, out);
    for (const RawRow &raw : *rows)
        import.row(raw);
    return import.end();
}

} // namespace ww::cli
