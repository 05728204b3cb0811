// Filling the editor's description box with the largest text a record may
// hold, in three shapes, until the box is laid out, spell-checked and
// painted: in turns with a plain QPlainTextEdit of the same size that does
// not wrap at all, and with spelling on in turns with spelling off. And one
// key typed into a 100 KB description, spelling on in turns with off; a key
// in 1 MiB with the form's undo history on in turns with it off, and what
// 1,000 steps of it hold.
#include "editor_window.h"
#include "record_form.h"
#include "record_format.h"
#include "side_by_side.h"
#include "spell_checker.h"

#include <QDir>
#include <QApplication>
#include <QKeyEvent>
#include <QTextDocument>

#include <malloc.h>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

enum Shape { OneWord, Words, ShortLines };

// As much text as fits in a record file beside the other fields.
QString description(Shape shape)
{
    ww::Record bare;
    bare.name = QStringLiteral("Drache");
    const qsizetype room = ww::format::maxFileBytes - ww::format::encode(bare).size();
    QString text;
    text.reserve(room);
    const QString piece = shape == OneWord ? QStringLiteral("x") : shape == Words ? QStringLiteral("Drache ")
                                                                                  : QStringLiteral("kurz\r\n");
    while (text.size() + piece.size() <= room)
        text += piece;
    return text;
}

// The German checker, loaded once: the editor loads it in the background.
std::shared_ptr<ww::spelling::SpellChecker> checker()
{
    static const std::shared_ptr<ww::spelling::SpellChecker> loaded =
        ww::spelling::SpellChecker::forLocale(QStringLiteral("de_DE"));
    if (!loaded->hasDictionary())
        qFatal("no German dictionary installed (hunspell-de-de)");
    return loaded;
}

ww::Record largest(Shape shape)
{
    ww::Record record;
    record.name = QStringLiteral("Drache");
    record.text = description(shape);
    return record;
}

void showInEditor(const ww::Record &record, bool spelling)
{
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    editor.show();
    if (spelling)
        editor.setSpellChecker(checker(), QString());
    auto *box = editor.findChild<QPlainTextEdit *>(QStringLiteral("text"));
    editor.setRecord(record);
    box->viewport()->repaint();
    QApplication::processEvents();
}

// The editor's box against Qt's plain one.
void box(benchmark::State &state)
{
    const ww::Record record = largest(Shape(state.range(0)));
    const QString text = ww::storedTextToEditor(record.text);
    sideBySide(
        state, [&] { showInEditor(record, false); },
        [&] {
            QPlainTextEdit plain;
            plain.setWordWrapMode(QTextOption::NoWrap);
            plain.resize(425, 73);
            plain.show();
            plain.setPlainText(text);
            plain.viewport()->repaint();
            QApplication::processEvents();
        });
}

// The editor's box with spelling on against the same with it off.
void spelling(benchmark::State &state)
{
    const ww::Record record = largest(Shape(state.range(0)));
    checker();
    sideBySide(state, [&] { showInEditor(record, true); }, [&] { showInEditor(record, false); });
}

// An editor holding 100 KB of German prose, as one paragraph or in
// paragraphs of eight sentences, with the cursor at its end.
struct Typed
{
    explicit Typed(bool paragraphs, bool spelling, qsizetype size = 100 * 1024)
    {
        ww::Record record;
        record.name = QStringLiteral("Drache");
        const QString sentence = QStringLiteral("Der Drache speit Feuer über die Berge und fliegt weit. ");
        const QString paragraph = sentence.repeated(8) + (paragraphs ? QStringLiteral("\r\n") : QString());
        record.text = paragraph.repeated(size / paragraph.size());
        editor.show();
        if (spelling)
            editor.setSpellChecker(checker(), QString());
        editor.setRecord(record);
        box = editor.findChild<QPlainTextEdit *>(QStringLiteral("text"));
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        QApplication::processEvents();
    }
    // One key press and release, as the window system delivers them, until
    // the box has handled them. A single paragraph is laid out anew on every
    // key, whatever else happens.
    void key()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(box, &release);
        QApplication::processEvents();
    }
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    QPlainTextEdit *box = nullptr;
};

void typing(benchmark::State &state)
{
    Typed checked(state.range(0) != 0, true);
    Typed bare(state.range(0) != 0, false);
    sideBySide(state, [&] { checked.key(); }, [&] { bare.key(); });
}

// The form's one history off: the description's steps no longer reach it.
void withoutHistory(Typed &typed)
{
    QObject::disconnect(typed.box->document(), &QTextDocument::undoCommandAdded, typed.editor.form(), nullptr);
}

// A key in a 1 MiB description (paragraphs) with the form's history on, in turns with it off.
void history(benchmark::State &state)
{
    Typed on(true, false, 1024 * 1024);
    Typed off(true, false, 1024 * 1024);
    withoutHistory(off);
    sideBySide(state, [&] { on.key(); }, [&] { off.key(); });
}

// What 1,000 steps of typing (each ended by the focus leaving) add to the
// heap of an editor holding a 1 MiB description, with the history and without.
void historyMemory(benchmark::State &state)
{
    const auto grown = [](bool history) {
        Typed typed(true, false, 1024 * 1024);
        if (!history)
            withoutHistory(typed);
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 1000; ++i) {
            typed.key();
            QFocusEvent out(QEvent::FocusOut);
            QCoreApplication::sendEvent(typed.box, &out);
        }
        return double(mallinfo2().uordblks - before) / (1024 * 1024);
    };
    double on = 0;
    double off = 0;
    for (auto _ : state) {
        on = grown(true);
        off = grown(false);
    }
    state.counters["with_history_MiB"] = on;
    state.counters["without_MiB"] = off;
    state.counters["history_MiB"] = on - off;
}

} // namespace

BENCHMARK(history)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(historyMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
// Argument: shape (0 one word, 1 words, 2 short lines).
BENCHMARK(box)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(spelling)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);
// Argument: 0 one paragraph, 1 paragraphs.
BENCHMARK(typing)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
