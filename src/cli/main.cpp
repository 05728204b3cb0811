// ww_records: check, export and import whole folders of records from the
// command line, through the same record library the editor uses.
#include "commands.h"
#include "ww_version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int usageError = 2;

struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Zeigt diese Hilfe.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Zeigt die Version des Programms.")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("export: Tabelle als csv (Vorgabe), json oder ods (für Tabellenkalkulationen)."), QStringLiteral("csv|json|ods"),
                              QStringLiteral("csv")};
    QCommandLineOption excel{QStringLiteral("excel"),
                             QStringLiteral("export: CSV für deutsche Tabellenkalkulationen (';' und Byte-Order-Mark).")};
    QCommandLineOption overwrite{QStringLiteral("overwrite"),
                                 QStringLiteral("import: vorhandene Dateien ersetzen (sonst abgelehnt).")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("import: nur zeigen, was angelegt, ersetzt oder abgelehnt würde.")};
    QCommandLineOption spelling{QStringLiteral("spelling"),
                                QStringLiteral("check: auch unbekannte Wörter der Beschreibungen nennen.")};
    QCommandLineOption words{QStringLiteral("words"),
                             QStringLiteral("check --spelling: weitere bekannte Wörter, eins je Zeile."),
                             QStringLiteral("DATEI")};
};

