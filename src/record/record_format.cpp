#include "record_format.h"

#include "record_fields.h"
#include "windows1252.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <cstring>
#include <limits>

namespace ww::format {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

// A line end (CR, LF or CR LF) separates fields just as a comma does.
void skipSeparator(QByteArrayView data, qsizetype &pos)
{
    if (pos >= data.size())
        return;
    if (data[pos] == '\r' && pos + 1 < data.size() && data[pos + 1] == '\n')
        pos += 2;
    else
        ++pos;
}

struct Integer
{
    bool ok = false; // a whole number at all
    bool fits = false; // and one an int can hold
    int value = 0;
};

// Optional sign and digits, surrounded by nothing but blanks.
Integer toInteger(QByteArrayView raw)
{
    qsizetype begin = 0;
    qsizetype end = raw.size();
    while (begin < end && isBlank(raw[begin]))
        ++begin;
    while (end > begin && isBlank(raw[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (raw[begin] == '+' || raw[begin] == '-'))
        negative = raw[begin++] == '-';
    if (begin == end)
        return {};
    qint64 value = 0;
    bool huge = false;
    for (qsizetype i = begin; i < end; ++i) {
        if (raw[i] < '0' || raw[i] > '9')
            return {};
        if (!huge)
            value = value * 10 + (raw[i] - '0');
        huge = huge || value > qint64(1) << 31;
    }
    value = negative ? -value : value;
    if (huge || value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return {true, false, 0};
    return {true, true, int(value)};
}

// A field's raw value for a message: shortened, control characters shown by code.
QString shownValue(QByteArrayView raw)
{
    constexpr qsizetype shown = 40;
    QString text;
    for (const QChar c : windows1252::decode(raw.first(std::min(raw.size(), shown)))) {
        if (c.category() == QChar::Other_Control)
            text += QLatin1Char('[') + codePoint(c.unicode()) + QLatin1Char(']');
        else
            text += c;
    }
    if (raw.size() > shown)
        text += QStringLiteral("...");
    return text;
}

QString describeCharacters(const QStringList &characters)
{
    QStringList shown;
    for (const QString &c : characters)
        shown.append(QStringLiteral("'%1' (%2)").arg(c, codePoint(c.toUcs4().value(0))));
    return shown.join(QStringLiteral(", "));
}

} // namespace

QByteArray encode(const Record &r)
{
    QString line;
    for (const fields::Field &f : fields::all()) {
        if (f.position > 1)
            line += QLatin1Char(',');
        line += f.kind == fields::Kind::Code ? QString::number(r.*f.code) : quoted(r.*f.text);
    }
    line += QLatin1String("\r\n");
    return windows1252::encode(line);
}

ReadResult parse(QByteArrayView data, const QString &path)
{
    std::array<QByteArrayView, Record::fieldCount> raw;
    qsizetype pos = 0;
    const qsizetype size = data.size();

    for (int f = 0; f < Record::fieldCount; ++f) {
        while (pos < size && isBlank(data[pos]))
            ++pos;
        if (pos >= size)
            return RecordError(RecordError::Code::TooFewFields, path, f + 1);

        if (data[pos] == '"') {
            const auto *begin = data.data() + pos + 1;
            const auto *close = static_cast<const char *>(std::memchr(begin, '"', size - pos - 1));
            if (!close)
                return RecordError(RecordError::Code::UnclosedQuote, path, f + 1);
            raw[f] = QByteArrayView(begin, close);
            pos = close - data.data() + 1;
            // Whatever stands between the closing quote and the separator is dropped.
            while (pos < size && data[pos] != ',' && !isLineEnd(data[pos]))
                ++pos;
        } else {
            const qsizetype begin = pos;
            while (pos < size && data[pos] != ',' && !isLineEnd(data[pos]))
                ++pos;
            qsizetype end = pos;
            while (end > begin && data[end - 1] == ' ')
                --end;
            raw[f] = data.sliced(begin, end - begin);
        }
        skipSeparator(data, pos);
    }

    Record r;
    for (const fields::Field &f : fields::all()) {
        const QByteArrayView value = raw[f.position - 1];
        if (f.kind != fields::Kind::Code) {
            r.*f.text = windows1252::decode(value);
            continue;
        }
        const Integer number = toInteger(value);
        if (!number.ok)
            return RecordError(RecordError::Code::NotANumber, path, f.position, shownValue(value));
        if (!number.fits || f.positionOf(number.value) < 0)
            return RecordError(RecordError::Code::OutOfRange, path, f.position,
                               number.fits ? QString::number(number.value) : shownValue(value.trimmed()));
        r.*f.code = number.value;
    }
    return r;
}

bool staysInFolder(const QString &fileName)
{
    return !fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\'))
        && fileName != QLatin1String(".") && fileName != QLatin1String("..");
}

bool holdsText(QStringView text)
{
    return !text.contains(QLatin1Char('"')) && windows1252::unencodable(text).isEmpty();
}

RecordError checkFileName(const QString &name)
{
    const int field = fields::positionOf(&Record::name);
    if (name.isEmpty())
        return RecordError(RecordError::Code::EmptyName, QString(), field);
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return RecordError(RecordError::Code::NameWithSeparator, QString(), field);
    if (!staysInFolder(name))
        return RecordError(RecordError::Code::NameIsDot, QString(), field);
    for (const QChar c : name) {
        // Printable ASCII needs no table lookup: whole folders are checked name by name.
        if ((c.unicode() < 0x20 || c.unicode() >= 0x7F) && c.category() == QChar::Other_Control)
            return RecordError(RecordError::Code::NameWithControl, QString(), field, codePoint(c.unicode()));
    }
    // A UTF-16 unit is at most three bytes: short names need no encoding to be measured.
    if (name.size() * 3 <= maxNameBytes)
        return RecordError();
    const qsizetype bytes = QFile::encodeName(name).size();
    if (bytes > maxNameBytes)
        return RecordError(RecordError::Code::NameTooLong, QString(), field, QString::number(bytes));
    return RecordError();
}

RecordError check(const Record &r)
{
    // The name is also the file's name: its own rules come on top of the texts'.
    const int name = fields::positionOf(&Record::name);
    if (r.name.isEmpty())
        return RecordError(RecordError::Code::EmptyName, QString(), name);
    // Every character of the texts is one byte in the file once they pass;
    // the codes, quotes, commas and line end take at most `beside`.
    constexpr qsizetype widestCode = 11; // "-2147483648"
    qsizetype textChars = 0;
    qsizetype beside = (Record::fieldCount - 1) + 2; // commas between fields, CR LF after them
    const fields::Field *largest = nullptr;
    for (const fields::Field &f : fields::all()) {
        if (f.kind == fields::Kind::Code) {
            // What the reader refuses is never written.
            if (f.positionOf(r.*f.code) < 0)
                return RecordError(RecordError::Code::CodeNotInList, QString(), f.position, QString::number(r.*f.code));
            beside += widestCode;
            continue;
        }
        const QString &text = r.*f.text;
        beside += 2; // its quotes
        if (text.contains(QLatin1Char('"')))
            return RecordError(RecordError::Code::QuoteInText, QString(), f.position, QStringLiteral("\""));
        const QStringList bad = windows1252::unencodable(text);
        if (!bad.isEmpty())
            return RecordError(RecordError::Code::Unencodable, QString(), f.position, describeCharacters(bad));
        textChars += text.size();
        if (!largest || text.size() > (r.*largest->text).size())
            largest = &f;
    }
    if (RecordError problem = checkFileName(r.name); problem.isError())
        return problem;
    // Checked last, and encoded only when it could be too large.
    if (const qsizetype size = textChars + beside > maxFileBytes ? encode(r).size() : 0; size > maxFileBytes)
        return RecordError(RecordError::Code::RecordTooLarge, QString(), largest->position, QString::number(size));
    return RecordError();
}

} // namespace ww::format
