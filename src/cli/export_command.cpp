#include "commands.h"

#include "record_table.h"
#include "stored_records.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace ww::cli {

int exportTable(const QString &root, Format format, csv::Style style, QIODevice &out, QTextStream &err)
{
    int faulty = 0;
    QList<table::Row> rows;
    forEachRecord(root, [&](const StoredRecord &stored) {
        if (!stored.result.ok()) {
            ++faulty;
            err << stored.path << QStringLiteral(": ") << stored.result.error().message() << '\n';
            return;
        }
        rows.append({stored.folder, stored.name.shown, stored.result.record()});
    });

    const QStringList &columns = table::columns();
    if (format == Format::Json) {
        QJsonArray array;
        for (const table::Row &row : std::as_const(rows)) {
            const QVariantList cells = table::cells(row);
            QJsonObject object;
            for (qsizetype i = 0; i < columns.size(); ++i)
                object.insert(columns[i], QJsonValue::fromVariant(cells[i]));
            array.append(object);
        }
        out.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        QList<QStringList> lines = {columns};
        lines.reserve(rows.size() + 1);
        for (const table::Row &row : std::as_const(rows)) {
            QStringList line;
            for (const QVariant &cell : table::cells(row))
                line.append(cell.toString());
            lines.append(line);
        }
        out.write(csv::write(lines, style));
    }
    return faulty > 0 ? 1 : 0;
}

} // namespace ww::cli
