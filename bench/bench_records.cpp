// ww_records' check and export over 10,000 record files, each in turns with
// a loop that reads the same files through the record library as a picker
// does; and the import of the same 10,000 rows from CSV and from .ods into
// an empty folder, in turns with a loop that writes the same files through
// the library.
#include "commands.h"
#include "record_format.h"
#include "record_storage.h"
#include "side_by_side.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

namespace {

constexpr int fileCount = 10000;

const QString &folder()
{
    static QTemporaryDir dir;
    static const bool filled = [] {
        for (const char *kind : {"Kreaturen", "Zauber"})
            QDir(dir.path()).mkdir(QString::fromLatin1(kind));
        for (int i = 0; i < fileCount; ++i) {
            ww::Record r;
            r.kind = i % 2 ? 2 : 1;
            r.name = QStringLiteral("Wesen %1").arg(i);
            r.attack = i % 101;
            r.text = QStringLiteral("Eine Beschreibung, mit Komma\r\nund zweiter Zeile.");
            ww::storage::write(dir.filePath(r.kind == 1 ? QStringLiteral("Kreaturen") : QStringLiteral("Zauber")), r);
        }
        return true;
    }();
    Q_UNUSED(filled);
    static const QString path = dir.path();
    return path;
}

// The library's read loop, as a picker lists and reads each folder.
void readLoop(const QString &root)
{
    int ok = 0;
    for (const char *kind : {"/Kreaturen", "/Zauber"}) {
        const QString directory = root + QLatin1String(kind);
        const QByteArray native = QFile::encodeName(directory);
        for (const ww::storage::ListedName &name : ww::storage::list(directory).names)
            ok += ww::storage::read(native + '/' + name.native, directory + QLatin1Char('/') + name.shown).ok();
    }
    benchmark::DoNotOptimize(ok);
}

void check(benchmark::State &state)
{
    const QString root = folder();
    sideBySide(
        state,
        [&] {
            QString report;
            QTextStream out(&report);
            benchmark::DoNotOptimize(ww::cli::check(root, {}, out, out));
        },
        [&] { readLoop(root); });
}

void exportTable(benchmark::State &state)
{
    const QString root = folder();
    // Into a file, as "ww_records export > table.csv" writes it: the
    // kernel's share of writing the table counts, the disk's later
    // writeback of it does not (a file in memory, /dev/shm, where there is one).
    const QString memory = QStringLiteral("/dev/shm/ww-bench-XXXXXX");
    QTemporaryDir out(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? memory : QString());
    const auto format = state.range(0) ? ww::cli::Format::Json : ww::cli::Format::Csv;
    sideBySide(
        state,
        [&] {
            QFile table(out.filePath(QStringLiteral("table")));
            table.open(QIODevice::WriteOnly | QIODevice::Truncate);
            QString errors;
            QTextStream err(&errors);
            benchmark::DoNotOptimize(ww::cli::exportTable(root, format, ww::csv::Style(), table, err));
        },
        [&] { readLoop(root); });
}

// The folder's export in `format`, once, as a file.
QString table(ww::cli::Format format)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(format == ww::cli::Format::Ods ? QStringLiteral("t.ods") : QStringLiteral("t.csv"));
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QString errors;
        QTextStream err(&errors);
        ww::cli::exportTable(folder(), format, ww::csv::Style(), file, err);
    }
    return path;
}

void importTable(benchmark::State &state)
{
    const QString path = table(state.range(0) ? ww::cli::Format::Ods : ww::cli::Format::Csv);
    QList<std::pair<QString, ww::Record>> records;
    for (const char *kind : {"/Kreaturen", "/Zauber"}) {
        const QString directory = folder() + QLatin1String(kind);
        for (const ww::storage::ListedName &name : ww::storage::list(directory).names)
            records.append({QLatin1String(kind).mid(1), ww::storage::read(directory + QLatin1Char('/') + name.shown).record()});
    }
    sideBySide(
        state,
        [&] {
            QTemporaryDir target;
            QString report;
            QTextStream out(&report);
            benchmark::DoNotOptimize(ww::cli::importTable(path, target.path(), {}, out, out));
        },
        [&] {
            // The same records written one by one through the library.
            QTemporaryDir target;
            for (const char *kind : {"Kreaturen", "Zauber"})
                QDir(target.path()).mkdir(QString::fromLatin1(kind));
            for (const auto &[kind, record] : std::as_const(records))
                benchmark::DoNotOptimize(ww::storage::write(target.filePath(kind), record));
        });
}

} // namespace

BENCHMARK(check)->Unit(benchmark::kMillisecond)->MinTime(2);
// Argument: 0 CSV, 1 JSON.
BENCHMARK(exportTable)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MinTime(2);
// Argument: 0 CSV, 1 .ods.
BENCHMARK(importTable)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
