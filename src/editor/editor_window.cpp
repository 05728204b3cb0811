#include "editor_window.h"

#include "accessibility.h"
#include "artwork.h"
#include "img_select_window.h"
#include "message_box.h"
#include "picker_window.h"
#include "picture_box.h"
#include "record_format.h"
#include "save_command.h"
#include "upload_process.h"
#include "value_lists.h"
#include "window_geometry.h"
#include "ww_version.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>

#include <array>

namespace ww {
namespace {

using geometry::twipRect;

void fillList(QComboBox *list, const QList<ListEntry> &entries)
{
    for (const ListEntry &entry : entries)
        list->addItem(entry.text, entry.code);
}

int codeOf(const QComboBox *list)
{
    return list->currentData().toInt();
}

QString fieldLabelText(int position)
{
    return fieldCaption(position) + QLatin1Char(':');
}

} // namespace

EditorWindow::EditorWindow(QWidget *parent) : QMainWindow(parent, geometry::fixedWindowFlags())
{
    setObjectName(QStringLiteral("ww_editor"));
    setWindowTitle(QStringLiteral("Wildweave Editor"));

    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("form"));
    form->setFixedSize(geometry::size(6810, 5835));
    setCentralWidget(form);
    buildForm(form);
    buildMenu();
    startUp();
    m_unchanged = record();

    setFixedSize(sizeHint());
    geometry::centreOnScreen(this);
}

void EditorWindow::buildForm(QWidget *form)
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

    m_typ = addList(form, QStringLiteral("typ"), twipRect(1800, 960, 1335, 315));
    fillList(m_typ, lists::kinds());
    addLabel(form, QStringLiteral("typ_label"), fieldLabelText(1), twipRect(240, 960, 855, 255), m_typ);

    m_name = new QLineEdit(form);
    m_name->setObjectName(QStringLiteral("thing_name"));
    // Whatever a record file can hold fits; the save check names what is too long.
    m_name->setMaxLength(int(format::maxFileBytes));
    m_name->setGeometry(twipRect(1800, 1320, 2775, 315));
    addLabel(form, QStringLiteral("name_label"), fieldLabelText(2), twipRect(240, 1320, 855, 255), m_name);

    m_magic = addList(form, QStringLiteral("magic"), twipRect(1800, 1680, 2295, 315));
    fillList(m_magic, lists::magicColours());
    addLabel(form, QStringLiteral("magic_label"), fieldLabelText(3), twipRect(240, 1680, 975, 255), m_magic);

    m_mana = new QLineEdit(QStringLiteral("5"), form);
    m_mana->setObjectName(QStringLiteral("mana"));
    m_mana->setMaxLength(int(format::maxFileBytes));
    m_mana->setGeometry(twipRect(1800, 2040, 615, 315));
    addLabel(form, QStringLiteral("mana_label"), fieldLabelText(4), twipRect(240, 2040, 855, 255), m_mana);

    struct Percent
    {
        QComboBox **list;
        const char *name;
        int field;
        int top;
        int labelWidth;
    };
    const std::array<Percent, 5> percents = {{
        {&m_attack, "attack", 5, 2400, 1455},
        {&m_defence, "defence", 6, 2760, 1335},
        {&m_moveEarth, "move_earth", 7, 3120, 1455},
        {&m_moveWater, "move_water", 8, 3480, 1695},
        {&m_moveAir, "move_air", 9, 3840, 1575},
    }};
    for (const Percent &p : percents) {
        const QString name = QString::fromLatin1(p.name);
        *p.list = addList(form, name, twipRect(1800, p.top, 855, 315));
        addLabel(form, name + QStringLiteral("_label"), fieldLabelText(p.field), twipRect(240, p.top, p.labelWidth, 255),
                 *p.list);
    }

    m_img = new PictureBox(form);
    m_img->setObjectName(QStringLiteral("img"));
    m_img->setPixmap(artwork(QStringLiteral("portrait")));
    m_img->setGeometry(twipRect(4920, 1200, 1710, 2610));
    m_img->setToolTip(QStringLiteral("Bildauswahl noch nicht möglich"));
    m_img->setAccessibleDescription(QStringLiteral("Öffnet das Fenster 'Bild auswählen...'. ") + m_img->toolTip());
    addLabel(form, QStringLiteral("pic_label"), QStringLiteral("Bild:"), twipRect(4920, 960, 1215, 255), m_img);
    connect(m_img, &PictureBox::clicked, this, &EditorWindow::openImageSelect);

    m_text = new QPlainTextEdit(form);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setGeometry(twipRect(240, 4440, 6375, 1095));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control rather than typing a tab.
    m_text->setTabChangesFocus(true);
    // Word boundaries only: breaking "anywhere" lays out one very long word
    // in time growing with the square of its length. Such a word scrolls.
    m_text->setWordWrapMode(QTextOption::WordWrap);
    addLabel(form, QStringLiteral("text_label"), fieldLabelText(10), twipRect(240, 4200, 1575, 255), m_text);

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

    const std::array<QWidget *, 11> focusOrder = {m_typ,    m_name,    m_text,      m_mana,      m_magic,  m_img,
                                                  m_attack, m_defence, m_moveEarth, m_moveWater, m_moveAir};
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

