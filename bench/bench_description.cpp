// Filling the editor's description box with the largest text a record may
// hold, in three shapes, until the box is laid out and painted; beside a
// plain QPlainTextEdit of the same size that does not wrap at all. And one
// key typed into a 100 KB description, with the recovery copy kept and not.
#include "editor_window.h"
#include "record_format.h"

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

void editorBox(benchmark::State &state)
{
    ww::Record record;
    record.name = QStringLiteral("Drache");
    record.text = description(Shape(state.range(0)));
    for (auto _ : state) {
        ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
        editor.show();
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
// window system delivers them, until the box has handled them.
void typing(benchmark::State &state)
{
    QTemporaryDir stateFolder;
    ww::Record record;
    record.name = QStringLiteral("Drache");
    record.text = QStringLiteral("Drache ").repeated(100 * 1024 / 7);
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    editor.show();
    if (state.range(0))
        editor.keepRecoveryCopies(stateFolder.path());
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

// Argument: 0 without the recovery copy, 1 with it.
BENCHMARK(typing)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
// Arguments: 0 one word, 1 words, 2 short lines.
BENCHMARK(editorBox)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(plainBox)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
