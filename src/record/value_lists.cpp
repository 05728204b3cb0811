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

int positionOf(const QList<ListEntry> &entries, int code)
{
    if (entries.isEmpty())
        return -1;
    const qint64 position = qint64(code) - entries.constFirst().code;
    return position >= 0 && position < entries.size() && entries[position].code == code ? int(position) : -1;
}

QString recordDirectory(int kindCode)
{
    return kindCode == creatureKind ? QStringLiteral("Kreaturen") : QStringLiteral("Zauber");
}

} // namespace ww::lists
