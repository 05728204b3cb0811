#include "artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QResource>
#include <QtEndian>

#include <cstring>

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
    // Uncompressed, this refers to the program's own bytes, which last as long as it runs.
    const bool inPlace = stored.compressionAlgorithm() == QResource::NoCompression;
    const QByteArray packed = stored.uncompressedData();
    constexpr qsizetype header = 16;
    if (packed.size() < header || !packed.startsWith("WWPX"))
        return {};
    const auto field = [&](int i) { return qFromLittleEndian<quint32>(packed.constData() + 4 * i); };
    const quint32 width = field(1);
    const quint32 height = field(2);
    const auto format = QImage::Format(field(3));
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) || width > 4096 ||
        height > 4096 || packed.size() != header + qsizetype(width) * height * 4)
        return {};
    const auto *pixels = reinterpret_cast<const uchar *>(packed.constData() + header);
    // Read in place where the resource lies as QImage needs it.
    if (inPlace && quintptr(pixels) % 4 == 0)
        return QPixmap::fromImage(QImage(pixels, int(width), int(height), int(width) * 4, format));
    QImage image(int(width), int(height), format);
    const qsizetype row = qsizetype(width) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels + y * row, size_t(row));
    return QPixmap::fromImage(std::move(image));
}

} // namespace ww
