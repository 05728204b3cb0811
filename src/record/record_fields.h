#pragma once

#include "record.h"
#include "value_lists.h"

#include <QList>
#include <QString>

#include <array>

// The ten fields of a record, in file order, and everything that differs
// between them: the one place a field is described. The file format, the
// check and its messages, the editor's form and ww_records' columns all
// read from here.
namespace ww::fields {

enum class Kind {
    Code, // a code from a value list, stored as a number
    Line, // single-line text
    Lines, // text of several lines, CR LF between them
};

struct Field
{
    int position; // 1..10, the order in the file
    const char *control; // the editor control's name
    const char *caption; // German, as the form labels it
    Kind kind;
    // Code fields: their value list and their member; text fields: theirs.
    const QList<ListEntry> &(*entries)();
    int Record::*code;
    QString Record::*text;

    QString captionText() const { return QString::fromUtf8(caption); }
    // List position that shows `code`, or -1 when the list has no such code.
    int positionOf(int code) const;
    // The display text of `code`, or an empty string when the list has none.
    QString displayText(int code) const;
};

const std::array<Field, Record::fieldCount> &all();
// Caption of the field at position 1..10; empty for any other position.
QString caption(int position);
// Field at position 1..10.
const Field &at(int position);
// Position of the field stored in `member`.
int positionOf(QString Record::*member);
int positionOf(int Record::*member);

} // namespace ww::fields
