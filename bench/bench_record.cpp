// Reading and writing 10,000 record files through the record library, in
// turns with bare POSIX loops over the same files.
#include "record_format.h"
#include "record_storage.h"
#include "side_by_side.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr int fileCount = 10000;

struct Folder
{
    QTemporaryDir dir;
    std::vector<QString> paths;
    std::vector<QByteArray> nativePaths;

    Folder()
    {
        for (int i = 0; i < fileCount; ++i) {
            ww::Record r;
            r.name = QStringLiteral("Kreatur %1").arg(i);
            r.text = QStringLiteral("Eine Beschreibung, mit Komma\r\nund zweiter Zeile.");
            ww::storage::write(dir.path(), r);
            paths.push_back(ww::storage::pathFor(dir.path(), r.name));
            nativePaths.push_back(paths.back().toLocal8Bit());
        }
    }
};

Folder &folder()
{
    static Folder f;
    return f;
}

void read(benchmark::State &state)
{
    Folder &f = folder();
    sideBySide(
        state,
        [&] {
            for (const QString &path : f.paths) {
                ww::ReadResult r = ww::storage::read(path);
                benchmark::DoNotOptimize(r);
            }
        },
        [&] {
            char buffer[4096];
            for (const QByteArray &path : f.nativePaths) {
                const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                benchmark::DoNotOptimize(n);
                ::close(fd);
            }
        });
}

// Writes 10,000 distinct records into `dir` with `write(directory, record)`.
template<typename Write>
void writeEach(const QString &dir, Write write)
{
    ww::Record r;
    r.text = QStringLiteral("Eine Beschreibung, mit Komma\r\nund zweiter Zeile.");
    for (int i = 0; i < fileCount; ++i) {
        r.name = QStringLiteral("Kreatur %1").arg(i);
        write(dir, r);
    }
}

void write(benchmark::State &state)
{
    // Each side replaces its own files, as a save over an existing record does.
    QTemporaryDir library;
    QTemporaryDir bare;
    sideBySide(
        state,
        [&] {
            writeEach(library.path(), [](const QString &dir, const ww::Record &r) {
                benchmark::DoNotOptimize(ww::storage::write(dir, r));
            });
        },
        [&] {
            writeEach(bare.path(), [](const QString &dir, const ww::Record &r) {
                const QByteArray path = ww::storage::pathFor(dir, r.name).toLocal8Bit();
                const QByteArray line = ww::format::encode(r);
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                benchmark::DoNotOptimize(::write(fd, line.constData(), size_t(line.size())));
                ::close(fd);
            });
        });
}

} // namespace

BENCHMARK(read)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(write)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
