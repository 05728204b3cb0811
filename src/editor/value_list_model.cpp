#include "value_list_model.h"

namespace ww {

ValueListModel::ValueListModel(QList<ListEntry> entries, QObject *parent)
    : QAbstractListModel(parent), m_entries(std::move(entries))
{
}

int ValueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ValueListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const ListEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return entry.text;
    case Qt::UserRole:
        return entry.code;
    default:
        return {};
    }
}

} // namespace ww