QComboBox *EditorWindow::addList(QWidget *form, const QString &name, const QRect &geometry)
{
    auto *list = new QComboBox(form);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setEditable(false);
    return list;
}

void EditorWindow::addLabel(QWidget *form, const QString &name, const QString &text, const QRect &geometry,
                            QWidget *buddy)
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

void EditorWindow::startUp()
{
    setWindowTitle(windowTitle() + QStringLiteral(" ~ Version %1.%2.%3")
                                       .arg(version::major)
                                       .arg(version::minor)
                                       .arg(version::revision));

    const std::array<QComboBox *, 5> percentLists = {m_attack, m_defence, m_moveEarth, m_moveWater, m_moveAir};
    for (const ListEntry &entry : lists::percents()) {
        for (QComboBox *list : percentLists)
            list->addItem(entry.text, entry.code);
    }
    for (QComboBox *list : {m_typ, m_magic, m_attack, m_defence, m_moveEarth, m_moveWater, m_moveAir})
        list->setCurrentIndex(0);
    m_typ->setFocus();
}

Record EditorWindow::record() const
{
    Record r;
    r.kind = codeOf(m_typ);
    r.name = m_name->text();
    r.magic = codeOf(m_magic);
    r.mana = m_mana->text();
    r.attack = codeOf(m_attack);
    r.defence = codeOf(m_defence);
    r.moveEarth = codeOf(m_moveEarth);
    r.moveWater = codeOf(m_moveWater);
    r.moveAir = codeOf(m_moveAir);
    // The raw text keeps non-breaking spaces that toPlainText() would flatten.
    const QString shown = m_text->document()->toRawText();
    r.text = shown == m_shownText ? m_storedText : editorTextToStored(shown);
    return r;
}

void EditorWindow::setRecord(const Record &r)
{
    m_typ->setCurrentIndex(lists::kindPosition(r.kind));
    m_name->setText(r.name);
    m_magic->setCurrentIndex(lists::magicPosition(r.magic));
    m_mana->setText(r.mana);
    m_attack->setCurrentIndex(lists::percentPosition(r.attack));
    m_defence->setCurrentIndex(lists::percentPosition(r.defence));
    m_moveEarth->setCurrentIndex(lists::percentPosition(r.moveEarth));
    m_moveWater->setCurrentIndex(lists::percentPosition(r.moveWater));
    m_moveAir->setCurrentIndex(lists::percentPosition(r.moveAir));
    m_text->setPlainText(storedTextToEditor(r.text));
    // A lone CR or LF shows as a line break; unedited, it is written back as it was.
    m_storedText = r.text;
    m_shownText = m_text->document()->toRawText();
}

QString EditorWindow::kindText() const
{
    return m_typ->currentText();
}

void EditorWindow::setName(const QString &name)
{
    m_name->setText(name);
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
    const bool saved = SaveCommand(*this).run();
    if (!self)
        return false;
    m_busy = false;
    if (saved)
        m_unchanged = record();
    return saved;
}

bool EditorWindow::maySetAsideEdits()
{
    const Record shown = record();
    if (shown == m_unchanged)
        return true;
    // One question at a time: a close that arrives while one is open (a
    // logout, say) waits for its answer instead of asking again inside it.
    if (m_busy)
        return false;
    m_busy = true;
    const QString which = shown.name.isEmpty() ? kindText() + QStringLiteral(" (ohne Namen)")
                                               : kindText() + QStringLiteral(" '") + shown.name + QLatin1Char('\'');
    const QPointer<EditorWindow> self(this);
    const message::Choice choice = message::askToSave(
        this, which + QStringLiteral(" hat ungespeicherte Änderungen.\nSollen sie gespeichert werden?"));
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

void EditorWindow::takeLoaded(const Record &record)
{
    setRecord(record);
    m_unchanged = this->record();
}

void EditorWindow::openPicker(bool spell)
{
    const PickerWindow::Config config = spell ? PickerWindow::spell() : PickerWindow::creature();
    m_windows.open(config.windowName, [this, config] {
        auto *picker = new PickerWindow(config, this, [this] { return maySetAsideEdits(); });
        connect(picker, &PickerWindow::recordLoaded, this, &EditorWindow::takeLoaded);
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
    event->accept();
}

} // namespace ww
