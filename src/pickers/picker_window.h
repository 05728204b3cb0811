#pragma once

#include "record.h"
#include "record_store.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;

namespace ww {

class ListingModel;
class NameCompleter;

// Lists the record files of one folder and loads the chosen one. A
// non-modal dialog: Esc closes it, Return opens through its default button.
class PickerWindow : public QDialog
{
    Q_OBJECT

public:
    struct Config
    {
        QString windowName;
        QString caption;
        int kind; // whose folder it lists
        QString listName;
        int widthTwips;
    };
    static Config creature();
    static Config spell();

    // `mayReplaceForm` is asked, once a file has been read, whether the
    // record may now replace what the form holds; without it, it may.
    PickerWindow(const Config &config, RecordStore store, QWidget *owner, std::function<bool()> mayReplaceForm = {});

Q_SIGNALS:
    // `file` is the record's path as the store names it.
    void recordLoaded(const ww::Record &record, const QString &file);

public Q_SLOTS:
    // Esc closes the window for good, as its close box does.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A click, the arrow keys, a double click, the button and typing.
    void connectChoosing(QPushButton *button);
    void makeCompleter();
    // Puts the entry's name in the text box and keeps its bytes for opening.
    void chooseEntry(const QModelIndex &entry);
    // Reads the file named in the text box; on success hands the record on and closes.
    void openChosen();
    // The entry's record as a tool tip beside it.
    void showPreview(const QModelIndex &entry);

    Config m_config;
    RecordStore m_store;
    // The file system's name of the entry last chosen from the list, and
    // the text it put in text_open; names need not be valid UTF-8. The bytes
    // count only while the box still says that text: the completion puts
    // back what was typed without a word to us.
    QByteArray m_chosenNative;
    QString m_chosenShown;
    // The list's current entry moved by a key; its preview shows once the key is up.
    bool m_previewDue = false;
    std::function<bool()> m_mayReplaceForm;
    QListView *m_files = nullptr;
    ListingModel *m_names = nullptr;
    QLineEdit *m_chosen = nullptr;
    NameCompleter *m_completer = nullptr;
};

} // namespace ww
