#include "editor_window.h"

#include "accessibility.h"
#include "artwork.h"
#include "img_select_window.h"
#include "message_box.h"
#include "picker_window.h"
#include "picture_box.h"
#include "record_fields.h"
#include "record_format.h"
#include "save_command.h"
#include "spell_checker.h"
#include "spell_underline.h"
#include "upload_process.h"
#include "value_list_model.h"
#include "value_lists.h"
#include "window_geometry.h"
#include "word_list.h"
#include "ww_version.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QDir>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QThread>

#include <array>

namespace ww {
namespace {

using geometry::twipRect;

} // namespace

EditorWindow::EditorWindow(RecordStore store, QWidget *parent)
    : QMainWindow(parent, geometry::fixedWindowFlags()), m_store(std::move(store))
{
    setObjectName(QStringLiteral("ww_editor"));
    setWindowTitle(QStringLiteral("Wildweave Editor"));

    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("form"));
    form->setFixedSize(geometry::size(6810, 5835));
    setCentralWidget(form);
    form->installEventFilter(this);
    buildForm(form);
    buildMenu();
    startUp();
    m_unchanged = record();

    m_recoveryQuiet.setSingleShot(true);
    m_recoveryQuiet.setInterval(2000);
    m_recoveryLatest.setSingleShot(true);
    m_recoveryLatest.setInterval(10000);
    connect(&m_recoveryQuiet, &QTimer::timeout, this, &EditorWindow::updateRecoveryCopy);
    connect(&m_recoveryLatest, &QTimer::timeout, this, &EditorWindow::updateRecoveryCopy);

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

    // Where each field sits on the form, and its caption's name and width.
    struct Place
    {
        const char *label;
        int top;
        int boxWidth;
        int labelWidth;
    };
    const std::array<Place, Record::fieldCount> places = {{
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
    // One model per value list, shared by every box that shows it.
    QHash<const QList<ListEntry> *, ValueListModel *> models;
    for (const fields::Field &f : fields::all()) {
        const Place &place = places[std::size_t(f.position - 1)];
        const QString name = QString::fromLatin1(f.control);
        QWidget *widget = nullptr;
        QRect box = twipRect(1800, place.top, place.boxWidth, 315);
        QRect caption = twipRect(240, place.top, place.labelWidth, 255);
        switch (f.kind) {
        case fields::Kind::Code: {
            auto *list = new QComboBox(form);
            list->setEditable(false);
            ValueListModel *&model = models[&f.entries()];
            if (!model)
                model = new ValueListModel(f.entries(), this);
            list->setModel(model);
            widget = list;
            break;
        }
        case fields::Kind::Line: {
            auto *line = new QLineEdit(form);
            // Whatever a record file can hold fits; the save check names what is too long.
            line->setMaxLength(int(format::maxFileBytes));
            widget = line;
            break;
        }
        case fields::Kind::Lines: {
            m_text = new QPlainTextEdit(form);
            m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            // Tab moves on to the next control rather than typing a tab.
            m_text->setTabChangesFocus(true);
            // Word boundaries only: breaking "anywhere" lays out one very long word
            // in time growing with the square of its length. Such a word scrolls.
            m_text->setWordWrapMode(QTextOption::WordWrap);
            // The description spans the form below its caption.
            box = twipRect(240, 4440, 6375, 1095);
            m_spelling = new SpellUnderline(m_text);
            connect(m_spelling, &SpellUnderline::wordListFailed, this,
                    [this](const QString &problem) { message::warn(this, problem); });
            widget = m_text;
            break;
        }
        }
        widget->setObjectName(name);
        if (auto *list = qobject_cast<QComboBox *>(widget))
            connect(list, &QComboBox::currentIndexChanged, this, &EditorWindow::formChanged);
        else if (auto *line = qobject_cast<QLineEdit *>(widget))
            connect(line, &QLineEdit::textChanged, this, &EditorWindow::formChanged);
        else {
            connect(m_text, &QPlainTextEdit::textChanged, this, &EditorWindow::formChanged);
            connect(m_text, &QPlainTextEdit::textChanged, this, &EditorWindow::startSpellingWhenNeeded);
        }
        widget->setGeometry(box);
        m_controls[std::size_t(f.position - 1)] = widget;
        addLabel(form, QString::fromLatin1(place.label), f.captionText() + QLatin1Char(':'), caption, widget);
    }
    m_kind = control<QComboBox>(&Record::kind);
    m_name = control<QLineEdit>(&Record::name);

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
        m_kind,    m_name, m_text, control<QWidget>(&Record::mana), control<QWidget>(&Record::magic), m_img,
        control<QWidget>(&Record::attack), control<QWidget>(&Record::defence), control<QWidget>(&Record::moveEarth),
        control<QWidget>(&Record::moveWater), control<QWidget>(&Record::moveAir)};
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
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

    setRecord(Record());
    m_kind->setFocus();
}

Record EditorWindow::record() const
{
    Record r;
    for (const fields::Field &f : fields::all()) {
        QWidget *widget = m_controls[std::size_t(f.position - 1)];
        switch (f.kind) {
        case fields::Kind::Code: r.*f.code = static_cast<QComboBox *>(widget)->currentData().toInt(); break;
        case fields::Kind::Line: r.*f.text = static_cast<QLineEdit *>(widget)->text(); break;
        case fields::Kind::Lines: {
            // The raw text keeps non-breaking spaces that toPlainText() would flatten.
            const QString shown = static_cast<QPlainTextEdit *>(widget)->document()->toRawText();
            r.*f.text = shown == m_shownText ? m_storedText : editorTextToStored(shown);
            break;
        }
        }
    }
    return r;
}

void EditorWindow::setRecord(const Record &r)
{
    for (const fields::Field &f : fields::all()) {
        QWidget *widget = m_controls[std::size_t(f.position - 1)];
        switch (f.kind) {
        case fields::Kind::Code: static_cast<QComboBox *>(widget)->setCurrentIndex(f.positionOf(r.*f.code)); break;
        case fields::Kind::Line: static_cast<QLineEdit *>(widget)->setText(r.*f.text); break;
        case fields::Kind::Lines: {
            auto *box = static_cast<QPlainTextEdit *>(widget);
            box->setPlainText(storedTextToEditor(r.*f.text));
            // A lone CR or LF shows as a line break; unedited, it is written back as it was.
            m_storedText = r.*f.text;
            m_shownText = box->document()->toRawText();
            break;
        }
        }
    }
}

QString EditorWindow::kindText() const
{
    return m_kind->currentText();
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
        m_name->setText(name);
    });
    if (!self)
        return false;
    m_busy = false;
    if (saved) {
        m_unchanged = record();
        // The new record's name is a word of the game from now on.
        if (spelling::SpellChecker *checker = m_spelling->checker()) {
            checker->addKnown(m_unchanged.name);
            m_spelling->recheck();
        }
        updateRecoveryCopy();
    }
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

