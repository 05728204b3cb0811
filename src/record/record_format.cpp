#include "record_format.h"

#include "value_lists.h"
#include "windows1252.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace ww::format {
namespace {

constexpr std::array<bool, Record::fieldCount> isNumberField = {
    true, false, true, false, true, true, true, true, true, false,
};

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

int listPosition(int field, int code)
{
    switch (field) {
    case 1: return lists::kindPosition(code);
    case 3: return lists::magicPosition(code);
    default: return lists::percentPosition(code);
    }
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
    const QChar comma = QLatin1Char(',');
    const QString line = QString::number(r.kind) + comma + quoted(r.name) + comma
        + QString::number(r.magic) + comma + quoted(r.mana) + comma
        + QString::number(r.attack) + comma + QString::number(r.defence) + comma
        + QString::number(r.moveEarth) + comma + QString::number(r.moveWater) + comma
        + QString::number(r.moveAir) + comma + quoted(r.text) + QLatin1String("\r\n");
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

    std::array<int, Record::fieldCount> numbers{};
    for (int f = 0; f < Record::fieldCount; ++f) {
        if (!isNumberField[f])
            continue;
        const Integer number = toInteger(raw[f]);
        if (!number.ok)
            return RecordError(RecordError::Code::NotANumber, path, f + 1, shownValue(raw[f]));
        if (!number.fits || listPosition(f + 1, number.value) < 0)
            return RecordError(RecordError::Code::OutOfRange, path, f + 1,
                               number.fits ? QString::number(number.value) : shownValue(raw[f].trimmed()));
        numbers[f] = number.value;
    }

    Record r;
    r.kind = numbers[0];
    r.name = windows1252::decode(raw[1]);
    r.magic = numbers[2];
    r.mana = windows1252::decode(raw[3]);
    r.attack = numbers[4];
    r.defence = numbers[5];
    r.moveEarth = numbers[6];
    r.moveWater = numbers[7];
    r.moveAir = numbers[8];
    r.text = windows1252::decode(raw[9]);
    return r;
}

bool staysInFolder(const QString &fileName)
{
    return !fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\'))
        && fileName != QLatin1String(".") && fileName != QLatin1String("..");
}

RecordError check(const Record &r)
{
    const std::array<std::pair<int, const QString *>, 3> texts = {{{2, &r.name}, {4, &r.mana}, {10, &r.text}}};
    if (r.name.isEmpty())
        return RecordError(RecordError::Code::EmptyName, QString(), 2);
    for (const auto &[field, text] : texts) {
        if (text->contains(QLatin1Char('"')))
            return RecordError(RecordError::Code::QuoteInText, QString(), field, QStringLiteral("\""));
        const QStringList bad = windows1252::unencodable(*text);
        if (!bad.isEmpty())
            return RecordError(RecordError::Code::Unencodable, QString(), field, describeCharacters(bad));
    }
    if (r.name.contains(QLatin1Char('/')) || r.name.contains(QLatin1Char('\\')))
        return RecordError(RecordError::Code::NameWithSeparator, QString(), 2);
    if (!staysInFolder(r.name))
        return RecordError(RecordError::Code::NameIsDot, QString(), 2);
    for (const QChar c : r.name) {
        if (c.category() == QChar::Other_Control)
            return RecordError(RecordError::Code::NameWithControl, QString(), 2, codePoint(c.unicode()));
    }
    const qsizetype bytes = QFile::encodeName(r.name).size();
    if (bytes > maxNameBytes)
        return RecordError(RecordError::Code::NameTooLong, QString(), 2, QString::number(bytes));
    // Checked last: every character is now one byte in the file. Numbers,
    // quotes and commas take at most this much beside the three texts.
    constexpr qsizetype besideTexts = 7 * 11 + 6 + 9 + 2;
    if (const qsizetype size = r.name.size() + r.mana.size() + r.text.size() + besideTexts > maxFileBytes
            ? encode(r).size()
            : 0;
        size > maxFileBytes) {
        const auto largest = std::max_element(texts.begin(), texts.end(), [](const auto &a, const auto &b) {
            return a.second->size() < b.second->size();
        });
        return RecordError(RecordError::Code::RecordTooLarge, QString(), largest->first, QString::number(size));
    }
    return RecordError();
}

} // namespace ww::format
