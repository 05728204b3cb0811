#pragma once

#include "value_lists.h"

#include <QAbstractListModel>

namespace ww {

// A value list as drop-down boxes show it: each entry's text, and its code
// as the item data. Read-only, so the boxes that show one list share it
// rather than each holding an item object per entry.
class ValueListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    ValueListModel(QList<ListEntry> entries, QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<ListEntry> m_entries;
};

} // namespace ww
