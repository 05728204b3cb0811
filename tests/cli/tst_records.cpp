#include "write_file.h"
#include "ww_version.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Files = QList<std::pair<QString, QByteArray>>;

const QByteArray drache("1,\"Drache\",2,\"12\",80,60,0,0,100,\"Speit Feuer,\r\nfliegt weit.\"\r\n");
// A description that starts with a line break.
const QByteArray welle("2,\"Welle\",3,\"4\",0,0,0,0,0,\"\r\nzweite Zeile\"\r\n");
const QByteArray blitz("2,\"Blitz\",3,\" 5 \",1,2,3,4,5,\"\"\r\n");
const QByteArray header("Ordner,Datei,Typ,Typ (Text),Name,Magik,Magik (Text),Mana,Angriff,Angriff (Text),"
                        "Verteidigung,Verteidigung (Text),Bewegung-Erde,Bewegung-Erde (Text),Bewegung-Wasser,"
                        "Bewegung-Wasser (Text),Bewegung-Luft,Bewegung-Luft (Text),Beschreibung\r\n");

QByteArray row(const char *cells)
{
    return QByteArray(cells) + "\r\n";
}

// A folder listed with the bytes `locked` is made unreadable, and the
// program then runs as a user the lock holds (nobody, where the tests run as root).
const QByteArray locked("(chmod 000)");

// A file listed with bytes that start with `linkTo` is made a symbolic link
// to the rest of them.
const QByteArray linkTo("(link) ");

// A file listed with these bytes is made a FIFO that nobody writes to.
const QByteArray fifo("(fifo)");

// A file listed with bytes that start with `odsOf` is made an .ods sheet
// whose content.xml is the rest of them; with `protectedOdsOf`, one saved
// with a password, as the manifest says.
const QByteArray odsOf("(ods) ");
const QByteArray protectedOdsOf("(ods, password) ");

void writeSheet(const QString &path, const QByteArray &bytes)
{
    const bool locked = bytes.startsWith(protectedOdsOf);
    QProcess zip;
    zip.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
    z.writestr('META-INF/manifest.xml', '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
               + ('<manifest:file-entry manifest:full-path="content.xml"><manifest:encryption-data/></manifest:file-entry>'
                  if sys.argv[2] == '1' else '') + '</manifest:manifest>')
    z.writestr('content.xml', sys.stdin.buffer.read())
)"), path, locked ? QStringLiteral("1") : QStringLiteral("0")});
    zip.write(bytes.mid(locked ? protectedOdsOf.size() : odsOf.size()));
    zip.closeWriteChannel();
    QVERIFY(zip.waitForFinished() && zip.exitCode() == 0);
}

// content.xml of a sheet: the export's header row, then `rows` (table:table-row elements).
QByteArray sheetXml(const QByteArray &rows, const QByteArray &more = QByteArray())
{
    QByteArray head;
    for (const QByteArray &column : header.trimmed().split(','))
        head += "<table:table-cell office:value-type=\"string\"><text:p>" + column + "</text:p></table:table-cell>";
    return "<?xml version=\"1.0\"?><office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
           "<office:body><office:spreadsheet><table:table table:name=\"Datensätze\"><table:table-row>"
        + head + "</table:table-row>" + rows + "</table:table>" + more + "</office:spreadsheet></office:body></office:document-content>";
}

// One row of text cells, then `description` as the last cell's content.
QByteArray sheetRow(const QByteArray &attributes, const QList<QByteArray> &cells, const QByteArray &description)
{
    QByteArray row = "<table:table-row" + attributes + ">";
    for (const QByteArray &cell : cells)
        row += cell.startsWith('<') ? cell : "<table:table-cell office:value-type=\"string\"><text:p>" + cell + "</text:p></table:table-cell>";
    return row + "<table:table-cell office:value-type=\"string\">" + description + "</table:table-cell></table:table-row>";
}

const QList<QByteArray> sheetCells = {"Kreaturen", "A.dat", "1", "", "A", "1", "", "5", "0", "", "0", "", "0", "", "0", "", "0", ""};

void writeFiles(const QDir &root, const Files &files)
{
    for (const auto &[path, bytes] : files) {
        if (bytes.startsWith(odsOf) || bytes.startsWith(protectedOdsOf)) {
            writeSheet(root.filePath(path), bytes);
            continue;
        }
        if (bytes == locked) {
            QVERIFY(root.mkpath(path));
            continue;
        }
        if (bytes == fifo) {
            QVERIFY(root.mkpath(QFileInfo(path).path()));
            QCOMPARE(::mkfifo(QFile::encodeName(root.filePath(path)).constData(), 0600), 0);
            continue;
        }
        if (bytes.startsWith(linkTo)) {
            QVERIFY(root.mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::link(QString::fromUtf8(bytes.mid(linkTo.size())), root.filePath(path)));
            continue;
        }
        writeFile(root.filePath(path), bytes);
    }
}

// Every file below `root` with its bytes, for comparing whole folders.
QMap<QString, QByteArray> contents(const QString &root)
{
    QMap<QString, QByteArray> found;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            found.insert(QDir(root).relativeFilePath(f.fileName()), f.readAll());
    }
    return found;
}

// An argument that is no argument: the program runs with 1 GiB of address space.
const QString memoryBound = QStringLiteral("(1 GiB)");
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};

Run run(const QStringList &arguments, const QString &folder, bool asNobody = false)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    // The writer's word list lies in the test's folder; a row that brings a
    // dictionary folder ("dict", empty for none) has it searched alone.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QDir(folder).filePath(QStringLiteral("daten")));
    if (QFileInfo(QDir(folder).filePath(QStringLiteral("dict"))).isDir())
        environment.insert(QStringLiteral("DICPATH"), QDir(folder).filePath(QStringLiteral("dict")));
    process.setProcessEnvironment(environment);
    // A row may send standard output to a full disk.
    QStringList given = arguments;
    if (given.removeOne(QStringLiteral(">/dev/full")))
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    // A row may bound the program's memory: a hostile table must not need more.
    // (The sanitizers reserve terabytes of address space of their own.)
    const bool bounded = given.removeOne(memoryBound) && !sanitized;
    const bool nobody = asNobody && ::geteuid() == 0;
    process.setChildProcessModifier([bounded, nobody] {
        const rlimit bound{rlim_t(1) << 30, rlim_t(1) << 30};
        if (bounded && ::setrlimit(RLIMIT_AS, &bound) != 0)
            ::_exit(127);
        if (nobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(127);
    });
    process.start(QStringLiteral(WW_RECORDS_PROGRAM), given);
    Run result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void invocations_data();
    void invocations();
    void exportThenImportIsByteIdentical_data();
    void exportThenImportIsByteIdentical();
    void spreadsheetEditThenImport();
    void throughLibreOfficeCalc_data();
    void throughLibreOfficeCalc();
};

