#include "record_store.h"

#include "record_limits.h"
#include "value_lists.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ww {

RecordStore::RecordStore(QString root) : m_root(std::move(root))
{
    if (m_root == QLatin1String("."))
        m_root.clear();
    if (m_root.size() > 1 && m_root.endsWith(QLatin1Char('/')))
        m_root.chop(1);
    for (const int kind : {lists::creatureKind, lists::spellKind}) {
        const QString name = lists::recordDirectory(kind);
        Folder &f = kind == lists::creatureKind ? m_creatures : m_spells;
        f.path = m_root.isEmpty() ? name : m_root + QLatin1Char('/') + name;
        f.native = QFile::encodeName(f.path);
    }
}

const RecordStore::Folder &RecordStore::folderOf(int kind) const
{
    // Any kind but a creature's is a spell's, as the folders have always been chosen.
    return kind == lists::creatureKind ? m_creatures : m_spells;
}

const QString &RecordStore::folder(int kind) const
{
    return folderOf(kind).path;
}

QString RecordStore::pathFor(int kind, const QString &name) const
{
    return storage::pathFor(folder(kind), name);
}

storage::Listing RecordStore::list(int kind) const
{
    return storage::list(folder(kind));
}

QStringList RecordStore::recordNames() const
{
    QStringList names;
    for (const int kind : {lists::creatureKind, lists::spellKind}) {
        for (const storage::ListedName &file : list(kind).names)
            names.append(file.shown.chopped(format::suffix.size()));
    }
    return names;
}

ReadResult RecordStore::read(int kind, const storage::ListedName &file) const
{
    const Folder &f = folderOf(kind);
    return storage::read(f.native + '/' + file.native, f.path + QLatin1Char('/') + file.shown);
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

RecordError RecordStore::mayWrite(int kind, const QString &fileName) const
{
    return storage::mayWrite(folder(kind), fileName);
}

RecordError RecordStore::ensureFolder(int kind) const
{
    return storage::ensureDirectory(folder(kind));
}

RecordError RecordStore::write(int kind, const QString &fileName, const Record &record) const
{
    return storage::write(folder(kind), fileName, record);
}

int RecordStore::removeLeftovers(int kind, const QString &fileName) const
{
    const QDir directory(folder(kind));
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    // The replacing save's temporary: the name, a dot and six letters or digits.
    const QString prefix = fileName + QLatin1Char('.');
    for (const QFileInfo &entry : directory.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QString name = entry.fileName();
        if (name.size() != prefix.size() + format::replaceSuffixBytes - 1 || !name.startsWith(prefix))
            continue;
        const QStringView tail = QStringView(name).sliced(prefix.size());
        if (!std::all_of(tail.begin(), tail.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }))
            continue;
        if (entry.lastModified().toUTC() < settled && QFile::remove(entry.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace ww
