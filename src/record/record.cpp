#include "record.h"

#include <array>

namespace ww {

QString fieldCaption(int position)
{
    static const std::array<const char *, Record::fieldCount> captions = {
        "Typ", "Name", "Magik", "Mana", "Angriff", "Verteidigung",
        "Bewegung-Erde", "Bewegung-Wasser", "Bewegung-Luft", "Beschreibung",
    };
    if (position < 1 || position > Record::fieldCount)
        return QString();
    return QString::fromUtf8(captions[position - 1]);
}

QString storedTextToEditor(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // A lone CR cannot live in a text box; it becomes a line break too.
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString editorTextToStored(const QString &edited)
{
    QString text = edited;
    // Text documents hand out paragraph and line separators (Enter, Shift+Enter).
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace ww
