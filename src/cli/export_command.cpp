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
    const QStringList &columns = table::columns();
    int faulty = 0;
    // Rows are added as the records are read, in the pickers' order.
    QByteArray text = format == Format::Csv ? csv::write({columns}, style) : QByteArray();
    QJsonArray array;
    const QStringList problems = forEachRecord(RecordStore(root), [&](const StoredRecord &stored) {
        if (!stored.result.ok()) {
            ++faulty;
            err << stored.path << QStringLiteral(": ") << stored.result.error().message() << '\n';
            return;
        }
        const QStringList cells = table::cells({stored.folder, stored.name.shown, stored.result.record()});
        if (format == Format::Csv) {
            csv::appendRow(text, cells, style);
            return;
        }
        QJsonObject object;
        for (qsizetype i = 0; i < columns.size(); ++i)
            object.insert(columns[i], table::isCodeColumn(i) ? QJsonValue(cells[i].toInt()) : QJsonValue(cells[i]));
        array.append(object);
    });
    out.write(format == Format::Csv ? text : QJsonDocument(array).toJson(QJsonDocument::Indented));
    for (const QString &problem : problems)
        err << problem << '\n';
    return faulty > 0 || !problems.isEmpty() ? 1 : 0;
}

} // namespace ww::cli
