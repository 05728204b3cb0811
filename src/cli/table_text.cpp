#include "table_text.h"

#include "unicode_encoding.h"

#include <QStringDecoder>

namespace ww::tabletext {

std::optional<QByteArray> toUtf8(const QByteArray &data, QString &error, QString &note)
{
    const std::optional<unicodeencoding::Found> found = unicodeencoding::detect(data);
    if (!found)
        return data;
    if (!found->marked)
        note = QStringLiteral("Die Tabelle hat keine Byte-Reihenfolge-Marke; sie wird als %1 gelesen.").arg(found->name);
    // The decoder drops the mark; a cut-off last character it keeps back
    // for more bytes, without an error.
    QStringDecoder decoder(found->encoding);
    const QString text = decoder.decode(data);
    if (decoder.hasError() || data.size() % found->unit != 0) {
        error = QStringLiteral("Die Tabelle ist kein gültiges %1: Sie enthält Bytes, die in dieser Kodierung "
                               "kein Zeichen sind.")
                    .arg(found->name);
        return std::nullopt;
    }
    return text.toUtf8();
}

} // namespace ww::tabletext
