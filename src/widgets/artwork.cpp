#include "artwork.h"

#include <QGuiApplication>

namespace ww {

QPixmap artwork(const QString &name)
{
    const QString base = QStringLiteral(":/art/") + name;
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        QPixmap sharp(base + QStringLiteral("@2x.png"));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QPixmap(base + QStringLiteral(".png"));
}

} // namespace ww
