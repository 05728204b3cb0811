#pragma once

#include "record.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QListWidget;

namespace ww {

// Lists the record files of one folder and loads the chosen one.
class PickerWindow : public QWidget
{
    Q_OBJECT

public:
    struct Config
    {
        QString windowName;
        QString caption;
        QString directory;
        QString listName;
        int widthTwips;
    };
    static Config creature();
    static Config spell();

    // `mayReplaceForm` is asked, once a file has been read, whether the
    // record may now replace what the form holds; without it, it may.
    PickerWindow(const Config &config, QWidget *owner, std::function<bool()> mayReplaceForm = {});

Q_SIGNALS:
    void recordLoaded(const ww::Record &record);

private:
    // Reads the file named in the text box; on success hands the record on and closes.
    void open();

    Config m_config;
    // The file system's name of the entry last chosen from the list, until
    // the user edits text_open; names need not be valid UTF-8.
    QByteArray m_chosenNative;
    std::function<bool()> m_mayReplaceForm;
    QListWidget *m_files = nullptr;
    QLineEdit *m_chosen = nullptr;
};

} // namespace ww
