#include "listing_model.h"

namespace ww {

ListingModel::ListingModel(QList<storage::ListedName> names, QObject *parent)
    : QAbstractListModel(parent), m_names(std::move(names))
{
}

int ListingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant ListingModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    // A name with a line break or ESC is shown escaped and still opened by its bytes.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return storage::printable(m_names.at(index.row()).shown);
    return {};
}

QByteArray ListingModel::native(int row) const
{
    return row >= 0 && row < m_names.size() ? m_names.at(row).native : QByteArray();
}

} // namespace ww
