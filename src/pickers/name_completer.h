#pragma once

#include <QCompleter>

class QLineEdit;
class QListView;

namespace ww {

class ListingModel;

// Completes a file name in the picker's box from the listing: any part of a
// name, case and accents aside, in the list's own order. Its popup opens
// above the box, so that it never lies over the button below it.
class NameCompleter : public QCompleter
{
    Q_OBJECT

public:
    NameCompleter(ListingModel *names, QLineEdit *box);

    // The listing's row of an index of the popup's model.
    int sourceRow(const QModelIndex &completion) const;

    QStringList splitPath(const QString &path) const override;
    QString pathFromIndex(const QModelIndex &index) const override;

Q_SIGNALS:
    // Return in the open popup with no entry marked: the typed name stands.
    void typedNameConfirmed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeAbove();

    QListView *m_view = nullptr;
    bool m_placing = false;
};

} // namespace ww
