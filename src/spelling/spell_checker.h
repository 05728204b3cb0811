#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace ww::spelling {

class Dictionary;

// Decides whether a word is spelt right: the dictionary, and on top of it
// the words a writer made known (their list, the game's names) or ignored.
// Answers are remembered, so a text seen once is checked at hash speed.
class SpellChecker
{
public:
    explicit SpellChecker(std::unique_ptr<Dictionary> dictionary, QString problem = QString());
    ~SpellChecker();
    SpellChecker(const SpellChecker &) = delete;
    SpellChecker &operator=(const SpellChecker &) = delete;

    // Loads the German dictionary for the user's locale, or "" when none
    // is installed: then every word is known.
    static std::unique_ptr<SpellChecker> forLocale(const QString &localeName);

    bool hasDictionary() const { return m_dictionary != nullptr; }
    // Why there is none though one is installed, in German, or "".
    const QString &problem() const { return m_problem; }
    QString language() const;

    bool knows(QStringView word) const;
    // At most `count` corrections, best first, each passing `acceptable`.
    QStringList suggestions(QStringView word, int count,
                            const std::function<bool(const QString &)> &acceptable) const;

    // Each word of `text` counts as known from now on (a name may have several).
    void addKnown(const QString &text);
    void addKnown(const QStringList &texts);
    // Known until this checker ends.
    void ignore(const QString &word);

private:
    bool lookUp(const QString &word) const;

    std::unique_ptr<Dictionary> m_dictionary;
    QString m_problem;
    QSet<QString> m_known;
    mutable QHash<QString, bool> m_answers;
};

} // namespace ww::spelling
