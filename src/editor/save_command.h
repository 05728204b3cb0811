#pragma once

#include "record.h"
#include "record_store.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace ww {

// Stores a record in the folder of its kind, under its name, asking before it
// replaces a file; speaks to the user in boxes over `window`. Keeps nothing
// between runs.
class SaveCommand
{
public:
    SaveCommand(RecordStore store, QWidget *window) : m_store(std::move(store)), m_window(window) {}

    // `kindText` names the kind in the overwrite question ("Kreatur"). An
    // empty name is saved as the folder's name, which `fillName` is given
    // once the record has passed its check. True when the file was written
    // and the window still exists.
    bool run(Record record, const QString &kindText, const std::function<void(const QString &)> &fillName);

private:
    RecordStore m_store;
    QPointer<QWidget> m_window;
};

} // namespace ww
