#include "box_answerer.h"
#include "editor_fixture.h"
#include "ww_version.h"
#include "file_size_limit.h"
#include "record_format.h"
#include "record_storage.h"
#include "record_form.h"
#include "recovery_copy.h"
#include "spell_checker.h"
#include "spell_underline.h"
#include "word_list.h"

#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QStyleOptionComboBox>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ww;

namespace {

const QByteArray goldenCreature("1,\"Kreaturen\",1,\"5\",0,0,0,0,0,\"\"\r\n");

// The words the description box shows underlined.
QStringList underlined(const QPlainTextEdit *box)
{
    QStringList words;
    for (const QTextEdit::ExtraSelection &mark : box->extraSelections())
        words.append(mark.cursor.selectedText());
    return words;
}

// A point inside the first `word` of the box, in its viewport.
QPoint pointAt(const QPlainTextEdit *box, const QString &word)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(box->document()->find(word).selectionStart() + 1);
    return box->cursorRect(cursor).center();
}

QAction *menuAction(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    qFatal("no menu entry %s", qPrintable(text));
}

} // namespace

class TestEditor : public EditorFixture
{
    Q_OBJECT

private Q_SLOTS:
    void startUpState();
    void textsFitTheirBoxes();
    void controlsDoNotOverlap();
    void menuBar();
    void quitAndInfoDoNothing();
    void focusOrder();
    void accessibleControls_data();
    void accessibleControls();
    void keysOnlySaveAndReopen();
    void imageWindowOpensOnce_data();
    void imageWindowOpensOnce();
    void closingEditorClosesSecondaryWindows();

    void noBrowserEngineInTheEditor();
    void saveNewCreatureWithEmptyName();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void kindChangeWritesSecondFile();
    void multiLineDescriptionIsStoredWithCrLf();
    void refusedRecords_data();
    void refusedRecords();
    void saveFailures_data();
    void saveFailures();
    void saveOnFullDisk_data();
    void saveOnFullDisk();
    void unsavedEditsOnClose_data();
    void unsavedEditsOnClose();
    void undo_data();
    void undo();
    void undoBackToUnchanged();
    void loadedRecordWritesBackUnchanged_data();
    void loadedRecordWritesBackUnchanged();
    void recoveryCopy_data();
    void recoveryCopy();
    void recoveryCopyOnAFullDisk();
    void recoveryCopyWaitsForAPause();
    void recoveryCopyWhileTyping();
    void addingToWordList_data();
    void addingToWordList();
    void spellingUnderlines_data();
    void spellingUnderlines();
    void spellingMenu();
};

void TestEditor::startUpState()
{
    QCOMPARE(m_editor->objectName(), QStringLiteral("ww_editor"));
    QCOMPARE(m_editor->windowTitle(), QStringLiteral("Wildweave Editor ~ Version %1.%2.%3")
                                          .arg(version::major)
                                          .arg(version::minor)
                                          .arg(version::revision));
    QCOMPARE(m_editor->record(), Record());
    QCOMPARE(child<QComboBox>("typ")->currentText(), QStringLiteral("Kreatur"));
    QCOMPARE(child<QComboBox>("magic")->currentText(), QStringLiteral("Weiße Magie - Ebenen"));
    QCOMPARE(child<QLineEdit>("mana")->text(), QStringLiteral("5"));
    for (const char *name : {"attack", "defence", "move_earth", "move_water", "move_air"}) {
        const auto *list = child<QComboBox>(name);
        QCOMPARE(list->count(), 101);
        QCOMPARE(list->currentText(), QStringLiteral("0%"));
        QCOMPARE(list->itemText(100), QStringLiteral("100%"));
        QCOMPARE(list->itemData(100).toInt(), 100);
        QVERIFY(!list->isEditable());
    }
    QCOMPARE(child<QLabel>("img")->toolTip(), QStringLiteral("Bildauswahl noch nicht möglich"));
    // The desktop matches the window to its entry, and its icon comes in the
    // small square sizes; larger ones, decoded at every start, are the theme's.
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("ww_editor"));
    QList<QSize> sizes = m_editor->windowIcon().availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    QCOMPARE(sizes, (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
    // Words are never broken "anywhere": that layout grows with the square of a long word.
    QCOMPARE(child<QPlainTextEdit>("text")->wordWrapMode(), QTextOption::WordWrap);
    // Fixed size: no resizing, no minimize or maximize button.
    QCOMPARE(m_editor->minimumSize(), m_editor->maximumSize());
    QVERIFY(!(m_editor->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(m_editor->centralWidget()->size(), QSize(454, 389));
    // Every input is announced by its caption.
    QCOMPARE(child<QComboBox>("move_water")->accessibleName(), QStringLiteral("Bewegung-Wasser"));
    QCOMPARE(child<QLabel>("move_water_label")->buddy(), child<QComboBox>("move_water"));
}

void TestEditor::textsFitTheirBoxes()
{
    for (const QLabel *label : m_editor->findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        const QFontMetrics fm(label->font());
        QVERIFY2(fm.horizontalAdvance(label->text()) <= label->contentsRect().width(), qPrintable(label->objectName()));
        QVERIFY2(fm.height() <= label->contentsRect().height(), qPrintable(label->objectName()));
    }
    for (const QComboBox *list : m_editor->findChildren<QComboBox *>()) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.rect = list->rect();
        option.frame = true;
        const QRect field =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        for (int i = 0; i < list->count(); ++i) {
            QVERIFY2(list->fontMetrics().horizontalAdvance(list->itemText(i)) <= field.width(),
                     qPrintable(list->objectName() + QLatin1Char(' ') + list->itemText(i)));
        }
        QVERIFY2(list->fontMetrics().height() <= field.height(), qPrintable(list->objectName()));
    }
    const auto *mana = child<QLineEdit>("mana");
    QVERIFY(mana->fontMetrics().height() <= mana->contentsRect().height());
}

void TestEditor::controlsDoNotOverlap()
{
    // Pictures may lie under controls; nothing else may touch.
    QList<QWidget *> controls;
    for (QWidget *w : m_editor->centralWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (w->objectName() != QLatin1String("Image2") && w->objectName() != QLatin1String("Dragon"))
            controls.append(w);
    }
    const QRect client = m_editor->centralWidget()->rect();
    for (int i = 0; i < controls.size(); ++i) {
        QVERIFY2(client.contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
        for (int j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QLatin1Char('/') + controls[j]->objectName()));
        }
    }
}

void TestEditor::menuBar()
{
    QStringList shown;
    for (QAction *top : m_editor->menuBar()->actions()) {
        shown.append(top->menu()->objectName() + QLatin1Char('=') + top->text());
        for (QAction *entry : top->menu()->actions())
            shown.append(QStringLiteral("  %1=%2%3").arg(entry->objectName(), entry->text(),
                                                         entry->isEnabled() ? QString() : QStringLiteral(" (inaktiv)")));
    }
    // "&" marks the underlined Alt letter; without it the captions are the program's own.
    const QStringList expected = {
        QStringLiteral("file=&Datei"),
        QStringLiteral("  creature=&Kreatur öffnen..."),
        QStringLiteral("  spell=&Zauber öffnen..."),
        QStringLiteral("  save=&Speichern"),
        QStringLiteral("  quit=&Beenden"),
        QStringLiteral("upload=&Upload"),
        QStringLiteral("  upload_hp=zur Wildweave &Homepage..."),
        QStringLiteral("help=&Hilfe"),
        QStringLiteral("  homepage=Wildweave &Homepage (inaktiv)"),
        QStringLiteral("  forum=Wildweave &Forum (inaktiv)"),
        QStringLiteral("  email=&EMail (inaktiv)"),
        QStringLiteral("  info=&Info"),
    };
    QCOMPARE(shown, expected);
    // No two entries of one menu share their letter.
    const auto letters = [](const QList<QAction *> &actions) {
        QSet<QChar> seen;
        for (const QAction *a : actions) {
            const QChar letter = a->text().at(a->text().indexOf(QLatin1Char('&')) + 1).toLower();
            if (seen.contains(letter))
                return false;
            seen.insert(letter);
        }
        return true;
    };
    QVERIFY(letters(m_editor->menuBar()->actions()));
    for (QAction *top : m_editor->menuBar()->actions())
        QVERIFY2(letters(top->menu()->actions()), qPrintable(top->text()));
    QCOMPARE(m_editor->findChild<QAction *>(QStringLiteral("save"))->shortcut(), QKeySequence(QKeySequence::Save));
}

void TestEditor::quitAndInfoDoNothing()
{
    BoxAnswerer boxes;
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    const Record before = m_editor->record();
    for (const char *name : {"quit", "info"})
        m_editor->findChild<QAction *>(QString::fromLatin1(name))->trigger();
    QTest::qWait(20);
    QVERIFY(m_editor->isVisible());
    QCOMPARE(m_editor->record(), before);
    QVERIFY(boxes.seen.isEmpty());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return w->isVisible(); }), 1);
}

