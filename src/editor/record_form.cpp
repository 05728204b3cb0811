#include "record_form.h"

#include "record_fields.h"
#include "record_format.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include <functional>

namespace ww {
namespace {

// A pause in typing this long ends a step.
constexpr int pauseMs = 1000;

bool isUndo(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo);
}

bool isRedo(const QKeyEvent *key)
{
    // Strg+Y as well as the desktop's own redo key (Strg+Umschalt+Z here).
    const QKeyCombination combination = key->keyCombination();
    return key->matches(QKeySequence::Redo) || combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)
        || combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

} // namespace

// One step of the form's history, made of what a control did itself: pushed
// after the change, so its first redo does nothing. Steps of one control
// merge while the step is open.
class RecordForm::Step : public QUndoCommand
{
public:
    Step(RecordForm *form, std::size_t field) : m_form(form), m_field(field) {}
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const Step *>(other);
        return m_open && next->m_field == m_field && absorb(*next);
    }
    void undo() override { applying([this] { revert(); }); }
    void redo() override
    {
        if (std::exchange(m_pushed, false))
            return;
        applying([this] { replay(); });
    }
    void close() { m_open = false; }
    std::size_t field() const { return m_field; }

protected:
    virtual void revert() = 0;
    virtual void replay() = 0;
    virtual bool absorb(const Step &) { return false; }
    QWidget *control() const { return m_form->m_controls[m_field]; }

private:
    void applying(const std::function<void()> &change)
    {
        ++m_form->m_applying;
        change();
        --m_form->m_applying;
        // The writer sees where the step happened.
        control()->setFocus(Qt::OtherFocusReason);
    }

    RecordForm *m_form;
    std::size_t m_field;
    bool m_pushed = true;
    bool m_open = true;
};

class RecordForm::ChoiceStep : public RecordForm::Step
{
public:
    ChoiceStep(RecordForm *form, std::size_t field, int from, int to) : Step(form, field), m_from(from), m_to(to) {}

protected:
    void revert() override { static_cast<QComboBox *>(control())->setCurrentIndex(m_from); }
    void replay() override { static_cast<QComboBox *>(control())->setCurrentIndex(m_to); }

private:
    int m_from;
    int m_to;
};

// Edits of a line box, each as the part it replaced: a step holds what
// changed, never a copy of the whole text.
class RecordForm::LineStep : public RecordForm::Step
{
public:
    LineStep(RecordForm *form, std::size_t field, const QString &before, const QString &after) : Step(form, field)
    {
        qsizetype head = 0;
        const qsizetype shorter = std::min(before.size(), after.size());
        while (head < shorter && before[head] == after[head])
            ++head;
        qsizetype tail = 0;
        while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
        m_edits.append({head, before.mid(head, before.size() - head - tail), after.mid(head, after.size() - head - tail)});
    }

protected:
    void revert() override
    {
        auto *line = static_cast<QLineEdit *>(control());
        QString text = line->text();
        // The last edit first.
        for (qsizetype i = m_edits.size() - 1; i >= 0; --i)
            text.replace(m_edits[i].at, m_edits[i].inserted.size(), m_edits[i].removed);
        line->setText(text);
        line->setCursorPosition(int(m_edits.constFirst().at + m_edits.constFirst().removed.size()));
    }
    void replay() override
    {
        auto *line = static_cast<QLineEdit *>(control());
        QString text = line->text();
        for (const Edit &edit : std::as_const(m_edits))
            text.replace(edit.at, edit.removed.size(), edit.inserted);
        line->setText(text);
        line->setCursorPosition(int(m_edits.constLast().at + m_edits.constLast().inserted.size()));
    }
    bool absorb(const Step &next) override
    {
        m_edits += static_cast<const LineStep &>(next).m_edits;
        return true;
    }

private:
    struct Edit
    {
        qsizetype at;
        QString removed;
        QString inserted;
    };
    QList<Edit> m_edits;
};

