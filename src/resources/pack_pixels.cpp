// Build step: turns a picture into the bytes the program shows without
// decoding: "WWPX", width, height and QImage format (32-bit little-endian
// each), then the rows, four bytes a pixel. Reading PNG at start-up cost
// milliseconds, half of them spent finding Qt's image plugins.
#include <QFile>
#include <QImage>
#include <QtEndian>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURE OUTPUT\n", argv[0]);
        return 2;
    }
    QImage image(QFile::decodeName(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "%s: cannot read the picture\n", argv[1]);
        return 1;
    }
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QByteArray packed("WWPX");
    for (const int value : {image.width(), image.height(), int(image.format())}) {
        char bytes[4];
        qToLittleEndian<quint32>(quint32(value), bytes);
        packed.append(bytes, 4);
    }
    for (int y = 0; y < image.height(); ++y)
        packed.append(reinterpret_cast<const char *>(image.constScanLine(y)), qsizetype(image.width()) * 4);
    QFile out(QFile::decodeName(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() || !out.flush()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
