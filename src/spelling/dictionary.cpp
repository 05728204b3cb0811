#include "dictionary.h"

#include <QDir>
#include <QFile>

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

std::unique_ptr<Dictionary> Dictionary::loadGerman(const QString &localeName)
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
            if (!QFile::exists(aff) || !QFile::exists(dic))
                continue;
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
