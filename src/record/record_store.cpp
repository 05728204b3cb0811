#include "record_store.h"

#include "value_lists.h"

#include <QFile>

namespace ww {

RecordStore::RecordStore(QString root) : m_root(std::move(root))
{
    if (m_root == QLatin1String("."))
        m_root.clear();
    if (m_root.size() > 1 && m_root.endsWith(QLatin1Char('/')))
        m_root.chop(1);
}

QString RecordStore::folder(int kind) const
{
    const QString name = lists::recordDirectory(kind);
    return m_root.isEmpty() ? name : m_root + QLatin1Char('/') + name;
}

QString RecordStore::pathFor(int kind, const QString &name) const
{
    return storage::pathFor(folder(kind), name);
}

storage::Listing RecordStore::list(int kind) const
{
    return storage::list(folder(kind));
}

ReadResult RecordStore::read(int kind, const storage::ListedName &file) const
{
    const QString directory = folder(kind);
    return storage::read(QFile::encodeName(directory) + '/' + file.native, directory + QLatin1Char('/') + file.shown);
}

ReadResult RecordStore::read(int kind, const QString &fileName) const
{
    return storage::read(folder(kind) + QLatin1Char('/') + fileName);
}

RecordError RecordStore::readBytes(int kind, const QString &fileName, QByteArray &bytes) const
{
    const QString path = folder(kind) + QLatin1Char('/') + fileName;
    return storage::readBytes(QFile::encodeName(path), path, bytes);
}

bool RecordStore::exists(int kind, const QString &fileName) const
{
    return storage::exists(folder(kind) + QLatin1Char('/') + fileName);
}

RecordError RecordStore::ensureFolder(int kind) const
{
    return storage::ensureDirectory(folder(kind));
}

RecordError RecordStore::write(int kind, const QString &fileName, const Record &record) const
{
    return storage::write(folder(kind), fileName, record);
}

} // namespace ww
