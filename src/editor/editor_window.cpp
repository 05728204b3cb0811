#include "editor_window.h"

#include "accessibility.h"
#include "artwork.h"
#include "img_select_window.h"
#include "message_box.h"
#include "picker_window.h"
#include "picture_box.h"
#include "record_form.h"
#include "record_format.h"
#include "recovery_keeper.h"
#include "save_command.h"
#include "spell_checker.h"
#include "spell_underline.h"
#include "upload_process.h"
#include "value_list_model.h"
#include "value_lists.h"
#include "window_geometry.h"
#include "ww_version.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>

namespace ww {
namespace {

using geometry::twipRect;

// Where each field sits on the form, and its caption's name and width, in field order.
struct Place
{
    const char *label;
    int top;
    int boxWidth;
    int labelWidth;
};
constexpr std::array<Place, Record::fieldCount> places = {{
    {"typ_label", 960, 1335, 855},
    {"name_label", 1320, 2775, 855},
    {"magic_label", 1680, 2295, 975},
    {"mana_label", 2040, 615, 855},
    {"attack_label", 2400, 855, 1455},
    {"defence_label", 2760, 855, 1335},
    {"move_earth_label", 3120, 855, 1455},
    {"move_water_label", 3480, 855, 1695},
    {"move_air_label", 3840, 855, 1575},
    {"text_label", 4200, 0, 1575},
}};

void addLabel(QWidget *form, const QString &name, const QString &text, const QRect &geometry, QWidget *buddy = nullptr)
{
    auto *label = new QLabel(text, form);
    label->setObjectName(name);
    // A few design sizes reach past the window's edge; the text fits without that part.
    label->setGeometry(geometry.intersected(form->rect()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (buddy) {
        // Some captions are drawn wider than the gap to their control; a label
        // never reaches under the control it names.
        QRect area = label->geometry();
        if (area.intersects(buddy->geometry())) {
            if (buddy->x() > area.x())
                area.setRight(buddy->x() - 1);
            else
                area.setBottom(buddy->y() - 1);
            label->setGeometry(area);
        }
        // Captions beside a control line up with the text inside it.
        if (buddy->x() > label->x())
            label->setContentsMargins(0, 3, 0, 0);
        label->setBuddy(buddy);
        // Screen readers announce the control by its caption, without the colon.
        buddy->setAccessibleName(text.chopped(1));
    }
}

// The control a field of `kind` is edited in, unplaced.
QWidget *makeControl(const fields::Field &f, QWidget *form, QHash<const QList<ListEntry> *, ValueListModel *> &models)
{
    switch (f.kind) {
    case fields::Kind::Code: {
        auto *list = new QComboBox(form);
        list->setEditable(false);
        // One model per value list, shared by every box that shows it.
        ValueListModel *&model = models[&f.entries()];
        if (!model)
            model = new ValueListModel(f.entries(), form);
        list->setModel(model);
        return list;
    }
    case fields::Kind::Line: {
        auto *line = new QLineEdit(form);
        // Whatever a record file can hold fits; the save check names what is too long.
        line->setMaxLength(int(format::maxFileBytes));
        return line;
    }
    case fields::Kind::Lines: {
        auto *text = new QPlainTextEdit(form);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Tab moves on to the next control rather than typing a tab.
        text->setTabChangesFocus(true);
        // Word boundaries only: breaking "anywhere" lays out one very long word
        // in time growing with the square of its length. Such a word scrolls.
        text->setWordWrapMode(QTextOption::WordWrap);
        return text;
    }
    }
    return nullptr;
}

} // namespace

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
    buildPictures(form);
    buildFields(form);
    buildPortraitAndAddresses(form);
    buildMenu();

    m_form = new RecordForm(m_controls, this);
    m_form->load(Record());
    m_spelling = new SpellUnderline(control<QPlainTextEdit>(&Record::text));
    connect(m_spelling, &SpellUnderline::wordListFailed, this, [this](const QString &problem) { message::warn(this, problem); });
    control<QWidget>(&Record::kind)->setFocus();

    setFixedSize(sizeHint());
    geometry::centreOnScreen(this);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::buildPictures(QWidget *form)
{
    // Pictures first: controls that overlap them are drawn on top.
    auto *banner = new QLabel(form);
    banner->setObjectName(QStringLiteral("Image2"));
    banner->setPixmap(artwork(QStringLiteral("banner")));
    banner->setGeometry(twipRect(0, 0, 7020, 900));
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *dragon = new QLabel(form);
    dragon->setObjectName(QStringLiteral("Dragon"));
    dragon->setPixmap(artwork(QStringLiteral("dragon")));
    dragon->setGeometry(twipRect(2640, 2400, 2160, 1740));
    // Decoration only: screen readers need not announce either picture.
    accessibility::markDecorative(banner);
    accessibility::markDecorative(dragon);
}

void EditorWindow::buildFields(QWidget *form)
{
    QHash<const QList<ListEntry> *, ValueListModel *> models;
    for (const fields::Field &f : fields::all()) {
        const Place &place = places[std::size_t(f.position - 1)];
        QWidget *widget = makeControl(f, form, models);
        widget->setObjectName(QString::fromLatin1(f.control));
        // The description spans the form below its caption.
        widget->setGeometry(f.kind == fields::Kind::Lines ? twipRect(240, 4440, 6375, 1095)
                                                          : twipRect(1800, place.top, place.boxWidth, 315));
        m_controls[std::size_t(f.position - 1)] = widget;
        addLabel(form, QString::fromLatin1(place.label), f.captionText() + QLatin1Char(':'),
                 twipRect(240, place.top, place.labelWidth, 255), widget);
    }
}

void EditorWindow::buildPortraitAndAddresses(QWidget *form)
{
    m_img = new PictureBox(form);
    m_img->setObjectName(QStringLiteral("img"));
    m_img->setPixmap(artwork(QStringLiteral("portrait")));
    m_img->setGeometry(twipRect(4920, 1200, 1710, 2610));
    m_img->setToolTip(QStringLiteral("Bildauswahl noch nicht möglich"));
    m_img->setAccessibleDescription(QStringLiteral("Öffnet das Fenster 'Bild auswählen...'. ") + m_img->toolTip());
    addLabel(form, QStringLiteral("pic_label"), QStringLiteral("Bild:"), twipRect(4920, 960, 1215, 255), m_img);
    connect(m_img, &PictureBox::clicked, this, &EditorWindow::openImageSelect);

    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    serif.setPointSizeF(8.25);
    addLabel(form, QStringLiteral("wildweave"), QStringLiteral("info@wildweave.de"), twipRect(0, 5520, 2775, 255));
    addLabel(form, QStringLiteral("korvath"), QStringLiteral("www.korvath.de"), twipRect(5280, 5520, 1575, 255));
    for (const char *name : {"wildweave", "korvath"}) {
        auto *label = form->findChild<QLabel *>(QString::fromLatin1(name));
        label->setFont(serif);
        // The design lets these share their top row with the description's bottom edge.
        label->setGeometry(label->geometry().adjusted(0, 1, 0, 0));
    }

    const std::array<QWidget *, 11> focusOrder = {
        control<QWidget>(&Record::kind),      control<QWidget>(&Record::name),      control<QWidget>(&Record::text),
        control<QWidget>(&Record::mana),      control<QWidget>(&Record::magic),     m_img,
        control<QWidget>(&Record::attack),    control<QWidget>(&Record::defence),   control<QWidget>(&Record::moveEarth),
        control<QWidget>(&Record::moveWater), control<QWidget>(&Record::moveAir)};
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

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
