#include "dictionary.h"

#include "record_error.h"
#include "regular_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <sys/stat.h>

#include <hunspell/hunspell.hxx>

namespace ww::spelling {

Dictionary::Dictionary(std::unique_ptr<Hunspell> hunspell, QString language, bool utf8)
    : m_hunspell(std::move(hunspell)), m_language(std::move(language)), m_utf8(utf8)
{
}

Dictionary::~Dictionary() = default;

QStringList Dictionary::searchPath()
{
    const QString fromEnvironment = qEnvironmentVariable("DICPATH");
    if (qEnvironmentVariableIsSet("DICPATH"))
        return fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/local/share/hunspell"),
            QStringLiteral("/usr/share/myspell/dicts")};
}

namespace {

// Why hunspell may not be given `path`, or "": it reads whatever it is
// given, to its end.
QString unfit(const QString &path)
{
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0) {
        const int error = errno;
        return RecordError::reasonFromErrno(error);
    }
    if (S_ISDIR(st.st_mode))
        return storage::FileRead{storage::FileRead::Outcome::Directory}.reason(Dictionary::maxFileBytes);
    if (!S_ISREG(st.st_mode))
        return storage::FileRead{storage::FileRead::Outcome::NotRegular}.reason(Dictionary::maxFileBytes);
    if (st.st_size > Dictionary::maxFileBytes)
        return storage::FileRead{storage::FileRead::Outcome::TooLarge, 0, st.st_size}.reason(Dictionary::maxFileBytes);
    return QString();
}

// Something of that name is there: a file, a folder, a link to nothing.
bool present(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

std::unique_ptr<Dictionary> Dictionary::loadGerman(const QString &localeName, QString *problem)
{
    QStringList languages;
    // de_AT and de_CH spell differently (ß); other German locales read de_DE.
    const QString language = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (language.startsWith(QLatin1String("de_")) && language != QLatin1String("de_DE"))
        languages.append(language);
    languages.append(QStringLiteral("de_DE"));
    for (const QString &candidate : std::as_const(languages)) {
        for (const QString &folder : searchPath()) {
            const QString aff = QDir(folder).filePath(candidate + QLatin1String(".aff"));
            const QString dic = QDir(folder).filePath(candidate + QLatin1String(".dic"));
            if (!present(aff) && !present(dic))
                continue;
            QString file = aff;
            QString why = unfit(aff);
            if (why.isEmpty())
                why = unfit(file = dic);
            if (!why.isEmpty()) {
                if (problem && problem->isEmpty())
                    *problem = QStringLiteral("Das Wörterbuch '%1' kann nicht gelesen werden: %2").arg(file, why);
                continue;
            }
            auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(),
                                                       QFile::encodeName(dic).constData());
            const std::string encoding = hunspell->get_dict_encoding();
            const bool utf8 = encoding == "UTF-8";
            // Only the encodings German dictionaries come in; another could not be read right.
            if (!utf8 && encoding != "ISO8859-1" && encoding != "ISO8859-15")
                continue;
            return std::unique_ptr<Dictionary>(new Dictionary(std::move(hunspell), candidate, utf8));
        }
    }
    return nullptr;
}

QByteArray Dictionary::encoded(QStringView word) const
{
    if (m_utf8)
        return word.toUtf8();
    for (const QChar c : word) {
        if (c.unicode() > 0xFF)
            return QByteArray(); // not in the dictionary's alphabet: unknown
    }
    return word.toLatin1();
}

QString Dictionary::decoded(const std::string &word) const
{
    return m_utf8 ? QString::fromStdString(word) : QString::fromLatin1(word.data(), qsizetype(word.size()));
}

bool Dictionary::knows(QStringView word) const
{
    const QByteArray bytes = encoded(word);
    return !bytes.isEmpty() && m_hunspell->spell(bytes.toStdString());
}

QStringList Dictionary::suggestions(QStringView word) const
{
    const QByteArray bytes = encoded(word);
    QStringList found;
    if (bytes.isEmpty())
        return found;
    for (const std::string &suggestion : m_hunspell->suggest(bytes.toStdString()))
        found.append(decoded(suggestion));
    return found;
}

} // namespace ww::spelling
