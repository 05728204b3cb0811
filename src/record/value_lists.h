#pragma once

#include <QList>
#include <QString>

namespace ww {

// One entry of a drop-down list: what the user sees and the code stored in the file.
struct ListEntry
{
    QString text;
    int code = 0;
};

namespace lists {

constexpr int creatureKind = 1;
constexpr int spellKind = 2;
constexpr int percentMax = 100;

const QList<ListEntry> &kinds();
const QList<ListEntry> &magicColours();
const QList<ListEntry> &percents();

// Position of the entry with `code` in `entries`, or -1 when there is none.
// Every list's codes run without gaps, so this is one subtraction.
int positionOf(const QList<ListEntry> &entries, int code);

// Name of the folder, below a record store's root, that holds records of this kind.
QString recordDirectory(int kindCode);

} // namespace lists
} // namespace ww
