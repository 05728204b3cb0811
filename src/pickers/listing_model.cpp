#include "listing_model.h"

#include "record_preview.h"

namespace ww {

ListingModel::ListingModel(QList<storage::ListedName> names, RecordStore store, int kind, QObject *parent)
    : QAbstractListModel(parent), m_names(std::move(names)), m_store(std::move(store)), m_kind(kind)
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
    const storage::ListedName &name = m_names.at(index.row());
    switch (role) {
    // A name with a line break or ESC is shown escaped and still opened by its bytes.
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return storage::printable(name.shown);
    case SearchKeyRole:
        if (m_keys.isEmpty())
            m_keys.resize(m_names.size());
        if (m_keys.at(index.row()).isNull())
            m_keys[index.row()] = searchKey(name.shown);
        return m_keys.at(index.row());
    case Qt::ToolTipRole:
        return preview::toolTip(preview::text(m_store.read(m_kind, name)));
    case Qt::AccessibleDescriptionRole:
        return preview::text(m_store.read(m_kind, name));
    default:
        return {};
    }
}

QByteArray ListingModel::native(int row) const
{
    return row >= 0 && row < m_names.size() ? m_names.at(row).native : QByteArray();
}

const storage::ListedName *ListingModel::named(const QString &typed) const
{
    const QString composed = typed.normalized(QString::NormalizationForm_C);
    for (const storage::ListedName &name : m_names) {
        if (name.shown == typed)
            return &name;
    }
    for (const storage::ListedName &name : m_names) {
        if (name.shown.normalized(QString::NormalizationForm_C) == composed)
            return &name;
    }
    return nullptr;
}

QString ListingModel::searchKey(const QString &text)
{
    const auto ascii = [](QChar c) { return c.unicode() < 0x80; };
    // Most names are plain ASCII; they need no decomposition.
    if (std::all_of(text.begin(), text.end(), ascii))
        return text.toLower();
    // Compatibility decomposition splits "ü" into "u" and its mark, and "ﬁ" into "fi".
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            key.append(c);
    }
    // The German order reads "ß" and capital "ẞ" as "ss"; said here, not left
    // to whichever case folding Qt applies to them.
    key.replace(QChar(0x1E9E), QLatin1String("ss")).replace(QChar(0x00DF), QLatin1String("ss"));
    return key.toCaseFolded();
}

} // namespace ww
