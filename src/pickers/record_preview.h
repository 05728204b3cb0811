#pragma once

#include "read_result.h"

#include <QString>

namespace ww::preview {

// What a file holds, as a tool tip shows it before the file is opened: each
// field with the form's caption, the description's first three lines, and
// for a file that cannot be read the reader's own message. Plain text.
QString text(const ReadResult &result);

// `plain` as a tool tip's rich text, so that a description's "<b>" stays
// two characters and its line breaks stay line breaks.
QString toolTip(const QString &plain);

} // namespace ww::preview
