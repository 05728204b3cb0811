#pragma once

#include "record_storage.h"

#include <QAbstractListModel>

namespace ww {

// A folder's listing as the picker's list shows it. Rows are made printable
// only when they are drawn, and each keeps the name's own bytes for opening.
class ListingModel : public QAbstractListModel
{
    Q_OBJECT

public:
    ListingModel(QList<storage::ListedName> names, QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // The file system's name of `row`; empty for a row not in the list.
    QByteArray native(int row) const;

private:
    QList<storage::ListedName> m_names;
};

} // namespace ww
