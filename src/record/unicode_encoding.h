#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QStringConverter>

#include <optional>

// Text that Windows calls "Unicode": UTF-16 or UTF-32, told by its
// byte-order mark or, without one, by where its zero bytes stand. Tables
// and word lists alike come so from spreadsheets and Notepad.
namespace ww::unicodeencoding {

struct Found
{
    QStringConverter::Encoding encoding;
    QLatin1String name; // "UTF-16 (Little Endian)"
    int unit; // bytes of a code unit: 2 or 4
    bool marked; // by its byte-order mark, which a decoder drops
};

// Nothing for text without such a mark and without that pattern of zeros:
// UTF-8, a code page, or bytes with a stray zero.
std::optional<Found> detect(QByteArrayView data);

} // namespace ww::unicodeencoding
