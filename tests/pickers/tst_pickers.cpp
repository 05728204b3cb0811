#include "box_answerer.h"
#include "editor_fixture.h"
#include "picker_window.h"
#include "record_format.h"
#include "record_storage.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ww;

namespace {

// What a window system delivers for a double click: a click, then the second press.
QString entryText(const QListView *files, int row)
{
    return files->model()->index(row, 0).data().toString();
}

QPoint entryCentre(const QListView *files, int row)
{
    return files->visualRect(files->model()->index(row, 0)).center();
}

void doubleClick(QListView *files, int row)
{
    const QPoint at = entryCentre(files, row);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
}

// Typing as a keyboard layout with umlauts does; keyClicks takes ASCII only.
void type(QWidget *box, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

Record drache()
{
    Record r;
    r.name = QStringLiteral("Drache");
    r.magic = 2;
    r.mana = QStringLiteral("12");
    r.attack = 80;
    r.defence = 60;
    r.moveAir = 100;
    r.text = QStringLiteral("Speit Feuer,\r\nfliegt weit.");
    return r;
}

} // namespace

class TestPickers : public EditorFixture
{
    Q_OBJECT

private Q_SLOTS:
    void windows_data();
    void windows();
    void laterFilesAppearOnlyAfterReopening();
    void missingFolderGivesEmptyList();
    void openAgainKeepsThePicker();
    void escapeCloses_data();
    void escapeCloses();
    void completion_data();
    void completion();
    void preview_data();
    void preview();
    void ways_data();
    void ways();
    void emptyChoice();
    void kindComesFromTheFile();
    void renamedFileLoadsStoredName();
    void failures_data();
    void failures();
    void saveAndReopenThroughBothPickers();
    void openOverUnsavedEdits_data();
    void openOverUnsavedEdits();
    void questionsOutliveTheirWindows_data();
    void questionsOutliveTheirWindows();

private:
    // The picker as the editor opens it.
    PickerWindow *openPicker(bool spell)
    {
        if (spell)
            m_editor->openSpellPicker();
        else
            m_editor->openCreaturePicker();
        auto *picker = window<PickerWindow>(spell ? "load_spell" : "load_creature");
        return picker && QTest::qWaitForWindowExposed(picker) ? picker : nullptr;
    }
    // The picker on its own, without an editor; what it loads goes to `loaded`.
    std::unique_ptr<PickerWindow> standalone(bool spell)
    {
        auto picker = std::make_unique<PickerWindow>(spell ? PickerWindow::spell() : PickerWindow::creature(),
                                                    RecordStore(m_cwd->path()), nullptr);
        loaded.emplace(picker.get(), &PickerWindow::recordLoaded);
        picker->show();
        return QTest::qWaitForWindowExposed(picker.get()) ? std::move(picker) : nullptr;
    }
    Record loadedRecord() const { return loaded->constFirst().constFirst().value<Record>(); }

