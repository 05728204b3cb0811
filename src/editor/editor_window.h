#pragma once

#include "record.h"
#include "record_fields.h"
#include "record_store.h"
#include "secondary_windows.h"

#include <QMainWindow>

#include <array>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace ww {

class PictureBox;

// The main window: the record form, its menu bar and the secondary windows.
// The record exists only in the controls; there is no current file.
class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Records are saved to and opened from `store`.
    explicit EditorWindow(RecordStore store, QWidget *parent = nullptr);

    Record record() const;
    // Fills the form; a description that comes back unedited keeps the
    // exact line breaks it was set with.
    void setRecord(const Record &record);

public Q_SLOTS:
    void save();
    void openCreaturePicker();
    void openSpellPicker();
    void openUpload();
    void openImageSelect();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // True when the form may be replaced or closed: nothing unsaved, or the
    // user saved it or chose to discard it.
    bool maySetAsideEdits();
    // Text of the chosen kind, as the user sees it ("Kreatur", "Zauber").
    QString kindText() const;
    // The save command; true when the record was written.
    bool saveRecord();
    void takeLoaded(const Record &record);
    void buildForm(QWidget *form);
    void buildMenu();
    void startUp();
    void openPicker(bool spell);
    // The control of the field stored in `member`.
    template<typename T, typename Member>
    T *control(Member Record::*member) const
    {
        return static_cast<T *>(m_controls[std::size_t(fields::positionOf(member) - 1)]);
    }
    void addLabel(QWidget *form, const QString &name, const QString &text, const QRect &geometry,
                  QWidget *buddy = nullptr);

    // The control of each field, by position in the record.
    RecordStore m_store;
    std::array<QWidget *, Record::fieldCount> m_controls{};
    QComboBox *m_kind = nullptr;
    QLineEdit *m_name = nullptr;
    QPlainTextEdit *m_text = nullptr;
    PictureBox *m_img = nullptr;
    SecondaryWindows m_windows;
    // The record as it stood after start-up, the last save or the last load.
    Record m_unchanged;
    // The description as set, and as the box showed it then.
    QString m_storedText;
    QString m_shownText;
    // A question about unsaved edits, or the save command, is waiting for the user.
    bool m_busy = false;
};

} // namespace ww
