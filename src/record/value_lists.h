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

// List position that shows `code`, or -1 when the code is not in the list.
int kindPosition(int code);
int magicPosition(int code);
int percentPosition(int code);

// Folder below the working directory that holds records of this kind.
QString recordDirectory(int kindCode);

} // namespace lists
} // namespace ww