void EditorWindow::takeLoaded(const Record &record, const QString &file)
{
    setRecord(record);
    m_unchanged = this->record();
    m_loadedFrom = file;
    updateRecoveryCopy();
}

EditorWindow::~EditorWindow()
{
    if (m_spellingLoad)
        m_spellingLoad->wait();
}

void EditorWindow::checkSpelling(const QString &wordListPath)
{
    m_wordListPath = wordListPath;
    m_spellingWaits = true;
    startSpellingWhenNeeded();
}

void EditorWindow::startSpellingWhenNeeded()
{
    // The dictionary's megabytes wait for a description to check, and for
    // the form's first paint, which owes the dictionary nothing.
    if (!m_spellingWaits || !m_formPainted || m_text->document()->isEmpty())
        return;
    m_spellingWaits = false;
    startSpellingLoad();
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Paint && !m_formPainted) {
        m_formPainted = true;
        centralWidget()->removeEventFilter(this);
        QTimer::singleShot(0, this, &EditorWindow::startSpellingWhenNeeded);
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::startSpellingLoad()
{
    if (m_spellingLoad)
        m_spellingLoad->wait();
    const QString wordListPath = m_wordListPath;
    auto loaded = std::make_shared<std::shared_ptr<spelling::SpellChecker>>();
    m_spellingLoad.reset(QThread::create([loaded, store = m_store, wordListPath] {
        std::shared_ptr<spelling::SpellChecker> checker = spelling::SpellChecker::forLocale(QLocale::system().name());
        if (checker->hasDictionary()) {
            // An unreadable list leaves its words unknown; adding to it says what is wrong.
            checker->addKnown(spelling::wordlist::read(wordListPath));
            checker->addKnown(store.recordNames());
        }
        *loaded = std::move(checker);
    }));
    m_spellingLoad->setObjectName(QStringLiteral("spelling"));
    connect(m_spellingLoad.get(), &QThread::finished, this, [this, loaded, wordListPath] {
        if (*loaded)
            setSpellChecker(*loaded, wordListPath);
    });
    // Below the window's priority: the dictionary is never worth a stutter.
    m_spellingLoad->start(QThread::LowPriority);
}

void EditorWindow::setSpellChecker(std::shared_ptr<spelling::SpellChecker> checker, const QString &wordListPath)
{
    m_spelling->setChecker(std::move(checker), wordListPath);
}

void EditorWindow::keepRecoveryCopies(const QString &stateFolder)
{
    m_recovery = std::make_unique<RecoveryCopy>(stateFolder,
                                                m_store.root().isEmpty() ? QDir::currentPath() : m_store.root());
    // After the window is up: start-up itself looks at nothing more.
    QTimer::singleShot(0, this, &EditorWindow::offerLeftover);
}

void EditorWindow::formChanged()
{
    if (!m_recovery)
        return;
    m_recoveryQuiet.start();
    if (!m_recoveryLatest.isActive())
        m_recoveryLatest.start();
}

void EditorWindow::updateRecoveryCopy()
{
    m_recoveryQuiet.stop();
    m_recoveryLatest.stop();
    if (!m_recovery)
        return;
    const Record shown = record();
    if (shown == m_unchanged) {
        m_recovery->remove();
        return;
    }
    // A state folder that could not be written at start may be writable now.
    const RecoveryCopy::Claim claim = m_recovery->claim();
    if (claim == RecoveryCopy::Claim::Elsewhere) {
        m_recovery.reset();
        return;
    }
    QString error;
    if (claim == RecoveryCopy::Claim::Claimed && m_recovery->write(shown, m_loadedFrom, error))
        return;
    if (m_recoveryWarned)
        return;
    // Once only: editing goes on as before, without the copy.
    m_recoveryWarned = true;
    message::warn(this, QStringLiteral("Die Sicherungskopie der ungespeicherten Änderungen kann nicht geschrieben "
                                       "werden ('%1'%2). Der Editor arbeitet weiter wie bisher; bitte öfter speichern.")
                            .arg(m_recovery->path(), error.isEmpty() ? QString() : QStringLiteral(": ") + error));
}

void EditorWindow::offerLeftover()
{
    if (!m_recovery)
        return;
    if (m_recovery->claim() == RecoveryCopy::Claim::Elsewhere) {
        // Another editor works in this folder: its copy is its own.
        m_recovery.reset();
        return;
    }
    QString movedTo;
    const std::optional<RecoveryCopy::Leftover> left = m_recovery->leftover(movedTo);
    if (!movedTo.isEmpty()) {
        message::warn(this, QStringLiteral("Die Sicherungskopie '%1' ist beschädigt und wurde beiseitegelegt. "
                                           "Der Editor startet ohne sie.")
                                .arg(movedTo));
        return;
    }
    if (!left)
        return;
    const Record &r = left->record;
    const QString kind = fields::at(fields::positionOf(&Record::kind)).displayText(r.kind);
    QString text = QStringLiteral("Der Editor wurde nicht ordentlich beendet. Es gibt ungespeicherte Änderungen an %1 "
                                  "vom %2")
                       .arg(r.name.isEmpty() ? kind + QStringLiteral(" (ohne Namen)")
                                             : kind + QStringLiteral(" '") + r.name + QLatin1Char('\''),
                            QLocale(QLocale::German, QLocale::Germany).toString(left->changed, QStringLiteral("dd.MM.yyyy, HH:mm")));
    if (!left->loadedFrom.isEmpty())
        text += QStringLiteral(" (geöffnet aus '%1')").arg(left->loadedFrom);
    text += QStringLiteral(".\nSollen sie wiederhergestellt werden?");
    const QPointer<EditorWindow> self(this);
    const bool restore = message::ask(this, text, QStringLiteral("Wiederherstellen"), QStringLiteral("Verwerfen"));
    if (!self)
        return;
    if (!restore) {
        m_recovery->remove();
        return;
    }
    // Restored work is unsaved work: closing asks, and the copy stays until it is saved.
    setRecord(r);
    m_loadedFrom = left->loadedFrom;
    m_recoveryQuiet.stop();
    m_recoveryLatest.stop();
}

void EditorWindow::openPicker(bool spell)
{
    const PickerWindow::Config config = spell ? PickerWindow::spell() : PickerWindow::creature();
    m_windows.open(config.windowName, [this, config] {
        auto *picker = new PickerWindow(config, m_store, this, [this] { return maySetAsideEdits(); });
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
    // A clean end leaves no copy behind.
    if (m_recovery)
        m_recovery->remove();
    m_recovery.reset();
    event->accept();
}

} // namespace ww
