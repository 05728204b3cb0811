#include "record_table.h"

#include "value_lists.h"

#include <array>

namespace ww::table {
namespace {

constexpr std::array<bool, Record::fieldCount> isListField = {
    true, false, true, false, true, true, true, true, true, false,
};

QString textColumn(int field)
{
    return fieldCaption(field) + QStringLiteral(" (Text)");
}

const QList<ListEntry> &entriesOf(int field)
{
    switch (field) {
    case 1: return lists::kinds();
    case 3: return lists::magicColours();
    default: return lists::percents();
    }
}

QString displayText(int field, int code)
{
    const int position = field == 1 ? lists::kindPosition(code)
        : field == 3                ? lists::magicPosition(code)
                                    : lists::percentPosition(code);
    return position < 0 ? QString() : entriesOf(field)[position].text;
}

QString allowed(int field)
{
    const QList<ListEntry> &entries = entriesOf(field);
    return QStringLiteral("%1 bis %2").arg(entries.constFirst().code).arg(entries.constLast().code);
}

std::array<int *, Record::fieldCount> codes(Record &r)
{
    return {&r.kind, nullptr, &r.magic, nullptr, &r.attack, &r.defence, &r.moveEarth, &r.moveWater, &r.moveAir, nullptr};
}

std::array<QString *, Record::fieldCount> texts(Record &r)
{
    return {nullptr, &r.name, nullptr, &r.mana, nullptr, nullptr, nullptr, nullptr, nullptr, &r.text};
}

// A whole number, from JSON's numbers or a table's text.
std::optional<int> toCode(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        if (d != double(int(d)))
            return std::nullopt;
        return int(d);
    }
    bool ok = false;
    const int code = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
}

} // namespace

const QStringList &columns()
{
    static const QStringList names = [] {
        QStringList c = {QStringLiteral("Ordner"), QStringLiteral("Datei")};
        for (int field = 1; field <= Record::fieldCount; ++field) {
            c.append(fieldCaption(field));
            if (isListField[field - 1])
                c.append(textColumn(field));
        }
        return c;
    }();
    return names;
}

QStringList cells(const Row &row)
{
    QStringList c;
    c.reserve(columns().size());
    c.append(row.folder);
    c.append(row.file);
    Record r = row.record;
    const auto numbers = codes(r);
    const auto strings = texts(r);
    for (int field = 1; field <= Record::fieldCount; ++field) {
        if (isListField[field - 1]) {
            const int code = *numbers[field - 1];
            c.append(QString::number(code));
            c.append(displayText(field, code));
        } else {
            c.append(*strings[field - 1]);
        }
    }
    return c;
}

bool isCodeColumn(qsizetype index)
{
    static const QList<bool> codes = [] {
        QList<bool> flags = {false, false};
        for (int field = 1; field <= Record::fieldCount; ++field) {
            flags.append(isListField[field - 1]);
            if (isListField[field - 1])
                flags.append(false);
        }
        return flags;
    }();
    return codes.value(index);
}

std::optional<Row> fromCells(const std::function<QVariant(const QString &column)> &cell, QString &error)
{
    Row row;
    row.folder = cell(QStringLiteral("Ordner")).toString();
    row.file = cell(QStringLiteral("Datei")).toString();
    const auto numbers = codes(row.record);
    const auto strings = texts(row.record);
    for (int field = 1; field <= Record::fieldCount; ++field) {
        const QString column = fieldCaption(field);
        const QVariant value = cell(column);
        if (!isListField[field - 1]) {
            *strings[field - 1] = value.toString();
            continue;
        }
        const std::optional<int> code = toCode(value);
        if (!code) {
            error = QStringLiteral("Spalte '%1' enthält keine ganze Zahl, sondern '%2'.").arg(column, value.toString());
            return std::nullopt;
        }
        const QString shown = displayText(field, *code);
        if (shown.isEmpty()) {
            error = QStringLiteral("Spalte '%1' enthält den Code %2; erlaubt ist %3.")
                        .arg(column)
                        .arg(*code)
                        .arg(allowed(field));
            return std::nullopt;
        }
        const QString given = cell(textColumn(field)).toString();
        if (!given.isEmpty() && given != shown) {
            error = QStringLiteral("Spalte '%1' sagt '%2', der Code %3 in Spalte '%4' steht aber für '%5'.")
                        .arg(textColumn(field), given)
                        .arg(*code)
                        .arg(column, shown);
            return std::nullopt;
        }
        *numbers[field - 1] = *code;
    }
    return row;
}

} // namespace ww::table