void TestRecords::invocations_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // each is part of a line of standard output
    QTest::addColumn<QString>("error"); // part of standard error, if not empty
    QTest::addColumn<QStringList>("absent"); // files that must not exist afterwards

    const QString table = QStringLiteral("tabelle.csv");
    const auto csvTable = [&](const QByteArray &rows) { return std::pair{table, header + rows}; };
    const QByteArray aRow = row("Kreaturen,A.dat,1,Kreatur,A,1,,5,0,0%,0,,0,,0,,0,,");
    const QByteArray bRow = row("Kreaturen,B.dat,1,,B,2,,7,10,,0,,0,,0,,0,,\"zwei\nZeilen\"");

    // Usage
    QTest::newRow("no command") << Files{} << QStringList{} << 2 << QStringList{} << QStringLiteral("Es fehlt der Befehl")
                                << QStringList{};
    QTest::newRow("unknown command") << Files{} << QStringList{QStringLiteral("pruefen")} << 2 << QStringList{}
                                     << QStringLiteral("Unbekannter Befehl 'pruefen'") << QStringList{};
    QTest::newRow("unknown option") << Files{} << QStringList{QStringLiteral("check"), QStringLiteral("--schnell")} << 2
                                    << QStringList{} << QStringLiteral("Unbekannte Option") << QStringList{};
    QTest::newRow("option of another command") << Files{} << QStringList{QStringLiteral("export"), QStringLiteral("--dry-run")}
                                               << 2 << QStringList{} << QStringLiteral("gehört nicht zu 'export'")
                                               << QStringList{};
    QTest::newRow("help") << Files{} << QStringList{QStringLiteral("--help")} << 0
                          << QStringList{QStringLiteral("Aufruf: ww_records"), QStringLiteral("--overwrite")} << QString()
                          << QStringList{};
    QTest::newRow("version") << Files{} << QStringList{QStringLiteral("--version")} << 0
                             << QStringList{QStringLiteral("ww_records %1.%2.%3")
                                                .arg(ww::version::major)
                                                .arg(ww::version::minor)
                                                .arg(ww::version::revision)}
                             << QString() << QStringList{};
    QTest::newRow("folder missing") << Files{} << QStringList{QStringLiteral("check"), QStringLiteral("fehlt")} << 2
                                    << QStringList{} << QStringLiteral("'fehlt' existiert nicht") << QStringList{};

    // check
    QTest::newRow("check: an empty record folder") << Files{{QStringLiteral("Zauber/notiz.txt"), ""}}
                                                   << QStringList{QStringLiteral("check")} << 0
                                                   << QStringList{QStringLiteral("0 Dateien gelesen, 0 fehlerhaft, 0 Hinweise.")}
                                                   << QString() << QStringList{};
    QTest::newRow("check: neither record folder") << Files{} << QStringList{QStringLiteral("check")} << 1 << QStringList{}
                                                  << QStringLiteral("gibt es weder 'Kreaturen' noch 'Zauber'") << QStringList{};
    QTest::newRow("check: a record folder that cannot be read")
        << Files{{QStringLiteral("Kreaturen"), locked}, {QStringLiteral("Zauber/Blitz.dat"), blitz}}
        << QStringList{QStringLiteral("check")} << 1
        << QStringList{QStringLiteral("1 Datei gelesen, 0 fehlerhaft, 0 Hinweise.")}
        << QStringLiteral("/Kreaturen' kann nicht gelesen werden: keine Berechtigung") << QStringList{};
    QTest::newRow("check: good records")
        << Files{{QStringLiteral("Kreaturen/Drache.dat"), drache}, {QStringLiteral("Zauber/Blitz.dat"), blitz}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("2 Dateien gelesen, 0 fehlerhaft, 0 Hinweise.")} << QString() << QStringList{};
    QTest::newRow("check: faulty files named with the editor's reason")
        << Files{{QStringLiteral("Kreaturen/Drache.dat"), drache},
                 {QStringLiteral("Zauber/Halb.dat"), "2,\"Ha"},
                 {QStringLiteral("Zauber/Typ.dat"), "3,\"T\",1,\"5\",0,0,0,0,0,\"\""}}
        << QStringList{QStringLiteral("check")} << 1
        << QStringList{QStringLiteral("Zauber/Halb.dat: Die Datei"), QStringLiteral("schließende Anführungszeichen"),
                       QStringLiteral("Zauber/Typ.dat: "), QStringLiteral("3 Dateien gelesen, 2 fehlerhaft, 0 Hinweise.")}
        << QString() << QStringList{};
    QTest::newRow("check: notes do not fail")
        << Files{{QStringLiteral("Kreaturen/Kopie.dat"), drache},
                 {QStringLiteral("Kreaturen/Blitz.dat"), blitz},
                 {QStringLiteral("Zauber/Blitz .dat"), "2,\"Blitz \",3,\"5\",0,0,0,0,0,\"\"\r\n"},
                 {QStringLiteral("Zauber/Blitz.dat"), blitz}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("Kreaturen/Kopie.dat: Hinweis: Der gespeicherte Name 'Drache'"),
                       QStringLiteral("Kreaturen/Blitz.dat: Hinweis: Der Datensatz hat den Typ 2 (Zauber)"),
                       QStringLiteral("unterscheiden sich nur durch Leerzeichen"),
                       QStringLiteral("4 Dateien gelesen, 0 fehlerhaft, 3 Hinweise.")}
        << QString() << QStringList{};
    QTest::newRow("check: a record the editor could not save back")
        << Files{{QStringLiteral("Kreaturen/") + QString(250, QLatin1Char('q')) + QStringLiteral(".dat"),
                  "1,\"" + QByteArray(250, 'q') + "\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("nicht zurückspeichern"), QStringLiteral("1 Datei gelesen, 0 fehlerhaft, 1 Hinweis.")}
        << QString() << QStringList{};

    // export
    QTest::newRow("export: CSV in collation order, line breaks inside quotes")
        << Files{{QStringLiteral("Zauber/Blitz.dat"), blitz}, {QStringLiteral("Kreaturen/Drache.dat"), drache}}
        << QStringList{QStringLiteral("export")} << 0
        << QStringList{QString::fromUtf8(header.trimmed()),
                       QStringLiteral("Kreaturen,Drache.dat,1,Kreatur,Drache,2,Rote Magie - Gebirge,12,80,80%,60,60%,0,0%,"
                                      "0,0%,100,100%,\"Speit Feuer,"),
                       QStringLiteral("fliegt weit.\""),
                       QStringLiteral("Zauber,Blitz.dat,2,Zauber,Blitz,3,Blaue Magie - Meere, 5 ,1,1%,2,2%,3,3%,4,4%,5,5%,")}
        << QString() << QStringList{};
    QTest::newRow("export: --excel uses ';' and a byte-order mark")
        << Files{{QStringLiteral("Zauber/Blitz.dat"), blitz}} << QStringList{QStringLiteral("export"), QStringLiteral("--excel")}
        << 0 << QStringList{QStringLiteral("Ordner;Datei;Typ;"), QStringLiteral("Zauber;Blitz.dat;2;Zauber;")}
        << QString() << QStringList{};
    QTest::newRow("export: JSON")
        << Files{{QStringLiteral("Zauber/Blitz.dat"), blitz}}
        << QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("json")} << 0
        << QStringList{QStringLiteral("\"Name\": \"Blitz\""), QStringLiteral("\"Magik\": 3"),
                       QStringLiteral("\"Magik (Text)\": \"Blaue Magie - Meere\"")}
        << QString() << QStringList{};
    for (const char *format : {"csv", "json", "ods"}) {
        QTest::addRow("export: %s to a full disk fails", format)
            << Files{{QStringLiteral("Zauber/Blitz.dat"), blitz}}
            << QStringList{QStringLiteral("export"), QStringLiteral("--format"), QString::fromLatin1(format),
                           QStringLiteral(">/dev/full")}
            << 1 << QStringList{} << QStringLiteral("auf die Standardausgabe geschrieben werden: der Datenträger ist voll")
            << QStringList{};
    }
    QTest::newRow("export: a faulty file is named and left out")
        << Files{{QStringLiteral("Zauber/Blitz.dat"), blitz}, {QStringLiteral("Zauber/Halb.dat"), "2,\"Ha"}}
        << QStringList{QStringLiteral("export")} << 1 << QStringList{QStringLiteral("Zauber,Blitz.dat,")}
        << QStringLiteral("Zauber/Halb.dat: Die Datei") << QStringList{};
    QTest::newRow("export: --excel quotes what holds ';'")
        << Files{{QStringLiteral("Zauber/Blitz.dat"), "2,\"Blitz\",3,\"a;b\",1,2,3,4,5,\"\"\r\n"}}
        << QStringList{QStringLiteral("export"), QStringLiteral("--excel")} << 0
        << QStringList{QStringLiteral(";Blaue Magie - Meere;\"a;b\";1;")} << QString() << QStringList{};
    QTest::newRow("export: a record folder that cannot be read")
        << Files{{QStringLiteral("Zauber"), locked}} << QStringList{QStringLiteral("export")} << 1
        << QStringList{QString::fromUtf8(header.trimmed())} << QStringLiteral("/Zauber' kann nicht gelesen werden")
        << QStringList{};
    QTest::newRow("export: unknown format") << Files{}
                                            << QStringList{QStringLiteral("export"), QStringLiteral("--format=xml")} << 2
                                            << QStringList{} << QStringLiteral("Unbekanntes Format 'xml'") << QStringList{};

    // import
    QTest::newRow("import: table missing") << Files{} << QStringList{QStringLiteral("import"), QStringLiteral("fehlt.csv")}
                                           << 2 << QStringList{} << QStringLiteral("'fehlt.csv' kann nicht gelesen werden")
                                           << QStringList{};
    QTest::newRow("import: new records, display texts optional")
        << Files{csvTable(aRow + bRow)} << QStringList{QStringLiteral("import"), table} << 0
        << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat"), QStringLiteral("angelegt: Kreaturen/B.dat"),
                       QStringLiteral("2 angelegt, 0 ersetzt, 0 unverändert, 0 abgelehnt.")}
        << QString() << QStringList{};
    QTest::newRow("import: an existing file is kept without --overwrite")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), drache}} << QStringList{QStringLiteral("import"), table}
        << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2: Kreaturen/A.dat ist schon vorhanden")} << QString()
        << QStringList{};
    QTest::newRow("import: --overwrite replaces")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), drache}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--overwrite"), table} << 0
        << QStringList{QStringLiteral("ersetzt: Kreaturen/A.dat")} << QString() << QStringList{};
    QTest::newRow("import: the same record again is unchanged")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), "1,\"A\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("import"), table} << 0 << QStringList{QStringLiteral("unverändert: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: --dry-run writes nothing")
        << Files{csvTable(aRow)} << QStringList{QStringLiteral("import"), QStringLiteral("--dry-run"), table} << 0
        << QStringList{QStringLiteral("würde anlegen: Kreaturen/A.dat"), QStringLiteral("Probelauf: 1 angelegt")}
        << QString() << QStringList{QStringLiteral("Kreaturen/A.dat"), QStringLiteral("Kreaturen")};
    QTest::newRow("import: --dry-run keeps an existing file without --overwrite")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), drache}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--dry-run"), table} << 1
        << QStringList{QStringLiteral("abgelehnt: Zeile 2: Kreaturen/A.dat ist schon vorhanden")} << QString()
        << QStringList{};
    QTest::newRow("import: a byte-order mark before a quoted header")
        << Files{{table, "\xEF\xBB\xBF\"Ordner\"" + header.mid(6) + aRow}} << QStringList{QStringLiteral("import"), table}
        << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")} << QString() << QStringList{};
    QTest::newRow("import: one name in both folders")
        << Files{csvTable(aRow + row("Zauber,A.dat,2,,A,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat"), QStringLiteral("angelegt: Zauber/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: a bad row does not stop the others")
        << Files{csvTable(row("Kreaturen,X.dat,7,,X,1,,5,0,,0,,0,,0,,0,,") + bRow)} << QStringList{QStringLiteral("import"), table}
        << 1
        << QStringList{QStringLiteral("abgelehnt: Zeile 2: Spalte 'Typ' enthält den Code 7; erlaubt ist 1 bis 2."),
                       QStringLiteral("angelegt: Kreaturen/B.dat")}
        << QString() << QStringList{QStringLiteral("Kreaturen/X.dat")};
    QTest::newRow("import: display text contradicting its code")
        << Files{csvTable(row("Kreaturen,A.dat,1,Zauber,A,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 1 << QStringList{QStringLiteral("Spalte 'Typ (Text)' sagt 'Zauber', der Code 1")} << QString()
        << QStringList{QStringLiteral("Kreaturen/A.dat")};
    QTest::newRow("import: the save check refuses a quote")
        << Files{csvTable(row("Kreaturen,A.dat,1,,A,1,,\"5\"\"\",0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2: Das Feld 'Mana' enthält ein doppeltes Anführungszeichen")}
        << QString() << QStringList{QStringLiteral("Kreaturen/A.dat")};
    QTest::newRow("import: a file name leaving its folder")
        << Files{csvTable(row("Kreaturen,../A.dat,1,,A,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 1 << QStringList{QStringLiteral("'../A.dat' ist kein Dateiname")} << QString() << QStringList{QStringLiteral("A.dat")};
    QTest::newRow("import: a spreadsheet's Windows-1252 CSV")
        << Files{csvTable(row("Kreaturen,B\xe4r.dat,1,,B\xe4r,4,Gr\xfcne Magie - W\xe4lder,5,0,,0,,0,,0,,0,,"))}
        << QStringList{QStringLiteral("import"), table} << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/Bär.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: '.DAT' is a record file as in the pickers")
        << Files{csvTable(row("Zauber,GROSS.DAT,2,,GROSS,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 0 << QStringList{QStringLiteral("angelegt: Zauber/GROSS.DAT")} << QString() << QStringList{};
    QTest::newRow("import: two rows for one file")
        << Files{csvTable(aRow + aRow)} << QStringList{QStringLiteral("import"), table} << 1
        << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat"),
                       QStringLiteral("abgelehnt: Zeile 3: Kreaturen/A.dat stand schon in Zeile 2.")}
        << QString() << QStringList{};
    QTest::newRow("import: a column missing") << Files{{table, QByteArray("Ordner,Datei,Typ\r\nKreaturen,A.dat,1\r\n")}}
                                              << QStringList{QStringLiteral("import"), table} << 2 << QStringList{}
                                              << QStringLiteral("fehlt die Spalte 'Name'")
                                              << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import: an unclosed quote") << Files{csvTable(row("Kreaturen,A.dat,1,,\"A,1"))}
                                               << QStringList{QStringLiteral("import"), table} << 2 << QStringList{}
                                               << QStringLiteral("kein gültiges CSV") << QStringList{};
    // Hostile tables: nothing written for the row, the line named, names shown escaped.
    QTest::newRow("import: NUL in Datei")
        << Files{csvTable(row("Kreaturen,X@Y.dat,1,,X,1,,5,0,,0,,0,,0,,0,,").replace('@', '\0'))}
        << QStringList{QStringLiteral("import"), table} << 1
        << QStringList{QStringLiteral("abgelehnt: Zeile 2: Spalte 'Datei': Der Name enthält ein Steuerzeichen")}
        << QString() << QStringList{QStringLiteral("Kreaturen/X"), QStringLiteral("Kreaturen")};
    QTest::newRow("import: ESC in Datei, shown escaped")
        << Files{csvTable(row("Kreaturen,\x1b[31mRot.dat,1,,Rot,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2: Spalte 'Datei'")} << QString()
        << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("check: names that differ only in outer spaces")
        << Files{{QStringLiteral("Kreaturen/A.dat"), "1,\"A\",1,\"5\",0,0,0,0,0,\"\"\r\n"},
                 {QStringLiteral("Kreaturen/ A.dat"), "1,\" A\",1,\"5\",0,0,0,0,0,\"\"\r\n"},
                 {QStringLiteral("Zauber/A.dat"), "2,\"A\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("Kreaturen/ A.dat und Kreaturen/A.dat: Hinweis: Die Namen ' A' und 'A' unterscheiden sich nur"),
                       QStringLiteral("1 Hinweis.")}
        << QString() << QStringList{};
    QTest::newRow("check: a FIFO, a folder, a dangling and a looping link among the records, each named")
        << Files{{QStringLiteral("Kreaturen/Drache.dat"), fifo}, {QStringLiteral("Kreaturen/Ordner.dat/x"), ""},
                 {QStringLiteral("Kreaturen/Weg.dat"), linkTo + "nirgends.dat"}, {QStringLiteral("Kreaturen/Kreis.dat"), linkTo + "Kreis.dat"}}
        << QStringList{QStringLiteral("check")} << 1
        << QStringList{QStringLiteral("Kreaturen/Drache.dat: '"), QStringLiteral("Kreaturen/Ordner.dat: '"),
                       QStringLiteral("Weg.dat' kann nicht gelesen werden: sie ist eine symbolische Verknüpfung auf etwas, das es nicht gibt."),
                       QStringLiteral("Kreis.dat' kann nicht gelesen werden: symbolische Verknüpfungen verweisen im Kreis."),
                       QStringLiteral("4 Dateien gelesen, 4 fehlerhaft")}
        << QString() << QStringList{};
    QTest::newRow("check: a file name with ESC, shown escaped")
        << Files{{QStringLiteral("Kreaturen/\x1b[31mRot.dat"), "1,\"Rot\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("check")} << 0 << QStringList{QStringLiteral("Kreaturen/\\x1B[31mRot.dat: Hinweis")}
        << QString() << QStringList{};
    QTest::newRow("check: names with a zero-width space and a right-to-left override, shown escaped")
        << Files{{QString::fromUtf8("Kreaturen/Eule\u200b.dat"), "1,\"Eule\",1,\"5\",0,0,0,0,0,\"\"\r\n"},
                 {QString::fromUtf8("Kreaturen/\u202eRot.dat"), "1,\"Rot\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("Kreaturen/Eule\\u200B.dat: Hinweis"), QStringLiteral("Kreaturen/\\u202ERot.dat: Hinweis"),
                       QString::fromUtf8("!\u200b"), QString::fromUtf8("!\u202e")}
        << QString() << QStringList{};
    QTest::newRow("import --dry-run: a folder in the file's place")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat/x"), ""}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--dry-run"), table} << 1
        << QStringList{QStringLiteral("Kreaturen/A.dat' kann nicht gespeichert werden: Ein Ordner")}
        << QString() << QStringList{};
    QTest::newRow("import: a dangling link is not written through")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), linkTo + "../anderswo/neu.dat"},
                 {QStringLiteral("anderswo/.keep"), ""}}
        << QStringList{QStringLiteral("import"), table} << 1
        << QStringList{QStringLiteral("Kreaturen/A.dat' wird nicht gespeichert: Sie ist ein symbolischer Verweis")}
        << QString() << QStringList{QStringLiteral("anderswo/neu.dat")};
    QTest::newRow("import --overwrite: a link's target is not replaced")
        << Files{csvTable(aRow), {QStringLiteral("Kreaturen/A.dat"), linkTo + "../anderswo/alt.dat"},
                 {QStringLiteral("anderswo/alt.dat"), drache}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--overwrite"), table} << 1
        << QStringList{QStringLiteral("symbolischer Verweis")} << QString() << QStringList{};
    QTest::newRow("import: Datei other than the name, with a note")
        << Files{csvTable(row("Kreaturen,Alt.dat,1,,Neu,1,,5,0,,0,,0,,0,,0,,"))} << QStringList{QStringLiteral("import"), table}
        << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/Alt.dat"), QStringLiteral("Hinweis: Der Name 'Neu' weicht vom Dateinamen ab")}
        << QString() << QStringList{QStringLiteral("Kreaturen/Neu.dat")};
    QTest::newRow("import: Windows-1252 decided for the whole table")
        << Files{csvTable(row("Kreaturen,B\xe4r.dat,1,,B\xe4r,1,,5,0,,0,,0,,0,,0,,\xc3\xa9tude"))}
        << QStringList{QStringLiteral("import"), table} << 0
        << QStringList{QStringLiteral("Hinweis: Die Tabelle ist kein UTF-8; sie wird ganz als Windows-1252 gelesen.")}
        << QString() << QStringList{};
    QTest::newRow("import: JSON with a byte-order mark")
        << Files{{QStringLiteral("t.json"), "\xEF\xBB\xBF[{\"Ordner\": \"Zauber\", \"Datei\": \"J.dat\", \"Typ\": 2, \"Name\": \"J\", "
                                            "\"Magik\": 4, \"Mana\": \"9\", \"Angriff\": 0, \"Verteidigung\": 0, "
                                            "\"Bewegung-Erde\": 0, \"Bewegung-Wasser\": 0, \"Bewegung-Luft\": 0, "
                                            "\"Beschreibung\": \"\"}]"}}
        << QStringList{QStringLiteral("import"), QStringLiteral("t.json")} << 0
        << QStringList{QStringLiteral("angelegt: Zauber/J.dat")} << QString() << QStringList{};
    // What spreadsheets write back for "10%": the same number agrees, another does not.
    QTest::newRow("import: percentages as spreadsheets write them")
        << Files{csvTable(row("Kreaturen,A.dat,1,,A,1,,5,10,10.00%,20,\"20,00 %\",30,30 %,0,0%,0,,"))}
        << QStringList{QStringLiteral("import"), table} << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: a percentage contradicting its code")
        << Files{csvTable(row("Kreaturen,A.dat,1,,A,1,,5,10,\"11,00 %\",0,,0,,0,,0,,"))}
        << QStringList{QStringLiteral("import"), table} << 1
        << QStringList{QStringLiteral("Spalte 'Angriff (Text)' sagt '11,00 %', der Code 10")} << QString()
        << QStringList{QStringLiteral("Kreaturen/A.dat")};
    QTest::newRow("import --dry-run: each changed field, old and new")
        << Files{csvTable(row("Kreaturen,Drache.dat,1,,Drache,2,,05,80,,60,,0,,0,,100,,\"Speit Feuer,\nfliegt weit.\"")),
                 {QStringLiteral("Kreaturen/Drache.dat"), drache}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--dry-run"), QStringLiteral("--overwrite"), table} << 0
        << QStringList{QStringLiteral("würde ersetzen: Kreaturen/Drache.dat"), QStringLiteral("  Mana: '12' → '05'")}
        << QString() << QStringList{};
    // The spreadsheet format: what a cell cannot hold is named, not cut.
    QTest::newRow("export --format ods: a description longer than a cell")
        << Files{{QStringLiteral("Kreaturen/Lang.dat"), "1,\"Lang\",1,\"5\",0,0,0,0,0,\"" + QByteArray(32768, 'x') + "\"\r\n"},
                 {QStringLiteral("Kreaturen/Kurz.dat"), "1,\"Kurz\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("ods")} << 1 << QStringList{}
        << QStringLiteral("Kreaturen/Lang.dat: Die Spalte 'Beschreibung' hat 32768 Zeichen, eine Tabellenzelle hält höchstens 32767; der Datensatz fehlt")
        << QStringList{};
    QTest::newRow("import: a zip that is no spreadsheet")
        << Files{{QStringLiteral("t.ods"), "PK\x03\x04 kaputt"}} << QStringList{QStringLiteral("import"), QStringLiteral("t.ods")}
        << 2 << QStringList{} << QStringLiteral("kein vollständiges .ods-Archiv") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import .ods: two blank cells side by side")
        << Files{{QStringLiteral("t.ods"), [] {
                      QList<QByteArray> cells = sheetCells;
                      cells[7] = ""; // an empty mana beside the empty text of the magic
                      return odsOf + sheetXml(sheetRow({}, cells, "<text:p>x</text:p>"));
                  }()}}
        << QStringList{QStringLiteral("import"), QStringLiteral("t.ods")} << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: a record folder that is a link to a folder")
        << Files{{QStringLiteral("echt/.keep"), ""}, {QStringLiteral("Kreaturen"), linkTo + "echt"}, csvTable(aRow)}
        << QStringList{QStringLiteral("import"), table} << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("check: one record folder unreadable, the other missing")
        << Files{{QStringLiteral("Kreaturen"), locked}} << QStringList{QStringLiteral("check")} << 1
        << QStringList{QStringLiteral("0 Dateien gelesen"), QStringLiteral("!weder")}
        << QStringLiteral("/Kreaturen' kann nicht gelesen werden: keine Berechtigung")
        << QStringList{};
    QTest::newRow("check: a short name stored in a longer file name")
        << Files{{QStringLiteral("Kreaturen/Drache.dat"), "1,\"Dra\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("check")} << 0
        << QStringList{QStringLiteral("Drache.dat: Hinweis: Der gespeicherte Name 'Dra' weicht vom Dateinamen ab")} << QString()
        << QStringList{};
    QTest::newRow("export --format json: a backslash escaped")
        << Files{{QStringLiteral("Kreaturen/A.dat"), "1,\"A\",1,\"5\",0,0,0,0,0,\"C:\\Wege\"\r\n"}}
        << QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("json")} << 0
        << QStringList{QStringLiteral("\"Beschreibung\": \"C:\\\\Wege\"")} << QString() << QStringList{};
    // Sheets the writer did not make: bounded while they are read, and
    // nothing in them dropped without a word.
    const QStringList importSheet{QStringLiteral("import"), QStringLiteral("t.ods"), memoryBound};
    const QString sheet = QStringLiteral("t.ods");
    const auto cellOf = [](const QByteArray &xml) { return odsOf + sheetXml(sheetRow({}, sheetCells, xml)); };
    QTest::newRow("import .ods: 2 KB of spaces that would unpack to 650 MB, cut at the record's limit")
        << Files{{sheet, cellOf("<text:p>a" + QByteArray("<text:s text:c=\"32767\"/>").repeated(20000) + "</text:p>")}}
        << importSheet << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2: Der Datensatz wäre mit 1.048.6")}
        << QString() << QStringList{QStringLiteral("Kreaturen/A.dat")};
    QTest::newRow("import .ods: spaces kept as many as stood")
        << Files{{sheet, cellOf("<text:p>a<text:s text:c=\"3\"/>b<text:s/>c</text:p>")}} << importSheet << 0
        << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")} << QString() << QStringList{};
    QTest::newRow("import .ods: a long row repeated 100,000 times, checked once")
        << Files{{sheet, odsOf + sheetXml(sheetRow(" table:number-rows-repeated=\"100000\"", sheetCells,
                                                   "<text:p>a" + QByteArray("<text:s text:c=\"32767\"/>").repeated(30) + "</text:p>"))}}
        << importSheet << 1
        << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat"),
                       QStringLiteral("abgelehnt: Zeilen 3 bis 100001: Sie wiederholen Zeile 2"),
                       QStringLiteral("1 angelegt, 0 ersetzt, 0 unverändert, 99999 abgelehnt.")}
        << QString() << QStringList{};
    // 19 cells a row: the header, then one row standing 220,000 times.
    QTest::newRow("import .ods: a row's cells times its repeats over the cell bound")
        << Files{{sheet, odsOf + sheetXml(sheetRow(" table:number-rows-repeated=\"220000\"", sheetCells, "<text:p>x</text:p>"))}}
        << importSheet << 2 << QStringList{}
        << QStringLiteral("bis hierher 4.180.019 Zellen; eingelesen werden höchstens 2.000.000") << QStringList{QStringLiteral("Kreaturen")};
    // The sheet's own elements stand 7 deep at a cell's paragraph.
    const auto spans = [](int n) { return "<text:p>" + QByteArray("<text:span>").repeated(n) + "x" + QByteArray("</text:span>").repeated(n) + "</text:p>"; };
    const auto attributes = [](int n) {
        QByteArray p = "<text:p";
        for (int i = 0; i < n; ++i)
            p += " a" + QByteArray::number(i) + "=\"1\"";
        return p + ">x</text:p>";
    };
    const auto name = [](int n) { return "<text:p>x<" + QByteArray(n, 'n') + "/></text:p>"; };
    const auto text = [](qsizetype n) { return "<text:p>" + QByteArray(n, 'x') + "</text:p>"; };
    const struct
    {
        const char *name;
        QByteArray cell;
        int status;
        const char *said; // on standard error, for a refused table
    } shapes[] = {
        {"elements 256 deep", spans(249), 0, ""},
        {"elements 257 deep", spans(250), 2, "tiefer als 256 Ebenen verschachtelt"},
        {"an element with 128 attributes", attributes(128), 0, ""},
        {"an element with 129 attributes", attributes(129), 2, "mehr als 128 Attribute"},
        {"a name of 1,000 bytes", name(1000), 0, ""},
        {"a name of 1,001 bytes", name(1001), 2, "einen Namen mit mehr als 1.000 Bytes"},
        {"a text of 8 MiB, the row too long", text(8 << 20), 1, ""},
        {"a text of 8 MiB and a byte", text((8 << 20) + 1), 2, "von mehr als 8 MiB am Stück"},
    };
    for (const auto &shape : shapes) {
        QTest::addRow("import .ods: %s", shape.name)
            << Files{{sheet, cellOf(shape.cell)}} << importSheet << shape.status
            << QStringList{shape.status == 0 ? QStringLiteral("angelegt: Kreaturen/A.dat") : QString()} << QString::fromUtf8(shape.said)
            << QStringList{};
    }
    QTest::newRow("import .ods: a covered cell's text counts for nothing")
        << Files{{sheet, [] {
                      QList<QByteArray> cells = sheetCells;
                      cells[3] = "<table:table-cell table:number-columns-spanned=\"2\"/>";
                      cells[4] = "<table:covered-table-cell office:value-type=\"string\"><text:p>Versteckt</text:p></table:covered-table-cell>";
                      return odsOf + sheetXml(sheetRow({}, cells, "<text:p>x</text:p>"));
                  }()}}
        << importSheet << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2"), QStringLiteral("!Versteckt")} << QString() << QStringList{};
    QTest::newRow("import .ods: two blank rows between records are no repeat")
        << Files{{sheet, [] {
                      QList<QByteArray> b = sheetCells;
                      b[1] = "B.dat";
                      b[4] = "B";
                      const QByteArray blank = "<table:table-row><table:table-cell/></table:table-row>";
                      return odsOf + sheetXml(sheetRow({}, sheetCells, "<text:p>x</text:p>") + blank + blank
                                              + sheetRow({}, b, "<text:p>y</text:p>"));
                  }()}}
        << importSheet << 0 << QStringList{QStringLiteral("2 angelegt, 0 ersetzt, 0 unverändert, 0 abgelehnt.")} << QString()
        << QStringList{};
    QTest::newRow("import .ods: blank cells written as one repeated cell keep the next value in its column")
        << Files{{sheet, [] {
                      QList<QByteArray> cells = sheetCells;
                      cells[6] = "<table:table-cell table:number-columns-repeated=\"2\"/>"; // Magik (Text) and Mana
                      cells.removeAt(7);
                      return odsOf + sheetXml(sheetRow({}, cells, "<text:p>x</text:p>"));
                  }()}}
        << importSheet << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")} << QString() << QStringList{};
    QTest::newRow("import .ods: a row twice")
        << Files{{sheet, odsOf + sheetXml(sheetRow(" table:number-rows-repeated=\"2\"", sheetCells, "<text:p>x</text:p>"))}}
        << importSheet << 1 << QStringList{QStringLiteral("abgelehnt: Zeilen 3 bis 3: Sie wiederholen Zeile 2")} << QString()
        << QStringList{};
    QTest::newRow("import .ods: an entity nobody declared")
        << Files{{sheet, cellOf("<text:p>vor &xxe; nach</text:p>")}} << importSheet << 2 << QStringList{}
        << QStringLiteral("ist kein wohlgeformtes XML (Zeile 1") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import .ods: an external entity")
        << Files{{sheet, cellOf("<text:p>vor &xxe; nach</text:p>")
                             .replace("<office:document-content", "<!DOCTYPE x [<!ENTITY xxe SYSTEM \"file:///etc/hostname\">]><office:document-content")}}
        << importSheet << 2 << QStringList{}
        << QStringLiteral("Die Tabelle kann so nicht gelesen werden: sie enthält eine Dokumenttypdefinition")
        << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import .ods: XML's own entities")
        << Files{{sheet, cellOf("<text:p>vor &amp; &lt;nach&gt;</text:p>")}} << importSheet << 0
        << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")} << QString() << QStringList{};
    QTest::newRow("import .ods: a table inside a table")
        << Files{{sheet, cellOf("<table:table><table:table-row><table:table-cell><text:p>x</text:p></table:table-cell></table:table-row></table:table>")}}
        << importSheet << 2 << QStringList{} << QStringLiteral("eine Tabelle in der Tabelle") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import .ods: rows on a second sheet named")
        << Files{{sheet, odsOf + sheetXml(sheetRow({}, sheetCells, "<text:p>x</text:p>"),
                                          "<table:table table:name=\"Notizen\"><table:table-row><table:table-cell><text:p>Mana "
                                          "erhöhen</text:p></table:table-cell></table:table-row></table:table>")}}
        << importSheet << 0
        << QStringList{QStringLiteral("Hinweis: Gelesen wird nur das erste Blatt der Tabelle; das Blatt 'Notizen' und die "
                                      "folgenden haben 1 Zeilen mit Text")}
        << QString() << QStringList{};
    QTest::newRow("import .ods: the items of a list, a line each")
        << Files{{sheet, cellOf("<text:list><text:list-item><text:p>eins</text:p></text:list-item><text:list-item>"
                                "<text:p>zwei</text:p></text:list-item></text:list>")},
                 {QStringLiteral("Kreaturen/A.dat"), "1,\"A\",1,\"5\",0,0,0,0,0,\"\"\r\n"}}
        << QStringList{QStringLiteral("import"), QStringLiteral("--dry-run"), QStringLiteral("--overwrite"), sheet} << 0
        << QStringList{QStringLiteral("  Beschreibung: '' → 'eins\\x0D\\x0Azwei'")} << QString() << QStringList{};
    const auto percentIn = [](const QByteArray &value) {
        QList<QByteArray> cells = sheetCells;
        cells[8] = "10";
        cells[9] = "<table:table-cell office:value-type=\"percentage\" office:value=\"" + value + "\"><text:p>x</text:p></table:table-cell>";
        return odsOf + sheetXml(sheetRow({}, cells, "<text:p>x</text:p>"));
    };
    QTest::newRow("import .ods: a percentage cell in a text column read as its percentage")
        << Files{{sheet, percentIn("0.1")}} << importSheet << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import .ods: a percentage cell contradicting its code")
        << Files{{sheet, percentIn("0.11")}} << importSheet << 1
        << QStringList{QStringLiteral("Spalte 'Angriff (Text)' sagt '11%', der Code 10")} << QString()
        << QStringList{QStringLiteral("Kreaturen/A.dat")};
    QTest::newRow("import .ods: cut short, in German")
        << Files{{sheet, cellOf("<text:p>x</text:p>").chopped(40)}} << importSheet << 2 << QStringList{}
        << QStringLiteral("endet mittendrin") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import .ods: saved with a password")
        << Files{{sheet, protectedOdsOf + sheetXml({})}} << importSheet << 2 << QStringList{}
        << QStringLiteral("mit einem Kennwort geschützt") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import: a column of the table twice")
        << Files{{table, header.trimmed() + ",Mana\r\n" + row("Kreaturen,A.dat,1,,A,1,,8,0,,0,,0,,0,,0,,,99")}}
        << QStringList{QStringLiteral("import"), table} << 2 << QStringList{}
        << QStringLiteral("Die Spalte 'Mana' steht zweimal in der Tabelle (Spalte 8 und 20)") << QStringList{QStringLiteral("Kreaturen")};
    QTest::newRow("import: a column of notes twice")
        << Files{{table, header.trimmed() + ",Notiz,Notiz\r\n" + row("Kreaturen,A.dat,1,,A,1,,8,0,,0,,0,,0,,0,,,a,b")}}
        << QStringList{QStringLiteral("import"), table} << 0 << QStringList{QStringLiteral("angelegt: Kreaturen/A.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: JSON with a key twice")
        << Files{{QStringLiteral("t.json"), "[{\"Ordner\": \"Zauber\", \"Datei\": \"J.dat\", \"Typ\": 2, \"Name\": \"J\", "
                                            "\"Magik\": 4, \"Mana\": \"9\", \"Angriff\": 0, \"Verteidigung\": 0, "
                                            "\"Bewegung-Erde\": 0, \"Bewegung-Wasser\": 0, \"Bewegung-Luft\": 0, "
                                            "\"Beschreibung\": \"\", \"Ma\\u006ea\": \"99\"}]"}}
        << QStringList{QStringLiteral("import"), QStringLiteral("t.json")} << 2 << QStringList{}
        << QStringLiteral("Eintrag 1 hat die Spalte 'Mana' zweimal") << QStringList{QStringLiteral("Zauber")};
    // Each bound of a table, just past it and, where the other side could
    // slip, at it; and each JSON value a text column takes, or not.
    const QStringList dryJson{QStringLiteral("import"), QStringLiteral("--dry-run"), QStringLiteral("t.json")};
    const QStringList dryCsv{QStringLiteral("import"), QStringLiteral("--dry-run"), table};
    const auto entry = [](const QByteArray &mana, const QByteArray &text) {
        return "{\"Ordner\": \"Zauber\", \"Datei\": \"J.dat\", \"Typ\": 2, \"Name\": \"J\", \"Magik\": 4, \"Mana\": " + mana
            + ", \"Angriff\": 0, \"Verteidigung\": 0, \"Bewegung-Erde\": 0, \"Bewegung-Wasser\": 0, "
              "\"Bewegung-Luft\": 0, \"Beschreibung\": " + text + "}";
    };
    const auto jsonOf = [](const QByteArray &json) { return Files{{QStringLiteral("t.json"), json}}; };
    const struct
    {
        const char *name;
        QByteArray mana, text;
        const char *said; // "" for a row taken
    } values[] = {
        {"a description given as an object", "\"5\"", "{\"de\": \"Feuer\"}", "Spalte 'Beschreibung' enthält ein Objekt"},
        {"mana true", "true", "\"\"", "Spalte 'Mana' enthält den Wahrheitswert true"},
        {"mana null", "null", "\"\"", "Spalte 'Mana' enthält null"},
        {"mana 1.5", "1.5", "\"\"", "Spalte 'Mana' enthält die Zahl 1.5"},
        {"mana 2^53, which a double may not hold exactly", "9007199254740992", "\"\"", "Spalte 'Mana' enthält die Zahl 9007199254740992"},
        {"mana 2^53 - 1, held exactly", "9007199254740991", "\"\"", ""},
        {"mana -(2^53 - 1), held exactly", "-9007199254740991", "\"\"", ""},
    };
    for (const auto &v : values) {
        QTest::addRow("import JSON: %s", v.name)
            << jsonOf("[" + entry(v.mana, v.text) + "]") << dryJson << (*v.said ? 1 : 0)
            << QStringList{*v.said ? QStringLiteral("abgelehnt: Eintrag 1: ") + QString::fromUtf8(v.said) : QStringLiteral("würde anlegen: Zauber/J.dat")}
            << QString() << QStringList{};
    }
    QTest::newRow("import JSON: an entry that is no object")
        << jsonOf("[[1]]") << dryJson << 1 << QStringList{QStringLiteral("abgelehnt: Eintrag 1: Der Eintrag enthält statt eines Objekts")}
        << QString() << QStringList{};
    QTest::newRow("import JSON: one object, not a list of them")
        << jsonOf(entry("\"5\"", "\"\"")) << dryJson << 2 << QStringList{}
        << QStringLiteral("Die Tabelle ist JSON, aber keine Liste von Datensätzen") << QStringList{};
    QTest::newRow("import JSON: a number past what a double holds, said in German")
        << jsonOf("[" + entry("1e400", "\"\"") + "]") << dryJson << 2 << QStringList{}
        << QStringLiteral("eine Zahl ist ungültig oder zu groß") << QStringList{};
    QTest::newRow("import JSON: a number of 40 characters is read")
        << jsonOf("[" + entry(QByteArray(40, '1'), "\"\"") + "]") << dryJson << 1 << QStringList{QStringLiteral("enthält die Zahl 1.1111")}
        << QString() << QStringList{};
    QTest::newRow("import JSON: a number of 41 characters is not")
        << jsonOf("[" + entry(QByteArray(41, '1'), "\"\"") + "]") << dryJson << 2 << QStringList{}
        << QStringLiteral("eine Zahl hat mehr als 40 Zeichen") << QStringList{};
    QTest::newRow("import JSON: nested 32 deep is read")
        << jsonOf(QByteArray(32, '[') + QByteArray(32, ']')) << dryJson << 1 << QStringList{QStringLiteral("abgelehnt: Eintrag 1")}
        << QString() << QStringList{};
    QTest::newRow("import JSON: nested 33 deep is not")
        << jsonOf(QByteArray(33, '[') + QByteArray(33, ']')) << dryJson << 2 << QStringList{}
        << QStringLiteral("tiefer als 32 Ebenen") << QStringList{};
    QTest::newRow("import JSON: 100,001 entries")
        << jsonOf("[" + QByteArray("0,").repeated(100000) + "0]") << dryJson << 2 << QStringList{}
        << QStringLiteral("Die JSON-Liste hat mehr als 100.000 Einträge") << QStringList{};
    QTest::newRow("import JSON: an entry of 1,001 values")
        << jsonOf("[{" + QByteArray("\"a\":0,").repeated(1000) + "\"a\":0}]") << dryJson << 2 << QStringList{}
        << QStringLiteral("Eintrag 1 der JSON-Liste hat mehr als 1.000 Werte") << QStringList{};
    QTest::newRow("import CSV: 100,001 rows, the header among them")
        << Files{csvTable(QByteArray("a\r\n").repeated(100000))} << dryCsv << 2 << QStringList{}
        << QStringLiteral("Die Tabelle hat mehr als 100.000 Zeilen") << QStringList{};
    QTest::newRow("import CSV: a row of 1,000 cells is read")
        << Files{csvTable(QByteArray("a,").repeated(999) + "a\r\n")} << dryCsv << 1 << QStringList{QStringLiteral("abgelehnt: Zeile 2")}
        << QString() << QStringList{};
    QTest::newRow("import CSV: a row of 1,001 cells is not")
        << Files{csvTable(QByteArray("a,").repeated(1000) + "a\r\n")} << dryCsv << 2 << QStringList{}
        << QStringLiteral("Zeile 2 der Tabelle hat mehr als 1.000 Zellen") << QStringList{};
    QTest::newRow("import CSV: 2,000,000 cells and one more")
        << Files{csvTable((QByteArray("a,").repeated(999) + "a\r\n").repeated(2000))} << dryCsv << 2 << QStringList{}
        << QStringLiteral("Die Tabelle hat bis Zeile 2001 schon 2.000.001 Zellen; eingelesen werden höchstens 2.000.000")
        << QStringList{};
    QTest::newRow("import: /dev/zero is refused as a large table")
        << Files{} << QStringList{QStringLiteral("import"), QStringLiteral("/dev/zero")} << 2 << QStringList{}
        << QStringLiteral("Die Tabelle '/dev/zero' ist zu groß: Gelesen werden höchstens 64 MiB.") << QStringList{};
    QTest::newRow("import: a folder for a table, said in German")
        << Files{{QStringLiteral("ordner.csv/x"), ""}} << QStringList{QStringLiteral("import"), QStringLiteral("ordner.csv")} << 2
        << QStringList{} << QStringLiteral("'ordner.csv' kann nicht gelesen werden: an ihrer Stelle steht ein Ordner") << QStringList{};
    const QByteArray csvRecord = header + row("Zauber,J.dat,2,,J,4,,9,0,,0,,0,,0,,0,,");
    const auto inUtf16 = [](const QByteArray &utf8, bool bigEndian, bool mark) {
        const QString text = QString::fromUtf8(utf8);
        QByteArray out = mark ? QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : QByteArray();
        for (const QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xff);
            out += bigEndian ? QByteArray{&hi, 1} + lo : QByteArray{&lo, 1} + hi;
        }
        return out;
    };
    QTest::newRow("import: UTF-16 with its mark, as a spreadsheet saves \"Unicode\"")
        << Files{{table, inUtf16(csvRecord, false, true)}} << dryCsv << 0 << QStringList{QStringLiteral("würde anlegen: Zauber/J.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: UTF-16 big-endian without a mark, told by its zeros")
        << Files{{QStringLiteral("t.json"), inUtf16("[" + entry("\"5\"", "\"Glut\"") + "]", true, false)}} << dryJson << 0
        << QStringList{QStringLiteral("Hinweis: Die Tabelle hat keine Byte-Reihenfolge-Marke; sie wird als UTF-16 (Big Endian) gelesen."),
                       QStringLiteral("würde anlegen: Zauber/J.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: UTF-32 without a mark")
        << Files{{table, [&] {
                      QByteArray out;
                      for (const char c : csvRecord)
                          out += QByteArray(1, c) + QByteArray(3, '\0');
                      return out;
                  }()}}
        << dryCsv << 0 << QStringList{QStringLiteral("als UTF-32 (Little Endian) gelesen"), QStringLiteral("würde anlegen: Zauber/J.dat")}
        << QString() << QStringList{};
    QTest::newRow("import: UTF-16 cut in the middle of a character")
        << Files{{table, inUtf16(csvRecord, false, true) + "a"}} << dryCsv << 2 << QStringList{}
        << QStringLiteral("Die Tabelle ist kein gültiges UTF-16 (Little Endian)") << QStringList{};
    // Spelling: the records' names, the writer's list and --words are known words.
    const Files spelt{{QStringLiteral("Kreaturen/Zyrrakoth.dat"),
                       "1,\"Zyrrakoth\",2,\"12\",80,60,0,0,100,\"Kraxel, Pfnurz und der Glutwurm fliegen mit Feuur.\"\r\n"},
                      {QStringLiteral("Kreaturen/Glutwurm.dat"), "1,\"Glutwurm\",2,\"1\",0,0,0,0,0,\"Zyrrakoth frisst 3 Steine.\"\r\n"},
                      {QStringLiteral("daten/ww_editor/woerter.txt"), "Kraxel\r\n"},
                      {QStringLiteral("eigene.txt"), "Pfnurz"}};
    QTest::newRow("check --spelling: unknown words as notes")
        << spelt << QStringList{QStringLiteral("check"), QStringLiteral("--spelling"), QStringLiteral("--words"), QStringLiteral("eigene.txt")}
        << 0
        << QStringList{QStringLiteral("Zyrrakoth.dat: Hinweis: Unbekannte Wörter in der Beschreibung: Feuur"),
                       QStringLiteral("2 Dateien gelesen, 0 fehlerhaft, 1 Hinweis.")}
        << QString() << QStringList{};
    QTest::newRow("check --spelling: no dictionary installed")
        << spelt + Files{{QStringLiteral("dict/.keep"), ""}} << QStringList{QStringLiteral("check"), QStringLiteral("--spelling")}
        << 1 << QStringList{QStringLiteral("0 Hinweise.")} << QStringLiteral("kein deutsches Wörterbuch installiert")
        << QStringList{};
    // hunspell reads what it is given to its end: a FIFO would never end, /dev/zero not before memory does.
    QTest::newRow("check --spelling: the dictionary a FIFO, named")
        << spelt + Files{{QStringLiteral("dict/de_DE.aff"), "SET UTF-8\n"}, {QStringLiteral("dict/de_DE.dic"), fifo}}
        << QStringList{QStringLiteral("check"), QStringLiteral("--spelling")} << 1 << QStringList{QStringLiteral("0 Hinweise.")}
        << QStringLiteral("de_DE.dic' kann nicht gelesen werden: sie ist keine gewöhnliche Datei") << QStringList{};
    QTest::newRow("check --spelling: the affixes a link to /dev/zero, named")
        << spelt + Files{{QStringLiteral("dict/de_DE.aff"), linkTo + "/dev/zero"}, {QStringLiteral("dict/de_DE.dic"), "1\nDrache\n"}}
        << QStringList{QStringLiteral("check"), QStringLiteral("--spelling")} << 1 << QStringList{QStringLiteral("0 Hinweise.")}
        << QStringLiteral("de_DE.aff' kann nicht gelesen werden: sie ist keine gewöhnliche Datei") << QStringList{};
    QTest::newRow("check --words: without --spelling")
        << spelt << QStringList{QStringLiteral("check"), QStringLiteral("--words"), QStringLiteral("eigene.txt")} << 2
        << QStringList{} << QStringLiteral("--words gilt nur mit --spelling") << QStringList{};
    // Word lists are regular files of a bounded size, read whatever their encoding.
    // `files` with the file at `path` (and anything below it) in place of the one there.
    const auto with = [](Files files, const QString &path, const QByteArray &bytes) {
        files.removeIf([&](const auto &file) {
            return file.first == path || file.first.startsWith(path + QLatin1Char('/')) || path.startsWith(file.first + QLatin1Char('/'));
        });
        return files + Files{{path, bytes}};
    };
    const Files zwerg = with(spelt, QStringLiteral("Kreaturen/Zyrrakoth.dat"),
                             "1,\"Zyrrakoth\",2,\"12\",80,60,0,0,100,\"Kraxel und Pfnurz in Zwergenbr\xfc\x63k.\"\r\n");
    const QStringList checkWords{QStringLiteral("check"), QStringLiteral("--spelling"), QStringLiteral("--words"), QStringLiteral("eigene.txt")};
    const auto wordsIn = [&](const QByteArray &bytes) { return with(zwerg, QStringLiteral("eigene.txt"), bytes); };
    QTest::newRow("check --words: a list in Windows-1252")
        << wordsIn("Pfnurz\r\nZwergenbr\xfc\x63k\r\n") << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")} << QString()
        << QStringList{};
    // Its length from the array, not counted by hand: the bytes hold NULs.
    static constexpr char utf16[] = "\xFF\xFEP\0f\0n\0u\0r\0z\0\n\0Z\0w\0e\0r\0g\0e\0n\0b\0r\0\xfc\0\x63\0k\0";
    QTest::newRow("check --words: a list in UTF-16")
        << wordsIn(QByteArray(utf16, sizeof utf16 - 1))
        << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")} << QString() << QStringList{};
    static constexpr char utf16be[] = "\xFE\xFF\0P\0f\0n\0u\0r\0z\0\n\0Z\0w\0e\0r\0g\0e\0n\0b\0r\0\xfc\0\x63\0k";
    QTest::newRow("check --words: a list in big-endian UTF-16")
        << wordsIn(QByteArray(utf16be, sizeof utf16be - 1))
        << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")} << QString() << QStringList{};
    QTest::newRow("check --words: a list in UTF-8")
        << wordsIn("Pfnurz\nZwergenbr\xc3\xbc\x63k") << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")} << QString()
        << QStringList{};
    QTest::newRow("check --words: a UTF-8 list with one Windows-1252 line, each line read as it is")
        << wordsIn("Pfnurz\nZwergenbr\xc3\xbc\x63k\nB\xe4r\n") << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")}
        << QString() << QStringList{};
    QTest::newRow("check --words: a list in UTF-16 without its mark")
        << wordsIn(QByteArray(utf16 + 2, sizeof utf16 - 3)) << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")}
        << QString() << QStringList{};
    QTest::newRow("check --words: a list in UTF-32 without its mark")
        << wordsIn([] {
               QByteArray out;
               for (const char32_t c : U"Pfnurz\nZwergenbr\u00fcck")
                   out += QByteArray(1, char(c)) + QByteArray(3, '\0');
               return out.chopped(4);
           }())
        << checkWords << 0 << QStringList{QStringLiteral("0 Hinweise.")} << QString() << QStringList{};
    QTest::newRow("check --words: UTF-16 cut in the middle of a character, named")
        << wordsIn(QByteArray(utf16, sizeof utf16 - 2)) << checkWords << 1 << QStringList{}
        << QStringLiteral("'eigene.txt' kann nicht gelesen werden: sie ist kein gültiges UTF-16 (Little Endian)") << QStringList{};
    QTest::newRow("check --words: a FIFO, never waited for")
        << wordsIn(fifo) << checkWords << 1 << QStringList{}
        << QStringLiteral("Die Wortliste 'eigene.txt' kann nicht gelesen werden: sie ist keine gewöhnliche Datei") << QStringList{};
    QTest::newRow("check --words: a folder")
        << with(zwerg, QStringLiteral("eigene.txt/.keep"), {}) << checkWords << 1 << QStringList{}
        << QStringLiteral("'eigene.txt' kann nicht gelesen werden: an ihrer Stelle steht ein Ordner") << QStringList{};
    QTest::newRow("the writer's list linked to /dev/zero")
        << with(spelt, QStringLiteral("daten/ww_editor/woerter.txt"), linkTo + "/dev/zero")
        << QStringList{QStringLiteral("check"), QStringLiteral("--spelling"), memoryBound} << 1 << QStringList{}
        << QStringLiteral("woerter.txt' kann nicht gelesen werden: sie ist keine gewöhnliche Datei") << QStringList{};
    QTest::newRow("check --words: a list of 16 MiB")
        << wordsIn(QByteArray(16 * 1024 * 1024, 'x')) << checkWords << 0 << QStringList{QStringLiteral("1 Hinweis.")} << QString()
        << QStringList{};
    QTest::newRow("check --words: a list one byte over 16 MiB")
        << wordsIn(QByteArray(16 * 1024 * 1024 + 1, 'x')) << checkWords << 1 << QStringList{}
        << QStringLiteral("sie ist mit 16.777.217 Bytes zu groß (höchstens 16.777.216 Bytes)") << QStringList{};
    QTest::newRow("check --spelling: 20 unknown words listed, the rest counted")
        << Files{{QStringLiteral("Kreaturen/Viele.dat"),
                  "1,\"Viele\",1,\"5\",0,0,0,0,0,\"Zqa Zqb Zqc Zqd Zqe Zqf Zqg Zqh Zqi Zqj Zqk Zql Zqm Zqn Zqo Zqp Zqq Zqr Zqs Zqt Zqu\"\r\n"}}
        << QStringList{QStringLiteral("check"), QStringLiteral("--spelling")} << 0
        << QStringList{QStringLiteral("Beschreibung: Zqa, Zqb, Zqc, Zqd, Zqe, Zqf, Zqg, Zqh, Zqi, Zqj, Zqk, Zql, Zqm, Zqn, Zqo, "
                                      "Zqp, Zqq, Zqr, Zqs, Zqt und 1 weitere")}
        << QString() << QStringList{};
    QTest::newRow("check --words: no such list")
        << spelt << QStringList{QStringLiteral("check"), QStringLiteral("--spelling"), QStringLiteral("--words"), QStringLiteral("fehlt.txt")}
        << 2 << QStringList{} << QStringLiteral("Die Wortliste 'fehlt.txt' gibt es nicht") << QStringList{};
    QTest::newRow("import: JSON, into another folder")
        << Files{{QStringLiteral("t.json"), "[{\"Ordner\": \"Zauber\", \"Datei\": \"J.dat\", \"Typ\": 2, \"Name\": \"J\", "
                                            "\"Magik\": 4, \"Mana\": \"9\", \"Angriff\": 0, \"Verteidigung\": 0, "
                                            "\"Bewegung-Erde\": 0, \"Bewegung-Wasser\": 0, \"Bewegung-Luft\": 0, "
                                            "\"Beschreibung\": \"\"}]"},
                 {QStringLiteral("ziel/.keep"), ""}}
        << QStringList{QStringLiteral("import"), QStringLiteral("t.json"), QStringLiteral("ziel")} << 0
        << QStringList{QStringLiteral("angelegt: ziel/Zauber/J.dat")} << QString() << QStringList{};
}

void TestRecords::invocations()
{
    QFETCH(Files, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QFETCH(QStringList, absent);
    QTemporaryDir folder;
    writeFiles(QDir(folder.path()), files);
    bool lock = false;
    for (const auto &[path, bytes] : std::as_const(files)) {
        if (bytes == locked) {
            lock = true;
            QVERIFY(QFile::setPermissions(QDir(folder.path()).filePath(path), {}));
        }
    }
    if (lock && ::geteuid() == 0)
        QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7777)));

    const Run result = run(arguments, folder.path(), lock);
    const QString out = QString::fromUtf8(result.out);
    QVERIFY2(result.status == status, qPrintable(QStringLiteral("status %1\n%2\n%3").arg(result.status).arg(out, result.err)));
    const QStringList outLines = out.split(QStringLiteral("\r\n")).join(QLatin1Char('\n')).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // "!text": said nowhere, neither on standard output nor on standard error.
        if (line.startsWith(QLatin1Char('!'))) {
            QVERIFY2(!out.contains(line.mid(1)) && !result.err.contains(line.mid(1)), qPrintable(out + result.err));
            continue;
        }
        QVERIFY2(std::any_of(outLines.begin(), outLines.end(), [&](const QString &l) { return l.contains(line); }),
                 qPrintable(QStringLiteral("'%1' not in:\n%2").arg(line, out)));
    }
    if (!error.isEmpty())
        QVERIFY2(result.err.contains(error), qPrintable(result.err));
    // Only export writes data; what the others print never acts on a terminal.
    if (!arguments.contains(QStringLiteral("export"))) {
        QVERIFY2(std::none_of(out.begin(), out.end(),
                              [](QChar c) { return c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\r'); }),
                 qPrintable(out));
    }
    // Spreadsheet programs tell UTF-8 by its byte-order mark.
    QCOMPARE(result.out.startsWith("\xEF\xBB\xBF"), arguments.contains(QStringLiteral("--excel")));
    for (const QString &path : absent)
        QVERIFY2(!QFileInfo::exists(QDir(folder.path()).filePath(path)), qPrintable(path));
}

void TestRecords::exportThenImportIsByteIdentical_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("copies"); // more records, enough for a table of several pieces
    const QStringList json{QStringLiteral("--format"), QStringLiteral("json")};
    QTest::newRow("CSV") << QStringList{} << 0;
    QTest::newRow("CSV for Excel") << QStringList{QStringLiteral("--excel")} << 0;
    QTest::newRow("JSON") << json << 0;
    QTest::newRow("CSV of 300 KB") << QStringList{} << 400;
    QTest::newRow("JSON of 300 KB") << json << 400;
}

void TestRecords::exportThenImportIsByteIdentical()
{
    QFETCH(QStringList, options);
    QFETCH(int, copies);
    QTemporaryDir from;
    QTemporaryDir to;
    Files more;
    for (int i = 0; i < copies; ++i) {
        const QByteArray name = "Wesen " + QByteArray::number(i);
        more.append({QStringLiteral("Kreaturen/%1.dat").arg(QLatin1String(name)),
                     "1,\"" + name + "\",1,\"5\",0,0,0,0,0,\"" + QByteArray(700, 'x') + ", und mehr\r\n\"\r\n"});
    }
    writeFiles(QDir(from.path()), more);
    QByteArray every;
    for (int b = 1; b < 256; ++b) {
        if (b != '"' && b != '\r' && b != '\n')
            every.append(char(b));
    }
    writeFiles(QDir(from.path()),
               {{QStringLiteral("Kreaturen/Drache.dat"), drache},
                {QStringLiteral("Kreaturen/Kopie.dat"), drache},
                {QStringLiteral("Zauber/Blitz.dat"), blitz},
                {QStringLiteral("Zauber/Alles.dat"), "2,\"Alles\",5,\"" + every + "\",100,0,1,2,3,\"" + every + "\r\n;,\"\r\n"},
                {QStringLiteral("Zauber/Extra.dat"), "2,\"Extra\",1,\"5\",0,0,0,0,0,\"\"\r\n"}});
    const Run exported = run(QStringList{QStringLiteral("export")} + options, from.path());
    QCOMPARE(exported.status, 0);
    // The JSON is exactly what Qt's own writer makes of it.
    if (options.contains(QStringLiteral("json")))
        QCOMPARE(QJsonDocument::fromJson(exported.out).toJson(QJsonDocument::Indented), exported.out);
    QFile table(to.filePath(QStringLiteral("tabelle")));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write(exported.out);
    table.close();
    QDir(to.path()).mkdir(QStringLiteral("ziel"));
    const Run imported = run({QStringLiteral("import"), table.fileName(), QStringLiteral("ziel")}, to.path());
    QVERIFY2(imported.status == 0, imported.out.constData());
    QCOMPARE(contents(to.filePath(QStringLiteral("ziel"))), contents(from.path()));
}

void TestRecords::spreadsheetEditThenImport()
{
    // A spreadsheet program stands in: it reads the table, changes one cell
    // and saves with its own line ends (LF, also inside cells) and quoting.
    QTemporaryDir folder;
    writeFiles(QDir(folder.path()),
               {{QStringLiteral("Kreaturen/Drache.dat"), drache},
                {QStringLiteral("Zauber/Blitz.dat"), blitz},
                {QStringLiteral("Zauber/Welle.dat"), welle}});
    const Run exported = run({QStringLiteral("export")}, folder.path());
    QCOMPARE(exported.status, 0);
    QProcess spreadsheet;
    spreadsheet.start(QStringLiteral("python3"),
                      {QStringLiteral("-c"), QStringLiteral(R"(import csv, sys
rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(keepends=True)))
rows[1][rows[0].index('Mana')] = '99'
out = csv.writer(sys.stdout, lineterminator='\n', quoting=csv.QUOTE_NONNUMERIC)
for row in rows:
    out.writerow([cell.replace('\r\n', '\n') for cell in row])
)")});
    spreadsheet.write(exported.out);
    spreadsheet.closeWriteChannel();
    QVERIFY(spreadsheet.waitForFinished());
    const QByteArray edited = spreadsheet.readAllStandardOutput();
    QVERIFY2(spreadsheet.exitCode() == 0 && !edited.isEmpty(), spreadsheet.readAllStandardError().constData());
    QVERIFY(!edited.contains('\r'));

    QFile table(QDir(folder.path()).filePath(QStringLiteral("bearbeitet.csv")));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write(edited);
    table.close();
    const Run imported = run({QStringLiteral("import"), QStringLiteral("--overwrite"), table.fileName()}, folder.path());
    QVERIFY2(imported.status == 0, imported.out.constData());
    QVERIFY(imported.out.contains("unverändert: Zauber/Blitz.dat"));
    QByteArray expected = drache;
    expected.replace("\"12\"", "\"99\"");
    QCOMPARE(contents(folder.path()).value(QStringLiteral("Kreaturen/Drache.dat")), expected);
    QCOMPARE(contents(folder.path()).value(QStringLiteral("Zauber/Blitz.dat")), blitz);
    QCOMPARE(contents(folder.path()).value(QStringLiteral("Zauber/Welle.dat")), welle);
}

void TestRecords::throughLibreOfficeCalc_data()
{
    QTest::addColumn<QStringList>("options"); // of the export
    QTest::addColumn<QStringList>("calls"); // soffice's arguments after --headless, '|' between them
    QTest::addColumn<QString>("saved"); // the table Calc saved last
    QTest::addColumn<QStringList>("changes"); // what the import's dry run then lists
    QTest::addColumn<QStringList>("notes"); // what the export says on standard error
    QTest::addColumn<bool>("restEqual"); // every file the dry run does not name comes back byte for byte

    // Calc drops the tab of a cell of several lines, and only there; the
    // export says so beforehand and the dry run shows exactly that.
    QTest::newRow("ods, saved as xlsx, opened and saved as ods")
        << QStringList{QStringLiteral("--format"), QStringLiteral("ods")}
        << QStringList{QStringLiteral("--convert-to|xlsx|--outdir|xlsx|t.ods"),
                       QStringLiteral("--convert-to|ods|--outdir|ods|xlsx/t.xlsx")}
        << QStringLiteral("ods/t.ods")
        << QStringList{QStringLiteral("  Beschreibung: 'Tab\\x09darin\\x0D\\x0AUmlaute' → 'Tabdarin\\x0D\\x0AUmlaute'")}
        << QStringList{QStringLiteral("Zauber/Tab.dat: Hinweis: Die Spalte 'Beschreibung' hat mehrere Zeilen und "
                                      "Tabulatoren; LibreOffice Calc entfernt beim Speichern die Tabulatoren aus "
                                      "solchen Zellen.")}
        << true;
    // What the README says a spreadsheet does to CSV, exactly.
    const QString filter = QStringLiteral("59,34,76,1"); // ';', '"', UTF-8, from line 1
    QTest::newRow("CSV for Excel, opened and saved in German")
        << QStringList{QStringLiteral("--excel")}
        << QStringList{QStringLiteral("--infilter=CSV:%1|--convert-to|csv:Text - txt - csv (StarCalc):%1|--outdir|csv|t.csv")
                           .arg(filter)}
        << QStringLiteral("csv/t.csv")
        << QStringList{QStringLiteral("  Hinweis: Der Name '1' weicht vom Dateinamen ab; Speichern im Editor schreibt '1.dat'."),
                       QStringLiteral("  Name: '0001' → '1'"), QStringLiteral("  Mana: '05' → '5'"),
                       QStringLiteral("  Beschreibung: '=A1*2' → '#VALUE!'"), QStringLiteral("  Mana: '+5' → '5'"),
                       QStringLiteral("  Hinweis: Der Name '1,00E+10' weicht vom Dateinamen ab; Speichern im Editor schreibt '1,00E+10.dat'."),
                       QStringLiteral("  Name: '1e10' → '1,00E+10'"), QStringLiteral("  Mana: '1.000' → '1000'")}
        << QStringList{} << false;
}

void TestRecords::throughLibreOfficeCalc()
{
    // Texts a spreadsheet would take for numbers, dates, booleans or a
    // formula; umlauts, ß and €; spaces a reader would collapse; lines.
    QTemporaryDir folder;
    writeFiles(QDir(folder.path()),
               {{QStringLiteral("Kreaturen/Drache.dat"), drache},
                {QStringLiteral("Kreaturen/0001.dat"), "1,\"0001\",1,\"05\",10,20,30,40,50,\"=A1*2\"\r\n"},
                {QStringLiteral("Kreaturen/true.dat"), "1,\"true\",3,\"+5\",0,0,0,0,0,\"  zwei  Leer\tTab  \"\r\n"},
                {QStringLiteral("Zauber/Größe €.dat"),
                 "2,\"Gr\xf6\xdf\x65 \x80\",4,\"1.000\",0,0,0,0,0,\"\xe4\xf6\xfc \xc4\xd6\xdc \xdf \x80\r\n\r\nnach einer Leerzeile\"\r\n"},
                {QStringLiteral("Zauber/1e10.dat"), "2,\"1e10\",5,\"1/2\",100,100,100,100,100,\"\"\r\n"},
                {QStringLiteral("Zauber/Raum.dat"), "2,\"Raum\",1,\"5\",0,0,0,0,0,\"vor \tnach\"\r\n"},
                {QStringLiteral("Zauber/Lang.dat"),
                 "2,\"Lang\",1,\"7\",0,0,0,0,0,\"" + QByteArray("Ein langer Text. ").repeated(1900) + "\"\r\n"}});
    QFETCH(QStringList, options);
    QFETCH(QStringList, calls);
    QFETCH(QString, saved);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, notes);
    QFETCH(bool, restEqual);
    if (restEqual) // one line keeps its tab, two lines lose it
        writeFiles(QDir(folder.path()), {{QStringLiteral("Zauber/Tab.dat"), "2,\"Tab\",1,\"5\",0,0,0,0,0,\"Tab\tdarin\r\nUmlaute\"\r\n"},
                                         {QStringLiteral("Zauber/Eine.dat"), "2,\"Eine\",1,\"5\",0,0,0,0,0,\"Eine\tZeile\"\r\n"}});
    const Run exported = run(QStringList{QStringLiteral("export")} + options, folder.path());
    QCOMPARE(exported.status, 0);
    QCOMPARE(exported.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), notes);
    const QString sheets = QDir(folder.path()).filePath(QStringLiteral("tabellen"));
    writeFile(sheets + (options.contains(QStringLiteral("ods")) ? QStringLiteral("/t.ods") : QStringLiteral("/t.csv")),
              exported.out);
    if (options.contains(QStringLiteral("ods"))) {
        // A space beside a tab is written as an element of its own, as a
        // reader that collapses white space must see it.
        QProcess unzip;
        unzip.start(QStringLiteral("python3"), {QStringLiteral("-c"),
                                                QStringLiteral("import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read('content.xml'))"),
                                                sheets + QStringLiteral("/t.ods")});
        QVERIFY(unzip.waitForFinished());
        QVERIFY(unzip.readAllStandardOutput().contains("vor<text:s/>\tnach"));
    }

    for (const QString &call : std::as_const(calls)) {
        QProcess calc;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), folder.path()); // its profile, not the user's
        environment.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
        environment.remove(QStringLiteral("LC_ALL"));
        calc.setProcessEnvironment(environment);
        calc.setWorkingDirectory(sheets);
        calc.start(QStringLiteral("soffice"), QStringList{QStringLiteral("--headless")} + call.split(QLatin1Char('|')));
        QVERIFY2(calc.waitForFinished(120000) && calc.exitCode() == 0, calc.readAllStandardError().constData());
    }
    const QString converted = QDir(sheets).filePath(saved);
    QVERIFY(QFileInfo::exists(converted));
    const Run listed = run({QStringLiteral("import"), QStringLiteral("--dry-run"), QStringLiteral("--overwrite"), converted},
                           folder.path());
    QStringList lines = QString::fromUtf8(listed.out).split(QLatin1Char('\n'));
    QStringList replaced = lines.filter(QRegularExpression(QStringLiteral("^würde ersetzen: ")));
    lines.removeIf([](const QString &line) { return !line.startsWith(QLatin1String("  ")); });
    QCOMPARE(lines, changes);
    if (!restEqual)
        return;
    QDir(folder.path()).mkdir(QStringLiteral("ziel"));
    const Run imported = run({QStringLiteral("import"), converted, QStringLiteral("ziel")}, folder.path());
    QVERIFY2(imported.status == 0, imported.out.constData());
    QMap<QString, QByteArray> original = contents(folder.path());
    original.removeIf([](const auto &entry) { return !entry.key().startsWith(QLatin1String("Kreaturen/")) && !entry.key().startsWith(QLatin1String("Zauber/")); });
    QMap<QString, QByteArray> back = contents(QDir(folder.path()).filePath(QStringLiteral("ziel")));
    for (const QString &line : std::as_const(replaced)) {
        const QString file = line.section(QLatin1Char(' '), 2);
        QVERIFY2(back.remove(file) == 1 && original.remove(file) == 1, qPrintable(file));
    }
    QCOMPARE(back, original);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
