#include "record_preview.h"

#include "record_fields.h"
#include "record_storage.h"

namespace ww::preview {

namespace {

constexpr int shownLines = 3;
// A tool tip as wide as a 1 MiB line would leave the screen.
constexpr qsizetype lineLength = 80;

QString bounded(const QString &line)
{
    // Tabs as spaces; any other control character escaped, as the list shows names.
    QString shown = storage::printable(QString(line).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    if (shown.size() > lineLength)
        shown = shown.left(lineLength - 1) + QChar(0x2026);
    return shown;
}

} // namespace

QString text(const ReadResult &result)
{
    if (!result.ok())
        return result.error().message();
    const Record &record = result.record();
    QStringList lines;
    for (const fields::Field &field : fields::all()) {
        const QString caption = field.captionText() + QLatin1Char(':');
        if (field.kind == fields::Kind::Code) {
            const int code = record.*field.code;
            const QString shown = field.displayText(code);
            lines.append(caption + QLatin1Char(' ') + (shown.isEmpty() ? QString::number(code) : shown));
        } else if (field.kind == fields::Kind::Line) {
            lines.append(caption + QLatin1Char(' ') + bounded(record.*field.text));
        } else {
            lines.append(caption);
            const QStringList description = (record.*field.text).split(QStringLiteral("\r\n"));
            for (int i = 0; i < qMin(shownLines, int(description.size())); ++i)
                lines.append(QStringLiteral("  ") + bounded(description.at(i)));
            if (description.size() > shownLines)
                lines.append(QStringLiteral("  ") + QChar(0x2026));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString toolTip(const QString &plain)
{
    return QStringLiteral("<p style='white-space:pre'>") + plain.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace ww::preview
