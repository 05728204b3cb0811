#include "commands.h"
#include "record_format.h"
#include "record_storage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTextStream>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

// Any table (CSV or JSON, any bytes) is imported or refused, never a crash;
// nothing lands outside the two record folders, and every file written
// reads back as a record.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString work = QDir::tempPath() + QStringLiteral("/ww_import_fuzz.%1").arg(::getpid());
    QDir(work).removeRecursively();
    QDir().mkpath(work + QStringLiteral("/root"));
    QFile table(work + QStringLiteral("/table"));
    if (!table.open(QIODevice::WriteOnly) || table.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    table.close();

    QString printed;
    QTextStream out(&printed);
    QTextStream err(&printed);
    ww::cli::ImportOptions options;
    options.overwrite = true;
    const int status = ww::cli::importTable(table.fileName(), work + QStringLiteral("/root"), options, out, err);
    if (status < 0 || status > 2)
        std::abort();
    // Output never carries a control character but the line ends.
    for (const QChar c : std::as_const(printed)) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n'))
            std::abort();
    }
    for (QDirIterator it(work + QStringLiteral("/root"), QDir::Files | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const QString folder = QFileInfo(path).dir().dirName();
        if (QFileInfo(path).dir().absolutePath() != QDir(work + QStringLiteral("/root/") + folder).absolutePath()
            || (folder != QLatin1String("Kreaturen") && folder != QLatin1String("Zauber")))
            std::abort();
        if (!ww::storage::read(path).ok())
            std::abort();
    }
    return 0;
}
