#include "name_completer.h"

#include "listing_model.h"

#include <QAbstractProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>

namespace ww {

NameCompleter::NameCompleter(ListingModel *names, QLineEdit *box) : QCompleter(names, box)
{
    setCompletionRole(ListingModel::SearchKeyRole);
    setFilterMode(Qt::MatchContains);
    // Both sides are folded already (splitPath), so an exact match is the right one.
    setCaseSensitivity(Qt::CaseSensitive);
    setModelSorting(QCompleter::UnsortedModel);
    m_view = new QListView;
    // Thousands of matches need no item object nor a size each.
    m_view->setUniformItemSizes(true);
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_view->setAccessibleName(QStringLiteral("Passende Dateien"));
    setPopup(m_view);
    box->setCompleter(this);
}

int NameCompleter::sourceRow(const QModelIndex &completion) const
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(completion.model());
    return proxy ? proxy->mapToSource(completion).row() : -1;
}

QStringList NameCompleter::splitPath(const QString &path) const
{
    return {ListingModel::searchKey(path)};
}

QString NameCompleter::pathFromIndex(const QModelIndex &index) const
{
    // The name as the list shows it, not the folded key it was found by.
    return index.data(Qt::DisplayRole).toString();
}

bool NameCompleter::eventFilter(QObject *watched, QEvent *event)
{
    // popup() would make a popup of its own while setPopup is still at work.
    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            placeAbove();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_view->isVisible()
                && !m_view->currentIndex().isValid()) {
                m_view->hide();
                Q_EMIT typedNameConfirmed();
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QCompleter::eventFilter(watched, event);
}

void NameCompleter::placeAbove()
{
    QWidget *box = widget();
    if (m_placing || !box)
        return;
    // Qt puts the popup below the box, where the picker's button is.
    const int top = box->mapToGlobal(QPoint(0, 0)).y() - m_view->height();
    const QRect screen = box->screen()->availableGeometry();
    const int y = std::max(top, screen.top());
    if (m_view->y() == y)
        return;
    m_placing = true;
    m_view->move(m_view->x(), y);
    m_placing = false;
}

} // namespace ww