void TestEditor::focusOrder()
{
    m_editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*m_editor));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("typ"));
    QStringList order = {QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 11; ++i) {
        // Each stop is announced to screen readers by its caption.
        QVERIFY2(!QApplication::focusWidget()->accessibleName().isEmpty(), qPrintable(order.last()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    const QStringList expected = {
        QStringLiteral("typ"),    QStringLiteral("thing_name"), QStringLiteral("text"),
        QStringLiteral("mana"),   QStringLiteral("magic"),      QStringLiteral("img"),
        QStringLiteral("attack"), QStringLiteral("defence"),    QStringLiteral("move_earth"),
        QStringLiteral("move_water"), QStringLiteral("move_air"), QStringLiteral("typ"),
    };
    QCOMPARE(order, expected);
}

void TestEditor::accessibleControls_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role"); // -1: left out for screen readers
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("described");
    QTest::addColumn<QString>("picture"); // the original it must show, pixel for pixel
    QTest::newRow("picture box is a button that opens the image window")
        << QStringLiteral("img") << int(QAccessible::Button) << QStringLiteral("Bild")
        << QStringLiteral("Bild auswählen...") << QStringLiteral("portrait");
    QTest::newRow("kind list") << QStringLiteral("typ") << int(QAccessible::ComboBox) << QStringLiteral("Typ")
                               << QString() << QString();
    QTest::newRow("name box") << QStringLiteral("thing_name") << int(QAccessible::EditableText)
                              << QStringLiteral("Name") << QString() << QString();
    QTest::newRow("description") << QStringLiteral("text") << int(QAccessible::EditableText)
                                 << QStringLiteral("Beschreibung") << QString() << QString();
    QTest::newRow("banner is decoration") << QStringLiteral("Image2") << -1 << QString() << QString()
                                          << QStringLiteral("banner");
    QTest::newRow("dragon is decoration") << QStringLiteral("Dragon") << -1 << QString() << QString()
                                          << QStringLiteral("dragon");
}

void TestEditor::accessibleControls()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, described);
    QFETCH(QString, picture);
    QWidget *widget = m_editor->findChild<QWidget *>(control);
    QVERIFY(widget);
    if (!picture.isEmpty()) {
        const QImage original(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../src/resources/art/%1.png").arg(picture));
        QVERIFY(!original.isNull());
        const auto shown = qobject_cast<QLabel *>(widget)->pixmap().toImage();
        const auto format = QImage::Format_ARGB32_Premultiplied; // as a pixmap keeps it
        QCOMPARE(shown.convertToFormat(format), original.convertToFormat(format));
    }
    QAccessibleInterface *form = QAccessible::queryAccessibleInterface(m_editor->centralWidget());
    QList<QObject *> announced;
    for (int i = 0; i < form->childCount(); ++i)
        announced.append(form->child(i)->object());
    QCOMPARE(announced.contains(widget), role >= 0);
    if (role < 0)
        return;
    QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(widget);
    QCOMPARE(int(shown->role()), role);
    // Named by its caption, through the label beside it.
    const auto labels = shown->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.constFirst().first->text(QAccessible::Name), name + QLatin1Char(':'));
    if (described.isEmpty())
        return;
    QVERIFY2(shown->text(QAccessible::Description).contains(described), qPrintable(shown->text(QAccessible::Description)));
    // Pressing it as a screen reader does opens what it describes.
    QAccessibleActionInterface *actions = shown->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    actions->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(window("img_select"));
}

void TestEditor::keysOnlySaveAndReopen()
{
    m_editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*m_editor));
    const auto type = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    type(Qt::Key_Tab); // from the kind to the name
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Eule"));
    // A list entry by its first letter, another by arrow; the list shared
    // by attack and defence leaves defence as it was.
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_S, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down})
        type(key);
    {
        BoxAnswerer boxes({BoxAnswerer::PressReturn});
        type(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].text, QStringLiteral("gespeichert..."));
    }
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Eule.dat")), QByteArray("1,\"Eule\",5,\"5\",1,0,0,0,0,\"\"\r\n"));
    // Another record to reopen, first in the list.
    writeFile(QStringLiteral("Kreaturen/Adler.dat"), "1,\"Adler\",2,\"8\",0,0,0,0,0,\"\"\r\n");
    QTest::keyClick(m_editor->menuBar(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_K);
    QPointer<QWidget> picker = window("load_creature");
    QVERIFY(picker);
    picker->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(picker));
    type(Qt::Key_Home);
    type(Qt::Key_Return);
    QTRY_VERIFY(!picker);
    QCOMPARE(child<QLineEdit>("thing_name")->text(), QStringLiteral("Adler"));
}

void TestEditor::imageWindowOpensOnce_data()
{
    QTest::addColumn<bool>("byKeyboard");
    QTest::newRow("mouse click") << false;
    QTest::newRow("space on the focused picture") << true;
}

void TestEditor::imageWindowOpensOnce()
{
    QFETCH(bool, byKeyboard);
    auto *img = child<QLabel>("img");
    const qint64 picture = img->pixmap().cacheKey();
    const auto press = [&] {
        if (byKeyboard)
            QTest::keyClick(img, Qt::Key_Space);
        else
            QTest::mouseClick(img, Qt::LeftButton);
    };
    press();
    QPointer<QWidget> image = window("img_select");
    QVERIFY(image);
    QVERIFY(image->isVisible());
    QCOMPARE(image->windowTitle(), QStringLiteral("Bild auswählen..."));
    QCOMPARE(image->size(), QSize(567, 492));
    QVERIFY(image->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(image->findChildren<QWidget *>().isEmpty());
    image->resize(700, 600); // resizable: the user's size stays
    press();
    QCOMPARE(m_editor->findChildren<QWidget *>(QStringLiteral("img_select")), QList<QWidget *>{image.data()});
    QCOMPARE(image->size(), QSize(700, 600));
    image->close();
    QTRY_VERIFY(!image);
    QCOMPARE(img->pixmap().cacheKey(), picture);
}

void TestEditor::closingEditorClosesSecondaryWindows()
{
    m_editor->openImageSelect();
    m_editor->openCreaturePicker();
    m_editor->openSpellPicker();
    QPointer<QWidget> image = window("img_select");
    QPointer<QWidget> creature = window("load_creature");
    QPointer<QWidget> spell = window("load_spell");
    QVERIFY(image && creature && spell);
    QVERIFY(m_editor->close());
    QTRY_VERIFY(!image && !creature && !spell);
}

void TestEditor::noBrowserEngineInTheEditor()
{
    // The browser runs in ww_upload only; the editor must never map it.
    const auto browserMapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
    };
    QVERIFY(!browserMapped());
    m_editor->openCreaturePicker();
    m_editor->openSpellPicker();
    m_editor->openImageSelect();
    QTest::qWait(50);
    QVERIFY(!browserMapped());
}

void TestEditor::saveNewCreatureWithEmptyName()
{
    // What an earlier, killed save of the same file left goes with this one.
    const QString leftover = at(QStringLiteral("Kreaturen/Kreaturen.dat.Ab12Cd"));
    writeFile(leftover, "1,\"Kreat");
    QFile planted(leftover);
    QVERIFY(planted.open(QIODevice::ReadWrite)
            && planted.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-300), QFileDevice::FileModificationTime));
    BoxAnswerer boxes({QMessageBox::Ok});
    m_editor->save();
    QVERIFY(!QFileInfo::exists(leftover));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("ww_editor"));
    QCOMPARE(boxes.seen[0].text, QStringLiteral("gespeichert..."));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen[0].buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(child<QLineEdit>("thing_name")->text(), QStringLiteral("Kreaturen"));
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Kreaturen.dat")), goldenCreature);
}

void TestEditor::overwriteQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("OK replaces") << int(QMessageBox::Ok) << true;
    QTest::newRow("Abbrechen keeps") << int(QMessageBox::Cancel) << false;
    QTest::newRow("closing the box keeps") << int(QMessageBox::Escape) << false;
}

