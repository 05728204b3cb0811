#include "text_words.h"

namespace ww::spelling {
namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

bool isJoiner(QChar c)
{
    return c == QLatin1Char('-') || c == QLatin1Char('\'') || c == QChar(0x2019);
}

} // namespace

QList<QStringView> textWords(QStringView text, bool cutBefore, bool cutAfter)
{
    QList<QStringView> words;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        if (!isWordCharacter(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        bool digits = false;
        qsizetype letters = 0;
        while (i < size) {
            const QChar c = text[i];
            if (isWordCharacter(c)) {
                digits = digits || c.isDigit();
                letters += c.isLetter() ? 1 : 0;
                ++i;
            } else if (isJoiner(c) && i + 1 < size && isWordCharacter(text[i + 1]) && i > start) {
                ++i;
            } else {
                break;
            }
        }
        const bool cut = (start == 0 && cutBefore) || (i == size && cutAfter);
        if (!cut && !digits && letters > 1 && i - start <= longestCheckedWord)
            words.append(text.sliced(start, i - start));
    }
    return words;
}

} // namespace ww::spelling
