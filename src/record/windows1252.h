#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace ww::windows1252 {

// Every byte decodes; the five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value,
// as Windows itself does, so that they survive a round trip.
QString decode(QByteArrayView bytes);

// UTF-8 where the bytes are UTF-8, this code page otherwise: how text from
// Windows (file names from an archive, a spreadsheet's CSV) is read.
QString decodeUtf8OrCodePage(QByteArrayView bytes);

// Characters the code page cannot hold become '?'. Call unencodable() first
// where losing them matters.
QByteArray encode(QStringView text);

// The distinct characters of `text` that the code page cannot hold, in order
// of first appearance (a surrogate pair counts as one character).
QStringList unencodable(QStringView text);

} // namespace ww::windows1252