void TestEditor::overwriteQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    {
        BoxAnswerer first({QMessageBox::Ok});
        m_editor->save();
    }
    const QString path = at(QStringLiteral("Kreaturen/Drache.dat"));
    const QByteArray earlier = fileBytes(path);
    child<QLineEdit>("mana")->setText(QStringLiteral("7"));

    BoxAnswerer boxes({answer, QMessageBox::Ok});
    m_editor->save();
    QVERIFY(!boxes.seen.isEmpty());
    const BoxAnswerer::Seen &question = boxes.seen[0];
    QCOMPARE(question.title, QStringLiteral("ww_editor"));
    QCOMPARE(question.text,
             QStringLiteral("Kreatur 'Drache' ist schon vorhanden!\r\nSoll die Datei überschrieben werden?"));
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Abbrechen")}));
    QCOMPARE(question.defaultButton, QStringLiteral("OK"));
    if (replaced) {
        QCOMPARE(boxes.seen.size(), 2);
        QCOMPARE(boxes.seen[1].text, QStringLiteral("gespeichert..."));
        QCOMPARE(fileBytes(path), QByteArray("1,\"Drache\",1,\"7\",0,0,0,0,0,\"\"\r\n"));
    } else {
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(fileBytes(path), earlier);
    }
}

void TestEditor::kindChangeWritesSecondFile()
{
    BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok});
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    m_editor->save();
    child<QComboBox>("typ")->setCurrentIndex(1);
    m_editor->save();
    QCOMPARE(boxes.seen.size(), 2); // no overwrite question: a different file
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Drache.dat")), QByteArray("1,\"Drache\",1,\"5\",0,0,0,0,0,\"\"\r\n"));
    QCOMPARE(fileBytes(QStringLiteral("Zauber/Drache.dat")), QByteArray("2,\"Drache\",1,\"5\",0,0,0,0,0,\"\"\r\n"));
}

void TestEditor::multiLineDescriptionIsStoredWithCrLf()
{
    BoxAnswerer boxes({QMessageBox::Ok});
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Zeilen"));
    auto *text = child<QPlainTextEdit>("text");
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("Erste, Zeile"));
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, QStringLiteral("zweite\u00a0Zeile"));
    QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(text, QStringLiteral("dritte"));
    m_editor->save();
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Zeilen.dat")),
             QByteArray("1,\"Zeilen\",1,\"5\",0,0,0,0,0,\"Erste, Zeile\r\nzweite\xa0Zeile\r\ndritte\"\r\n"));
}

void TestEditor::refusedRecords_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("quote in name") << QStringLiteral("thing_name") << QStringLiteral("Der \"Alte\"")
                                   << QStringLiteral("'Name'");
    QTest::newRow("quote in mana") << QStringLiteral("mana") << QStringLiteral("5\"") << QStringLiteral("'Mana'");
    QTest::newRow("quote in description") << QStringLiteral("text") << QStringLiteral("\"x\"")
                                          << QStringLiteral("'Beschreibung'");
    QTest::newRow("character outside the code page") << QStringLiteral("thing_name") << QStringLiteral("Māra")
                                                     << QStringLiteral("'ā'");
    QTest::newRow("emoji in description") << QStringLiteral("text") << QStringLiteral("Feuer 🔥")
                                          << QStringLiteral("'🔥'");
    QTest::newRow("slash") << QStringLiteral("thing_name") << QStringLiteral("../Zauber/x") << QStringLiteral("'/'");
    QTest::newRow("backslash") << QStringLiteral("thing_name") << QStringLiteral("a\\b") << QStringLiteral("'\\'");
    QTest::newRow("dot dot") << QStringLiteral("thing_name") << QStringLiteral("..") << QStringLiteral("'..'");
    QTest::newRow("control character") << QStringLiteral("thing_name") << QStringLiteral("a\u0007b")
                                       << QStringLiteral("U+0007");
    QTest::newRow("too long") << QStringLiteral("thing_name") << QString(300, QLatin1Char('x'))
                              << QStringLiteral("zu lang");
    // A file made elsewhere may have a name with no room left for the replacing save.
    QTest::newRow("too long to replace, file present: refused before the question")
        << QStringLiteral("existing") << QString(250, QLatin1Char('x')) << QStringLiteral("höchstens 244 Bytes");
    QTest::newRow("description over 1 MiB") << QStringLiteral("text") << QString(1100000, QLatin1Char('x'))
                                            << QStringLiteral("'Beschreibung'");
}

void TestEditor::refusedRecords()
{
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QString, mentioned);
    if (control == QLatin1String("existing")) {
        const QByteArray native = QFile::encodeName(at(QStringLiteral("Kreaturen/"))) + value.toUtf8() + ".dat";
        QVERIFY(QDir().mkdir(at(QStringLiteral("Kreaturen"))));
        QVERIFY(::close(::open(native.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
        control = QStringLiteral("thing_name");
    }
    if (control == QLatin1String("text"))
        child<QPlainTextEdit>("text")->setPlainText(value);
    else
        m_editor->findChild<QLineEdit *>(control)->setText(value);
    const Record before = m_editor->record();
    const QStringList files = QDir(at(QStringLiteral("Kreaturen"))).entryList(QDir::Files);

    BoxAnswerer boxes({QMessageBox::Ok});
    m_editor->save();
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("ww_editor"));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(boxes.seen[0].text.contains(mentioned), qPrintable(boxes.seen[0].text));
    QVERIFY(boxes.seen[0].text.contains(QStringLiteral("nichts gespeichert")));
    QCOMPARE(m_editor->record(), before);
    QCOMPARE(QDir(at(QStringLiteral("Kreaturen"))).entryList(QDir::Files), files);
}

void TestEditor::saveFailures_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("a file named like the record folder") << QStringLiteral("Kreaturen") << QStringLiteral("im Weg");
    QTest::newRow("a folder named like the record file") << QStringLiteral("Kreaturen/Drache.dat/")
                                                          << QStringLiteral("Ordner dieses Namens");
}

void TestEditor::saveFailures()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, mentioned);
    if (obstacle.endsWith(QLatin1Char('/'))) {
        QVERIFY(QDir().mkpath(at(obstacle)));
    } else {
        QFile f(at(obstacle));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    const Record before = m_editor->record();

    BoxAnswerer boxes({QMessageBox::Ok});
    m_editor->save();
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(boxes.seen[0].text.contains(mentioned), qPrintable(boxes.seen[0].text));
    QVERIFY2(boxes.seen[0].text.contains(at(QStringLiteral("Kreaturen"))),
             qPrintable(boxes.seen[0].text));
    QCOMPARE(m_editor->record(), before);
}

void TestEditor::saveOnFullDisk_data()
{
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("reason");
    QTest::newRow("tiny file system, filled up") << true << QStringLiteral("der Datenträger ist voll");
    QTest::newRow("write failing partway") << false << QStringLiteral("die Datei wird zu groß");
}

