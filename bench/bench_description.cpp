// Filling the editor's description box with the largest text a record may
// hold, in three shapes, until the box is laid out, spell-checked and
// painted, with spelling on and off; beside a plain QPlainTextEdit of the
// same size that does not wrap at all. And one key typed into a 100 KB
// description: bare, with the recovery copy kept, with spelling checked.
#include "editor_window.h"
#include "record_format.h"
#include "spell_checker.h"

#include <QDir>
#include <QApplication>
#include <QKeyEvent>
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

void editorBox(benchmark::State &state)
{
    ww::Record record;
    record.name = QStringLiteral("Drache");
    record.text = description(Shape(state.range(0)));
    if (state.range(1))
        checker();
    for (auto _ : state) {
        ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
        editor.show();
        if (state.range(1))
            editor.setSpellChecker(checker(), QString());
        auto *box = editor.findChild<QPlainTextEdit *>(QStringLiteral("text"));
        editor.setRecord(record);
        box->viewport()->repaint();
        QApplication::processEvents();
    }
}

void plainBox(benchmark::State &state)
{
    const QString text = ww::storedTextToEditor(description(Shape(state.range(0))));
    for (auto _ : state) {
        QPlainTextEdit box;
        box.setWordWrapMode(QTextOption::NoWrap);
        box.resize(425, 73);
        box.show();
        box.setPlainText(text);
        box.viewport()->repaint();
        QApplication::processEvents();
    }
}

// One key press and release at the end of a 100 KB description, as the
// window system delivers them, until the box has handled them. A single
// paragraph is laid out anew on every key, whatever else happens.
void typing(benchmark::State &state)
{
    QTemporaryDir stateFolder;
    ww::Record record;
    record.name = QStringLiteral("Drache");
    // German prose, as one paragraph or in paragraphs of eight sentences.
    const QString sentence = QStringLiteral("Der Drache speit Feuer über die Berge und fliegt weit. ");
    const QString paragraph = sentence.repeated(8) + (state.range(1) ? QStringLiteral("\r\n") : QString());
    record.text = paragraph.repeated(100 * 1024 / paragraph.size());
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    editor.show();
    if (state.range(0) == 1)
        editor.keepRecoveryCopies(stateFolder.path());
    if (state.range(0) == 2)
        editor.setSpellChecker(checker(), QString());
    editor.setRecord(record);
    auto *box = editor.findChild<QPlainTextEdit *>(QStringLiteral("text"));
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(box, &release);
        QApplication::processEvents();
    }
}

} // namespace

// Argument: 0 bare, 1 with the recovery copy, 2 with spelling checked.
// Second argument: 0 one paragraph, 1 paragraphs.
BENCHMARK(typing)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond)->MinTime(2.0);
// Arguments: shape (0 one word, 1 words, 2 short lines), spelling (0 off, 1 on).
BENCHMARK(editorBox)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(plainBox)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
