#pragma once

#include "recovery_copy.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace ww {

class RecordForm;

// Keeps a copy of the form's unsaved work, as a swap file belongs to its
// document: it learns of changes, the unchanged point and loads from the
// form's signals, writes the copy at most 2 s after a change however long
// typing goes on (on a thread of its own: a key never waits for the disk),
// removes it once the form is unchanged, and offers what a crashed editor
// left once the window is up. RecoveryCopy is the file and its lock.
class RecoveryKeeper : public QObject
{
    Q_OBJECT

public:
    // Boxes it shows belong to `window`.
    RecoveryKeeper(RecordForm *form, const QString &stateFolder, const QString &workingFolder, QWidget *window);
    ~RecoveryKeeper() override;

    // A clean end: the copy goes, and nothing is pending any more.
    void endCleanly();
    // Where the copy lies.
    QString path() const { return m_path; }

    // Copies follow this long after a change, at the latest.
    static constexpr int delayMs = 2000;

private:
    // Offers the copy a crashed editor left, if any.
    void offer();
    bool claimed();
    // Brings the copy in line with the form: written while it differs from
    // the unchanged point, removed once it does not.
    void update();
    void changed();
    void remove();
    void warnOnce(const QString &why);

    RecordForm *m_form;
    QWidget *m_window;
    std::shared_ptr<RecoveryCopy> m_copy;
    QString m_path;
    QTimer m_due;
    // One writer thread: copies and removals happen in the order asked.
    QThreadPool m_writer;
    bool m_warned = false; // since the last copy that could be written
    bool m_elsewhere = false; // another editor here kept the copy when last asked
    bool m_toldElsewhere = false;
};

} // namespace ww
