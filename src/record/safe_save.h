#pragma once

#include "record_error.h"

#include <QByteArray>
#include <QString>

namespace ww::storage {

// The one way a record file is replaced: all of `bytes` reach the disk under
// `path`, or nothing changes there. A write-protected file is not replaced.
RecordError replaceFile(const QString &path, const QByteArray &bytes);

// What keeps replaceFile() from writing `path`, found without writing: a
// link, a folder or a write-protected file in its place.
RecordError replaceable(const QString &path);

} // namespace ww::storage
