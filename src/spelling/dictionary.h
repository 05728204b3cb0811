#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

namespace ww::spelling {

// One installed hunspell dictionary. Not thread-safe: load it anywhere,
// then use it from one thread at a time.
class Dictionary
{
public:
    ~Dictionary();
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;

    // The German dictionary for `localeName` ("de_AT" finds de_AT where it is
    // installed, anything else de_DE), or null when none is installed or
    // none can be read; then `problem` says why the first that was there
    // could not be. Only regular files of at most maxFileBytes are read:
    // a FIFO would block the reading thread, and with it the program's end.
    static std::unique_ptr<Dictionary> loadGerman(const QString &localeName, QString *problem = nullptr);
    // The German dictionary is about 4 MiB; its affixes far less.
    static constexpr qint64 maxFileBytes = qint64(64) * 1024 * 1024;
    // The folders searched: those in DICPATH (separated by ':') where it is
    // set, as hunspell's own programs do, otherwise the system's.
    static QStringList searchPath();

    // "de_DE", say.
    const QString &language() const { return m_language; }
    bool knows(QStringView word) const;
    QStringList suggestions(QStringView word) const;

private:
    Dictionary(std::unique_ptr<Hunspell> hunspell, QString language, bool utf8);
    QByteArray encoded(QStringView word) const;
    QString decoded(const std::string &word) const;

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_language;
    bool m_utf8 = true;
};

} // namespace ww::spelling