    std::optional<QSignalSpy> loaded;
    static QListView *list(PickerWindow *p) { return p->findChild<QListView *>(); }
    static QLineEdit *chosen(PickerWindow *p) { return p->findChild<QLineEdit *>(QStringLiteral("text_open")); }
    static QPushButton *button(PickerWindow *p) { return p->findChild<QPushButton *>(QStringLiteral("button_open")); }
    static QAbstractItemView *popup(PickerWindow *p) { return chosen(p)->completer()->popup(); }
    // What the completion popup offers, in its order; nothing while it is closed.
    static QStringList offered(PickerWindow *p)
    {
        QStringList shown;
        const QAbstractItemModel *model = popup(p)->model();
        for (int i = 0; popup(p)->isVisible() && i < model->rowCount(); ++i)
            shown.append(model->index(i, 0).data().toString());
        return shown;
    }
    static QStringList names(PickerWindow *p)
    {
        QStringList shown;
        for (int i = 0; i < list(p)->model()->rowCount(); ++i)
            shown.append(entryText(list(p), i));
        return shown;
    }
};

void TestPickers::windows_data()
{
    QTest::addColumn<bool>("spell");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QSize>("size");
    QTest::newRow("creature") << false << QStringLiteral("Kreatur öffnen...") << QStringLiteral("file_creature")
                              << QSize(153, 213);
    QTest::newRow("spell") << true << QStringLiteral("Zauber öffnen...") << QStringLiteral("file_spell")
                           << QSize(151, 213);
}

void TestPickers::windows()
{
    QFETCH(bool, spell);
    QFETCH(QString, caption);
    QFETCH(QString, listName);
    QFETCH(QSize, size);
    const auto owned = standalone(spell);
    PickerWindow *picker = owned.get();
    QVERIFY(picker);
    QCOMPARE(picker->windowTitle(), caption);
    QCOMPARE(list(picker)->objectName(), listName);
    QCOMPARE(picker->size(), size);
    QCOMPARE(picker->minimumSize(), picker->maximumSize());
    // Screen readers meet it as a dialog.
    QCOMPARE(QAccessible::queryAccessibleInterface(picker)->role(), QAccessible::Dialog);
    QVERIFY(chosen(picker)->text().isEmpty());
    const QPushButton *open = button(picker);
    QCOMPARE(open->text(), QStringLiteral("Öffnen"));
    QVERIFY(open->fontMetrics().horizontalAdvance(open->text()) < open->width() - 8);
    QVERIFY(picker->rect().contains(open->geometry()));
}

void TestPickers::laterFilesAppearOnlyAfterReopening()
{
    writeFile(QStringLiteral("Kreaturen/A.dat"), "x");
    PickerWindow *picker = openPicker(false);
    writeFile(QStringLiteral("Kreaturen/B.dat"), "x");
    QCOMPARE(names(openPicker(false)), QStringList{QStringLiteral("A.dat")});
    QPointer<PickerWindow> old = picker;
    picker->close();
    QTRY_VERIFY(!old);
    QCOMPARE(names(openPicker(false)), (QStringList{QStringLiteral("A.dat"), QStringLiteral("B.dat")}));
}

void TestPickers::missingFolderGivesEmptyList()
{
    const auto picker = standalone(true);
    QCOMPARE(list(picker.get())->model()->rowCount(), 0);
    QVERIFY(!QFileInfo::exists(at(QStringLiteral("Zauber")))); // opening creates nothing

    // A folder that cannot be listed is said, not shown as an empty list.
    writeFile(QStringLiteral("Kreaturen"), "kein Ordner");
    BoxAnswerer boxes({QMessageBox::Ok});
    const auto unreadable = standalone(false);
    QTRY_COMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
    const QString expected = QStringLiteral("Der Ordner '%1' kann nicht gelesen werden: ")
                                 .arg(at(QStringLiteral("Kreaturen")));
    QVERIFY2(boxes.seen[0].text.startsWith(expected), qPrintable(boxes.seen[0].text));
}

void TestPickers::escapeCloses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("popupOpen");
    QTest::newRow("popup closed: one Esc closes the window") << QStringLiteral("getippt") << false;
    QTest::newRow("popup open: the first Esc closes the popup only") << QStringLiteral("dra") << true;
}

void TestPickers::escapeCloses()
{
    QFETCH(QString, typed);
    QFETCH(bool, popupOpen);
    writeFile(QStringLiteral("Kreaturen/Drache.dat"), format::encode(drache()));
    QPointer<PickerWindow> picker = openPicker(false);
    QTest::keyClicks(chosen(picker), typed);
    QCOMPARE(popup(picker)->isVisible(), popupOpen);
    if (popupOpen) {
        QTest::keyClick(popup(picker), Qt::Key_Escape);
        QVERIFY(!popup(picker)->isVisible());
        QVERIFY(picker->isVisible());
        QCOMPARE(chosen(picker)->text(), typed);
    }
    QTest::keyClick(chosen(picker), Qt::Key_Escape);
    QTRY_VERIFY(!picker);
    // Gone for good: the next opening starts afresh.
    QVERIFY(chosen(openPicker(false))->text().isEmpty());
}

void TestPickers::openAgainKeepsThePicker()
{
    PickerWindow *picker = openPicker(false);
    chosen(picker)->setText(QStringLiteral("getippt"));
    QCOMPARE(openPicker(false), picker);
    QCOMPARE(chosen(picker)->text(), QStringLiteral("getippt"));
}

void TestPickers::ways_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("click, then the button") << QStringLiteral("click+button");
    QTest::newRow("click, edit the name, click the same entry again") << QStringLiteral("click+edit+click");
    QTest::newRow("double click") << QStringLiteral("double");
    QTest::newRow("double click on a name that is not UTF-8") << QStringLiteral("latin1");
    QTest::newRow("double click on a name with a line break") << QStringLiteral("linebreak");
    QTest::newRow("arrow key, then Enter on the entry") << QStringLiteral("keys");
    QTest::newRow("typed name, then Enter") << QStringLiteral("typed");
    QTest::newRow("click another entry, then type the name") << QStringLiteral("click other+type");
    QTest::newRow("arrow key, Tab to the button, Enter") << QStringLiteral("keys+button");
    QTest::newRow("typed name, the popup closed with Esc, then Enter") << QStringLiteral("typed+esc");
    QTest::newRow("part typed, popup entry by arrow and Return, then the button") << QStringLiteral("popup keys");
    QTest::newRow("part typed, popup entry clicked, then Enter") << QStringLiteral("popup click");
    QTest::newRow("part typed, popup entry of a name with a line break") << QStringLiteral("popup linebreak");
    QTest::newRow("typed name, Down past every match, Return") << QStringLiteral("typed+past");
    QTest::newRow("typed composed, stored decomposed") << QStringLiteral("nfc");
}

