#pragma once

#include "record.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

namespace ww {

// A copy of the form's unsaved work, so that a crash, a kill or a power cut
// loses at most the last seconds of typing. One copy per working folder,
// kept in the user's state folder and never among the records; a lock held
// while an editor runs tells a running editor's copy from a crash's leftover.
class RecoveryCopy
{
public:
    // $XDG_STATE_HOME/ww_editor, by default ~/.local/state/ww_editor.
    static QString defaultStateFolder();

    RecoveryCopy(QString stateFolder, const QString &workingFolder);
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy &) = delete;
    RecoveryCopy &operator=(const RecoveryCopy &) = delete;

    enum class Claim {
        Claimed, // this editor keeps the folder's copy
        Elsewhere, // another running editor does; this one leaves it alone
        Unavailable, // the state folder cannot be written
    };
    // Takes the folder's lock. Only a claimed copy is offered, written or removed.
    Claim claim();
    bool claimed() const { return m_lock && m_lock->isLocked(); }

    struct Leftover
    {
        Record record;
        QDateTime changed;
        QString workingFolder;
        QString loadedFrom; // the file the work began from, if any
    };
    // What an editor that ended without cleaning up left. A copy that cannot
    // be read is moved aside; `movedTo` then names where.
    std::optional<Leftover> leftover(QString &movedTo) const;

    // Replaces the copy atomically; false, with the reason, when it could not.
    bool write(const Record &record, const QString &loadedFrom, QString &error) const;
    void remove() const;

    // Where the copy lies, to find it by hand.
    QString path() const { return m_path; }

private:
    QString m_folder;
    QString m_workingFolder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace ww
