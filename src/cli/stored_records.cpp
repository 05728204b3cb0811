#include "stored_records.h"

#include "value_lists.h"

#include <QDir>
#include <QFile>

namespace ww::cli {

QString below(const QString &root, const QString &sub)
{
    if (root.isEmpty() || root == QLatin1String("."))
        return sub;
    return root.endsWith(QLatin1Char('/')) ? root + sub : root + QLatin1Char('/') + sub;
}

QStringList forEachRecord(const QString &root, const std::function<void(const StoredRecord &)> &visit)
{
    QStringList problems;
    int folders = 0;
    for (const int kind : {lists::creatureKind, lists::spellKind}) {
        const QString folder = lists::recordDirectory(kind);
        const QString directory = below(root, folder);
        const QByteArray nativeDirectory = QFile::encodeName(directory);
        storage::Listing listing = storage::list(directory);
        folders += listing.found;
        if (listing.error.isError()) {
            problems.append(listing.error.message());
            continue;
        }
        for (storage::ListedName &name : listing.names) {
            const QString path = directory + QLatin1Char('/') + name.shown;
            ReadResult result = storage::read(nativeDirectory + '/' + name.native, path);
            visit({folder, std::move(name), path, std::move(result)});
        }
    }
    if (folders == 0)
        problems.append(QStringLiteral("Im Ordner '%1' gibt es weder '%2' noch '%3': Das ist kein Ordner mit Datensätzen.")
                            .arg(QDir::cleanPath(QDir::current().absoluteFilePath(root)),
                                 lists::recordDirectory(lists::creatureKind), lists::recordDirectory(lists::spellKind)));
    return problems;
}

} // namespace ww::cli
