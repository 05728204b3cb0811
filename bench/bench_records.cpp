// ww_records' check and export over 10,000 record files, beside a loop that
// reads the same files through the record library as a picker does.
#include "commands.h"
#include "record_format.h"
#include "record_storage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
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

void readLoop(benchmark::State &state)
{
    const QString root = folder();
    for (auto _ : state) {
        int ok = 0;
        for (const char *kind : {"/Kreaturen", "/Zauber"}) {
            const QString directory = root + QLatin1String(kind);
            const QByteArray native = QFile::encodeName(directory);
            for (const ww::storage::ListedName &name : ww::storage::list(directory).names)
                ok += ww::storage::read(native + '/' + name.native, directory + QLatin1Char('/') + name.shown).ok();
        }
        benchmark::DoNotOptimize(ok);
    }
}

void check(benchmark::State &state)
{
    const QString root = folder();
    for (auto _ : state) {
        QString report;
        QTextStream out(&report);
        benchmark::DoNotOptimize(ww::cli::check(root, {}, out, out));
    }
}

void exportTable(benchmark::State &state)
{
    const QString root = folder();
    for (auto _ : state) {
        QBuffer table;
        table.open(QIODevice::WriteOnly);
        QString errors;
        QTextStream err(&errors);
        const auto format = state.range(0) ? ww::cli::Format::Json : ww::cli::Format::Csv;
        benchmark::DoNotOptimize(ww::cli::exportTable(root, format, ww::csv::Style(), table, err));
    }
}

} // namespace

BENCHMARK(readLoop)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(check)->Unit(benchmark::kMillisecond)->MinTime(2);
// Argument: 0 CSV, 1 JSON.
BENCHMARK(exportTable)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_MAIN();
