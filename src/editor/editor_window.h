#pragma once

#include "record.h"
#include "record_fields.h"
#include "record_store.h"
#include "recovery_copy.h"
#include "secondary_windows.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QThread;

namespace ww {

class PictureBox;
class SpellUnderline;

namespace spelling {
class SpellChecker;
}

// The main window: the record form, its menu bar and the secondary windows.
// The record exists only in the controls; there is no current file.
class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Records are saved to and opened from `store`.
    explicit EditorWindow(RecordStore store, QWidget *parent = nullptr);
    ~EditorWindow() override;

    Record record() const;
    // Fills the form; a description that comes back unedited keeps the
    // exact line breaks it was set with.
    void setRecord(const Record &record);

    // Keeps a copy of unsaved work in `stateFolder` from now on, and offers
    // the copy a crashed editor left for the same folder once the window is
    // up. Without this call the editor keeps no copy.
    void keepRecoveryCopies(const QString &stateFolder);

    // Underlines unknown words in the description once the German dictionary
    // has loaded, in the background, as soon as the description holds text.
    // The records' names and the words in `wordListPath` count as known;
    // words the writer adds go there. Without a dictionary nothing is underlined.
    void checkSpelling(const QString &wordListPath);
    // The same with a checker that is already loaded.
    void setSpellChecker(std::shared_ptr<spelling::SpellChecker> checker, const QString &wordListPath);

public Q_SLOTS:
    void save();
    void openCreaturePicker();
    void openSpellPicker();
    void openUpload();
    void openImageSelect();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // True when the form may be replaced or closed: nothing unsaved, or the
    // user saved it or chose to discard it.
    bool maySetAsideEdits();
    // Text of the chosen kind, as the user sees it ("Kreatur", "Zauber").
    QString kindText() const;
    // The save command; true when the record was written.
    bool saveRecord();
    void takeLoaded(const Record &record, const QString &file);
    // A control changed: the copy is written once typing pauses.
    void formChanged();
    // Brings the copy in line with the form: written while they differ from
    // what was last saved or loaded, removed once they do not.
    void updateRecoveryCopy();
    void offerLeftover();
    void buildForm(QWidget *form);
    void buildMenu();
    void startUp();
    void openPicker(bool spell);
    void startSpellingWhenNeeded();
    void startSpellingLoad();
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
    SpellUnderline *m_spelling = nullptr;
    // Loads the dictionary; waited for on close, so it never outlives the window.
    std::unique_ptr<QThread> m_spellingLoad;
    // Where added words go; set from checkSpelling() until the load starts.
    QString m_wordListPath;
    bool m_spellingWaits = false;
    bool m_formPainted = false;
    PictureBox *m_img = nullptr;
    SecondaryWindows m_windows;
    // The record as it stood after start-up, the last save or the last load.
    Record m_unchanged;
    // The description as set, and as the box showed it then.
    QString m_storedText;
    QString m_shownText;
    // A question about unsaved edits, or the save command, is waiting for the user.
    bool m_busy = false;
    std::unique_ptr<RecoveryCopy> m_recovery;
    // The copy follows 2 s after the last change, and at most 10 s after
    // the first one however fast the typing goes on.
    QTimer m_recoveryQuiet;
    QTimer m_recoveryLatest;
    bool m_recoveryWarned = false;
    // The file the form's record came from, for the copy; empty for new work.
    QString m_loadedFrom;
};

} // namespace ww