// Edits of the description, as the box's own document keeps them: the step
// calls the document's undo and redo, so it holds no text of its own.
class RecordForm::BoxStep : public RecordForm::Step
{
public:
    using Step::Step;

protected:
    void revert() override
    {
        for (int i = 0; i < m_count; ++i)
            box()->undo();
    }
    void replay() override
    {
        for (int i = 0; i < m_count; ++i)
            box()->redo();
    }
    bool absorb(const Step &next) override
    {
        m_count += static_cast<const BoxStep &>(next).m_count;
        return true;
    }

private:
    QPlainTextEdit *box() const { return static_cast<QPlainTextEdit *>(control()); }
    int m_count = 1;
};

RecordForm::RecordForm(const Controls &controls, QObject *parent) : QObject(parent), m_controls(controls)
{
    // Named and parented so that a test can wait for it to run out.
    m_pause.setParent(this);
    m_pause.setObjectName(QStringLiteral("typingPause"));
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMs);
    connect(&m_pause, &QTimer::timeout, this, &RecordForm::seal);
    connect(&m_history, &QUndoStack::cleanChanged, this, &RecordForm::cleanChanged);
    for (QWidget *control : m_controls) {
        if (auto *list = qobject_cast<QComboBox *>(control))
            watch(list);
        else if (auto *line = qobject_cast<QLineEdit *>(control))
            watch(line);
        else
            watch(static_cast<QPlainTextEdit *>(control));
        control->installEventFilter(this);
    }
}

RecordForm::~RecordForm()
{
    // The steps act on controls that may already be gone.
    m_history.disconnect(this);
}

void RecordForm::watch(QComboBox *list)
{
    const std::size_t field = std::size_t(std::find(m_controls.begin(), m_controls.end(), list) - m_controls.begin());
    connect(list, &QComboBox::currentIndexChanged, this, [this, field](int index) {
        const int before = std::exchange(m_lastIndex[field], index);
        if (!m_applying && before != index)
            push(new ChoiceStep(this, field, before, index));
        controlChanged();
    });
}

void RecordForm::watch(QLineEdit *line)
{
    const std::size_t field = std::size_t(std::find(m_controls.begin(), m_controls.end(), line) - m_controls.begin());
    connect(line, &QLineEdit::textChanged, this, [this, field](const QString &text) {
        const QString before = std::exchange(m_lastText[field], text);
        if (!m_applying && before != text) {
            push(new LineStep(this, field, before, text));
            m_pause.start();
        }
        controlChanged();
    });
}

void RecordForm::watch(QPlainTextEdit *box)
{
    m_text = box;
    const std::size_t field = std::size_t(std::find(m_controls.begin(), m_controls.end(), box) - m_controls.begin());
    // Each new step of the box's document is a step of the form's; typing
    // the document merges itself adds to the step it is part of.
    connect(box->document(), &QTextDocument::undoCommandAdded, this, [this, field] {
        if (!m_applying)
            push(new BoxStep(this, field));
    });
    connect(box, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_applying)
            m_pause.start();
        controlChanged();
    });
}

void RecordForm::push(Step *step)
{
    const auto *top = static_cast<const Step *>(m_history.command(m_history.index() - 1));
    if (!top || top->field() != step->field())
        seal();
    m_history.push(step);
}

void RecordForm::seal()
{
    m_pause.stop();
    if (m_history.index() > 0)
        static_cast<Step *>(const_cast<QUndoCommand *>(m_history.command(m_history.index() - 1)))->close();
    // The document merges contiguous typing into its last step only while
    // it counts as modified: from here on its next edit is a step of its own.
    if (m_text)
        m_text->document()->setModified(false);
}

void RecordForm::controlChanged()
{
    Q_EMIT changed();
}

