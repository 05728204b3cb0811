#include "commands.h"

#include "record_fields.h"
#include "record_format.h"
#include "record_store.h"
#include "record_table.h"
#include "value_lists.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace ww::cli {
namespace {

// A table row before it is understood: where it stands and how to get a cell.
struct RawRow
{
    QString where; // "Zeile 3", "Eintrag 2"
    std::function<QVariant(const QString &)> cell;
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

std::optional<QList<RawRow>> csvRows(const QByteArray &data, QString &error)
{
    const auto table = csv::read(data, error);
    if (!table)
        return std::nullopt;
    if (table->isEmpty()) {
        error = QStringLiteral("Die Tabelle ist leer.");
        return std::nullopt;
    }
    QHash<QString, qsizetype> index;
    for (qsizetype i = 0; i < table->constFirst().size(); ++i)
        index.insert(table->constFirst()[i].trimmed(), i);
    for (const QString &column : table::columns()) {
        if (!index.contains(column) && !column.endsWith(QLatin1String(" (Text)"))) {
            error = QStringLiteral("Der Tabelle fehlt die Spalte '%1'.").arg(column);
            return std::nullopt;
        }
    }
    const QString description = fields::caption(fields::positionOf(&Record::text));
    QList<RawRow> rows;
    for (qsizetype r = 1; r < table->size(); ++r) {
        const QStringList cells = table->at(r);
        if (std::all_of(cells.begin(), cells.end(), [](const QString &c) { return c.isEmpty(); }))
            continue; // a blank line, as spreadsheets leave at the end
        rows.append({QStringLiteral("Zeile %1").arg(r + 1), [cells, index, description](const QString &column) {
                         const qsizetype i = index.value(column, -1);
                         const QString value = i >= 0 && i < cells.size() ? cells[i] : QString();
                         return QVariant(column == description ? crlf(value) : value);
                     }});
    }
    return rows;
}

std::optional<QList<RawRow>> jsonRows(const QByteArray &data, QString &error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        error = document.isNull() ? QStringLiteral("Die Tabelle ist kein gültiges JSON (Zeichen %1: %2).")
                                        .arg(parseError.offset)
                                        .arg(parseError.errorString())
                                  : QStringLiteral("Die Tabelle ist keine JSON-Liste von Datensätzen.");
        return std::nullopt;
    }
    QList<RawRow> rows;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonObject object = array[i].toObject();
        rows.append({QStringLiteral("Eintrag %1").arg(i + 1),
                     [object](const QString &column) { return object.value(column).toVariant(); }});
    }
    return rows;
}

// Why the row's file may not be written, or an empty string.
QString fileProblem(const table::Row &row)
{
    if (row.folder != lists::recordDirectory(lists::creatureKind) && row.folder != lists::recordDirectory(lists::spellKind))
        return QStringLiteral("Den Ordner '%1' gibt es nicht; erlaubt sind 'Kreaturen' und 'Zauber'.").arg(row.folder);
    if (!row.file.endsWith(format::suffix, Qt::CaseInsensitive) || row.file.size() == format::suffix.size() || !format::staysInFolder(row.file))
        return QStringLiteral("'%1' ist kein Dateiname für einen Datensatz (NAME.dat, ohne '/' und '\\').").arg(row.file);
    const qsizetype bytes = QFile::encodeName(row.file).size();
    if (bytes > format::maxNameBytes + format::suffix.size())
        return QStringLiteral("Der Dateiname '%1' ist zu lang: höchstens %2 Bytes, er hat %3 Bytes.")
            .arg(row.file)
            .arg(format::maxNameBytes + format::suffix.size())
            .arg(bytes);
    return QString();
}

// The bytes of the file a row would replace, read as a picker reads it
// (never opening a FIFO or a device); empty when it cannot be read.
QByteArray existing(const RecordStore &store, int kind, const QString &fileName)
{
    QByteArray bytes;
    return store.readBytes(kind, fileName, bytes).isError() ? QByteArray() : bytes;
}

} // namespace

int importTable(const QString &tablePath, const QString &root, ImportOptions options, QTextStream &out,
                QTextStream &err)
{
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly)) {
        err << QStringLiteral("Die Tabelle '%1' kann nicht gelesen werden: %2.\n").arg(tablePath, file.errorString());
        return 2;
    }
    const QByteArray data = file.readAll();
    const QByteArray start = data.trimmed().left(4);
    QString error;
    const auto rows = start.startsWith('[') ? jsonRows(data, error) : csvRows(data, error);
    if (!rows) {
        err << tablePath << QStringLiteral(": ") << error << '\n';
        return 1;
    }

    const RecordStore store(root);
    int created = 0;
    int replaced = 0;
    int unchanged = 0;
    int refused = 0;
    QHash<QString, QString> targets; // path -> where in the table
    for (const RawRow &raw : *rows) {
        const auto refuse = [&](const QString &reason) {
            ++refused;
            out << QStringLiteral("abgelehnt: ") << raw.where << QStringLiteral(": ") << reason << '\n';
        };
        std::optional<table::Row> row = table::fromCells(raw.cell, error);
        if (!row) {
            refuse(error);
            continue;
        }
        if (const QString problem = fileProblem(*row); !problem.isEmpty()) {
            refuse(problem);
            continue;
        }
        // The same check the editor runs before it saves.
        if (const RecordError problem = format::check(row->record); problem.isError()) {
            refuse(problem.message());
            continue;
        }
        // fileProblem() let only the two record folders through.
        const int kind = row->folder == lists::recordDirectory(lists::creatureKind) ? lists::creatureKind : lists::spellKind;
        const QString path = store.folder(kind) + QLatin1Char('/') + row->file;
        if (targets.contains(path)) {
            refuse(QStringLiteral("%1 stand schon in %2.").arg(path, targets[path]));
            continue;
        }
        targets.insert(path, raw.where);
        const bool present = store.exists(kind, row->file);
        if (present && existing(store, kind, row->file) == format::encode(row->record)) {
            ++unchanged;
            out << QStringLiteral("unverändert: ") << path << '\n';
            continue;
        }
        if (present && !options.overwrite) {
            refuse(QStringLiteral("%1 ist schon vorhanden; ersetzt wird nur mit --overwrite.").arg(path));
            continue;
        }
        if (!options.dryRun) {
            RecordError failure = store.ensureFolder(kind);
            if (!failure.isError())
                failure = store.write(kind, row->file, row->record);
            if (failure.isError()) {
                refuse(failure.message());
                continue;
            }
        }
        ++(present ? replaced : created);
        if (options.dryRun)
            out << (present ? QStringLiteral("würde ersetzen: ") : QStringLiteral("würde anlegen: "));
        else
            out << (present ? QStringLiteral("ersetzt: ") : QStringLiteral("angelegt: "));
        out << path << '\n';
    }
    out << QStringLiteral("%1%2 angelegt, %3 ersetzt, %4 unverändert, %5 abgelehnt.\n")
               .arg(options.dryRun ? QStringLiteral("Probelauf: ") : QString())
               .arg(created)
               .arg(replaced)
               .arg(unchanged)
               .arg(refused);
    return refused > 0 ? 1 : 0;
}

} // namespace ww::cli
