#pragma once

#include "record.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUndoStack>

#include <array>

class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

namespace ww {

// The record being edited, seen through the form's ten controls. It reads
// and sets the record, knows the point at which the form last stood
// unchanged (start-up, a load, a save, a restored copy) and keeps the one
// undo history of every field: a list choice is one step, typing in a box
// one step until another field changes, the focus leaves the box or typing
// pauses for a second. Strg+Z, Strg+Umschalt+Z and Strg+Y work from every
// control, and the boxes' own menu entries act on the same history.
class RecordForm : public QObject
{
    Q_OBJECT

public:
    // The control of each field, in the record's field order: lists for
    // codes, line boxes for one-line texts, the description box.
    using Controls = std::array<QWidget *, Record::fieldCount>;
    RecordForm(const Controls &controls, QObject *parent);
    ~RecordForm() override;

    Record record() const;
    // Shows `r` with a fresh history; the unchanged point stays where it was.
    // A description that comes back unedited keeps its exact line breaks.
    void setRecord(const Record &r);
    // The record `r` shown as new work from `file` (empty for none): the
    // unchanged point, with a fresh history.
    void load(const Record &r, const QString &file = QString());
    // Work restored from a copy: shown, yet unsaved, with a fresh history.
    void restore(const Record &r, const QString &file);
    // The form as it stands was saved: the unchanged point moves here.
    void markSaved();
    // Whether the form differs from the unchanged point.
    bool isChanged() const;
    // The file the work was opened from; empty for new work.
    QString loadedFrom() const { return m_loadedFrom; }

    QUndoStack *history() { return &m_history; }
    // A box's usual context menu, its undo entries bound to the form's history.
    void adoptMenu(QMenu *menu);

Q_SIGNALS:
    // A control changed, by the writer or by undo.
    void changed();
    // Undo or redo reached (true) or left (false) the unchanged point.
    void cleanChanged(bool clean);
    // load() or restore() put a new record in the form.
    void loaded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Step;
    class ChoiceStep;
    class LineStep;
    class BoxStep;

    void watch(QComboBox *list);
    void watch(QLineEdit *line);
    void watch(QPlainTextEdit *box);
    // The step on top takes no more typing: the next edit is a step of its own.
    void seal();
    void push(Step *step);
    void controlChanged();

    Controls m_controls;
    // Guarded: the window's controls go before the form does, and a box
    // losing the focus as it goes still tells the form.
    QPointer<QPlainTextEdit> m_text;
    QUndoStack m_history;
    // Typing that pauses this long ends its step.
    QTimer m_pause;
    // Set while the form itself sets its controls: no step of the writer's.
    int m_applying = 0;
    // The record at the unchanged point; the description as stored, and as the box showed it then.
    Record m_unchanged;
    QString m_storedText;
    QString m_shownText;
    QString m_loadedFrom;
    // Each line box's text and each list's choice as last seen, to tell what an edit changed.
    std::array<QString, Record::fieldCount> m_lastText;
    std::array<int, Record::fieldCount> m_lastIndex{};
};

} // namespace ww
