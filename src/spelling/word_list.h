#pragma once

#include <QString>
#include <QStringList>

// Plain text word lists, one word a line, that a team can share and edit
// with any text editor: UTF-8 as they are meant to be, or as Windows
// editors save them (Windows-1252, UTF-16 or UTF-32), each kept so.
namespace ww::spelling::wordlist {

// The writer's own list: $XDG_DATA_HOME/ww_editor/woerter.txt.
QString personalPath();

// The words in the file at `path`; a missing file has none. Empty on an
// error, which `error` then describes in German with the file's name.
QStringList read(const QString &path, QString *error = nullptr);

// Adds `word` as a line at the end, in the list's own encoding (refused
// where that cannot hold it), creating the file and its folder as needed.
// Appending never overwrites what another writer added meanwhile.
bool append(const QString &path, const QString &word, QString *error);

} // namespace ww::spelling::wordlist
