#pragma once

#include "read_result.h"
#include "record.h"
#include "record_error.h"
#include "record_storage.h"

#include <QString>
#include <QStringList>

namespace ww {

// The two record folders below one root folder, and every file operation on
// them: the one place that knows where records lie. The editor's store is
// made from its working folder; a test hands it a folder of its own.
class RecordStore
{
public:
    // `root` as the user would write it; "" and "." are the working folder,
    // whose records are named "Kreaturen/NAME.dat" in messages.
    explicit RecordStore(QString root);

    const QString &root() const { return m_root; }
    // The folder of records of this kind: root/Kreaturen or root/Zauber.
    const QString &folder(int kind) const;
    // folder/NAME.dat for a record's name, the name used as it stands.
    QString pathFor(int kind, const QString &name) const;

    // The folder's record files; an unreadable folder is an error, never empty.
    storage::Listing list(int kind) const;
    // The names of the records in both folders, as their files name them:
    // the words of the game. Unreadable folders give none.
    QStringList recordNames() const;
    // A listed file, opened by the bytes of its name.
    ReadResult read(int kind, const storage::ListedName &file) const;
    // A file named as typed (with ".dat").
    ReadResult read(int kind, const QString &fileName) const;
    RecordError readBytes(int kind, const QString &fileName, QByteArray &bytes) const;
    // True only for a regular file.
    bool exists(int kind, const QString &fileName) const;
    // What write() would refuse, found without writing anything.
    RecordError mayWrite(int kind, const QString &fileName) const;
    // Creates the kind's folder unless it is there.
    RecordError ensureFolder(int kind) const;
    // Replaces folder/fileName atomically.
    RecordError write(int kind, const QString &fileName, const Record &record) const;
    // Removes what saves of folder/fileName that were killed midway left:
    // "fileName.XXXXXX" files older than a minute (a younger one may belong
    // to a save still under way elsewhere). Gives how many it removed.
    int removeLeftovers(int kind, const QString &fileName) const;

private:
    // Each kind's folder, as text and in the file system's bytes, made once:
    // whole folders are read file by file through here.
    struct Folder
    {
        QString path;
        QByteArray native;
    };
    const Folder &folderOf(int kind) const;

    QString m_root;
    Folder m_creatures;
    Folder m_spells;
};

} // namespace ww