void TestPickers::ways()
{
    QFETCH(QString, way);
    QVERIFY(!storage::ensureDirectory(at(QStringLiteral("Kreaturen"))).isError());
    Record other = drache();
    other.name = QStringLiteral("Adler");
    QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), other).isError());
    QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), drache()).isError());
    // A name from a Windows archive: "Zornä.dat" in Latin-1 bytes.
    Record latin = drache();
    latin.name = QStringLiteral("Zorn");
    const QByteArray latinPath = QFile::encodeName(at(QStringLiteral("Kreaturen/"))) + "Zorn\xe4.dat";
    QVERIFY(::close(::open(latinPath.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    {
        const QByteArray bytes = format::encode(latin);
        const int fd = ::open(latinPath.constData(), O_WRONLY | O_TRUNC);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);
    }

    // Sorted last, so that the other ways' entries keep their places.
    if (way.endsWith(QLatin1String("linebreak")))
        QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), QStringLiteral("Zz\nz.dat"), latin).isError());
    // Also a match for "Drache.dat", and the last one.
    if (way == QLatin1String("typed+past"))
        QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), QStringLiteral("Zzz Drache.dat"), latin).isError());
    const QString decomposed = QStringLiteral("U\u0308ber.dat");
    if (way == QLatin1String("nfc"))
        QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), decomposed, drache()).isError());

    BoxAnswerer boxes;
    const auto owned = standalone(false);
    PickerWindow *picker = owned.get();
    QListView *files = list(picker);
    QCOMPARE(entryText(files, 1), QStringLiteral("Drache.dat"));
    const QPoint entry = entryCentre(files, 1);
    if (way == QLatin1String("click other+type")) {
        // What the writer typed last opens, not the entry chosen before.
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, entryCentre(files, 0));
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Adler.dat"));
        chosen(picker)->selectAll();
        QTest::keyClicks(chosen(picker), QStringLiteral("Drache.dat"));
        QTest::mouseClick(button(picker), Qt::LeftButton);
    } else if (way.startsWith(QLatin1String("click+"))) {
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, entry);
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
        QVERIFY(picker->isVisible());
        if (way.endsWith(QLatin1String("+click"))) {
            chosen(picker)->setText(QStringLiteral("Adler"));
            QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, entry);
            QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
        }
        QTest::mouseClick(button(picker), Qt::LeftButton);
    } else if (way.startsWith(QLatin1String("popup"))) {
        // "rach" is in "Drache.dat" and not in "Adler.dat"; "zz" only in the escaped name.
        QTest::keyClicks(chosen(picker), way.endsWith(QLatin1String("linebreak")) ? QStringLiteral("zz") : QStringLiteral("rach"));
        QCOMPARE(popup(picker)->isVisible(), true);
        const QModelIndex first = popup(picker)->model()->index(0, 0);
        if (way == QLatin1String("popup click")) {
            QTest::mouseClick(popup(picker)->viewport(), Qt::LeftButton, {}, popup(picker)->visualRect(first).center());
        } else {
            QTest::keyClick(popup(picker), Qt::Key_Down);
            QTest::keyClick(popup(picker), Qt::Key_Return);
        }
        // Chosen as a click on the list chooses: nothing opened yet.
        QVERIFY(!popup(picker)->isVisible());
        QVERIFY(picker->isVisible());
        QCOMPARE(loaded->size(), 0);
        if (way.endsWith(QLatin1String("linebreak"))) {
            QCOMPARE(chosen(picker)->text(), QStringLiteral("Zz\\x0Az.dat"));
            QTest::keyClick(chosen(picker), Qt::Key_Return);
            QTRY_VERIFY(!picker->isVisible());
            QCOMPARE(loadedRecord(), latin);
            return;
        }
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
        if (way == QLatin1String("popup click"))
            QTest::keyClick(chosen(picker), Qt::Key_Return);
        else
            QTest::mouseClick(button(picker), Qt::LeftButton);
    } else if (way == QLatin1String("typed+past")) {
        QTest::keyClicks(chosen(picker), QStringLiteral("Drache.dat"));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(popup(picker), Qt::Key_Down);
        // Nothing marked, and the box says again what was typed.
        QVERIFY(!popup(picker)->currentIndex().isValid());
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
        QTest::keyClick(popup(picker), Qt::Key_Return);
    } else if (way == QLatin1String("nfc")) {
        type(chosen(picker), QStringLiteral("\u00dcber.dat"));
        QTest::keyClick(popup(picker), Qt::Key_Escape);
        QTest::keyClick(chosen(picker), Qt::Key_Return);
        QTRY_VERIFY(!picker->isVisible());
        QCOMPARE(loadedRecord(), drache());
        QCOMPARE(loaded->constFirst().at(1).toString(), at(QStringLiteral("Kreaturen/") + decomposed));
        return;
    } else if (way == QLatin1String("typed+esc")) {
        QTest::keyClicks(chosen(picker), QStringLiteral("Drache.dat"));
        QVERIFY(popup(picker)->isVisible());
        QTest::keyClick(popup(picker), Qt::Key_Escape);
        QTest::keyClick(chosen(picker), Qt::Key_Return);
    } else if (way == QLatin1String("double")) {
        doubleClick(files, 1);
    } else if (way == QLatin1String("latin1") || way == QLatin1String("linebreak")) {
        const int row = way == QLatin1String("latin1") ? 2 : 3;
        QCOMPARE(entryText(files, row), way == QLatin1String("latin1") ? QStringLiteral("Zornä.dat")
                                                                        : QStringLiteral("Zz\\x0Az.dat"));
        doubleClick(files, row);
        QTRY_VERIFY(!picker->isVisible());
        QCOMPARE(loaded->size(), 1);
        QCOMPARE(loadedRecord(), latin);
        return;
    } else if (way == QLatin1String("keys+button")) {
        files->setFocus();
        QTest::keyClick(files, Qt::Key_Down);
        if (chosen(picker)->text() != QLatin1String("Drache.dat"))
            QTest::keyClick(files, Qt::Key_Down);
        QTest::keyClick(files, Qt::Key_Tab);
        QTest::keyClick(chosen(picker), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button(picker));
        QTest::keyClick(button(picker), Qt::Key_Return);
    } else if (way == QLatin1String("keys")) {
        files->setFocus();
        QTest::keyClick(files, Qt::Key_Down);
        if (chosen(picker)->text() != QLatin1String("Drache.dat"))
            QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
        QTest::keyClick(files, Qt::Key_Return);
    } else {
        QTest::keyClicks(chosen(picker), QStringLiteral("Drache.dat"));
        QTest::keyClick(chosen(picker), Qt::Key_Return);
    }
    QTRY_VERIFY(!picker->isVisible());
    QCOMPARE(loaded->size(), 1);
    QCOMPARE(loadedRecord(), drache());
    QCOMPARE(loaded->constFirst().at(1).toString(), at(QStringLiteral("Kreaturen/Drache.dat")));
}

