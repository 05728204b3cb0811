#include "stored_records.h"

#include "value_lists.h"

#include <QDir>

namespace ww::cli {

QStringList forEachRecord(const RecordStore &store, const std::function<void(const StoredRecord &)> &visit)
{
    QStringList problems;
    int folders = 0;
    for (const int kind : {lists::creatureKind, lists::spellKind}) {
        const QString folder = lists::recordDirectory(kind);
        storage::Listing listing = store.list(kind);
        folders += listing.found;
        if (listing.error.isError()) {
            problems.append(listing.error.message());
            continue;
        }
        // What is no regular file is read too, and so named with why it cannot be.
        listing.names.append(std::move(listing.others));
        for (storage::ListedName &name : listing.names) {
            ReadResult result = store.read(kind, name);
            QString path = store.folder(kind) + QLatin1Char('/') + name.shown;
            visit({folder, std::move(name), path, std::move(result)});
        }
    }
    if (folders == 0)
        problems.append(QStringLiteral("Im Ordner '%1' gibt es weder '%2' noch '%3': Das ist kein Ordner mit Datensätzen.")
                            .arg(QDir::cleanPath(QDir::current().absoluteFilePath(store.root())),
                                 lists::recordDirectory(lists::creatureKind), lists::recordDirectory(lists::spellKind)));
    return problems;
}

} // namespace ww::cli
