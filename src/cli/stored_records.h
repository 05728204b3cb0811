#pragma once

#include "read_result.h"
#include "record_storage.h"
#include "record_store.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ww::cli {

// One record file below a records folder, read exactly as a picker reads it.
struct StoredRecord
{
    QString folder; // "Kreaturen" or "Zauber"
    storage::ListedName name;
    QString path; // for messages: below the records folder as given
    ReadResult result;
};

// Every "*.dat" file of FOLDER/Kreaturen, then FOLDER/Zauber, each folder in
// the pickers' order. Gives what kept it from reading everything: a record
// folder that cannot be listed, or neither record folder being there.
QStringList forEachRecord(const RecordStore &store, const std::function<void(const StoredRecord &)> &visit);

} // namespace ww::cli
