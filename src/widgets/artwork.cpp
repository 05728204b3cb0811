#include "artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QResource>
#include <QtEndian>

#include <cstring>
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
    const QResource stored(resource);
    // Uncompressed, the bytes are the program's own and last as long as it
    // runs; the pixmap then reads them in place.
    const bool inPlace = stored.compressionAlgorithm() == QResource::NoCompression;
    auto packed = std::make_unique<QByteArray>(stored.uncompressedData());
    constexpr qsizetype header = 16;
    if (packed->size() < header || !packed->startsWith("WWPX"))
        return {};
    const auto field = [&](qsizetype i) { return qFromLittleEndian<quint32>(packed->constData() + 4 * i); };
    const quint32 width = field(1);
    const quint32 height = field(2);
    const auto format = QImage::Format(field(3));
    const qsizetype row = qsizetype(width) * 4;
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) || width > 4096 ||
        height > 4096 || packed->size() != header + row * height)
        return {};
    const auto *pixels = reinterpret_cast<const uchar *>(packed->constData() + header);
    // QImage needs its pixels 4-byte aligned; otherwise they are copied below.
    if (quintptr(pixels) % 4 == 0) {
        if (inPlace)
            return QPixmap::fromImage(QImage(pixels, int(width), int(height), row, format));
        // Unpacked: the pixmap keeps the unpacked bytes rather than a copy of them.
        QByteArray *owned = packed.release();
        return QPixmap::fromImage(QImage(
            reinterpret_cast<uchar *>(owned->data() + header), int(width), int(height), row, format,
            [](void *bytes) { delete static_cast<QByteArray *>(bytes); }, owned));
    }
    QImage copy(int(width), int(height), format);
    for (int y = 0; y < copy.height(); ++y)
        std::memcpy(copy.scanLine(y), pixels + y * row, size_t(row));
    return QPixmap::fromImage(std::move(copy));
}

} // namespace ww
