#pragma once

#include <QPixmap>
#include <QString>

namespace ww {

// One of the program's pictures, drawn at twice the size on high-density
// screens so it stays sharp; laid out at its natural size either way.
QPixmap artwork(const QString &name);

// A picture stored as plain pixels in the program's resources; null when
// `resource` is missing or not such a picture.
QPixmap packedPicture(const QString &resource);

} // namespace ww
