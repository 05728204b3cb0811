#include "artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QResource>
#include <QtEndian>

#include <memory>

namespace ww {

QPixmap artwork(const QString &name)
{
    const QString base = QStringLiteral(":/art/") + name;
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        QPixmap sharp = packedPicture(base + QStringLiteral("@2x.pixels"));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return packedPicture(base + QStringLiteral(".pixels"));
}

QPixmap packedPicture(const QString &resource)
{
    auto packed = std::make_unique<QByteArray>(QResource(resource).uncompressedData());
    constexpr qsizetype header = 16;
    if (packed->size() < header || !packed->startsWith("WWPX"))
        return {};
    const auto field = [&](int i) { return qFromLittleEndian<quint32>(packed->constData() + 4 * i); };
    const quint32 width = field(1);
    const quint32 height = field(2);
    const auto format = QImage::Format(field(3));
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) || width > 4096 ||
        height > 4096 || packed->size() != header + qsizetype(width) * height * 4)
        return {};
    auto *pixels = reinterpret_cast<uchar *>(packed->data() + header);
    if (quintptr(pixels) % 4 != 0) // QImage needs whole pixels aligned
        return QPixmap::fromImage(QImage(pixels, int(width), int(height), int(width) * 4, format).copy());
    // The pixmap shares the unpacked bytes rather than copying them.
    const QImage image(
        pixels, int(width), int(height), int(width) * 4, format,
        [](void *bytes) { delete static_cast<QByteArray *>(bytes); }, packed.get());
    packed.release();
    return QPixmap::fromImage(image);
}

} // namespace ww
