#pragma once

#include "xml_shape.h"

#include <QIODevice>

class QuaZipFile;

namespace ww::ods {

// An open zip entry of XML as a stream that ends where its data does: at
// its true end, at a damaged spot, past `maxBytes`, or where its shape
// passes a bound (XmlShape), before the reader sees those bytes. A damaged deflate
// stream can leave QuaZipFile neither at its end nor able to read, which
// would keep a reader asking for more for ever.
class ZipEntryDevice : public QIODevice
{
public:
    ZipEntryDevice(QuaZipFile &entry, qint64 maxBytes);

    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_ended; }
    qint64 bytesAvailable() const override { return m_ended ? 0 : QIODevice::bytesAvailable(); }
    // The entry could not be unpacked whole.
    bool damaged() const { return m_damaged; }
    // It unpacked to more than `maxBytes`.
    bool tooLarge() const { return m_read > m_maxBytes; }
    // Why its XML passes a bound, or "".
    const QString &shapeProblem() const { return m_shape.problem(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QuaZipFile &m_entry;
    qint64 m_maxBytes;
    qint64 m_read = 0;
    bool m_ended = false;
    bool m_damaged = false;
    XmlShape m_shape;
};

} // namespace ww::ods
