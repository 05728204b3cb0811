#include "spell_checker.h"

#include "dictionary.h"
#include "text_words.h"

namespace ww::spelling {

SpellChecker::SpellChecker(std::unique_ptr<Dictionary> dictionary, QString problem)
    : m_dictionary(std::move(dictionary)), m_problem(std::move(problem))
{
}

SpellChecker::~SpellChecker() = default;

std::unique_ptr<SpellChecker> SpellChecker::forLocale(const QString &localeName)
{
    QString problem;
    std::unique_ptr<Dictionary> dictionary = Dictionary::loadGerman(localeName, &problem);
    if (dictionary)
        problem.clear(); // one that could not be read, and another that could
    return std::make_unique<SpellChecker>(std::move(dictionary), problem);
}

QString SpellChecker::language() const
{
    return m_dictionary ? m_dictionary->language() : QString();
}

bool SpellChecker::knows(QStringView word) const
{
    if (!m_dictionary)
        return true;
    const QString key = word.toString();
    const auto found = m_answers.constFind(key);
    if (found != m_answers.cend())
        return *found;
    const bool known = lookUp(key);
    m_answers.insert(key, known);
    return known;
}

bool SpellChecker::lookUp(const QString &word) const
{
    if (m_known.contains(word))
        return true;
    // A known word also stands capitalised at the start of a sentence.
    if (word.front().isUpper()) {
        QString lower = word;
        lower[0] = lower[0].toLower();
        if (m_known.contains(lower))
            return true;
    }
    return m_dictionary->knows(word);
}

QStringList SpellChecker::suggestions(QStringView word, int count,
                                      const std::function<bool(const QString &)> &acceptable) const
{
    QStringList chosen;
    if (!m_dictionary)
        return chosen;
    for (const QString &suggestion : m_dictionary->suggestions(word)) {
        if (chosen.size() == count)
            break;
        if (acceptable(suggestion) && !chosen.contains(suggestion))
            chosen.append(suggestion);
    }
    return chosen;
}

void SpellChecker::addKnown(const QString &text)
{
    for (const QStringView word : textWords(text))
        m_known.insert(word.toString());
    // Earlier answers may have been "unknown" for these.
    m_answers.clear();
}

void SpellChecker::addKnown(const QStringList &texts)
{
    for (const QString &text : texts)
        addKnown(text);
}

void SpellChecker::ignore(const QString &word)
{
    m_known.insert(word);
    m_answers.insert(word, true);
}

} // namespace ww::spelling
