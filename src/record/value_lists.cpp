#include "value_lists.h"

namespace ww::lists {

const QList<ListEntry> &kinds()
{
    static const QList<ListEntry> list = {
        {QStringLiteral("Kreatur"), creatureKind},
        {QStringLiteral("Zauber"), spellKind},
    };
    return list;
}

const QList<ListEntry> &magicColours()
{
    static const QList<ListEntry> list = {
        {QStringLiteral("Weiße Magie - Ebenen"), 1},
        {QStringLiteral("Rote Magie - Gebirge"), 2},
        {QStringLiteral("Blaue Magie - Meere"), 3},
        {QStringLiteral("Grüne Magie - Wälder"), 4},
        {QStringLiteral("Schwarze Magie - Sümpfe"), 5},
    };
    return list;
}

const QList<ListEntry> &percents()
{
    static const QList<ListEntry> list = [] {
        QList<ListEntry> entries;
        entries.reserve(percentMax + 1);
        for (int i = 0; i <= percentMax; ++i)
            entries.append({QString::number(i) + QLatin1Char('%'), i});
        return entries;
    }();
    return list;
}

// Kind and magic lists start at code 1, the percent list at code 0.
int kindPosition(int code)
{
    return code >= 1 && code <= kinds().size() ? code - 1 : -1;
}

int magicPosition(int code)
{
    return code >= 1 && code <= magicColours().size() ? code - 1 : -1;
}

int percentPosition(int code)
{
    return code >= 0 && code <= percentMax ? code : -1;
}

QString recordDirectory(int kindCode)
{
    return kindCode == creatureKind ? QStringLiteral("Kreaturen") : QStringLiteral("Zauber");
}

} // namespace ww::lists
