#pragma once

#include <QPixmap>
#include <QString>

namespace ww {

// One of the program's pictures, drawn at twice the size on high-density
// screens so it stays sharp; laid out at its natural size either way.
QPixmap artwork(const QString &name);

} // namespace ww