bool RecordForm::eventFilter(QObject *watched, QEvent *event)
{
    if (std::find(m_controls.begin(), m_controls.end(), watched) == m_controls.end()) {
        // A box's context menu (its own, or the spelling menu), now built:
        // its "Rückgängig" and "Wiederherstellen" act on the form's history.
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            if (auto *menu = qobject_cast<QMenu *>(watched))
                adoptMenu(menu);
        }
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!isUndo(key) && !isRedo(key))
            break;
        // The form's history, not the box's own, from every control.
        key->accept();
        if (event->type() == QEvent::KeyPress) {
            seal();
            isUndo(key) ? m_history.undo() : m_history.redo();
        }
        return true;
    }
    case QEvent::FocusOut: seal(); break;
    case QEvent::ChildAdded:
        // A menu being made for the box: what it does is a step of its own.
        // It is still being constructed; it is looked at once it shows.
        seal();
        static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void RecordForm::adoptMenu(QMenu *menu)
{
    // The text boxes name their entries; a line box's are known by the key
    // they show after a tab ("&Rückgängig\tStrg+Z").
    const auto is = [](const QAction *action, const char *name, QKeySequence::StandardKey key) {
        return action->objectName() == QLatin1String(name)
            || action->text().section(QLatin1Char('\t'), 1) == QKeySequence(key).toString(QKeySequence::NativeText);
    };
    for (QAction *action : menu->actions()) {
        const bool undo = is(action, "edit-undo", QKeySequence::Undo);
        if (!undo && !is(action, "edit-redo", QKeySequence::Redo))
            continue;
        action->disconnect();
        action->setEnabled(undo ? m_history.canUndo() : m_history.canRedo());
        connect(action, &QAction::triggered, this, [this, undo] {
            seal();
            undo ? m_history.undo() : m_history.redo();
        });
    }
}

Record RecordForm::record() const
{
    Record r;
    for (const fields::Field &f : fields::all()) {
        QWidget *widget = m_controls[std::size_t(f.position - 1)];
        switch (f.kind) {
        case fields::Kind::Code: r.*f.code = static_cast<QComboBox *>(widget)->currentData().toInt(); break;
        case fields::Kind::Line: r.*f.text = static_cast<QLineEdit *>(widget)->text(); break;
        case fields::Kind::Lines: {
            // The raw text keeps non-breaking spaces that toPlainText() would flatten.
            const QString shown = static_cast<QPlainTextEdit *>(widget)->document()->toRawText();
            r.*f.text = shown == m_shownText ? m_storedText : editorTextToStored(shown);
            break;
        }
        }
    }
    return r;
}

void RecordForm::setRecord(const Record &r)
{
    ++m_applying;
    for (const fields::Field &f : fields::all()) {
        QWidget *widget = m_controls[std::size_t(f.position - 1)];
        switch (f.kind) {
        case fields::Kind::Code: static_cast<QComboBox *>(widget)->setCurrentIndex(f.positionOf(r.*f.code)); break;
        case fields::Kind::Line: static_cast<QLineEdit *>(widget)->setText(r.*f.text); break;
        case fields::Kind::Lines: {
            auto *box = static_cast<QPlainTextEdit *>(widget);
            box->setPlainText(storedTextToEditor(r.*f.text));
            // A lone CR or LF shows as a line break; unedited, it is written back as it was.
            m_storedText = r.*f.text;
            m_shownText = box->document()->toRawText();
            break;
        }
        }
    }
    --m_applying;
    m_pause.stop();
    m_history.clear();
    Q_EMIT changed();
}

void RecordForm::load(const Record &r, const QString &file)
{
    setRecord(r);
    m_unchanged = record();
    m_loadedFrom = file;
    Q_EMIT loaded();
}

void RecordForm::restore(const Record &r, const QString &file)
{
    setRecord(r);
    m_loadedFrom = file;
    // Restored work is unsaved work until it is saved.
    m_history.resetClean();
    Q_EMIT loaded();
}

void RecordForm::markSaved()
{
    seal();
    m_unchanged = record();
    m_history.setClean();
}

bool RecordForm::isChanged() const
{
    // Undone to the unchanged point, or typed back to it: nothing to lose either way.
    return !m_history.isClean() && record() != m_unchanged;
}

} // namespace ww