void TestEditor::saveOnFullDisk()
{
    QFETCH(bool, mounted);
    QFETCH(QString, reason);
    QVERIFY(QDir().mkdir(at(QStringLiteral("Kreaturen"))));
    const QByteArray mountPoint = QFile::encodeName(at(QStringLiteral("Kreaturen")));
    if (mounted && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("no permission to mount a file system here");
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    {
        BoxAnswerer boxes({QMessageBox::Ok});
        m_editor->save();
        QCOMPARE(boxes.seen.size(), 1);
    }
    const QString path = at(QStringLiteral("Kreaturen/Drache.dat"));
    const QByteArray earlier = fileBytes(path);
    QVERIFY(!earlier.isEmpty());

    std::optional<FileSizeLimit> limit;
    if (mounted) {
        QFile filler(at(QStringLiteral("Kreaturen/filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    } else {
        limit.emplace(4096);
    }
    child<QPlainTextEdit>("text")->setPlainText(QString(100000, QLatin1Char('t')));
    const Record typed = m_editor->record();

    BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok});
    m_editor->save();
    limit.reset();
    const QByteArray after = fileBytes(path);
    if (mounted)
        ::umount2(mountPoint.constData(), MNT_DETACH);

    QCOMPARE(boxes.seen.size(), 2); // the overwrite question, then the failure
    QCOMPARE(boxes.seen[1].icon, QMessageBox::Warning);
    QVERIFY2(boxes.seen[1].text.contains(reason), qPrintable(boxes.seen[1].text));
    QVERIFY(boxes.seen[1].text.contains(path));
    QVERIFY(!boxes.seen[1].text.contains(QStringLiteral("gespeichert...")));
    QCOMPARE(after, earlier);
    QCOMPARE(m_editor->record(), typed);
}

void TestEditor::unsavedEditsOnClose_data()
{
    QTest::addColumn<QString>("mana");
    QTest::addColumn<bool>("fileInTheWay");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    using B = QMessageBox;
    QTest::newRow("no edits since the save") << QString() << false << QList<int>{} << true << false;
    QTest::newRow("edited away and back to the saved value") << QStringLiteral("7;5") << false << QList<int>{} << true << false;
    QTest::newRow("Verwerfen closes") << QStringLiteral("7") << false << QList<int>{B::Discard} << true << false;
    QTest::newRow("Abbrechen stays") << QStringLiteral("7") << false << QList<int>{B::Cancel} << false << false;
    QTest::newRow("closing the box stays") << QStringLiteral("7") << false << QList<int>{B::Escape} << false << false;
    QTest::newRow("Speichern saves, then closes") << QStringLiteral("7") << false << QList<int>{B::Save, B::Ok} << true
                                                  << true;
    QTest::newRow("Speichern, overwrite cancelled: stays")
        << QStringLiteral("7") << true << QList<int>{B::Save, B::Cancel} << false << false;
    QTest::newRow("Speichern, save refused: stays") << QStringLiteral("5\"") << false << QList<int>{B::Save, B::Ok}
                                                    << false << false;
}

void TestEditor::unsavedEditsOnClose()
{
    QFETCH(QString, mana);
    QFETCH(bool, fileInTheWay);
    QFETCH(QList<int>, answers);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    const QString state = at(QStringLiteral("state"));
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    m_editor->keepRecoveryCopies(state);
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    {
        BoxAnswerer saved({QMessageBox::Ok});
        m_editor->save();
    }
    const QString path = at(QStringLiteral("Kreaturen/Drache.dat"));
    QVERIFY(QFile::remove(path));
    if (fileInTheWay)
        writeFile(path, "alt");
    for (const QString &typed : mana.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        child<QLineEdit>("mana")->setText(typed);
    const Record before = m_editor->record();
    m_editor->openImageSelect();
    const QPointer<QWidget> image = window("img_select");
    QVERIFY(image);

    BoxAnswerer boxes(answers);
    QCOMPARE(m_editor->close(), closes);
    // The secondary windows go only once closing is decided.
    if (closes)
        QTRY_VERIFY(!image);
    else
        QVERIFY(image && image->isVisible());
    QCOMPARE(boxes.seen.size(), answers.size());
    if (!answers.isEmpty()) {
        const BoxAnswerer::Seen &question = boxes.seen[0];
        QCOMPARE(question.title, QStringLiteral("ww_editor"));
        QCOMPARE(question.icon, QMessageBox::Warning);
        QVERIFY2(question.text.startsWith(QStringLiteral("Kreatur 'Drache' hat ungespeicherte Änderungen.")),
                 qPrintable(question.text));
        QStringList buttons = question.buttons;
        buttons.sort(); // their order is the desktop's
        QCOMPARE(buttons,
                 (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("Speichern"), QStringLiteral("Verwerfen")}));
    }
    QCOMPARE(m_editor->isVisible(), !closes);
    QCOMPARE(m_editor->record(), before);
    QCOMPARE(fileBytes(path).startsWith("1,\"Drache\""), written);
    if (closes) {
        QVERIFY(!QFileInfo::exists(copy));
        return;
    }
    // Still editing: the copy is kept, and follows what is typed next.
    const auto holds = [&](const QString &value) {
        return fileBytes(copy).contains(QJsonDocument(QJsonObject{{QStringLiteral("Mana"), value}}).toJson(QJsonDocument::Compact).mid(1).chopped(1));
    };
    QTRY_VERIFY_WITH_TIMEOUT(holds(before.mana), 20000);
    child<QLineEdit>("mana")->setText(before.mana + QLatin1Char('9'));
    QTRY_VERIFY_WITH_TIMEOUT(holds(before.mana + QLatin1Char('9')), 20000);
}

void TestEditor::undo_data()
{
    // What the writer does, then how far Strg+Z (or the menu) takes the form back.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("name"); // the name box afterwards
    QTest::addColumn<QString>("mana");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("magic");
    QTest::newRow("a list choice") << QStringLiteral("magic down; undo in magic") << QString() << QStringLiteral("5") << QString() << 1;
    QTest::newRow("a list choice, redone") << QStringLiteral("magic down; undo in magic; redo in magic") << QString()
                                           << QStringLiteral("5") << QString() << 2;
    QTest::newRow("a line box") << QStringLiteral("type Drache in thing_name; undo in thing_name") << QString() << QStringLiteral("5")
                                << QString() << 1;
    QTest::newRow("the description") << QStringLiteral("type Feuer in text; undo in text") << QString() << QStringLiteral("5")
                                     << QString() << 1;
    QTest::newRow("typing merged into one step") << QStringLiteral("type Dra in thing_name; type che in thing_name; undo in thing_name") << QString()
                                                 << QStringLiteral("5") << QString() << 1;
    QTest::newRow("typing split by a pause") << QStringLiteral("type Dra in text; pause; type che in text; undo in text")
                                             << QString() << QStringLiteral("5") << QStringLiteral("Dra") << 1;
    QTest::newRow("typing in a line box split by a pause")
        << QStringLiteral("type Dra in thing_name; pause; type che in thing_name; undo in thing_name") << QStringLiteral("Dra")
        << QStringLiteral("5") << QString() << 1;
    QTest::newRow("typing split by a change of field")
        << QStringLiteral("type Dra in thing_name; type 7 in mana; type che in thing_name; undo in thing_name") << QStringLiteral("Dra")
        << QStringLiteral("57") << QString() << 1;
    QTest::newRow("typing split by the focus leaving") << QStringLiteral("type Dra in thing_name; focus mana; type che in thing_name; undo in thing_name")
                                                       << QStringLiteral("Dra") << QStringLiteral("5") << QString() << 1;
    QTest::newRow("Strg+Z from a list") << QStringLiteral("type Drache in thing_name; undo in attack") << QString()
                                        << QStringLiteral("5") << QString() << 1;
    QTest::newRow("Strg+Umschalt+Z redoes") << QStringLiteral("type Drache in thing_name; undo in thing_name; shift redo in thing_name")
                                            << QStringLiteral("Drache") << QStringLiteral("5") << QString() << 1;
    // Undone by the menu, redone by the key: one history, not two.
    QTest::newRow("the box's own menu entry") << QStringLiteral("type Drache in thing_name; menu undo in thing_name; redo in thing_name")
                                              << QStringLiteral("Drache") << QStringLiteral("5") << QString() << 1;
    QTest::newRow("the box's own menu entry, redone")
        << QStringLiteral("type Feuer in text; menu undo in text; menu redo in text") << QString() << QStringLiteral("5")
        << QStringLiteral("Feuer") << 1;
    QTest::newRow("a load starts afresh") << QStringLiteral("type Drache in thing_name; load; undo in thing_name") << QStringLiteral("Adler")
                                          << QStringLiteral("8") << QString() << 2;
    QTest::newRow("a restored copy starts afresh") << QStringLiteral("type Drache in thing_name; restore; undo in thing_name")
                                                   << QStringLiteral("Glutwurm") << QStringLiteral("5") << QString() << 1;
}

void TestEditor::undo()
{
    QFETCH(QString, steps);
    QFETCH(QString, name);
    QFETCH(QString, mana);
    QFETCH(QString, text);
    QFETCH(int, magic);
    m_editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*m_editor));
    const auto in = [this](const QString &step) {
        return m_editor->findChild<QWidget *>(step.section(QLatin1Char(' '), -1));
    };
    for (const QString &step : steps.split(QStringLiteral("; "))) {
        QWidget *control = in(step);
        if (step.contains(QLatin1String(" in ")))
            QVERIFY2(control, qPrintable(step));
        if (control)
            control->setFocus();
        if (step.startsWith(QLatin1String("type ")))
            QTest::keyClicks(control, step.section(QLatin1Char(' '), 1, 1));
        else if (step == QLatin1String("magic down"))
            QTest::keyClick(child<QWidget>("magic"), Qt::Key_Down);
        else if (step.startsWith(QLatin1String("undo ")))
            QTest::keyClick(control, Qt::Key_Z, Qt::ControlModifier);
        else if (step.startsWith(QLatin1String("redo ")))
            QTest::keyClick(control, Qt::Key_Y, Qt::ControlModifier);
        else if (step.startsWith(QLatin1String("shift redo ")))
            QTest::keyClick(control, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        else if (step == QLatin1String("pause")) {
            // Until the form's own pause has run out, however late a busy machine lets it.
            auto *pause = m_editor->form()->findChild<QTimer *>(QStringLiteral("typingPause"));
            QVERIFY(pause && pause->isActive());
            QTRY_VERIFY_WITH_TIMEOUT(!pause->isActive(), 30000);
        }
        else if (step.startsWith(QLatin1String("menu "))) {
            // The box's own context menu, as a right click opens it.
            QWidget *target = qobject_cast<QPlainTextEdit *>(control) ? static_cast<QPlainTextEdit *>(control)->viewport() : control;
            QContextMenuEvent ask(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(target, &ask);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            const QString caption = step.contains(QLatin1String("undo")) ? QStringLiteral("Rückgängig") : QStringLiteral("Wiederherstellen");
            QAction *entry = nullptr;
            for (QAction *a : menu->actions()) {
                if (a->text().remove(QLatin1Char('&')).startsWith(caption))
                    entry = a;
            }
            QVERIFY(entry && entry->isEnabled());
            entry->trigger();
            menu->close();
        } else if (step == QLatin1String("load")) {
            const ReadResult adler = format::parse("2,\"Adler\",2,\"8\",0,0,0,0,0,\"\"\r\n", QStringLiteral("Adler.dat"));
            m_editor->form()->load(adler.record(), QStringLiteral("Zauber/Adler.dat"));
        } else if (step == QLatin1String("restore")) {
            Record glutwurm;
            glutwurm.name = QStringLiteral("Glutwurm");
            m_editor->form()->restore(glutwurm, QString());
        }
    }
    QCOMPARE(child<QLineEdit>("thing_name")->text(), name);
    QCOMPARE(child<QLineEdit>("mana")->text(), mana);
    QCOMPARE(child<QPlainTextEdit>("text")->toPlainText(), text);
    QCOMPARE(child<QComboBox>("magic")->currentData().toInt(), magic);
    // One history: the boxes' own are never undone past the form's.
    QCOMPARE(child<QLineEdit>("thing_name")->isUndoAvailable(), false);
}

void TestEditor::undoBackToUnchanged()
{
    // Undone to what was saved, the form is unchanged: no question, no copy;
    // redone, it is changed again. Undo never touches the disk.
    const QString state = at(QStringLiteral("state"));
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    m_editor->keepRecoveryCopies(state);
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    {
        BoxAnswerer saved({QMessageBox::Ok});
        m_editor->save();
    }
    const QByteArray saved = fileBytes(QStringLiteral("Kreaturen/Drache.dat"));
    auto *mana = child<QLineEdit>("mana");
    mana->setFocus();
    QTest::keyClicks(mana, QStringLiteral("7"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(copy), 20000);
    QTest::keyClick(mana, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!QFileInfo::exists(copy));
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Drache.dat")), saved);
    QTest::keyClick(mana, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(mana->text(), QStringLiteral("57"));
    {
        BoxAnswerer asked({QMessageBox::Cancel});
        QVERIFY(!m_editor->close());
        QCOMPARE(asked.seen.size(), 1);
    }
    QTest::keyClick(mana, Qt::Key_Z, Qt::ControlModifier);
    BoxAnswerer none;
    QVERIFY(m_editor->close());
    QVERIFY(!QFileInfo::exists(copy));
}

void TestEditor::loadedRecordWritesBackUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("mana of 40,000 characters")
        << QByteArray("1,\"Drache\",1,\"" + QByteArray(40000, '7') + "\",0,0,0,0,0,\"\"\r\n");
    QTest::newRow("name of 244 bytes, the longest that saves")
        << QByteArray("1,\"" + QByteArray(244, 'n') + "\",1,\"5\",0,0,0,0,0,\"\"\r\n");
    QTest::newRow("description with lone LF and CR")
        << QByteArray("1,\"Drache\",1,\"5\",0,0,0,0,0,\"eins\nzwei\rdrei\r\nvier\"\r\n");
    QTest::newRow("description of one long word")
        << QByteArray("1,\"Drache\",1,\"5\",0,0,0,0,0,\"" + QByteArray(200000, 'w') + "\"\r\n");
    QByteArray every;
    for (int b = 1; b < 256; ++b) {
        if (b != '"' && b != '\r' && b != '\n')
            every.append(char(b));
    }
    QTest::newRow("every byte but the quote and line ends in mana and description")
        << QByteArray("2,\"Alles\",5,\"" + every + "\",100,1,2,3,4,\"" + every + "\"\r\n");
}

void TestEditor::loadedRecordWritesBackUnchanged()
{
    // What a picker loads, the form gives back to the save command unchanged.
    QFETCH(QByteArray, bytes);
    const ReadResult loaded = format::parse(bytes, QStringLiteral("t.dat"));
    QVERIFY(loaded.ok());
    m_editor->setRecord(loaded.record());
    QCOMPARE(m_editor->record(), loaded.record());
    QCOMPARE(format::encode(m_editor->record()), bytes);
}

void TestEditor::recoveryCopy_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QList<int>>("answers"); // to the boxes at start-up
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("copyLeft");
    QTest::addColumn<QString>("said"); // in the first box, if not empty
    using B = QMessageBox;
    QTest::newRow("killed, then restored") << QStringLiteral("kill") << QList<int>{B::Yes} << true << true << QString();
    QTest::newRow("killed, then the box closed: restored") << QStringLiteral("kill") << QList<int>{B::Escape} << true
                                                           << true << QString();
    QTest::newRow("killed, then discarded") << QStringLiteral("kill") << QList<int>{B::No} << false << false << QString();
    QTest::newRow("another editor still running there") << QStringLiteral("running") << QList<int>{} << false << true
                                                        << QString();
    QTest::newRow("a damaged copy is moved aside") << QStringLiteral("damaged") << QList<int>{B::Ok} << false << false
                                                   << QStringLiteral(".beschädigt");
    // Files the writer did not make, in the copy's place or its lock's.
    QTest::newRow("killed during a power cut: an empty lock taken over")
        << QStringLiteral("kill, lock emptied") << QList<int>{B::Yes} << true << true << QStringLiteral("Kreatur 'Glutwurm'");
    QTest::newRow("a lock from another machine, left to it")
        << QStringLiteral("kill, lock of another machine") << QList<int>{B::Yes} << false << true
        << QStringLiteral("anderen Rechner gesperrt (anderer-rechner, Prozess 4711)");
    // QLockFile's own default would take a lock over once it is 30 s old.
    QTest::newRow("a lock from another machine, a minute old, still asked")
        << QStringLiteral("kill, old lock of another machine") << QList<int>{B::Yes} << false << true
        << QStringLiteral("anderen Rechner gesperrt");
    QTest::newRow("another editor there, then killed: this one keeps the copy from then on")
        << QStringLiteral("running, then gone") << QList<int>{} << false << true << QString();
    QTest::newRow("another editor still running there, its lock a minute old")
        << QStringLiteral("running, old lock") << QList<int>{} << false << true << QString();
    QTest::newRow("a lock from another machine, taken over")
        << QStringLiteral("kill, lock of another machine") << QList<int>{B::No, B::Yes} << true << true
        << QStringLiteral("anderen Rechner gesperrt");
    QTest::newRow("a copy of a later version, kept aside") << QStringLiteral("copy of version 2") << QList<int>{B::Ok}
                                                          << false << false << QStringLiteral("neueren Version des Editors (Format 2");
    QTest::newRow("a copy of this version, offered") << QStringLiteral("copy of version 1") << QList<int>{B::Yes} << true
                                                     << true << QStringLiteral("Kreatur 'Glutwurm'");
    QTest::newRow("a copy without its mana, not offered with blanks")
        << QStringLiteral("copy without Mana") << QList<int>{B::Ok} << false << false << QStringLiteral("ist beschädigt");
    QTest::newRow("a copy whose Typ lies outside its list, not offered")
        << QStringLiteral("copy with Typ 7") << QList<int>{B::Ok} << false << false << QStringLiteral("ist beschädigt");
    QTest::newRow("a copy of another folder, not offered") << QStringLiteral("copy of another folder") << QList<int>{B::Ok}
                                                           << false << false << QStringLiteral("gehört zum Ordner '/anderswo'");
    QTest::newRow("a FIFO in the copy's place, never waited for")
        << QStringLiteral("fifo") << QList<int>{B::Ok} << false << true << QStringLiteral("keine gewöhnliche Datei");
    QTest::newRow("a dangling link in the copy's place, never followed")
        << QStringLiteral("link") << QList<int>{B::Ok} << false << false << QStringLiteral("symbolische Verknüpfung");
    QTest::newRow("a read-only state folder still offers its copy")
        << QStringLiteral("kill, read-only") << QList<int>{B::Yes, B::Ok} << true << true << QStringLiteral("Kreatur 'Glutwurm'");
}

// A copy as an editor of this version writes it, `version` and `folder` given.
static QByteArray copyJson(int version, const QString &folder, bool withMana = true, int kind = 1)
{
    QJsonObject form{{QStringLiteral("Typ"), kind},          {QStringLiteral("Name"), QStringLiteral("Glutwurm")},
                     {QStringLiteral("Magik"), 1},        {QStringLiteral("Angriff"), 0},
                     {QStringLiteral("Verteidigung"), 0}, {QStringLiteral("Bewegung-Erde"), 0},
                     {QStringLiteral("Bewegung-Wasser"), 0}, {QStringLiteral("Bewegung-Luft"), 0},
                     {QStringLiteral("Beschreibung"), QString()}};
    if (withMana)
        form.insert(QStringLiteral("Mana"), QStringLiteral("5\"🐉"));
    return QJsonDocument(QJsonObject{{QStringLiteral("format"), QStringLiteral("ww_editor recovery copy")},
                                     {QStringLiteral("version"), version},
                                     {QStringLiteral("changed"), QStringLiteral("2026-12-09T10:00:00.000")},
                                     {QStringLiteral("workingFolder"), folder},
                                     {QStringLiteral("loadedFrom"), QString()},
                                     {QStringLiteral("form"), form}})
        .toJson();
}

void TestEditor::recoveryCopy()
{
    QFETCH(QString, setup);
    QFETCH(QList<int>, answers);
    QFETCH(bool, restored);
    QFETCH(bool, copyLeft);
    QFETCH(QString, said);
    const QString state = at(QStringLiteral("state"));
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    const QByteArray mountPoint = QFile::encodeName(state);
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    if (setup.endsWith(QLatin1String("read-only"))) {
        QVERIFY(QDir().mkpath(state));
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("no permission to mount a file system here");
    }
    // Ended by its destructor, whatever way the test leaves.
    QProcess other;
    if (setup == QLatin1String("damaged")) {
        writeFile(copy, "{\"format\": \"ww_editor recovery copy\", \"version\": 1, \"form\": {\"Na");
    } else if (setup.startsWith(QLatin1String("copy"))) {
        const QString folder = setup.endsWith(QLatin1String("another folder")) ? QStringLiteral("/anderswo") : QDir(m_cwd->path()).absolutePath();
        writeFile(copy, copyJson(setup.endsWith(QLatin1Char('2')) ? 2 : 1, folder, !setup.endsWith(QLatin1String("Mana")),
                                 setup.endsWith(QLatin1String("Typ 7")) ? 7 : 1));
    } else if (setup == QLatin1String("fifo")) {
        QVERIFY(QDir().mkpath(state));
        QCOMPARE(::mkfifo(QFile::encodeName(copy).constData(), 0600), 0);
    } else if (setup == QLatin1String("link")) {
        QVERIFY(QDir().mkpath(state));
        QVERIFY(QFile::link(at(QStringLiteral("draussen.json")), copy));
    } else {
        // Another editor, in a process of its own, edits until it is killed.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WW_EDIT_UNTIL_KILLED"), m_cwd->path() + QLatin1Char('\n') + state);
        other.setProcessEnvironment(env);
        other.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(copy), 20000);
        if (setup.startsWith(QLatin1String("kill"))) {
            ::kill(pid_t(other.processId()), SIGKILL);
            QVERIFY(other.waitForFinished());
        }
    }
    if (setup.endsWith(QLatin1String("lock emptied")))
        writeFile(copy + QStringLiteral(".lock"), "");
    if (setup.endsWith(QLatin1String("another machine")))
        writeFile(copy + QStringLiteral(".lock"), "4711\nww_editor\nanderer-rechner\n");
    if (setup.contains(QLatin1String("old lock"))) {
        QFile lock(copy + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }
    if (setup.endsWith(QLatin1String("read-only")))
        QCOMPARE(::mount("tmpfs", mountPoint.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    // A FIFO would keep the test itself waiting.
    const QByteArray leftBytes = QFileInfo(copy).isFile() ? fileBytes(copy) : QByteArray();

    BoxAnswerer boxes(answers);
    m_editor->keepRecoveryCopies(state);
    // The offer comes once the window is up; a slow machine only delays it.
    // Where none is due, the wait proves only that none came: it cannot fail by being slow.
    if (answers.isEmpty())
        QTest::qWait(300);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), answers.size(), 20000);
    if (setup == QLatin1String("kill")) {
        QVERIFY2(boxes.seen[0].text.contains(QStringLiteral("Kreatur 'Glutwurm'")), qPrintable(boxes.seen[0].text));
        QCOMPARE(boxes.seen[0].buttons.size(), 2);
        QCOMPARE(boxes.seen[0].defaultButton, QStringLiteral("Wiederherstellen"));
    }
    if (!said.isEmpty())
        QVERIFY2(boxes.seen[0].text.contains(said), qPrintable(boxes.seen[0].text));
    if (setup == QLatin1String("damaged"))
        QCOMPARE(fileBytes(copy + QStringLiteral(".beschädigt")), leftBytes);
    if (setup.endsWith(QLatin1String("read-only"))) // restored, but no copy can be kept there: said so, with the reason
        QVERIFY2(boxes.seen[1].text.contains(QStringLiteral("schreibgeschützt")), qPrintable(boxes.seen[1].text));
    // Everything as typed, even what a record file could not hold.
    QCOMPARE(child<QLineEdit>("thing_name")->text(), restored ? QStringLiteral("Glutwurm") : QString());
    QCOMPARE(child<QLineEdit>("mana")->text(), restored ? QStringLiteral("5\"🐉") : QStringLiteral("5"));
    QCOMPARE(QFileInfo::exists(copy), copyLeft);

    if (setup.startsWith(QLatin1String("running"))) {
        // This editor neither offered nor overwrites the running one's copy, and says so.
        BoxAnswerer told({QMessageBox::Ok});
        child<QLineEdit>("thing_name")->setText(QStringLiteral("Anders"));
        QTRY_COMPARE_WITH_TIMEOUT(told.seen.size(), 1, 20000);
        QVERIFY2(told.seen[0].text.contains(QStringLiteral("Diese Sitzung legt keine Sicherungskopie an, solange")),
                 qPrintable(told.seen[0].text));
        QCOMPARE(fileBytes(copy), leftBytes);
        if (setup.endsWith(QLatin1String("gone"))) {
            // Killed: this editor keeps the copy from its next change, the other's work set beside it.
            ::kill(pid_t(other.processId()), SIGKILL);
            QVERIFY(other.waitForFinished());
            const QByteArray theirs = fileBytes(copy);
            BoxAnswerer takeOver({QMessageBox::Ok});
            child<QLineEdit>("thing_name")->setText(QStringLiteral("Übernommen"));
            QTRY_COMPARE_WITH_TIMEOUT(takeOver.seen.size(), 1, 20000);
            QVERIFY2(takeOver.seen[0].text.contains(QStringLiteral("liegen nun in '%1.anderer-Editor'").arg(copy)),
                     qPrintable(takeOver.seen[0].text));
            QCOMPARE(fileBytes(copy + QStringLiteral(".anderer-Editor")), theirs);
            QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(fileBytes(copy)).contains(QStringLiteral("Übernommen")), 20000);
        }
        return;
    }
    if (setup == QLatin1String("link")) {
        // The next copy replaces the link; nothing is written where it pointed.
        child<QLineEdit>("thing_name")->setText(QStringLiteral("Neu"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(copy).isFile() && !QFileInfo(copy).isSymLink(), 20000);
        QVERIFY(!QFileInfo::exists(at(QStringLiteral("draussen.json"))));
    }
    if (restored && !setup.endsWith(QLatin1String("read-only"))) {
        // Restored work is unsaved: closing asks, and discarding removes the copy.
        BoxAnswerer closing({QMessageBox::Discard});
        QVERIFY(m_editor->close());
        QCOMPARE(closing.seen.size(), 1);
        QVERIFY(!QFileInfo::exists(copy));
    }
}

void TestEditor::recoveryCopyOnAFullDisk()
{
    const QString state = at(QStringLiteral("state"));
    QVERIFY(QDir().mkpath(state));
    const QByteArray mountPoint = QFile::encodeName(state);
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("no permission to mount a file system here");
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    QFile fill(state + QStringLiteral("/fill"));
    const auto fillUp = [&] {
        QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (fill.write(QByteArray(1024, 'x')) == 1024) {
        }
        fill.close();
    };
    fillUp();
    m_editor->keepRecoveryCopies(state);
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    {
        BoxAnswerer full({QMessageBox::Ok});
        child<QLineEdit>("thing_name")->setText(QStringLiteral("Eins"));
        QTRY_COMPARE_WITH_TIMEOUT(full.seen.size(), 1, 20000);
        QVERIFY2(full.seen[0].text.contains(QStringLiteral("der Datenträger ist voll")), qPrintable(full.seen[0].text));
    }
    // Room again: a copy is written. Full again: said again.
    QVERIFY(fill.remove());
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Zwei"));
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(fileBytes(copy)).contains(QStringLiteral("Zwei")), 20000);
    fillUp();
    BoxAnswerer again({QMessageBox::Ok});
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drei"));
    QTRY_COMPARE_WITH_TIMEOUT(again.seen.size(), 1, 20000);
    QVERIFY2(again.seen[0].text.contains(QStringLiteral("der Datenträger ist voll")), qPrintable(again.seen[0].text));
    QVERIFY(QString::fromUtf8(fileBytes(copy)).contains(QStringLiteral("Zwei")));
}

void TestEditor::recoveryCopyWaitsForAPause()
{
    const QString state = at(QStringLiteral("state"));
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    m_editor->keepRecoveryCopies(state);
    // Not on every key: a thousand of them leave no copy yet...
    auto *text = child<QPlainTextEdit>("text");
    text->setFocus();
    QTest::keyClicks(text, QString(1000, QLatin1Char('a')));
    QVERIFY(!QFileInfo::exists(copy));
    // ...and it follows once typing pauses (2 s; a loaded machine may be late).
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(copy), 20000);
    QVERIFY(fileBytes(copy).contains(QByteArray(1000, 'a')));
    // Saving removes it.
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Drache"));
    {
        BoxAnswerer saved({QMessageBox::Ok});
        m_editor->save();
    }
    QVERIFY(!QFileInfo::exists(copy));

    // A state folder that cannot be written: one warning, then editing as before.
    writeFile(QStringLiteral("kein-ordner"), "");
    m_editor->keepRecoveryCopies(at(QStringLiteral("kein-ordner/state")));
    QTest::qWait(50);
    BoxAnswerer warned({QMessageBox::Ok});
    child<QLineEdit>("mana")->setText(QStringLiteral("6"));
    QTRY_COMPARE_WITH_TIMEOUT(warned.seen.size(), 1, 5000);
    QVERIFY2(warned.seen[0].text.contains(QStringLiteral("kein-ordner/state")), qPrintable(warned.seen[0].text));
    QVERIFY2(warned.seen[0].text.contains(QStringLiteral("ein Teil des Pfades ist kein Ordner")), qPrintable(warned.seen[0].text));
    child<QLineEdit>("mana")->setText(QStringLiteral("7"));
    // No second warning: a wait that can only find nothing, however slow the machine.
    QTest::qWait(2500);
    QCOMPARE(warned.seen.size(), 1);
    QCOMPARE(child<QLineEdit>("mana")->text(), QStringLiteral("7"));
}

