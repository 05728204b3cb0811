#include "table_text.h"

#include <QStringDecoder>

#include <array>

namespace ww::tabletext {
namespace {

struct Encoding
{
    QStringConverter::Encoding encoding;
    const char *name;
};

// By the byte-order mark; UTF-32's starts as UTF-16's does.
std::optional<Encoding> byMark(const QByteArray &data)
{
    if (data.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return Encoding{QStringConverter::Utf32LE, "UTF-32 (Little Endian)"};
    if (data.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return Encoding{QStringConverter::Utf32BE, "UTF-32 (Big Endian)"};
    if (data.startsWith("\xFF\xFE"))
        return Encoding{QStringConverter::Utf16LE, "UTF-16 (Little Endian)"};
    if (data.startsWith("\xFE\xFF"))
        return Encoding{QStringConverter::Utf16BE, "UTF-16 (Big Endian)"};
    return std::nullopt;
}

// By where the zeros stand in the first bytes: a table's text is mostly
// ASCII, whose characters are one byte and zeros in these encodings.
std::optional<Encoding> byZeros(const QByteArray &data)
{
    const qsizetype looked = std::min<qsizetype>(data.size(), 4096) / 4 * 4;
    std::array<qsizetype, 4> zeros{};
    for (qsizetype i = 0; i < looked; ++i)
        zeros[size_t(i % 4)] += data[i] == '\0';
    const qsizetype quads = looked / 4;
    if (quads > 0 && zeros[2] == quads && zeros[3] == quads)
        return Encoding{QStringConverter::Utf32LE, "UTF-32 (Little Endian)"};
    if (quads > 0 && zeros[0] == quads && zeros[1] == quads)
        return Encoding{QStringConverter::Utf32BE, "UTF-32 (Big Endian)"};
    // A stray NUL in UTF-8 is no encoding: its row is refused for it. UTF-16
    // has one in at least every other pair, and all on one side.
    const qsizetype even = zeros[0] + zeros[2];
    const qsizetype odd = zeros[1] + zeros[3];
    const qsizetype pairs = looked / 2;
    if (odd * 4 >= pairs && even == 0)
        return Encoding{QStringConverter::Utf16LE, "UTF-16 (Little Endian)"};
    if (even * 4 >= pairs && odd == 0)
        return Encoding{QStringConverter::Utf16BE, "UTF-16 (Big Endian)"};
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> toUtf8(const QByteArray &data, QString &error, QString &note)
{
    std::optional<Encoding> encoding = byMark(data);
    if (!encoding) {
        if (!data.contains('\0'))
            return data;
        encoding = byZeros(data);
        if (!encoding)
            return data;
        note = QStringLiteral("Die Tabelle hat keine Byte-Reihenfolge-Marke; sie wird als %1 gelesen.")
                   .arg(QLatin1String(encoding->name));
    }
    // The decoder drops the mark.
    QStringDecoder decoder(encoding->encoding);
    const QString text = decoder.decode(data);
    // A cut-off last character is kept back for more bytes, not an error to the decoder.
    const qsizetype unit = encoding->encoding == QStringConverter::Utf32LE || encoding->encoding == QStringConverter::Utf32BE ? 4 : 2;
    if (decoder.hasError() || data.size() % unit != 0) {
        error = QStringLiteral("Die Tabelle ist kein gültiges %1: Sie enthält Bytes, die in dieser Kodierung "
                               "kein Zeichen sind.")
                    .arg(QLatin1String(encoding->name));
        return std::nullopt;
    }
    return text.toUtf8();
}

} // namespace ww::tabletext
