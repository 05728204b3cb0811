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
        Elsewhere, // another editor running on this machine does; this one leaves it alone
        OtherMachine, // the lock names another machine (a shared home): see holder()
        Unavailable, // the state folder cannot be written: see problem()
    };
    // Takes the folder's lock. A lock that cannot be read (empty after a
    // power cut, say) or that a dead editor left is taken over; only a
    // claimed copy is written or removed.
    Claim claim();
    bool claimed() const { return m_lock && m_lock->isLocked(); }
    // After OtherMachine: the machine and process named in the lock.
    QString holder() const { return m_holder; }
    // After Unavailable: why, in German.
    QString problem() const { return m_problem; }
    // Takes the lock another machine's editor holds, as the writer decided.
    bool takeOver();

    struct Leftover
    {
        Record record;
        QDateTime changed;
        QString workingFolder;
        QString loadedFrom; // the file the work began from, if any
    };
    // What an editor that ended without cleaning up left, once claimed, or
    // where the folder cannot be written at all (it can still be read).
    // Anything else in the copy's place is not offered and `message` says
    // what it is; a copy that cannot be read is moved aside first.
    std::optional<Leftover> leftover(QString &message) const;

    // Replaces the copy atomically, never through a link in its place;
    // false, with the reason in German, when it could not. For a claimed
    // copy only; safe to call on another thread while this one keeps the lock.
    bool write(const Record &record, const QString &loadedFrom, QString &error) const;
    // False, with the reason, when a copy is there and stays. Like write(),
    // for a claimed copy only, and safe on another thread.
    bool remove(QString *error = nullptr) const;

    // Where the copy lies, to find it by hand.
    QString path() const { return m_path; }
    // Moves the copy to its path with `suffix` (and a number, if that is
    // taken); where it went, or "" when it could not be moved.
    QString moveAside(const QString &suffix) const;

private:

    QString m_folder;
    QString m_workingFolder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_readOnly = false;
    QString m_holder;
    QString m_problem;
};

} // namespace ww
