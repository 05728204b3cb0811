#pragma once

#include <QList>
#include <QStringView>

namespace ww::spelling {

// The words of `text` a spell check looks at: runs of letters, joined by a
// hyphen or an apostrophe between letters ("Feuer-Drache", "geht's").
// Numbers, words with digits and single letters are left out. A run that
// touches a cut edge of the text (`cutBefore`, `cutAfter`) may be part of a
// longer word outside it and is left out too.
QList<QStringView> textWords(QStringView text, bool cutBefore = false, bool cutAfter = false);

// Words longer than this are not prose (a path, a pasted hash) and not checked.
inline constexpr qsizetype longestCheckedWord = 64;

} // namespace ww::spelling