void TestPickers::emptyChoice()
{
    writeFile(QStringLiteral("Kreaturen/A.dat"), "1,\"A\",1,\"5\",0,0,0,0,0,\"\"\r\n");
    BoxAnswerer boxes({QMessageBox::Ok});
    const auto owned = standalone(false);
    PickerWindow *picker = owned.get();
    QTest::mouseClick(button(picker), Qt::LeftButton);
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("ww_editor"));
    QCOMPARE(boxes.seen[0].text, QStringLiteral("Sie müssen eine Datei auswählen."));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen[0].buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(picker->isVisible());
    QVERIFY(chosen(picker)->text().isEmpty());
    QCOMPARE(loaded->size(), 0);
}

void TestPickers::kindComesFromTheFile()
{
    writeFile(QStringLiteral("Zauber/Irrläufer.dat"), "1,\"Irrläufer\",3,\"5\",0,0,0,0,0,\"\"\r\n");
    const auto picker = standalone(true);
    chosen(picker.get())->setText(QStringLiteral("Irrläufer.dat"));
    QTest::mouseClick(button(picker.get()), Qt::LeftButton);
    QCOMPARE(loaded->size(), 1);
    QCOMPARE(loadedRecord().kind, 1);
    QCOMPARE(loadedRecord().magic, 3);
}

void TestPickers::renamedFileLoadsStoredName()
{
    QVERIFY(!storage::ensureDirectory(at(QStringLiteral("Kreaturen"))).isError());
    QVERIFY(!storage::write(at(QStringLiteral("Kreaturen")), drache()).isError());
    QVERIFY(QFile::copy(at(QStringLiteral("Kreaturen/Drache.dat")), at(QStringLiteral("Kreaturen/Kopie.dat"))));
    const QByteArray copy = fileBytes(QStringLiteral("Kreaturen/Kopie.dat"));

    PickerWindow *picker = openPicker(false);
    chosen(picker)->setText(QStringLiteral("Kopie.dat"));
    QTest::mouseClick(button(picker), Qt::LeftButton);
    QCOMPARE(m_editor->findChild<QLineEdit *>(QStringLiteral("thing_name"))->text(), QStringLiteral("Drache"));

    m_editor->findChild<QLineEdit *>(QStringLiteral("mana"))->setText(QStringLiteral("99"));
    BoxAnswerer boxes({QMessageBox::Ok, QMessageBox::Ok});
    m_editor->save();
    QCOMPARE(boxes.seen.size(), 2);
    QVERIFY(boxes.seen[0].text.startsWith(QStringLiteral("Kreatur 'Drache' ist schon vorhanden!")));
    QVERIFY(fileBytes(QStringLiteral("Kreaturen/Drache.dat")).contains("\"99\""));
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Kopie.dat")), copy);
}

