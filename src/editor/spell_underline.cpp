#include "spell_underline.h"

#include "record_format.h"
#include "spell_checker.h"
#include "text_words.h"
#include "word_list.h"

#include <QContextMenuEvent>
#include <QLocale>
#include <QThread>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

namespace ww {
namespace {

constexpr int suggestionCount = 5;

// Text around a position that is looked at for whole words: a word longer
// than the checked length is not checked anyway.
constexpr int reach = int(spelling::longestCheckedWord) + 1;

// The words of block text [from, to), with their positions in the block.
struct Slice
{
    QString text;
    int from = 0;
    QList<QStringView> words;
};

Slice wordsOf(const QTextBlock &block, int from, int to)
{
    Slice slice;
    slice.text = block.text();
    const int length = int(slice.text.size());
    slice.from = std::clamp(from, 0, length);
    to = std::clamp(to, slice.from, length);
    slice.words = spelling::textWords(QStringView(slice.text).sliced(slice.from, to - slice.from), slice.from > 0,
                                      to < length);
    return slice;
}

} // namespace

SpellUnderline::SpellUnderline(QPlainTextEdit *box) : QObject(box), m_box(box)
{
    setObjectName(QStringLiteral("spelling"));
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &SpellUnderline::underline);
    connect(box, &QPlainTextEdit::textChanged, this, &SpellUnderline::recheck);
    connect(box, &QPlainTextEdit::textChanged, this, &SpellUnderline::loadWhenNeeded);
    connect(box->verticalScrollBar(), &QScrollBar::valueChanged, this, &SpellUnderline::recheck);
    connect(box->horizontalScrollBar(), &QScrollBar::valueChanged, this, &SpellUnderline::recheck);
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
}

SpellUnderline::~SpellUnderline()
{
    if (m_load)
        m_load->wait();
}

void SpellUnderline::loadDictionary(const QString &wordListPath, std::function<QStringList()> knownWords)
{
    m_wordListPath = wordListPath;
    m_knownWords = std::move(knownWords);
    m_loadWaits = true;
    loadWhenNeeded();
}

void SpellUnderline::loadWhenNeeded()
{
    if (!m_loadWaits || !m_painted || m_box->document()->isEmpty())
        return;
    m_loadWaits = false;
    struct Loaded
    {
        std::shared_ptr<spelling::SpellChecker> checker;
        QString problem;
    };
    auto loaded = std::make_shared<Loaded>();
    // A load asked for again waits for the one under way.
    if (m_load)
        m_load->wait();
    m_load.reset(QThread::create([loaded, list = m_wordListPath, known = m_knownWords] {
        std::shared_ptr<spelling::SpellChecker> checker = spelling::SpellChecker::forLocale(QLocale::system().name());
        if (checker->hasDictionary()) {
            checker->addKnown(spelling::wordlist::read(list, &loaded->problem));
            if (known)
                checker->addKnown(known());
        } else if (!checker->problem().isEmpty()) {
            loaded->problem = checker->problem() + QStringLiteral("; die Rechtschreibung wird nicht geprüft.");
        }
        loaded->checker = std::move(checker);
    }));
    m_load->setObjectName(QStringLiteral("spelling"));
    connect(m_load.get(), &QThread::finished, this, [this, loaded] {
        setChecker(loaded->checker, m_wordListPath);
        // Its words stay unknown; the writer learns why.
        if (!loaded->problem.isEmpty())
            Q_EMIT spellingFailed(loaded->problem);
    });
    // Below the window's priority: the dictionary is never worth a stutter.
    m_load->start(QThread::LowPriority);
}

void SpellUnderline::addKnown(const QString &word)
{
    if (!m_checker)
        return;
    m_checker->addKnown(word);
    recheck();
}

void SpellUnderline::setChecker(std::shared_ptr<spelling::SpellChecker> checker, const QString &wordListPath)
{
    m_checker = std::move(checker);
    m_wordListPath = wordListPath;
    recheck();
}

void SpellUnderline::recheck()
{
    if (m_checker && m_checker->hasDictionary())
        m_pending.start();
}

