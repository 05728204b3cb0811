#include "record_table.h"

#include "record_fields.h"

namespace ww::table {
namespace {

QString textColumn(const fields::Field &f)
{
    return f.captionText() + QStringLiteral(" (Text)");
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

// A percentage as spreadsheets rewrite it ("10,00 %", "10.00%") states the
// same number as the list's "10%"; any other text must match exactly.
bool agrees(const QString &given, const QString &shown)
{
    if (given == shown)
        return true;
    const auto percent = [](const QString &text) -> std::optional<double> {
        QString compact;
        for (const QChar c : text) {
            if (!c.isSpace())
                compact += c == QLatin1Char(',') ? QLatin1Char('.') : c;
        }
        if (!compact.endsWith(QLatin1Char('%')))
            return std::nullopt;
        bool ok = false;
        const double value = compact.chopped(1).toDouble(&ok);
        return ok ? std::optional<double>(value) : std::nullopt;
    };
    const std::optional<double> a = percent(given);
    const std::optional<double> b = percent(shown);
    return a && b && *a == *b;
}

} // namespace

const QStringList &columns()
{
    static const QStringList names = [] {
        QStringList c = {QStringLiteral("Ordner"), QStringLiteral("Datei")};
        for (const fields::Field &f : fields::all()) {
            c.append(f.captionText());
            if (f.kind == fields::Kind::Code)
                c.append(textColumn(f));
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
    for (const fields::Field &f : fields::all()) {
        if (f.kind == fields::Kind::Code) {
            const int code = row.record.*f.code;
            c.append(QString::number(code));
            c.append(f.displayText(code));
        } else {
            c.append(row.record.*f.text);
        }
    }
    return c;
}

bool isCodeColumn(qsizetype index)
{
    static const QList<bool> codes = [] {
        QList<bool> flags = {false, false};
        for (const fields::Field &f : fields::all()) {
            flags.append(f.kind == fields::Kind::Code);
            if (f.kind == fields::Kind::Code)
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
    for (const fields::Field &f : fields::all()) {
        const QString column = f.captionText();
        const QVariant value = cell(column);
        if (f.kind != fields::Kind::Code) {
            row.record.*f.text = value.toString();
            continue;
        }
        const std::optional<int> code = toCode(value);
        if (!code) {
            error = QStringLiteral("Spalte '%1' enthält keine ganze Zahl, sondern '%2'.").arg(column, value.toString());
            return std::nullopt;
        }
        const QString shown = f.displayText(*code);
        if (shown.isEmpty()) {
            const QList<ListEntry> &entries = f.entries();
            error = QStringLiteral("Spalte '%1' enthält den Code %2; erlaubt ist %3 bis %4.")
                        .arg(column)
                        .arg(*code)
                        .arg(entries.constFirst().code)
                        .arg(entries.constLast().code);
            return std::nullopt;
        }
        const QString given = cell(textColumn(f)).toString();
        if (!given.isEmpty() && !agrees(given, shown)) {
            error = QStringLiteral("Spalte '%1' sagt '%2', der Code %3 in Spalte '%4' steht aber für '%5'.")
                        .arg(textColumn(f), given)
                        .arg(*code)
                        .arg(column, shown);
            return std::nullopt;
        }
        row.record.*f.code = *code;
    }
    return row;
}

} // namespace ww::table