void TestPickers::completion_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QStringList drachen{QStringLiteral("Drachenei.dat"), QStringLiteral("Feuerdrache.dat")};
    QTest::newRow("a part, in the list's order") << QStringLiteral("drach") << drachen;
    QTest::newRow("capitals") << QStringLiteral("DRACH") << drachen;
    QTest::newRow("at the start only by chance") << QStringLiteral("Drachenei") << QStringList{QStringLiteral("Drachenei.dat")};
    QTest::newRow("without the umlaut") << QStringLiteral("uber") << QStringList{QStringLiteral("Über.dat")};
    QTest::newRow("with the umlaut, in lower case") << QStringLiteral("über") << QStringList{QStringLiteral("Über.dat")};
    QTest::newRow("an accent") << QStringLiteral("elegie") << QStringList{QStringLiteral("Élégie.dat")};
    QTest::newRow("ss for ß") << QStringLiteral("strasse") << QStringList{QStringLiteral("Straße.dat")};
    QTest::newRow("capital ẞ") << QStringLiteral("STRAẞE") << QStringList{QStringLiteral("Straße.dat")};
    QTest::newRow("ß for ss") << QStringLiteral("Gießen") << QStringList{QStringLiteral("Giessen.dat")};
    QTest::newRow("u is not ü's other spelling ue") << QStringLiteral("ueber") << QStringList{};
    QTest::newRow("nothing matches") << QStringLiteral("xyz") << QStringList{};
    QTest::newRow("one letter too many") << QStringLiteral("drachex") << QStringList{};
}

void TestPickers::completion()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    for (const char *name : {"Über", "Drachenei", "Feuerdrache", "Straße", "Élégie", "Giessen", "Adler"})
        writeFile(QStringLiteral("Kreaturen/%1.dat").arg(QString::fromUtf8(name)), format::encode(drache()));
    const auto owned = standalone(false);
    PickerWindow *picker = owned.get();
    type(chosen(picker), typed);
    QCOMPARE(offered(picker), expected);
    // Typing chooses nothing behind the writer's back.
    QCOMPARE(chosen(picker)->text(), typed);
    if (expected.isEmpty())
        return;
    // Above the box, clear of the button the mouse may be on its way to.
    const QRect shown(popup(picker)->mapToGlobal(QPoint(0, 0)), popup(picker)->size());
    const QRect open(button(picker)->mapToGlobal(QPoint(0, 0)), button(picker)->size());
    QVERIFY2(!shown.intersects(open), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
    // Directly above: its bottom edge on the box's top.
    QCOMPARE(shown.bottom() + 1, chosen(picker)->mapToGlobal(QPoint(0, 0)).y());
    // The next key narrows it again, the popup still clear of the button.
    QTest::keyClick(chosen(picker), Qt::Key_Backspace);
    QVERIFY(popup(picker)->isVisible());
    QVERIFY(!QRect(popup(picker)->mapToGlobal(QPoint(0, 0)), popup(picker)->size()).intersects(open));
    // With no room above the box, the popup stays on the screen.
    const QRect screen = picker->screen()->availableGeometry();
    picker->move(picker->x(), screen.top() - chosen(picker)->mapTo(picker, QPoint(0, 0)).y());
    QTest::keyClick(chosen(picker), Qt::Key_Escape);
    chosen(picker)->clear();
    type(chosen(picker), typed);
    QVERIFY(popup(picker)->isVisible());
    QCOMPARE(popup(picker)->mapToGlobal(QPoint(0, 0)).y(), screen.top());
}

void TestPickers::preview_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines"); // the preview's lines; for a broken file, what the message says
    const QStringList head{QStringLiteral("Typ: Kreatur"), QStringLiteral("Name: Drache"),
                           QStringLiteral("Magik: Rote Magie - Gebirge"), QStringLiteral("Mana: 12"),
                           QStringLiteral("Angriff: 80%"), QStringLiteral("Verteidigung: 60%"),
                           QStringLiteral("Bewegung-Erde: 0%"), QStringLiteral("Bewegung-Wasser: 0%"),
                           QStringLiteral("Bewegung-Luft: 100%"), QStringLiteral("Beschreibung:")};
    QTest::newRow("a record") << format::encode(drache())
                              << head + QStringList{QStringLiteral("  Speit Feuer,"), QStringLiteral("  fliegt weit.")};
    Record four = drache();
    four.text = QStringLiteral("1\r\n2\r\n3\r\n4");
    QTest::newRow("three lines of four, and a sign of more")
        << format::encode(four) << head + QStringList{QStringLiteral("  1"), QStringLiteral("  2"), QStringLiteral("  3"), QStringLiteral("  …")};
    Record three = drache();
    three.text = QStringLiteral("1\r\n2\r\n3");
    QTest::newRow("three lines of three") << format::encode(three)
                                          << head + QStringList{QStringLiteral("  1"), QStringLiteral("  2"), QStringLiteral("  3")};
    Record marked = drache();
    marked.text = QStringLiteral("<b>fett</b>\tund\x1b[31m");
    QTest::newRow("markup stays text, a tab a space, ESC escaped")
        << format::encode(marked) << head + QStringList{QStringLiteral("  <b>fett</b> und\\x1B[31m")};
    Record wide = drache();
    wide.text = QString(80, QLatin1Char('a')) + QStringLiteral("\r\n") + QString(81, QLatin1Char('b'));
    QTest::newRow("a line of 80 kept, one of 81 cut")
        << format::encode(wide) << head + QStringList{QStringLiteral("  ") + QString(80, QLatin1Char('a')),
                                                      QStringLiteral("  ") + QString(79, QLatin1Char('b')) + QChar(0x2026)};
    QTest::newRow("fewer than ten fields") << QByteArray("1,\"Kurz\",1,\"5\",0\r\n")
                                           << QStringList{QStringLiteral("Feld 6 (Verteidigung) fehlt"), QStringLiteral("Eintrag.dat")};
    QTest::newRow("a FIFO, never waited for") << QByteArray("<fifo>") << QStringList{QStringLiteral("keine gewöhnliche Datei")};
    QTest::newRow("gone since the folder was read") << QByteArray("<gone>") << QStringList{QStringLiteral("nicht gefunden")};
    QTest::newRow("changed since the folder was read") << QByteArray("<changed>")
                                                       << head + QStringList{QStringLiteral("  Speit Feuer,"), QStringLiteral("  fliegt weit.")};
}

