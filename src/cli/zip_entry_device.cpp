#include "zip_entry_device.h"

#include <quazipfile.h>

namespace ww::ods {

ZipEntryDevice::ZipEntryDevice(QuaZipFile &entry, qint64 maxBytes) : m_entry(entry), m_maxBytes(maxBytes)
{
    open(QIODevice::ReadOnly);
}

qint64 ZipEntryDevice::readData(char *data, qint64 maxSize)
{
    if (m_ended)
        return -1;
    if (maxSize <= 0)
        return 0; // asked for nothing: no sign of an end

    const qint64 n = m_entry.read(data, maxSize);
    if (n < 0 || m_entry.getZipError() != UNZ_OK)
        m_damaged = true;
    if (n > 0)
        m_read += n;
    const bool shapely = n <= 0 || m_shape.feed(QByteArrayView(data, n));
    if (n <= 0 || m_damaged || tooLarge() || !shapely) {
        m_ended = true;
        return n > 0 && !m_damaged && !tooLarge() && shapely ? n : -1;
    }
    return n;
}

} // namespace ww::ods
