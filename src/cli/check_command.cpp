#include "commands.h"

#include "record_fields.h"
#include "record_format.h"
#include "spell_checker.h"
#include "stored_records.h"
#include "text_words.h"
#include "value_lists.h"
#include "word_list.h"

#include <QHash>
#include <QLocale>
#include <QTextStream>

namespace ww::cli {
namespace {

QString counted(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

// The German checker with every word the writers made known: their list,
// the records' names and `wordsFile`. Null, with `problem` set, when it cannot be had.
std::unique_ptr<spelling::SpellChecker> loadChecker(const RecordStore &store, const QString &wordsFile,
                                                    QStringList &problems)
{
    auto checker = spelling::SpellChecker::forLocale(QLocale::system().name());
    if (!checker->hasDictionary()) {
        problems.append(checker->problem().isEmpty()
                            ? QStringLiteral("Es ist kein deutsches Wörterbuch installiert (Paket hunspell-de-de); "
                                             "die Rechtschreibung wurde nicht geprüft.")
                            : checker->problem() + QStringLiteral("; die Rechtschreibung wurde nicht geprüft."));
        return nullptr;
    }
    for (const QString &list : {spelling::wordlist::personalPath(), wordsFile}) {
        QString error;
        const QStringList words = list.isEmpty() ? QStringList() : spelling::wordlist::read(list, &error);
        if (!error.isEmpty())
            problems.append(error);
        checker->addKnown(words);
    }
    checker->addKnown(store.recordNames());
    return checker;
}

// The unknown words of `text`, each once, in the order they first appear.
QString unknownWords(const spelling::SpellChecker &checker, const QString &text)
{
    // A page of gibberish is one note, not a page of them.
    constexpr qsizetype shown = 20;
    QStringList words;
    qsizetype more = 0;
    for (const QStringView word : spelling::textWords(text)) {
        if (checker.knows(word))
            continue;
        if (const QString w = word.toString(); !words.contains(w)) {
            if (words.size() < shown)
                words.append(w);
            else
                ++more;
        }
    }
    QString listed = words.join(QStringLiteral(", "));
    if (more > 0)
        listed += QStringLiteral(" und %1 weitere").arg(more);
    return listed;
}

} // namespace

namespace {

using Note = std::function<void(const QString &where, const QString &text)>;

// What a writer should know of one record that reads well.
void noteOn(const StoredRecord &stored, const spelling::SpellChecker *checker, const Note &note)
{
    Record r = stored.result.record();
    const QString stem = r.name.isEmpty() ? lists::recordDirectory(r.kind) : r.name;
    // Compared in place: most files are named after their record.
    const QString &file = stored.name.shown;
    if (file.size() != stem.size() + format::suffix.size() || !file.startsWith(stem) || !file.endsWith(format::suffix)) {
        const QString savedAs = stem + format::suffix;
        note(stored.path, QStringLiteral("Der gespeicherte Name '%1' weicht vom Dateinamen ab; "
                                         "Speichern im Editor schreibt die Datei '%2'.")
                              .arg(r.name, savedAs));
    }
    if (lists::recordDirectory(r.kind) != stored.folder)
        note(stored.path, QStringLiteral("Der Datensatz hat den Typ %1 (%2) und gehört in den Ordner '%3'; "
                                         "Speichern im Editor schreibt ihn dorthin.")
                              .arg(r.kind)
                              .arg(fields::at(fields::positionOf(&Record::kind)).displayText(r.kind),
                                   lists::recordDirectory(r.kind)));
    if (r.name.isEmpty())
        r.name = lists::recordDirectory(r.kind);
    if (const RecordError problem = format::check(r); problem.isError())
        note(stored.path, QStringLiteral("Der Editor kann den Datensatz so nicht zurückspeichern: ") + problem.message());
    if (checker) {
        if (const QString unknown = unknownWords(*checker, r.text); !unknown.isEmpty())
            note(stored.path, QStringLiteral("Unbekannte Wörter in der Beschreibung: ") + unknown);
    }
}

// Every record's folder, name and path in listing order, kept cheaply.
struct Held
{
    QString folder;
    QString name;
    QString path;
};

// Names of one folder that differ only in outer spaces, in listing order.
void noteSpacedNames(const QList<Held> &held, const Note &note)
{
    QHash<QString, QList<std::pair<QString, QString>>> trimmed;
    QStringList trimmedOrder;
    for (const Held &h : held) {
        const QString key = h.folder + QLatin1Char('/') + h.name.trimmed();
        if (!trimmed.contains(key))
            trimmedOrder.append(key);
        trimmed[key].append({h.name, h.path});
    }
    for (const QString &key : std::as_const(trimmedOrder)) {
        const auto &holders = trimmed[key];
        for (qsizetype i = 1; i < holders.size(); ++i) {
            if (holders[i].first == holders[0].first)
                continue; // the same name twice is the first note's matter
            note(holders[0].second + QStringLiteral(" und ") + holders[i].second,
                 QStringLiteral("Die Namen '%1' und '%2' unterscheiden sich nur durch Leerzeichen am Anfang oder Ende.")
                     .arg(holders[0].first, holders[i].first));
        }
    }
}

} // namespace

int check(const QString &root, const CheckOptions &options, QTextStream &out, QTextStream &err)
{
    int read = 0;
    int faulty = 0;
    int notes = 0;
    const Note note = [&](const QString &where, const QString &text) {
        ++notes;
        // A name's control characters would act on the terminal.
        out << storage::printable(where) << QStringLiteral(": Hinweis: ") << storage::printable(text) << '\n';
    };
    // Names are compared by their trimmed form only if one has outer spaces.
    QList<Held> held;
    bool spaced = false;
    const RecordStore store(root);
    QStringList problems;
    std::unique_ptr<spelling::SpellChecker> checker;
    if (options.spelling)
        checker = loadChecker(store, options.wordsFile, problems);

    problems += forEachRecord(store, [&](const StoredRecord &stored) {
        ++read;
        if (!stored.result.ok()) {
            ++faulty;
            out << storage::printable(stored.path) << QStringLiteral(": ")
                << storage::printable(stored.result.error().message()) << '\n';
            return;
        }
        noteOn(stored, checker.get(), note);
        const QString &name = stored.result.record().name;
        spaced = spaced || (!name.isEmpty() && (name.front().isSpace() || name.back().isSpace()));
        held.append({stored.folder, name, stored.path});
    });
    if (spaced)
        noteSpacedNames(held, note);
    out << counted(read, "Datei", "Dateien") << QStringLiteral(" gelesen, ") << faulty
        << QStringLiteral(" fehlerhaft, ") << counted(notes, "Hinweis", "Hinweise") << QStringLiteral(".\n");
    out.flush();
    for (const QString &problem : problems)
        err << storage::printable(problem) << '\n';
    return faulty > 0 || !problems.isEmpty() ? 1 : 0;
}

} // namespace ww::cli