void SpellUnderline::underline()
{
    QWidget *view = m_box->viewport();
    const int first = m_box->cursorForPosition(QPoint(0, 0)).position();
    const int last = m_box->cursorForPosition(QPoint(view->width(), view->height())).position();
    QTextCharFormat unknown;
    unknown.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    unknown.setUnderlineColor(Qt::red);

    QList<QTextEdit::ExtraSelection> marks;
    for (QTextBlock block = m_box->document()->findBlock(first); block.isValid() && block.position() <= last;
         block = block.next()) {
        // A wrapped line in view may begin or end inside a word: look a word's length beyond.
        const Slice slice = wordsOf(block, first - block.position() - reach, last - block.position() + reach);
        for (const QStringView word : slice.words) {
            if (m_checker->knows(word))
                continue;
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + int(word.data() - slice.text.data()));
            cursor.setPosition(cursor.position() + int(word.size()), QTextCursor::KeepAnchor);
            marks.append({cursor, unknown});
        }
    }
    m_box->setExtraSelections(marks);
}

QTextCursor SpellUnderline::unknownWordAt(int position) const
{
    if (!m_checker || !m_checker->hasDictionary())
        return {};
    const QTextBlock block = m_box->document()->findBlock(position);
    const int inBlock = position - block.position();
    const Slice slice = wordsOf(block, inBlock - reach, inBlock + reach);
    for (const QStringView word : slice.words) {
        const int start = int(word.data() - slice.text.data());
        // The cursor may stand just after the word, as it does after typing it.
        if (inBlock < start || inBlock > start + word.size())
            continue;
        if (m_checker->knows(word))
            return {};
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + start);
        cursor.setPosition(cursor.position() + int(word.size()), QTextCursor::KeepAnchor);
        return cursor;
    }
    return {};
}

QMenu *SpellUnderline::createMenu(const QPoint &position, bool fromKeyboard)
{
    QMenu *menu = m_box->createStandardContextMenu(position);
    const QTextCursor word =
        unknownWordAt(fromKeyboard ? m_box->textCursor().position() : m_box->cursorForPosition(position).position());
    if (word.isNull() || m_box->isReadOnly())
        return menu;
    QAction *top = menu->actions().value(0);
    const QString text = word.selectedText();
    const QStringList corrections =
        m_checker->suggestions(text, suggestionCount, [](const QString &s) { return format::holdsText(s); });
    QList<QAction *> added;
    for (const QString &correction : corrections) {
        auto *replace = new QAction(correction, menu);
        QFont bold = replace->font();
        bold.setBold(true);
        replace->setFont(bold);
        connect(replace, &QAction::triggered, this, [word, text, correction] {
            // The cursor moved with any edit made meanwhile; only the word itself is replaced.
            QTextCursor edit = word;
            if (edit.selectedText() != text)
                return;
            // One step for Strg+Z.
            edit.beginEditBlock();
            edit.insertText(correction);
            edit.endEditBlock();
        });
        added.append(replace);
    }
    if (corrections.isEmpty()) {
        auto *none = new QAction(QStringLiteral("(keine Vorschläge)"), menu);
        none->setEnabled(false);
        added.append(none);
    }
    auto *add = new QAction(QStringLiteral("Zum Wörterbuch hinzufügen"), menu);
    connect(add, &QAction::triggered, this, [this, text] {
        QString error;
        if (!spelling::wordlist::append(m_wordListPath, text, &error)) {
            Q_EMIT spellingFailed(error);
            return;
        }
        m_checker->addKnown(text);
        recheck();
    });
    auto *ignore = new QAction(QStringLiteral("Ignorieren"), menu);
    connect(ignore, &QAction::triggered, this, [this, text] {
        m_checker->ignore(text);
        recheck();
    });
    menu->insertActions(top, added);
    menu->insertSeparator(top);
    menu->insertActions(top, {add, ignore});
    menu->insertSeparator(top);
    return menu;
}

bool SpellUnderline::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, &SpellUnderline::loadWhenNeeded);
    }
    if (event->type() == QEvent::Resize && watched == m_box->viewport()) {
        recheck();
    } else if (event->type() == QEvent::ContextMenu && m_checker && m_checker->hasDictionary()) {
        auto *asked = static_cast<QContextMenuEvent *>(event);
        const bool keyboard = asked->reason() == QContextMenuEvent::Keyboard;
        QPoint at = asked->pos();
        if (watched == m_box)
            at = m_box->viewport()->mapFrom(m_box, at);
        QMenu *menu = createMenu(at, keyboard);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // From the keyboard, the menu opens at the text cursor, where the word is.
        menu->popup(keyboard ? m_box->viewport()->mapToGlobal(m_box->cursorRect().bottomLeft()) : asked->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ww
