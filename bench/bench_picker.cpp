// Opening a picker on a folder of 10,000 record files, in turns with a bare
// listing of the same folder with readdir.
#include "picker_window.h"
#include "record_format.h"
#include "record_storage.h"
#include "record_store.h"
#include "side_by_side.h"
#include "value_lists.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

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

} // namespace

BENCHMARK(openPicker)->Unit(benchmark::kMillisecond)->MinTime(1);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
