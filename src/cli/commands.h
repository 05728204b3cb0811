#pragma once

#include "csv_table.h"

#include <QString>

class QIODevice;
class QTextStream;

// The commands of ww_records. Each returns the program's exit status:
// 0 all well; 1 records (or rows) found faulty, or a record folder that
// could not be read; 2 a table that could not be read (import).
namespace ww::cli {

struct CheckOptions
{
    // Notes the description's words the German dictionary does not know.
    bool spelling = false;
    // More known words, one a line, besides the writer's own list and the records' names.
    QString wordsFile;
};
// Reads every record as a picker would; one line per file the editor could
// not open, notes on what a writer should know, and a summary.
int check(const QString &root, const CheckOptions &options, QTextStream &out, QTextStream &err);

enum class Format { Csv, Json, Ods };
// Every readable record as one row; unreadable ones are named on `err`.
int exportTable(const QString &root, Format format, csv::Style style, QIODevice &out, QTextStream &err);

struct ImportOptions
{
    bool overwrite = false;
    bool dryRun = false;
};
// Writes each good row of the CSV or JSON table at `tablePath` as a record
// file below `root`, atomically; bad rows are reported by their line.
int importTable(const QString &tablePath, const QString &root, ImportOptions options, QTextStream &out,
                QTextStream &err);

} // namespace ww::cli
