#include "stored_records.h"

#include "value_lists.h"

#include <QFile>

namespace ww::cli {

QString below(const QString &root, const QString &sub)
{
    if (root.isEmpty() || root == QLatin1String("."))
        return sub;
    return root.endsWith(QLatin1Char('/')) ? root + sub : root + QLatin1Char('/') + sub;
}

void forEachRecord(const QString &root, const std::function<void(const StoredRecord &)> &visit)
{
    for (const int kind : {lists::creatureKind, lists::spellKind}) {
        const QString folder = lists::recordDirectory(kind);
        const QString directory = below(root, folder);
        const QByteArray nativeDirectory = QFile::encodeName(directory);
        for (storage::ListedName &name : storage::list(directory)) {
            const QString path = directory + QLatin1Char('/') + name.shown;
            ReadResult result = storage::read(nativeDirectory + '/' + name.native, path);
            visit({folder, std::move(name), path, std::move(result)});
        }
    }
}

} // namespace ww::cli