void TestPickers::preview()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    const QString file = QStringLiteral("Kreaturen/Eintrag.dat");
    writeFile(file, content.startsWith('<') ? QByteArray("1,\"Alt\",1,\"5\",0,0,0,0,0,\"\"\r\n") : content);
    const auto owned = standalone(false);
    PickerWindow *picker = owned.get();
    // The folder lists regular files only; these turn into something else afterwards.
    if (content == "<gone>" || content == "<fifo>")
        QVERIFY(QFile::remove(at(file)));
    if (content == "<fifo>")
        QCOMPARE(mkfifo(QFile::encodeName(at(file)).constData(), 0600), 0);
    if (content == "<changed>")
        writeFile(file, format::encode(drache()));
    const bool broken = !lines.startsWith(QStringLiteral("Typ: Kreatur"));
    QListView *files = list(picker);
    const QModelIndex entry = files->model()->index(0, 0);
    const QString text = entry.data(Qt::AccessibleDescriptionRole).toString();
    if (broken) {
        for (const QString &said : lines)
            QVERIFY2(text.contains(said), qPrintable(text));
    } else {
        QCOMPARE(text.split(QLatin1Char('\n')), lines);
    }
    // Screen readers hear the same.
    QAccessibleInterface *cell = QAccessible::queryAccessibleInterface(files)->child(0);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Description), text);
    // Pointing at the entry shows it, as markup-free text.
    const QPoint point = files->visualRect(entry).center();
    QHelpEvent pointing(QEvent::ToolTip, point, files->viewport()->mapToGlobal(point));
    QApplication::sendEvent(files->viewport(), &pointing);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), entry.data(Qt::ToolTipRole).toString());
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    QCOMPARE(shown.toPlainText(), text);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    // So does reaching it with the arrow keys.
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Home);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), entry.data(Qt::ToolTipRole).toString());
    QToolTip::hideText();
}

void TestPickers::failures_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("mentioned");
    const QByteArray none;
    QTest::newRow("missing file") << QStringLiteral("Fehlt.dat") << none << QStringLiteral("nicht gefunden");
    QTest::newRow("typed without extension, file with it present")
        << QStringLiteral("Drache") << QByteArray("<beside>") << QStringLiteral("nicht gefunden");
    QTest::newRow("typed in small letters, popup Down and Up back to the box")
        << QStringLiteral("drache.dat") << QByteArray("<popup>") << QStringLiteral("nicht gefunden");
    QTest::newRow("directory") << QStringLiteral("Ordner.dat") << QByteArray("<dir>")
                               << QStringLiteral("keine gewöhnliche Datei");
    QTest::newRow("fifo") << QStringLiteral("Rohr.dat") << QByteArray("<fifo>")
                          << QStringLiteral("keine gewöhnliche Datei");
    QTest::newRow("too large") << QStringLiteral("Riese.dat") << QByteArray("<large>") << QStringLiteral("zu groß");
    QTest::newRow("fewer than ten fields") << QStringLiteral("Kurz.dat") << QByteArray("1,\"Kurz\",1,\"5\",0\r\n")
                                           << QStringLiteral("Feld 6 (Verteidigung) fehlt");
    QTest::newRow("unclosed quote") << QStringLiteral("Halb.dat") << QByteArray("1,\"Halb\",1,\"5\",0,0,0,0,0,\"Es w")
                                    << QStringLiteral("schließende Anführungszeichen");
    QTest::newRow("no number") << QStringLiteral("Wort.dat") << QByteArray("1,\"Wort\",eins,\"5\",0,0,0,0,0,\"\"")
                               << QStringLiteral("keine ganze Zahl");
    QTest::newRow("kind outside its list") << QStringLiteral("Typ3.dat")
                                           << QByteArray("3,\"Typ3\",1,\"5\",0,0,0,0,0,\"\"")
                                           << QStringLiteral("Feld 1 (Typ) den Wert 3");
    QTest::newRow("percent outside its list") << QStringLiteral("Prozent.dat")
                                              << QByteArray("1,\"P\",1,\"5\",0,0,0,0,101,\"\"")
                                              << QStringLiteral("Bewegung-Luft");
    QTest::newRow("path outside the folder") << QStringLiteral("../Zauber/Blitz.dat") << none
                                             << QStringLiteral("kein Dateiname");
    QTest::newRow("parent folder") << QStringLiteral("..") << none << QStringLiteral("kein Dateiname");
    QTest::newRow("backslash") << QStringLiteral("..\\Zauber\\Blitz.dat") << QByteArray("<plain>")
                               << QStringLiteral("kein Dateiname");
}

