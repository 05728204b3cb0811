#include "editor_window.h"

#include "form_builder.h"
#include "img_select_window.h"
#include "message_box.h"
#include "picker_window.h"
#include "picture_box.h"
#include "record_form.h"
#include "recovery_keeper.h"
#include "save_command.h"
#include "spell_checker.h"
#include "spell_underline.h"
#include "upload_process.h"
#include "window_geometry.h"
#include "ww_version.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>

namespace ww {

EditorWindow::EditorWindow(RecordStore store, QWidget *parent)
    : QMainWindow(parent, geometry::fixedWindowFlags()), m_store(std::move(store))
{
    setObjectName(QStringLiteral("ww_editor"));
    setWindowTitle(QStringLiteral("Wildweave Editor ~ Version %1.%2.%3")
                       .arg(version::major)
                       .arg(version::minor)
                       .arg(version::revision));
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("form"));
    form->setFixedSize(geometry::size(6810, 5835));
    setCentralWidget(form);
    const FormControls built = buildForm(form);
    m_controls = built.fields;
    m_img = built.portrait;
    connect(m_img, &PictureBox::clicked, this, &EditorWindow::openImageSelect);
    buildMenu();

    m_form = new RecordForm(m_controls, this);
    m_form->load(Record());
    m_spelling = new SpellUnderline(control<QPlainTextEdit>(&Record::text));
    connect(m_spelling, &SpellUnderline::spellingFailed, this, [this](const QString &problem) { message::warn(this, problem); });
    control<QWidget>(&Record::kind)->setFocus();

    setFixedSize(sizeHint());
    geometry::centreOnScreen(this);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::buildMenu()
{
    struct Entry
    {
        const char *name;
        const char *caption;
        void (EditorWindow::*slot)();
        bool enabled;
    };
    struct Menu
    {
        const char *name;
        const char *caption;
        std::vector<Entry> entries;
    };
    const std::array<Menu, 3> menus = {{
        // "&" marks the Alt letter, underlined; the captions read as they always did.
        {"file",
         "&Datei",
         {{"creature", "&Kreatur öffnen...", &EditorWindow::openCreaturePicker, true},
          {"spell", "&Zauber öffnen...", &EditorWindow::openSpellPicker, true},
          {"save", "&Speichern", &EditorWindow::save, true},
          {"quit", "&Beenden", nullptr, true}}},
        {"upload", "&Upload", {{"upload_hp", "zur Wildweave &Homepage...", &EditorWindow::openUpload, true}}},
        {"help",
         "&Hilfe",
         {{"homepage", "Wildweave &Homepage", nullptr, false},
          {"forum", "Wildweave &Forum", nullptr, false},
          {"email", "&EMail", nullptr, false},
          {"info", "&Info", nullptr, true}}},
    }};
    for (const Menu &m : menus) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const Entry &e : m.entries) {
            QAction *action = menu->addAction(QString::fromUtf8(e.caption));
            action->setObjectName(QString::fromLatin1(e.name));
            action->setEnabled(e.enabled);
            if (e.slot)
                connect(action, &QAction::triggered, this, e.slot);
        }
    }
    // Ctrl+S saves, as in every editor, and the menu shows it.
    menuBar()->findChild<QAction *>(QStringLiteral("save"))->setShortcut(QKeySequence::Save);
    // F10 opens the menu bar, as on other desktops' programs.
    auto *menuKey = new QShortcut(Qt::Key_F10, this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        menuBar()->setActiveAction(menuBar()->actions().constFirst());
    });
}

Record EditorWindow::record() const
{
    return m_form->record();
}

void EditorWindow::setRecord(const Record &record)
{
    m_form->setRecord(record);
}

QString EditorWindow::kindText() const
{
    return control<QComboBox>(&Record::kind)->currentText();
}

QString EditorWindow::which(const Record &shown) const
{
    return shown.name.isEmpty() ? kindText() + QStringLiteral(" (ohne Namen)")
                                : kindText() + QStringLiteral(" '") + shown.name + QLatin1Char('\'');
}

void EditorWindow::save()
{
    if (!m_busy)
        saveRecord();
}

bool EditorWindow::saveRecord()
{
    m_busy = true;
    const QPointer<EditorWindow> self(this);
    const bool saved = SaveCommand(m_store, this).run(record(), kindText(), [this](const QString &name) {
        control<QLineEdit>(&Record::name)->setText(name);
    });
    if (!self)
        return false;
    m_busy = false;
    if (saved) {
        m_form->markSaved();
        // The new record's name is a word of the game from now on.
        m_spelling->addKnown(record().name);
    }
    return saved;
}

bool EditorWindow::maySetAsideEdits()
{
    if (!m_form->isChanged())
        return true;
    // One question at a time: a close that arrives while one is open (a
    // logout, say) waits for its answer instead of asking again inside it.
    if (m_busy)
        return false;
    m_busy = true;
    const QPointer<EditorWindow> self(this);
    const message::Choice choice = message::askToSave(
        this, which(record()) + QStringLiteral(" hat ungespeicherte Änderungen.\nSollen sie gespeichert werden?"));
    if (!self)
        return false;
    m_busy = false;
    switch (choice) {
    case message::Choice::Save: return saveRecord();
    case message::Choice::Discard: return true;
    case message::Choice::Cancel: return false;
    }
    return false;
}

void EditorWindow::checkSpelling(const QString &wordListPath)
{
    m_spelling->loadDictionary(wordListPath, [store = m_store] { return store.recordNames(); });
}

void EditorWindow::setSpellChecker(std::shared_ptr<spelling::SpellChecker> checker, const QString &wordListPath)
{
    m_spelling->setChecker(std::move(checker), wordListPath);
}

void EditorWindow::keepRecoveryCopies(const QString &stateFolder)
{
    delete m_recovery;
    m_recovery = new RecoveryKeeper(m_form, stateFolder, m_store.root().isEmpty() ? QDir::currentPath() : m_store.root(),
                                    this);
}

void EditorWindow::openPicker(bool spell)
{
    const PickerWindow::Config config = spell ? PickerWindow::spell() : PickerWindow::creature();
    m_windows.open(config.windowName, [this, config] {
        auto *picker = new PickerWindow(config, m_store, this, [this] { return maySetAsideEdits(); });
        connect(picker, &PickerWindow::recordLoaded, m_form, &RecordForm::load);
        return picker;
    });
}

void EditorWindow::openCreaturePicker()
{
    openPicker(false);
}

void EditorWindow::openSpellPicker()
{
    openPicker(true);
}

void EditorWindow::openUpload()
{
    m_windows.open(QStringLiteral("upload_form"), [this] { return UploadProcess::start(this); });
}

void EditorWindow::openImageSelect()
{
    m_windows.open(QStringLiteral("img_select"), [this] { return new ImageSelectWindow(this); });
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    // Logging out of the desktop arrives here as well.
    if (!maySetAsideEdits()) {
        event->ignore();
        return;
    }
    m_windows.closeAll();
    // A clean end leaves no copy behind.
    if (m_recovery)
        m_recovery->endCleanly();
    event->accept();
}

} // namespace ww
