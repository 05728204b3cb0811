#include "picker_window.h"

#include "listing_model.h"
#include "message_box.h"
#include "name_completer.h"
#include "record_format.h"
#include "value_lists.h"
#include "window_geometry.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

namespace ww {

using geometry::twipRect;

PickerWindow::Config PickerWindow::creature()
{
    return {QStringLiteral("load_creature"), QStringLiteral("Kreatur öffnen..."), lists::creatureKind,
            QStringLiteral("file_creature"), 2295};
}

PickerWindow::Config PickerWindow::spell()
{
    return {QStringLiteral("load_spell"), QStringLiteral("Zauber öffnen..."), lists::spellKind,
            QStringLiteral("file_spell"), 2265};
}

PickerWindow::PickerWindow(const Config &config, RecordStore store, QWidget *owner, std::function<bool()> mayReplaceForm)
    : QDialog(owner, geometry::fixedWindowFlags()), m_config(config), m_store(std::move(store)),
      m_mayReplaceForm(std::move(mayReplaceForm))
{
    setObjectName(config.windowName);
    setWindowTitle(config.caption);
    setFixedSize(geometry::size(config.widthTwips, 3195));

    // The folder is read once; files saved later appear when the picker is opened again.
    storage::Listing listing = m_store.list(config.kind);
    // A view on the listing itself: 10,000 entries need no item object each.
    m_files = new QListView(this);
    m_names = new ListingModel(std::move(listing.names), m_store, config.kind, m_files);
    m_files->setModel(m_names);
    m_files->setObjectName(config.listName);
    m_files->setGeometry(twipRect(120, 120, 2055, 2040));
    m_files->setUniformItemSizes(true);
    // Long names keep their start and their ending; the full name lands in text_open.
    m_files->setTextElideMode(Qt::ElideMiddle);
    m_files->setAccessibleName(QStringLiteral("Dateien"));

    m_chosen = new QLineEdit(this);
    m_chosen->setObjectName(QStringLiteral("text_open"));
    m_chosen->setGeometry(twipRect(120, 2280, 2055, 305));
    m_chosen->setAccessibleName(QStringLiteral("Dateiname"));

    auto *button = new QPushButton(QStringLiteral("Öffnen"), this);
    button->setObjectName(QStringLiteral("button_open"));
    button->setGeometry(twipRect(480, 2760, 1335, 375));
    // Return anywhere in the window opens, the focused button included.
    button->setDefault(true);

    setTabOrder(m_files, m_chosen);
    setTabOrder(m_chosen, button);

    connectChoosing(button);

    geometry::centreOnScreen(this);
    // An unreadable folder must not pass for an empty one; said once the window is up.
    if (listing.error.isError()) {
        QTimer::singleShot(0, this, [this, text = listing.error.message()] { message::warn(this, text); });
    }
}

void PickerWindow::chooseEntry(const QModelIndex &entry)
{
    if (!entry.isValid())
        return;
    m_chosen->setText(entry.data().toString());
    m_chosenShown = m_chosen->text();
    m_chosenNative = m_names->native(entry.row());
}

void PickerWindow::connectChoosing(QPushButton *button)
{
    const auto choose = [this](const QModelIndex &entry) { chooseEntry(entry); };
    connect(m_chosen, &QLineEdit::textEdited, this, [this] {
        m_chosenNative.clear();
        // Made on the first key, in time for that key's completion, so that
        // opening the picker costs what it did without it.
        if (!m_completer)
            makeCompleter();
    });
    connect(m_files, &QListView::clicked, this, choose);
    // Arrow keys choose as a click does; mere focus (no selection) does not.
    connect(m_files->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, choose] {
        const QModelIndexList selected = m_files->selectionModel()->selectedIndexes();
        if (!selected.isEmpty())
            choose(selected.constFirst());
    });
    // Return on an entry chooses it and passes on to the default button.
    connect(m_files, &QListView::activated, this, choose);
    connect(m_files, &QListView::doubleClicked, this, [this, choose](const QModelIndex &entry) {
        choose(entry);
        openChosen();
    });
    connect(button, &QPushButton::clicked, this, &PickerWindow::openChosen);

    // The arrow keys show an entry's preview as pointing at it does: once the
    // key is let go, since a tool tip hides on every key.
    connect(m_files->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        m_previewDue = QGuiApplication::mouseButtons() == Qt::NoButton;
    });
    m_files->installEventFilter(this);
}

void PickerWindow::makeCompleter()
{
    m_completer = new NameCompleter(m_names, m_chosen);
    // Marking an entry of the popup chooses it as a click on the list does.
    const auto chooseCompletion = [this](const QModelIndex &completion) {
        chooseEntry(m_names->index(m_completer->sourceRow(completion)));
    };
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::highlighted), this,
            [this, chooseCompletion](const QModelIndex &completion) {
                // Down past the last entry or Up past the first marks nothing;
                // the box then says again what was typed (Qt leaves the entry
                // last marked there), and Return opens that.
                if (!completion.isValid())
                    m_chosen->setText(m_completer->completionPrefix());
                chooseCompletion(completion);
            });
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this, chooseCompletion);
    connect(m_completer, &NameCompleter::typedNameConfirmed, this, &PickerWindow::openChosen);
}

void PickerWindow::reject()
{
    QDialog::reject();
    close();
}

bool PickerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_files && event->type() == QEvent::KeyRelease && m_previewDue
        && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        m_previewDue = false;
        if (m_files->currentIndex().isValid())
            showPreview(m_files->currentIndex());
    }
    return QDialog::eventFilter(watched, event);
}

void PickerWindow::showPreview(const QModelIndex &entry)
{
    const QRect place = m_files->visualRect(entry);
    QToolTip::showText(m_files->viewport()->mapToGlobal(place.bottomLeft()), entry.data(Qt::ToolTipRole).toString(),
                       m_files->viewport(), place);
}

void PickerWindow::openChosen()
{
    // Already loaded and closing: a key still on its way changes nothing.
    if (!isVisible())
        return;
    const QString name = m_chosen->text();
    if (name.isEmpty()) {
        message::inform(this, QStringLiteral("Sie müssen eine Datei auswählen."));
        return;
    }
    QByteArray native = name == m_chosenShown ? m_chosenNative : QByteArray();
    // Only files of this picker's own folder may be opened; a listed one is,
    // though its shown name may be escaped.
    if (native.isEmpty() && !format::staysInFolder(name)) {
        message::warn(this, QStringLiteral("'%1' ist kein Dateiname im Ordner '%2': "
                                              "Die Zeichen '/' und '\\' sowie '.' und '..' sind nicht erlaubt.")
                                   .arg(name, QDir::current().absoluteFilePath(m_store.folder(m_config.kind))));
        return;
    }
    QString file = name;
    if (const storage::ListedName *listed = native.isEmpty() ? m_names->named(name) : nullptr) {
        native = listed->native;
        file = listed->shown;
    }
    const ReadResult result = native.isEmpty() ? m_store.read(m_config.kind, name) : m_store.read(m_config.kind, {native, file});
    if (!result.ok()) {
        message::warn(this, result.error().message() + QStringLiteral("\nDer Editor bleibt unverändert."));
        return;
    }
    if (m_mayReplaceForm) {
        // The question runs its own event loops; the editor may close this
        // window, or go away itself, before the answer comes.
        const QPointer<PickerWindow> self(this);
        const bool mayReplace = m_mayReplaceForm();
        if (!self || !isVisible() || !mayReplace)
            return;
    }
    Q_EMIT recordLoaded(result.record(), m_store.folder(m_config.kind) + QLatin1Char('/') + file);
    close();
}

} // namespace ww