void TestPickers::failures()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, content);
    QFETCH(QString, mentioned);
    QVERIFY(QDir().mkpath(at(QStringLiteral("Kreaturen"))));
    const QString path = at(QStringLiteral("Kreaturen/") + typed);
    if (content == "<dir>") {
        QVERIFY(QDir().mkpath(path));
    } else if (content == "<fifo>") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (content == "<large>") {
        writeFile(path, QByteArray(format::maxFileBytes + 1, ' '));
    } else if (content == "<plain>") {
        writeFile(path, format::encode(drache())); // a legal name on this system, and still refused
    } else if (content == "<beside>") {
        writeFile(path + QStringLiteral(".dat"), format::encode(drache()));
    } else if (content == "<popup>") {
        writeFile(QStringLiteral("Kreaturen/Drache.dat"), format::encode(drache()));
    } else if (!content.isEmpty()) {
        writeFile(path, content);
    }
    writeFile(QStringLiteral("Zauber/Blitz.dat"), "2,\"Blitz\",1,\"5\",0,0,0,0,0,\"\"\r\n");

    BoxAnswerer boxes({QMessageBox::Ok});
    const auto owned = standalone(false);
    PickerWindow *picker = owned.get();
    if (content == "<popup>") {
        // Down marks Drache.dat; Up leaves the popup with nothing marked.
        QTest::keyClicks(chosen(picker), typed);
        QTest::keyClick(popup(picker), Qt::Key_Down);
        QTest::keyClick(popup(picker), Qt::Key_Up);
        QTest::keyClick(popup(picker), Qt::Key_Return);
    } else {
        chosen(picker)->setText(typed);
        QTest::mouseClick(button(picker), Qt::LeftButton);
    }
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("ww_editor"));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(boxes.seen[0].text.contains(mentioned), qPrintable(boxes.seen[0].text));
    QVERIFY2(boxes.seen[0].text.contains(typed), qPrintable(boxes.seen[0].text));
    // Named in full, so the file can be found whatever the working folder.
    QVERIFY2(boxes.seen[0].text.contains(at(QStringLiteral("Kreaturen"))),
             qPrintable(boxes.seen[0].text));
    QCOMPARE(loaded->size(), 0);
    QVERIFY(picker->isVisible());
    QCOMPARE(chosen(picker)->text(), typed);
}

void TestPickers::saveAndReopenThroughBothPickers()
{
    Record spell = drache();
    spell.kind = 2;
    spell.name = QStringLiteral("Blitz, doppelt");
    spell.text = QStringLiteral("Zeile 1\r\nZeile 2\r\n\r\nZeile 4");
    for (const Record &r : {drache(), spell}) {
        BoxAnswerer boxes({QMessageBox::Ok});
        m_editor->setRecord(r);
        m_editor->save();
        QCOMPARE(boxes.seen.size(), 1);
    }
    // The form holds what was saved last, so loading asks nothing.
    for (const Record &r : {drache(), spell}) {
        QPointer<PickerWindow> picker = openPicker(r.kind == 2);
        QListView *files = list(picker);
        QCOMPARE(files->model()->rowCount(), 1);
        doubleClick(files, 0);
        QTRY_VERIFY(!picker);
        QCOMPARE(m_editor->record(), r);
    }
    QCOMPARE(m_editor->findChild<QPlainTextEdit *>(QStringLiteral("text"))->toPlainText(),
             QStringLiteral("Zeile 1\nZeile 2\n\nZeile 4"));
}

void TestPickers::openOverUnsavedEdits_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Verwerfen loads") << int(QMessageBox::Discard) << true << false;
    QTest::newRow("Speichern saves, then loads") << int(QMessageBox::Save) << true << true;
    QTest::newRow("Abbrechen leaves both windows") << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("closing the box leaves both windows") << int(QMessageBox::Escape) << false << false;
}