void TestEditor::recoveryCopyWhileTyping()
{
    const QString state = at(QStringLiteral("state"));
    const QString copy = RecoveryCopy(state, m_cwd->path()).path();
    m_editor->keepRecoveryCopies(state);
    // A writer who never pauses still has a copy, at most 2 s old: typing
    // goes on, a key every 50 ms, until the copy is there.
    auto *text = child<QPlainTextEdit>("text");
    text->setFocus();
    QElapsedTimer typing;
    typing.start();
    int keys = 0;
    while (!QFileInfo::exists(copy) && typing.elapsed() < 30000) {
        QTest::keyClick(text, Qt::Key_A);
        ++keys;
        QTest::qWait(50);
    }
    QVERIFY2(QFileInfo::exists(copy), "no copy while typing went on");
    QVERIFY(keys > 1);
    QVERIFY(fileBytes(copy).contains("\"Beschreibung\":\"a"));

    // Whatever the form holds is written and read back: 65 MiB are more
    // than a record holds, yet the form takes them.
    Record huge;
    huge.text = QString(65 * 1024 * 1024, QLatin1Char('x'));
    RecoveryCopy other(at(QStringLiteral("state2")), m_cwd->path());
    QCOMPARE(other.claim(), RecoveryCopy::Claim::Claimed);
    QString error;
    QVERIFY2(other.write(huge, QString(), error), qPrintable(error));
    QString problem;
    const std::optional<RecoveryCopy::Leftover> back = other.leftover(problem);
    QVERIFY2(back, qPrintable(problem));
    QCOMPARE(back->record.text.size(), huge.text.size());
}

