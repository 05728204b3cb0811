#pragma once

#include "record.h"
#include "record_fields.h"
#include "record_store.h"
#include "secondary_windows.h"

#include <QMainWindow>

#include <array>
#include <memory>

namespace ww {

class PictureBox;
class RecordForm;
class RecoveryKeeper;
class SpellUnderline;

namespace spelling {
class SpellChecker;
}

// The main window: it builds the record form, its menu bar and the
// secondary windows, and wires them. The form (RecordForm) is the record
// being edited; the recovery copy and the spelling underline are its
// companions.
class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Records are saved to and opened from `store`.
    explicit EditorWindow(RecordStore store, QWidget *parent = nullptr);
    ~EditorWindow() override;

    RecordForm *form() const { return m_form; }
    Record record() const;
    // Fills the form as if typed: what was last saved or loaded stays the
    // unchanged point.
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

private:
    void buildMenu();
    // True when the form may be replaced or closed: nothing unsaved, or the
    // user saved it or chose to discard it.
    bool maySetAsideEdits();
    // Text of the chosen kind, as the user sees it ("Kreatur", "Zauber").
    QString kindText() const;
    // How the form's record is named in a question: "Kreatur 'Drache'".
    QString which(const Record &shown) const;
    // The save command; true when the record was written.
    bool saveRecord();
    void openPicker(bool spell);
    // The control of the field stored in `member`.
    template<typename T, typename Member>
    T *control(Member Record::*member) const
    {
        return static_cast<T *>(m_controls[std::size_t(fields::positionOf(member) - 1)]);
    }

    RecordStore m_store;
    // The control of each field, by position in the record.
    std::array<QWidget *, Record::fieldCount> m_controls{};
    RecordForm *m_form = nullptr;
    SpellUnderline *m_spelling = nullptr;
    RecoveryKeeper *m_recovery = nullptr;
    PictureBox *m_img = nullptr;
    SecondaryWindows m_windows;
    // A question about unsaved edits, or the save command, is waiting for the user.
    bool m_busy = false;
};

} // namespace ww
