#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QVariant>

#include <optional>

// Tables as JSON: a list of objects, one a record, keyed by column name.
namespace ww::json {

// The list `data` holds, its shape bounded before Qt builds it (depth,
// entries, keys, a number's length). `error` gets a German reason, naming
// the character where it broke, when there is no list.
std::optional<QJsonArray> read(const QByteArray &data, QString &error);

// A cell's text: a string as it stands, a whole number JSON holds exactly
// (|n| < 2^53) as its digits, a missing key as an empty cell. For any other
// value `problem` says what was found, in German ("ein Objekt", "die Zahl 1.5").
QVariant cell(const QJsonValue &value, QString &problem);

// What `value` is, in German, as the object of "enthält": "ein Objekt",
// "den Wahrheitswert true", "die Zahl 1.5".
QString describe(const QJsonValue &value);

// The column of `known` that an entry of the list `data` holds twice, in
// German, or "": Qt keeps the last of two equal keys without a word.
QString keyTwice(const QByteArray &data, const QStringList &known);

} // namespace ww::json