void TestEditor::addingToWordList_data()
{
    QTest::addColumn<QByteArray>("before"); // the list's bytes, or "(none)", "(fifo)", "(folder)"
    QTest::addColumn<int>("fileLimit"); // bytes any file may grow to, as on a full disk; 0 for none
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("reason"); // of the failure, if it fails
    const QString word = QStringLiteral("Pfnürz");
    QTest::newRow("no list yet") << QByteArray("(none)") << 0 << word << QByteArray("Pfn\xc3\xbcrz\n") << QString();
    QTest::newRow("a list ending in a line end") << QByteArray("Kraxel\n") << 0 << word << QByteArray("Kraxel\nPfn\xc3\xbcrz\n") << QString();
    QTest::newRow("a last line without its line end, kept a word of its own")
        << QByteArray("Kraxel") << 0 << word << QByteArray("Kraxel\nPfn\xc3\xbcrz\n") << QString();
    QTest::newRow("a full disk: nothing of the word written")
        << QByteArray("Kraxel") << 10 << word << QByteArray("Kraxel") << QStringLiteral("die Datei wird zu groß");
    QTest::newRow("a FIFO in the list's place, never waited for")
        << QByteArray("(fifo)") << 0 << word << QByteArray() << QStringLiteral("keine gewöhnliche Datei");
    QTest::newRow("a folder in the list's place")
        << QByteArray("(folder)") << 0 << word << QByteArray() << QStringLiteral("an ihrer Stelle steht ein Ordner");
    // The next start reads the list in its encoding: the word must be in it too.
    QTest::newRow("a list in Windows-1252 gets the word in Windows-1252")
        << QByteArray("B\xe4r\n") << 0 << word << QByteArray("B\xe4r\nPfn\xfcrz\n") << QString();
    QTest::newRow("a word Windows-1252 cannot hold, refused for such a list")
        << QByteArray("B\xe4r\n") << 0 << QStringLiteral("Gro\u1E9E") << QByteArray("B\xe4r\n")
        << QStringLiteral("in Windows-1252 geschrieben, das '\u1E9E' nicht kennt");
    QTest::newRow("a UTF-8 list with one Windows-1252 line stays UTF-8")
        << QByteArray("Gr\xc3\xbcn\nB\xe4r\n") << 0 << word << QByteArray("Gr\xc3\xbcn\nB\xe4r\nPfn\xc3\xbcrz\n") << QString();
    QTest::newRow("a list in UTF-16 with its mark, its last line without a line end")
        << QByteArray("\xff\xfeK\0", 4) << 0 << word << QByteArray("\xff\xfeK\0\n\0P\0f\0n\0\xfc\0r\0z\0\n\0", 20) << QString();
    QTest::newRow("a list in big-endian UTF-16 without a mark")
        << QByteArray("\0K\0\n", 4) << 0 << word << QByteArray("\0K\0\n\0P\0f\0n\0\xfc\0r\0z\0\n", 18) << QString();
}