QString helpText(const Options &o)
{
    QString text = QStringLiteral(
        "Aufruf: ww_records BEFEHL [OPTIONEN] [ORDNER]\n\n"
        "Prüft, exportiert und importiert die Datensätze des Wildweave Editors.\n"
        "Sie liegen in ORDNER/Kreaturen/*.dat und ORDNER/Zauber/*.dat; ohne ORDNER\n"
        "gilt der Arbeitsordner, wie im Editor.\n\n"
        "Befehle:\n"
        "  check [--spelling [--words DATEI]] [ORDNER]\n"
        "      jede Datei lesen wie der Editor; zeigt Fehler und Hinweise, mit\n"
        "      --spelling auch unbekannte Wörter (deutsches Wörterbuch, die eigene\n"
        "      Wortliste ~/.local/share/ww_editor/woerter.txt und die Namen der Datensätze)\n"
        "  export [--format csv|json|ods] [--excel] [ORDNER]\n"
        "      schreibt alle Datensätze als Tabelle auf die Standardausgabe\n"
        "  import [--overwrite] [--dry-run] TABELLE [ORDNER]\n"
        "      speichert die Zeilen einer CSV-, JSON- oder ODS-Tabelle als Datensätze\n\n"
        "Optionen:\n");
    for (const QCommandLineOption *option : {&o.help, &o.version, &o.format, &o.excel, &o.overwrite, &o.dryRun, &o.spelling,
                                             &o.words}) {
        QStringList names;
        for (const QString &name : option->names())
            names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        QString shown = names.join(QStringLiteral(", "));
        if (!option->valueName().isEmpty())
            shown += QLatin1Char(' ') + option->valueName();
        text += QStringLiteral("  %1 %2\n").arg(shown, -22).arg(option->description());
    }
    text += QStringLiteral("\nRückgabe: 0 alles in Ordnung, 1 fehlerhafte Datensätze oder Zeilen oder eine\n"
                           "unvollständig geschriebene Tabelle, 2 falscher Aufruf.\n");
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ww_records"));
    // Numbers in messages read as the editor shows them (1.048.576).
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    QTextStream out(&standardOutput);
    QFile standardError;
    standardError.open(stderr, QIODevice::WriteOnly);
    QTextStream err(&standardError);

    Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({o.help, o.version, o.format, o.excel, o.overwrite, o.dryRun, o.spelling, o.words});
    const auto usage = [&](const QString &problem) {
        err << QStringLiteral("ww_records: ") << problem << QStringLiteral("\nHilfe: ww_records --help\n");
        return usageError;
    };
    if (!parser.parse(QCoreApplication::arguments())) {
        if (!parser.unknownOptionNames().isEmpty())
            return usage(QStringLiteral("Unbekannte Option '%1'.").arg(parser.unknownOptionNames().constFirst()));
        return usage(QStringLiteral("Zu einer Option fehlt der Wert: %1").arg(parser.errorText()));
    }
    if (parser.isSet(o.help)) {
        out << helpText(o);
        return 0;
    }
    if (parser.isSet(o.version)) {
        out << QStringLiteral("ww_records %1.%2.%3\n").arg(ww::version::major).arg(ww::version::minor).arg(ww::version::revision);
        return 0;
    }

    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return usage(QStringLiteral("Es fehlt der Befehl: check, export oder import."));
    const QString command = arguments.takeFirst();
    const auto only = [&](std::initializer_list<const QCommandLineOption *> allowed) -> QString {
        for (const QCommandLineOption *option : {&o.format, &o.excel, &o.overwrite, &o.dryRun, &o.spelling, &o.words}) {
            if (parser.isSet(*option) && std::find(allowed.begin(), allowed.end(), option) == allowed.end())
                return QStringLiteral("Die Option --%1 gehört nicht zu '%2'.").arg(option->names().constLast(), command);
        }
        return QString();
    };
    const auto folderAt = [&](qsizetype index, QString &folder) -> QString {
        if (arguments.size() > index + 1)
            return QStringLiteral("Zu viele Argumente für '%1'.").arg(command);
        folder = arguments.value(index, QStringLiteral("."));
        if (!QFileInfo(folder).isDir())
            return QStringLiteral("Der Ordner '%1' existiert nicht.").arg(folder);
        return QString();
    };

    QString folder;
    if (command == QLatin1String("check")) {
        if (QString problem = only({&o.spelling, &o.words}); !problem.isEmpty() || !(problem = folderAt(0, folder)).isEmpty())
            return usage(problem);
        if (parser.isSet(o.words) && !parser.isSet(o.spelling))
            return usage(QStringLiteral("--words gilt nur mit --spelling."));
        // A folder or a FIFO in its place is there: the check says what it is.
        if (parser.isSet(o.words) && !QFileInfo(parser.value(o.words)).exists() && !QFileInfo(parser.value(o.words)).isSymLink())
            return usage(QStringLiteral("Die Wortliste '%1' gibt es nicht.").arg(parser.value(o.words)));
        return ww::cli::check(folder, {parser.isSet(o.spelling), parser.value(o.words)}, out, err);
    }
    if (command == QLatin1String("export")) {
        const QString format = parser.value(o.format);
        if (format != QLatin1String("csv") && format != QLatin1String("json") && format != QLatin1String("ods"))
            return usage(QStringLiteral("Unbekanntes Format '%1': csv, json oder ods.").arg(format));
        if (format != QLatin1String("csv") && parser.isSet(o.excel))
            return usage(QStringLiteral("--excel gilt nur für CSV."));
        if (QString problem = only({&o.format, &o.excel}); !problem.isEmpty() || !(problem = folderAt(0, folder)).isEmpty())
            return usage(problem);
        out.flush();
        const ww::cli::Format chosen = format == QLatin1String("json") ? ww::cli::Format::Json
                                     : format == QLatin1String("ods") ? ww::cli::Format::Ods
                                                                      : ww::cli::Format::Csv;
        return ww::cli::exportTable(folder, chosen,
                                    parser.isSet(o.excel) ? ww::csv::excel : ww::csv::Style(), standardOutput, err);
    }
    if (command == QLatin1String("import")) {
        if (arguments.isEmpty())
            return usage(QStringLiteral("Es fehlt die Tabelle: ww_records import TABELLE [ORDNER]."));
        if (QString problem = only({&o.overwrite, &o.dryRun}); !problem.isEmpty() || !(problem = folderAt(1, folder)).isEmpty())
            return usage(problem);
        return ww::cli::importTable(arguments.constFirst(), folder, {parser.isSet(o.overwrite), parser.isSet(o.dryRun)},
                                    out, err);
    }
    return usage(QStringLiteral("Unbekannter Befehl '%1': check, export oder import.").arg(command));
}
