#include "record.h"

namespace ww {

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
