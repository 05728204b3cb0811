// The picker on a folder of 10,000 record files: opening it, in turns with a
// bare listing of the same folder with readdir; a key of completion in its
// name box, in turns with the same key in a plain box; and an entry's
// preview, in turns with the reader alone on that entry's file.
#include "picker_window.h"
#include "record_format.h"
#include "record_storage.h"
#include "record_store.h"
#include "side_by_side.h"
#include "value_lists.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <benchmark/benchmark.h>

#include <dirent.h>

namespace {

constexpr int fileCount = 10000;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    static const bool filled = [] {
        QDir(dir.path()).mkdir(QStringLiteral("Kreaturen"));
        for (int i = 0; i < fileCount; ++i) {
            QFile f(dir.filePath(QStringLiteral("Kreaturen/Kreatur %1.dat").arg(i)));
            f.open(QIODevice::WriteOnly);
            f.write("1,\"x\",1,\"5\",0,0,0,0,0,\"\"\r\n");
        }
        return true;
    }();
    Q_UNUSED(filled);
    return dir;
}

void openPicker(benchmark::State &state)
{
    const ww::RecordStore store(folder().path());
    const QByteArray records = QFile::encodeName(folder().filePath(QStringLiteral("Kreaturen")));
    sideBySide(
        state,
        [&] {
            ww::PickerWindow picker(ww::PickerWindow::creature(), store, nullptr);
            benchmark::DoNotOptimize(picker.findChild<QListView *>()->model()->rowCount());
        },
        [&] {
            int count = 0;
            DIR *dir = ::opendir(records.constData());
            while (const dirent *entry = ::readdir(dir))
                count += entry->d_name[0] != '.';
            ::closedir(dir);
            benchmark::DoNotOptimize(count);
        });
}

// A key that leaves few names to show, so that all 10,000 are looked at:
// "42" then "." finds "Kreatur 42.dat", "Kreatur 142.dat", ... A number not
// typed before each time, so that no earlier answer is reused.
void completeKey(benchmark::State &state)
{
    const ww::RecordStore store(folder().path());
    ww::PickerWindow picker(ww::PickerWindow::creature(), store, nullptr);
    picker.show();
    auto *box = picker.findChild<QLineEdit *>(QStringLiteral("text_open"));
    QWidget plainWindow;
    auto *plain = new QLineEdit(&plainWindow);
    plainWindow.show();
    int number = 0;
    const auto keyIn = [&number](QLineEdit *edit) {
        edit->setText(QString::number(number % fileCount));
        QTest::keyClick(edit, Qt::Key_Period);
    };
    sideBySide(
        state, [&] { keyIn(box); },
        [&] {
            keyIn(plain);
            ++number;
        });
}

void preview(benchmark::State &state)
{
    const ww::RecordStore store(folder().path());
    ww::PickerWindow picker(ww::PickerWindow::creature(), store, nullptr);
    picker.show();
    auto *files = picker.findChild<QListView *>();
    const QPoint entry = files->visualRect(files->model()->index(0, 0)).center();
    const QString name = files->model()->index(0, 0).data().toString();
    int shown = 0;
    sideBySide(
        state,
        [&] {
            // Pointing at it: the file read, its preview made and shown.
            QHelpEvent pointing(QEvent::ToolTip, entry, files->viewport()->mapToGlobal(entry));
            QApplication::sendEvent(files->viewport(), &pointing);
            shown += QToolTip::isVisible() && !QToolTip::text().isEmpty();
            QToolTip::hideText();
        },
        [&] { benchmark::DoNotOptimize(store.read(ww::lists::creatureKind, name).ok()); });
    // A preview that was never shown would time nothing.
    if (shown != int(state.iterations()))
        state.SkipWithError("the preview was not shown");
}

} // namespace

BENCHMARK(openPicker)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(completeKey)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(preview)->Unit(benchmark::kMillisecond)->MinTime(1);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
