#pragma once

#include "record_storage.h"
#include "record_store.h"

#include <QAbstractListModel>

namespace ww {

// A folder's listing as the picker's list shows it. Rows are made printable
// only when they are drawn, and each keeps the name's own bytes for opening.
class ListingModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // A row's name as completion matches it (see searchKey).
    static constexpr int SearchKeyRole = Qt::UserRole + 1;

    ListingModel(QList<storage::ListedName> names, RecordStore store, int kind, QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    // Qt::ToolTipRole and Qt::AccessibleDescriptionRole read the row's file
    // as it is at that moment.
    QVariant data(const QModelIndex &index, int role) const override;
    // The file system's name of `row`; empty for a row not in the list.
    QByteArray native(int row) const;
    // The listed name that is `typed` once both are composed alike (NFC):
    // "Ü" typed as one character and stored as "U" and its mark, as macOS
    // and some archives write names. Null if no name is.
    const storage::ListedName *named(const QString &typed) const;

    // `text` with what the German order counts as the same letter made the
    // same: case and accents dropped ("Über" and "uber"), "ß" as "ss".
    static QString searchKey(const QString &text);

private:
    QList<storage::ListedName> m_names;
    RecordStore m_store;
    int m_kind;
    // Made on the first completion, not when the picker opens.
    mutable QList<QString> m_keys;
};

} // namespace ww
