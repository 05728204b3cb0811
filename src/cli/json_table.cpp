#include "json_table.h"

#include "table_limits.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QSet>

#include <vector>

namespace ww::json {
namespace {

QString german(qsizetype n)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(n);
}

// Qt's reasons are English.
QString reason(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("ein Objekt wird nicht mit '}' geschlossen");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("nach einem Namen fehlt ':'");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("eine Liste wird nicht mit ']' geschlossen");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("zwischen zwei Werten fehlt ','");
    case QJsonParseError::IllegalValue: return QStringLiteral("hier steht kein gültiger Wert");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("sie endet mitten in einer Zahl");
    case QJsonParseError::IllegalNumber: return QStringLiteral("eine Zahl ist ungültig oder zu groß");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("ein '\\' leitet keine gültige Folge ein");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("ein Text ist kein gültiges UTF-8");
    case QJsonParseError::UnterminatedString: return QStringLiteral("ein Text wird nicht mit '\"' geschlossen");
    case QJsonParseError::MissingObject: return QStringLiteral("hier wird ein Objekt erwartet");
    case QJsonParseError::DeepNesting: return QStringLiteral("die Werte sind zu tief verschachtelt");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("sie ist zu groß");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("nach ihrem Ende folgt noch etwas");
    case QJsonParseError::NoError: break;
    }
    return QString();
}

QString broken(qsizetype at, const QString &why)
{
    return QStringLiteral("Die Tabelle ist kein gültiges JSON (Zeichen %1: %2).").arg(at).arg(why);
}

// The document's shape, from its bytes alone: only strings need following.
// Qt would build all of it first, 16 bytes a value and more.
QString shapeProblem(const QByteArray &data)
{
    std::vector<qsizetype> members; // of each open list or object, less one
    qsizetype values = 0;
    qsizetype number = 0; // characters of the number being read
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        const bool inNumber = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        number = inNumber ? number + 1 : 0;
        if (number > table::maxNumberCharacters)
            return broken(i + 1, QStringLiteral("eine Zahl hat mehr als %1 Zeichen").arg(table::maxNumberCharacters));
        if (c == '"') {
            for (++i; i < data.size() && data[i] != '"'; ++i)
                i += data[i] == '\\';
        } else if (c == '[' || c == '{') {
            if (qsizetype(members.size()) >= table::maxJsonDepth)
                return broken(i + 1, QStringLiteral("die Werte sind tiefer als %1 Ebenen verschachtelt").arg(table::maxJsonDepth));
            members.push_back(0);
        } else if ((c == ']' || c == '}') && !members.empty()) {
            members.pop_back();
        } else if (c == ',' && !members.empty()) {
            const qsizetype count = ++members.back() + 1;
            if (members.size() == 1 && count > table::maxRows)
                return QStringLiteral("Die JSON-Liste hat mehr als %1 Einträge; eingelesen werden höchstens so viele.")
                    .arg(german(table::maxRows));
            if (members.size() == 2 && count > table::maxRowCells)
                return QStringLiteral("Eintrag %1 der JSON-Liste hat mehr als %2 Werte; eingelesen werden höchstens so viele.")
                    .arg(german(members.front() + 1), german(table::maxRowCells));
            if (++values > table::maxCells)
                return QStringLiteral("Die JSON-Tabelle hat mehr als %1 Werte; eingelesen werden höchstens so viele.")
                    .arg(german(table::maxCells));
        }
    }
    return QString();
}

} // namespace

std::optional<QJsonArray> read(const QByteArray &data, QString &error)
{
    if (const QString problem = shapeProblem(data); !problem.isEmpty()) {
        error = problem;
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = broken(parseError.offset, reason(parseError.error));
        return std::nullopt;
    }
    if (!document.isArray()) {
        error = QStringLiteral("Die Tabelle ist JSON, aber keine Liste von Datensätzen: Sie ist ein einzelnes Objekt "
                               "('{…}'); erwartet wird eine Liste von Objekten ('[{…}, {…}]').");
        return std::nullopt;
    }
    return document.array();
}

QVariant cell(const QJsonValue &value, QString &problem)
{
    // Doubles hold every whole number up to 2^53 exactly, and not all above.
    constexpr qint64 exact = qint64(1) << 53;
    if (value.isUndefined())
        return QString();
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const QVariant number = value.toVariant();
        if (number.typeId() == QMetaType::LongLong && number.toLongLong() > -exact && number.toLongLong() < exact)
            return QString::number(number.toLongLong());
    }
    problem = describe(value);
    return QVariant();
}

QString describe(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("den Wahrheitswert %1").arg(value.toBool() ? QLatin1String("true") : QLatin1String("false"));
    case QJsonValue::Array: return QStringLiteral("eine Liste");
    case QJsonValue::Object: return QStringLiteral("ein Objekt");
    case QJsonValue::Double: return QStringLiteral("die Zahl %1").arg(value.toVariant().toString());
    case QJsonValue::String: return QStringLiteral("einen Text");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("nichts");
}

QString keyTwice(const QByteArray &data, const QStringList &known)
{
    QSet<QString> keys;
    int depth = 0;
    qsizetype entry = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '{' || c == '[') {
            if (++depth == 2 && c == '{') {
                keys.clear();
                ++entry;
            }
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '"') {
            const qsizetype start = i;
            for (++i; i < data.size() && data[i] != '"'; ++i)
                i += data[i] == '\\';
            if (depth != 2)
                continue;
            qsizetype after = i + 1;
            while (after < data.size() && QChar::isSpace(uchar(data[after])))
                ++after;
            if (after >= data.size() || data[after] != ':')
                continue; // a value, not a key
            const QByteArray token = data.mid(start, i + 1 - start);
            // Escapes are rare in keys; Qt decodes those.
            const QString key = token.contains('\\')
                ? QJsonDocument::fromJson("[" + token + "]").array().at(0).toString()
                : QString::fromUtf8(token.mid(1, token.size() - 2));
            if (keys.contains(key) && known.contains(key))
                return QStringLiteral("Eintrag %1 hat die Spalte '%2' zweimal; es ist nicht klar, welche gilt.").arg(entry).arg(key);
            keys.insert(key);
        }
    }
    return QString();
}

} // namespace ww::json