void TestPickers::openOverUnsavedEdits()
{
    QFETCH(int, answer);
    QFETCH(bool, loads);
    QFETCH(bool, saved);
    writeFile(QStringLiteral("Kreaturen/Drache.dat"), format::encode(drache()));
    m_editor->findChild<QLineEdit *>(QStringLiteral("thing_name"))->setText(QStringLiteral("Neu"));
    const Record typed = m_editor->record();

    BoxAnswerer boxes(saved ? std::initializer_list<int>{answer, QMessageBox::Ok} : std::initializer_list<int>{answer});
    QPointer<PickerWindow> picker = openPicker(false);
    chosen(picker)->setText(QStringLiteral("Drache.dat"));
    QTest::mouseClick(button(picker), Qt::LeftButton);
    QVERIFY(!boxes.seen.isEmpty());
    const BoxAnswerer::Seen &question = boxes.seen[0];
    QCOMPARE(question.title, QStringLiteral("ww_editor"));
    QCOMPARE(question.icon, QMessageBox::Warning);
    QVERIFY2(question.text.contains(QStringLiteral("Kreatur 'Neu'")), qPrintable(question.text));
    QStringList buttons = question.buttons;
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("Speichern"), QStringLiteral("Verwerfen")}));
    QCOMPARE(question.defaultButton, QStringLiteral("Speichern"));
    QCOMPARE(m_editor->record(), loads ? drache() : typed);
    QCOMPARE(QFileInfo::exists(at(QStringLiteral("Kreaturen/Neu.dat"))), saved);
    if (loads) {
        QTRY_VERIFY(!picker);
    } else {
        QVERIFY(picker && picker->isVisible());
        QCOMPARE(chosen(picker)->text(), QStringLiteral("Drache.dat"));
    }
}

void TestPickers::questionsOutliveTheirWindows_data()
{
    QTest::addColumn<QString>("asking"); // what puts up the box
    QTest::addColumn<bool>("deleted"); // the editor is deleted, rather than closed, while it is open
    QTest::newRow("unsaved edits on close, editor deleted") << QStringLiteral("close") << true;
    QTest::newRow("unsaved edits on close, closed again") << QStringLiteral("close") << false;
    QTest::newRow("unsaved edits before a picker loads, editor deleted") << QStringLiteral("load") << true;
    QTest::newRow("unsaved edits before a picker loads, editor closed") << QStringLiteral("load") << false;
    QTest::newRow("overwrite question, editor deleted") << QStringLiteral("overwrite") << true;
    QTest::newRow("'gespeichert...', editor deleted") << QStringLiteral("saved") << true;
    QTest::newRow("picker's empty choice, editor closed") << QStringLiteral("empty") << false;
    QTest::newRow("picker's empty choice, editor deleted") << QStringLiteral("empty") << true;
}

void TestPickers::questionsOutliveTheirWindows()
{
    QFETCH(QString, asking);
    QFETCH(bool, deleted);
    writeFile(QStringLiteral("Kreaturen/Drache.dat"), format::encode(drache()));
    auto *name = m_editor->findChild<QLineEdit *>(QStringLiteral("thing_name"));
    name->setText(asking == QLatin1String("overwrite") || asking == QLatin1String("saved") ? QStringLiteral("Drache")
                                                                                          : QStringLiteral("Neu"));
    if (asking == QLatin1String("saved"))
        QVERIFY(QFile::remove(at(QStringLiteral("Kreaturen/Drache.dat"))));
    if (asking == QLatin1String("empty"))
        name->clear();
    QPointer<PickerWindow> picker = openPicker(false);
    const QByteArray typed = format::encode(m_editor->record());

    BoxAnswerer answerer({BoxAnswerer::Act});
    answerer.action = [&] {
        if (deleted)
            m_editor.reset();
        else
            m_editor->close();
    };
    if (asking == QLatin1String("close")) {
        m_editor->close();
    } else if (asking == QLatin1String("overwrite") || asking == QLatin1String("saved")) {
        m_editor->save();
    } else {
        chosen(picker)->setText(asking == QLatin1String("load") ? QStringLiteral("Drache.dat") : QString());
        QTest::mouseClick(button(picker), Qt::LeftButton);
    }
    QCOMPARE(answerer.seen.size(), 1);
    // Nothing was loaded over the edits nor written unasked, and the windows
    // went, or stayed, as a whole.
    QVERIFY(!QFileInfo::exists(at(QStringLiteral("Kreaturen/Neu.dat"))));
    QCOMPARE(fileBytes(QStringLiteral("Kreaturen/Drache.dat")),
             asking == QLatin1String("saved") ? typed : format::encode(drache()));
    if (deleted) {
        QVERIFY(!picker);
        return;
    }
    // A close while the editor asks waits for the answer; one while a picker
    // speaks closes the editor and its picker.
    const bool editorAsked = asking == QLatin1String("close") || asking == QLatin1String("load");
    QCOMPARE(m_editor->isVisible(), editorAsked);
    QCOMPARE(m_editor->record().name, name->text());
    if (!editorAsked)
        QTRY_VERIFY(!picker);
}

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