void TestEditor::addingToWordList()
{
    QFETCH(QByteArray, before);
    QFETCH(int, fileLimit);
    QFETCH(QString, word);
    QFETCH(QByteArray, after);
    QFETCH(QString, reason);
    const QString list = at(QStringLiteral("daten/woerter.txt"));
    QVERIFY(QDir().mkpath(at(QStringLiteral("daten"))));
    if (before == "(fifo)")
        QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
    else if (before == "(folder)")
        QVERIFY(QDir().mkpath(list));
    else if (before != "(none)")
        writeFile(QStringLiteral("daten/woerter.txt"), before);
    QString error;
    std::optional<FileSizeLimit> limit;
    if (fileLimit > 0)
        limit.emplace(rlim_t(fileLimit));
    const bool added = spelling::wordlist::append(list, word, &error);
    limit.reset();
    QCOMPARE(added, reason.isEmpty());
    QVERIFY2(error.contains(reason) && (added || error.contains(list)), qPrintable(error));
    if (QFileInfo(list).isFile())
        QCOMPARE(fileBytes(list), after);
    if (added)
        QVERIFY(spelling::wordlist::read(list).contains(word));
}

void TestEditor::spellingUnderlines_data()
{
    QTest::addColumn<QByteArray>("dictionaries"); // DICPATH, unless "system"
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("typedLater"); // into an empty box, after the start

    const QByteArray system("system");
    QTest::newRow("misspelt word, correct ones not")
        << system << QStringLiteral("Der Drache speit Feuur über die Berge.") << QStringList{QStringLiteral("Feuur")}
        << false;
    QTest::newRow("numbers, words with digits, single letters")
        << system << QStringLiteral("Er hat 3 Köpfe, 12.000 Schuppen, 2te Reihe, x und y, É und ß, W4rm.") << QStringList{}
        << false;
    QTest::newRow("record names and the writer's list")
        << system << QStringLiteral("Zyrrakoth und Kraxel jagen den Glutwurmm.") << QStringList{QStringLiteral("Glutwurmm")}
        << false;
    QTest::newRow("a lower-case word of the writer's list, capitalised as a sentence starts")
        << system << QStringLiteral("Zwergel sah den Zwergell.") << QStringList{QStringLiteral("Zwergell")} << false;
    QTest::newRow("no dictionary installed") << QByteArray() << QStringLiteral("Der Drache speit Feuur.") << QStringList{}
                                             << false;
    QTest::newRow("typed after an empty start")
        << system << QStringLiteral("Ein Drache speit Feuur.") << QStringList{QStringLiteral("Feuur")} << true;
}

