#pragma once

#include "record.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

namespace ww::table {

// One record as a row of a table: where it lies and its ten fields.
struct Row
{
    QString folder; // "Kreaturen" or "Zauber"
    QString file; // the file name, with ".dat"
    Record record;
};

// The columns in order: folder, file, then the ten fields, each list field
// as its code followed by its display text.
const QStringList &columns();

// A row's cells in column order, as text.
QStringList cells(const Row &row);
// Whether column `index` holds a code (a number) rather than text.
bool isCodeColumn(qsizetype index);

// A row from cells looked up by column name. Display texts may be missing
// or empty; given, they must agree with their code. `error` gets a German
// reason when there is no row.
std::optional<Row> fromCells(const std::function<QVariant(const QString &column)> &cell, QString &error);

} // namespace ww::table
