#pragma once

#include <QString>

namespace ww {

// One creature or spell. Fields are in the order the record file stores them.
// `text` holds its line breaks as CR LF, exactly as stored.
struct Record
{
    int kind = 1;
    QString name;
    int magic = 1;
    QString mana = QStringLiteral("5");
    int attack = 0;
    int defence = 0;
    int moveEarth = 0;
    int moveWater = 0;
    int moveAir = 0;
    QString text;

    static constexpr int fieldCount = 10;

    friend bool operator==(const Record &, const Record &) = default;
};

// Multi-line text boxes use "\n"; the file uses CR LF.
QString storedTextToEditor(const QString &stored);
QString editorTextToStored(const QString &edited);

} // namespace ww