void TestEditor::spellingUnderlines()
{
    QFETCH(QByteArray, dictionaries);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QFETCH(bool, typedLater);
    const QByteArray saved = qgetenv("DICPATH");
    const auto restore = qScopeGuard([&] {
        if (saved.isNull())
            qunsetenv("DICPATH");
        else
            qputenv("DICPATH", saved);
    });
    if (dictionaries != "system")
        qputenv("DICPATH", dictionaries);
    writeFile(QStringLiteral("Kreaturen/Zyrrakoth.dat"), "1,\"Zyrrakoth\",1,\"5\",0,0,0,0,0,\"\"\r\n");
    writeFile(QStringLiteral("woerter.txt"), "Kraxel\nzwergel\n");
    // A box the writer is typing into, as the dictionary arrives: nothing is said about it.
    auto *box = child<QPlainTextEdit>("text");
    if (!typedLater)
        box->setPlainText(text);
    m_editor->checkSpelling(at(QStringLiteral("woerter.txt")));
    auto *spelling = box->findChild<SpellUnderline *>(QStringLiteral("spelling"));
    if (typedLater) {
        // An empty description costs no dictionary; the first key loads it.
        // (Proves only that none is loaded: being slow cannot fail it.)
        QTest::qWait(200);
        QVERIFY(!spelling->checker());
        QTest::keyClicks(box, text);
    }
    QTRY_VERIFY_WITH_TIMEOUT(spelling->checker(), 30000);
    QCOMPARE(spelling->checker()->hasDictionary(), !dictionaries.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(underlined(box), expected, 30000);
}

void TestEditor::spellingMenu()
{
    const QString list = at(QStringLiteral("daten/ww_editor/woerter.txt"));
    auto *box = child<QPlainTextEdit>("text");
    const QString text = QStringLiteral("Der Drache speit Feuur auf Kraxel.");
    box->setPlainText(text);
    m_editor->checkSpelling(list);
    QTRY_COMPARE_WITH_TIMEOUT(underlined(box), (QStringList{QStringLiteral("Feuur"), QStringLiteral("Kraxel")}), 30000);
    auto *spelling = box->findChild<SpellUnderline *>(QStringLiteral("spelling"));

    // From the keyboard, the word just typed (the cursor right after it) has its suggestions.
    QTextCursor after = box->textCursor();
    after.setPosition(int(text.indexOf(QStringLiteral("Feuur")) + 5));
    box->setTextCursor(after);
    std::unique_ptr<QMenu> menu(spelling->createMenu(QPoint(), true));
    QVERIFY(menuAction(menu.get(), QStringLiteral("Feuer")));
    // The cursor before its first letter, or a right click on that letter's left half: the same word.
    after.setPosition(int(text.indexOf(QStringLiteral("Feuur"))));
    box->setTextCursor(after);
    menu.reset(spelling->createMenu(QPoint(), true));
    QVERIFY(menuAction(menu.get(), QStringLiteral("Feuer")));
    menu.reset(spelling->createMenu(box->cursorRect(after).center() + QPoint(1, 0)));
    QVERIFY(menuAction(menu.get(), QStringLiteral("Feuer")));

    // A suggestion replaces the word; one Strg+Z brings it back.
    menu.reset(spelling->createMenu(pointAt(box, QStringLiteral("Feuur"))));
    menuAction(menu.get(), QStringLiteral("Feuer"))->trigger();
    QCOMPARE(box->toPlainText(), QStringLiteral("Der Drache speit Feuer auf Kraxel."));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->toPlainText(), text);

    // "Ignorieren" lasts as long as the editor; an added word goes to the list and outlasts it.
    menu.reset(spelling->createMenu(pointAt(box, QStringLiteral("Feuur"))));
    menuAction(menu.get(), QStringLiteral("Ignorieren"))->trigger();
    menu.reset(spelling->createMenu(pointAt(box, QStringLiteral("Kraxel"))));
    menuAction(menu.get(), QStringLiteral("Zum Wörterbuch hinzufügen"))->trigger();
    QTRY_COMPARE(underlined(box), QStringList{});
    QCOMPARE(fileBytes(list), QByteArray("Kraxel\n"));
    // The menu of a known word is the box's usual one.
    menu.reset(spelling->createMenu(pointAt(box, QStringLiteral("Kraxel"))));
    QVERIFY(std::none_of(menu->actions().cbegin(), menu->actions().cend(),
                         [](const QAction *a) { return a->text() == QStringLiteral("Ignorieren"); }));

    menu.reset();
    m_editor.reset();
    m_editor.emplace(RecordStore(m_cwd->path()));
    m_editor->show();
    box = child<QPlainTextEdit>("text");
    box->setPlainText(text);
    m_editor->checkSpelling(list);
    QTRY_COMPARE_WITH_TIMEOUT(underlined(box), QStringList{QStringLiteral("Feuur")}, 30000);

    // A record saved just now names a word of the game: no longer underlined, without a restart.
    box->setPlainText(QStringLiteral("Der Zyrrakoth speit Feuur."));
    QTRY_COMPARE_WITH_TIMEOUT(underlined(box), (QStringList{QStringLiteral("Zyrrakoth"), QStringLiteral("Feuur")}), 30000);
    child<QLineEdit>("thing_name")->setText(QStringLiteral("Zyrrakoth"));
    {
        BoxAnswerer saved({QMessageBox::Ok});
        m_editor->save();
    }
    QTRY_COMPARE_WITH_TIMEOUT(underlined(box), QStringList{QStringLiteral("Feuur")}, 30000);

    // Five suggestions at most, in bold, where the dictionary has ten.
    box->setPlainText(QStringLiteral("Eine Wase"));
    box->moveCursor(QTextCursor::End);
    menu.reset(box->findChild<SpellUnderline *>(QStringLiteral("spelling"))->createMenu(QPoint(), true));
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(std::count_if(actions.begin(), actions.end(), [](const QAction *a) { return a->font().bold(); }), 5);
}

// The other editor of recoveryCopy(): shows a form, types into it and waits
// to be killed.
static int editUntilKilled(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList where = qEnvironmentVariable("WW_EDIT_UNTIL_KILLED").split(QLatin1Char('\n'));
    EditorWindow editor{RecordStore(where.value(0))};
    editor.show();
    editor.keepRecoveryCopies(where.value(1));
    QTimer::singleShot(100, &editor, [&editor] {
        editor.findChild<QLineEdit *>(QStringLiteral("thing_name"))->setText(QStringLiteral("Glutwurm"));
        editor.findChild<QLineEdit *>(QStringLiteral("mana"))->setText(QStringLiteral("5\"🐉"));
    });
    return QApplication::exec();
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("WW_EDIT_UNTIL_KILLED"))
        return editUntilKilled(argc, argv);
    QApplication app(argc, argv);
    TestEditor test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_editor.moc"
