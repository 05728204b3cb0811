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
                           "unvollständig geschriebene Tabelle, 2 falscher Aufruf oder eine Tabelle, die\n"
                           "nicht gelesen werden kann.\n");
    return text;
}

// A wrong invocation: the problem, and where help is.
int usage(QTextStream &err, const QString &problem)
{
    err << QStringLiteral("ww_records: ") << problem << QStringLiteral("\nHilfe: ww_records --help\n");
    return usageError;
}

// The command a run of ww_records names, with its arguments and options.
class Invocation
{
public:
    Invocation(const Options &o, const QCommandLineParser &parser, QFile &standardOutput, QTextStream &out, QTextStream &err)
        : m_o(o), m_parser(parser), m_standardOutput(standardOutput), m_out(out), m_err(err),
          m_arguments(parser.positionalArguments())
    {
    }

    int usage(const QString &problem) const { return ::usage(m_err, problem); }

    int run()
    {
        if (m_arguments.isEmpty())
            return usage(QStringLiteral("Es fehlt der Befehl: check, export oder import."));
        m_command = m_arguments.takeFirst();
        if (m_command == QLatin1String("check"))
            return check();
        if (m_command == QLatin1String("export"))
            return exportTable();
        if (m_command == QLatin1String("import"))
            return importTable();
        return usage(QStringLiteral("Unbekannter Befehl '%1': check, export oder import.").arg(m_command));
    }

private:
    // Why an option was given that the command does not take, or "".
    QString only(std::initializer_list<const QCommandLineOption *> allowed) const
    {
        for (const QCommandLineOption *option : {&m_o.format, &m_o.excel, &m_o.overwrite, &m_o.dryRun, &m_o.spelling, &m_o.words}) {
            if (m_parser.isSet(*option) && std::find(allowed.begin(), allowed.end(), option) == allowed.end())
                return QStringLiteral("Die Option --%1 gehört nicht zu '%2'.").arg(option->names().constLast(), m_command);
        }
        return QString();
    }

    // The folder argument at `index` (the working folder without one), or why there is none.
    QString folderAt(qsizetype index, QString &folder) const
    {
        if (m_arguments.size() > index + 1)
            return QStringLiteral("Zu viele Argumente für '%1'.").arg(m_command);
        folder = m_arguments.value(index, QStringLiteral("."));
        if (!QFileInfo(folder).isDir())
            return QStringLiteral("Der Ordner '%1' existiert nicht.").arg(folder);
        return QString();
    }

    int check() const
    {
        QString folder;
        if (QString problem = only({&m_o.spelling, &m_o.words}); !problem.isEmpty() || !(problem = folderAt(0, folder)).isEmpty())
            return usage(problem);
        const QString words = m_parser.value(m_o.words);
        if (m_parser.isSet(m_o.words) && !m_parser.isSet(m_o.spelling))
            return usage(QStringLiteral("--words gilt nur mit --spelling."));
        // A folder or a FIFO in its place is there: the check says what it is.
        if (m_parser.isSet(m_o.words) && !QFileInfo(words).exists() && !QFileInfo(words).isSymLink())
            return usage(QStringLiteral("Die Wortliste '%1' gibt es nicht.").arg(words));
        return ww::cli::check(folder, {m_parser.isSet(m_o.spelling), words}, m_out, m_err);
    }

    int exportTable() const
    {
        QString folder;
        const QString format = m_parser.value(m_o.format);
        if (format != QLatin1String("csv") && format != QLatin1String("json") && format != QLatin1String("ods"))
            return usage(QStringLiteral("Unbekanntes Format '%1': csv, json oder ods.").arg(format));
        if (format != QLatin1String("csv") && m_parser.isSet(m_o.excel))
            return usage(QStringLiteral("--excel gilt nur für CSV."));
        if (QString problem = only({&m_o.format, &m_o.excel}); !problem.isEmpty() || !(problem = folderAt(0, folder)).isEmpty())
            return usage(problem);
        m_out.flush();
        const ww::cli::Format chosen = format == QLatin1String("json") ? ww::cli::Format::Json
                                     : format == QLatin1String("ods") ? ww::cli::Format::Ods
                                                                      : ww::cli::Format::Csv;
        return ww::cli::exportTable(folder, chosen, m_parser.isSet(m_o.excel) ? ww::csv::excel : ww::csv::Style(),
                                    m_standardOutput, m_err);
    }

    int importTable() const
    {
        QString folder;
        if (m_arguments.isEmpty())
            return usage(QStringLiteral("Es fehlt die Tabelle: ww_records import TABELLE [ORDNER]."));
        if (QString problem = only({&m_o.overwrite, &m_o.dryRun}); !problem.isEmpty() || !(problem = folderAt(1, folder)).isEmpty())
            return usage(problem);
        return ww::cli::importTable(m_arguments.constFirst(), folder, {m_parser.isSet(m_o.overwrite), m_parser.isSet(m_o.dryRun)},
                                    m_out, m_err);
    }

    const Options &m_o;
    const QCommandLineParser &m_parser;
    QFile &m_standardOutput;
    QTextStream &m_out;
    QTextStream &m_err;
    QStringList m_arguments;
    QString m_command;
};

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
    if (!parser.parse(QCoreApplication::arguments())) {
        if (!parser.unknownOptionNames().isEmpty())
            return usage(err, QStringLiteral("Unbekannte Option '%1'.").arg(parser.unknownOptionNames().constFirst()));
        return usage(err, QStringLiteral("Zu einer Option fehlt der Wert: %1").arg(parser.errorText()));
    }
    if (parser.isSet(o.help)) {
        out << helpText(o);
        return 0;
    }
    if (parser.isSet(o.version)) {
        out << QStringLiteral("ww_records %1.%2.%3\n").arg(ww::version::major).arg(ww::version::minor).arg(ww::version::revision);
        return 0;
    }
    return Invocation(o, parser, standardOutput, out, err).run();
}
