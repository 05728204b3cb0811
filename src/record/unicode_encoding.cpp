#include "unicode_encoding.h"

#include <array>

namespace ww::unicodeencoding {
namespace {

constexpr Found utf16le{QStringConverter::Utf16LE, QLatin1String("UTF-16 (Little Endian)"), 2, false};
constexpr Found utf16be{QStringConverter::Utf16BE, QLatin1String("UTF-16 (Big Endian)"), 2, false};
constexpr Found utf32le{QStringConverter::Utf32LE, QLatin1String("UTF-32 (Little Endian)"), 4, false};
constexpr Found utf32be{QStringConverter::Utf32BE, QLatin1String("UTF-32 (Big Endian)"), 4, false};

Found marked(Found found)
{
    found.marked = true;
    return found;
}

} // namespace

std::optional<Found> detect(QByteArrayView data)
{
    // UTF-32's marks start as UTF-16's do.
    if (data.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return marked(utf32le);
    if (data.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return marked(utf32be);
    if (data.startsWith("\xFF\xFE"))
        return marked(utf16le);
    if (data.startsWith("\xFE\xFF"))
        return marked(utf16be);
    // Mostly ASCII, whose characters are one byte and zeros in these encodings.
    const qsizetype looked = std::min<qsizetype>(data.size(), 4096) / 4 * 4;
    std::array<qsizetype, 4> zeros{};
    for (qsizetype i = 0; i < looked; ++i)
        zeros[size_t(i % 4)] += data[i] == '\0';
    const qsizetype quads = looked / 4;
    if (quads > 0 && zeros[2] == quads && zeros[3] == quads)
        return utf32le;
    if (quads > 0 && zeros[0] == quads && zeros[1] == quads)
        return utf32be;
    // A stray NUL is no encoding. UTF-16 has a zero in at least every
    // other pair, and all on one side.
    const qsizetype even = zeros[0] + zeros[2];
    const qsizetype odd = zeros[1] + zeros[3];
    const qsizetype pairs = looked / 2;
    if (pairs > 0 && odd * 4 >= pairs && even == 0)
        return utf16le;
    if (pairs > 0 && even * 4 >= pairs && odd == 0)
        return utf16be;
    return std::nullopt;
}

} // namespace ww::unicodeencoding
