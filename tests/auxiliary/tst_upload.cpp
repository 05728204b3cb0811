#include "appearance.h"
#include "box_answerer.h"
#include "editor_window.h"
#include "record_format.h"
#include "record_storage.h"
#include "upload_address.h"
#include "upload_page.h"
#include "upload_process.h"
#include "upload_protocol.h"
#include "upload_window.h"
#include "process_guard.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QJsonDocument>
#include <QLineEdit>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ww;

namespace {

// Runs script in the page and waits for its result. The answer may come
// after the wait is over; it then lands in state this call no longer reads,
// never in a finished stack frame or in the next call's.
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    struct Answer
    {
        QVariant value;
        bool done = false;
    };
    const auto answer = std::make_shared<Answer>();
    page->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->done = true;
    });
    if (!QTest::qWaitFor([&] { return answer->done; }, 20000))
        qWarning("no answer from the page to: %s", qPrintable(script));
    return answer->value;
}

// Picks `file` in Qt's own file dialog as a writer does who types its path
// into the name box and chooses "Öffnen". The box is written directly:
// QFileDialog::selectFile() fills it only while it lacks the keyboard focus,
// and the box gains the focus when the window system activates the dialog,
// which may happen before or after this answer. Typed text and a full path
// mean the same file whatever folder the dialog shows or is still loading.
bool chooseFile(QFileDialog *dialog, const QString &file)
{
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!name)
        return false;
    name->setText(file);
    if (dialog->selectedFiles() != QStringList{file})
        return false;
    static_cast<QDialog *>(dialog)->accept();
    return true;
}

QPoint centreOf(QWebEnginePage *page, const char *id)
{
    const QString json = evaluate(page, QStringLiteral("JSON.stringify(document.getElementById('%1')"
                                                       ".getBoundingClientRect())")
                                            .arg(QLatin1String(id)))
                             .toString();
    const QJsonObject r = QJsonDocument::fromJson(json.toUtf8()).object();
    if (r.isEmpty())
        return QPoint(-1, -1);
    return QPoint(int(r[QStringLiteral("x")].toDouble() + r[QStringLiteral("width")].toDouble() / 2),
                  int(r[QStringLiteral("y")].toDouble() + r[QStringLiteral("height")].toDouble() / 2));
}

// A user's click on the page's element `id`, delivered where the browser
// takes its input; false when the page did not say where the element is.
bool clickOn(QWebEngineView *view, const char *id)
{
    const QPoint at = centreOf(view->page(), id);
    if (at.x() < 0)
        return false;
    QWidget *input = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(input, Qt::LeftButton, {}, at);
    return true;
}

// The editor's handle on ww_upload, once its menu entry has been chosen.
UploadProcess *openUpload(EditorWindow &editor)
{
    editor.openUpload();
    return editor.findChild<UploadProcess *>(QStringLiteral("upload_form"));
}

bool processAlive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

} // namespace

// Receives the addresses that would go to the user's default browser.
class ExternalBrowser : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TestUpload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup() { m_answerFileDialog = nullptr; }

    void window();
    void loadsUploadPage();
    void fileFieldUploadsRecord_data();
    void fileFieldUploadsRecord();
    void fileDialogStartsInWorkingFolder();
    void ownSite_data();
    void ownSite();
    void uploadHost_data();
    void uploadHost();
    void otherHostsOpenOutside_data();
    void otherHostsOpenOutside();
    void serverDown();
    void editorStartsUploadOnceAndClosesIt();
    void uploadWindowClosedByItsUser();
    void killedEditorEndsUpload();
    void uploadFailsVisibly_data();
    void uploadFailsVisibly();

private:
    QString requestLog() const
    {
        QFile log(m_store.filePath(QStringLiteral("requests.log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
    std::unique_ptr<UploadWindow> loadedWindow()
    {
        auto window = std::make_unique<UploadWindow>(uploadAddress());
        window->show();
        QSignalSpy loaded(window->browser(), &QWebEngineView::loadFinished);
        window->navigate(uploadAddress());
        if (!loaded.wait(30000) || !loaded.constFirst().constFirst().toBool())
            return nullptr;
        return window;
    }

    // Answers the next file dialog the page opens. One that nobody planned
    // for, or that is still open when its answer returns, fails the running
    // test and is closed: a dialog left waiting would block every later wait.
    void watchFileDialogs();

    QTemporaryDir m_store;
    QProcess m_server;
    ExternalBrowser m_external;
    QTimer m_fileDialogWatch;
    std::function<void(QFileDialog *)> m_answerFileDialog;
};

void TestUpload::watchFileDialogs()
{
    connect(&m_fileDialogWatch, &QTimer::timeout, this, [this] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (const auto answer = std::exchange(m_answerFileDialog, nullptr)) {
            answer(dialog);
            // Every answer closes the dialog before it returns; one that did
            // not is a fault of the answer, not a matter of time.
            if (!dialog->isVisible())
                return;
            QTest::qFail("the file dialog stayed open after its answer", __FILE__, __LINE__);
        } else {
            QTest::qFail("unexpected file dialog", __FILE__, __LINE__);
        }
        dialog->reject();
    });
    m_fileDialogWatch.start(20);
}

void TestUpload::initTestCase()
{
    applyAppearance(*qApp); // as ww_upload does
    BoxAnswerer::install();
    QVERIFY(m_store.isValid());
    m_server.setProgram(QStringLiteral("python3"));
    m_server.setArguments({QStringLiteral(WW_UPLOAD_SERVER), m_store.path()});
    m_server.start();
    QVERIFY(m_server.waitForReadyRead(10000));
    const int port = m_server.readLine().trimmed().toInt();
    QVERIFY(port > 0);
    qputenv("WW_UPLOAD_HOST", QByteArray("127.0.0.1:") + QByteArray::number(port));
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_external, "open");
    watchFileDialogs();
}

void TestUpload::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    m_server.kill();
    m_server.waitForFinished();
}

void TestUpload::window()
{
    UploadWindow window(uploadAddress());
    QCOMPARE(window.objectName(), QStringLiteral("upload_form"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Upload..."));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.browser()->objectName(), QStringLiteral("WebBrowser"));
    QVERIFY(window.browser()->url().isEmpty()); // no start page of its own
    QCOMPARE(uploadAddress().path(), QStringLiteral("/projects/wild_weave/php/upload.php3"));
}

void TestUpload::loadsUploadPage()
{
    auto window = loadedWindow();
    QVERIFY(window);
    QCOMPARE(window->browser()->title(), QStringLiteral("Wildweave Upload"));
    QVERIFY(requestLog().contains(QStringLiteral("GET /projects/wild_weave/php/upload.php3")));
}

void TestUpload::fileFieldUploadsRecord_data()
{
    // The dialog is answered in whichever state it is in when the answer
    // comes; both are pinned here. Answering by selectFile() failed the
    // second every time.
    QTest::addColumn<bool>("activeFirst");
    QTest::newRow("answered as soon as it shows") << false;
    QTest::newRow("answered once active, its name box focused") << true;
}

void TestUpload::fileFieldUploadsRecord()
{
    QFETCH(bool, activeFirst);
    QTemporaryDir records;
    Record r;
    r.name = QStringLiteral("Glutdrache");
    r.text = QStringLiteral("heiß\r\nund groß");
    QVERIFY(!storage::write(records.path(), r).isError());
    const QString file = storage::pathFor(records.path(), r.name);

    auto window = loadedWindow();
    QVERIFY(window);
    // The user picks the record in the file dialog the page's file field opens.
    int asked = 0;
    bool chosen = false;
    bool focused = false;
    m_answerFileDialog = [&](QFileDialog *dialog) {
        ++asked;
        if (activeFirst) {
            dialog->activateWindow();
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            focused = QTest::qWaitFor([&] { return name && name->hasFocus(); }, 10000);
        }
        chosen = chooseFile(dialog, file);
    };
    QVERIFY(clickOn(window->browser(), "file"));
    QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 20000);
    QVERIFY(chosen);
    QCOMPARE(focused, activeFirst);
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(window->browser()->page(), QStringLiteral("document.getElementById('file').files.length"))
                                  .toInt(),
                              1, 10000);
    QVERIFY(clickOn(window->browser(), "send"));
    const QString arrived = m_store.filePath(QStringLiteral("Glutdrache.dat"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(arrived), 20000);
    QFile sent(file), received(arrived);
    QVERIFY(sent.open(QIODevice::ReadOnly) && received.open(QIODevice::ReadOnly));
    QCOMPARE(received.readAll(), sent.readAll());
}

void TestUpload::fileDialogStartsInWorkingFolder()
{
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    auto window = loadedWindow();
    QVERIFY(window);
    QString shownFolder;
    QStringList buttons;
    m_answerFileDialog = [&](QFileDialog *dialog) {
        shownFolder = dialog->directory().absolutePath();
        for (const QPushButton *b : dialog->findChildren<QPushButton *>())
            buttons.append(b->text());
        dialog->reject();
    };
    QVERIFY(clickOn(window->browser(), "file"));
    QTRY_VERIFY_WITH_TIMEOUT(!shownFolder.isEmpty(), 10000);
    QDir::setCurrent(previous);
    QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
    QVERIFY2(buttons.contains(QStringLiteral("Abbrechen")), qPrintable(buttons.join(QLatin1Char(','))));
}

void TestUpload::ownSite_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("own");
    QTest::newRow("the page itself") << QStringLiteral("http://www.wildweave.de/projects/wild_weave/php/upload.php3")
                                     << true;
    QTest::newRow("another path, host in capitals") << QStringLiteral("http://WWW.Wildweave.DE/forum") << true;
    QTest::newRow("port 80 spelt out") << QStringLiteral("http://www.wildweave.de:80/") << true;
    QTest::newRow("same host, another port") << QStringLiteral("http://www.wildweave.de:8080/") << false;
    QTest::newRow("same host, https") << QStringLiteral("https://www.wildweave.de/") << false;
    QTest::newRow("a sub-domain") << QStringLiteral("http://evil.www.wildweave.de/") << false;
    QTest::newRow("host as a prefix") << QStringLiteral("http://www.wildweave.de.example/") << false;
}

void TestUpload::ownSite()
{
    QFETCH(QString, address);
    QFETCH(bool, own);
    const UploadPage page(QUrl(QStringLiteral("http://www.wildweave.de/projects/wild_weave/php/upload.php3")));
    QCOMPARE(page.isOwnSite(QUrl(address)), own);
}

void TestUpload::uploadHost_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QString>("address"); // empty: refused
    QTest::newRow("a name") << QByteArray("staging.example.org")
                            << QStringLiteral("http://staging.example.org/projects/wild_weave/php/upload.php3");
    QTest::newRow("an address and a port") << QByteArray("127.0.0.1:8080")
                                           << QStringLiteral("http://127.0.0.1:8080/projects/wild_weave/php/upload.php3");
    QTest::newRow("a path") << QByteArray("example.org/evil") << QString();
    QTest::newRow("a user") << QByteArray("user@example.org") << QString();
    QTest::newRow("a scheme") << QByteArray("https://example.org") << QString();
    QTest::newRow("a port out of range") << QByteArray("example.org:70000") << QString();
}

void TestUpload::uploadHost()
{
    QFETCH(QByteArray, host);
    QFETCH(QString, address);
    const QByteArray before = qgetenv("WW_UPLOAD_HOST");
    qputenv("WW_UPLOAD_HOST", host);
    QString problem;
    const QUrl got = uploadAddress(&problem);
    qputenv("WW_UPLOAD_HOST", before);
    QCOMPARE(got.toString(), address);
    QCOMPARE(problem.contains(QString::fromUtf8(host)), address.isEmpty());
}

void TestUpload::otherHostsOpenOutside_data()
{
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QUrl>("address");
    QTest::newRow("link") << QByteArray("external") << QUrl(QStringLiteral("http://elsewhere.invalid/page"));
    QTest::newRow("link to a new window") << QByteArray("popup") << QUrl(QStringLiteral("http://elsewhere.invalid/popup"));
}

void TestUpload::otherHostsOpenOutside()
{
    QFETCH(QByteArray, link);
    QFETCH(QUrl, address);
    m_external.opened.clear();
    auto window = loadedWindow();
    QVERIFY(window);
    QVERIFY(clickOn(window->browser(), link.constData()));
    QTRY_COMPARE_WITH_TIMEOUT(m_external.opened, QList<QUrl>{address}, 10000);
    QTest::qWait(200);
    QCOMPARE(window->browser()->url(), uploadAddress());
    QVERIFY(!requestLog().contains(QStringLiteral("elsewhere")));
}

void TestUpload::serverDown()
{
    UploadWindow window(QUrl(QStringLiteral("http://127.0.0.1:1/projects/wild_weave/php/upload.php3")));
    window.show();
    QSignalSpy loaded(window.browser(), &QWebEngineView::loadFinished);
    window.navigate(QUrl(QStringLiteral("http://127.0.0.1:1/projects/wild_weave/php/upload.php3")));
    QVERIFY(loaded.wait(30000));
    QCOMPARE(loaded.constFirst().constFirst().toBool(), false);
    QVERIFY(window.isVisible());
}

void TestUpload::editorStartsUploadOnceAndClosesIt()
{
    QFile::remove(m_store.filePath(QStringLiteral("requests.log")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QProcess")));
    EditorWindow editor{RecordStore(QDir::currentPath())};
    editor.show();
    QPointer<UploadProcess> upload = openUpload(editor);
    QVERIFY(upload);
    auto *process = upload->findChild<QProcess *>();
    QVERIFY(process->waitForStarted(10000));
    const qint64 pid = process->processId();
    QSignalSpy ended(process, &QProcess::finished);
    // The real program asks the server for the page.
    QTRY_VERIFY_WITH_TIMEOUT(requestLog().contains(QStringLiteral("GET /projects/wild_weave/php/upload.php3")), 30000);

    editor.openUpload();
    QCOMPARE(editor.findChildren<UploadProcess *>(), QList<UploadProcess *>{upload.data()});
    QCOMPARE(process->processId(), pid);
    QCOMPARE(requestLog().count(QStringLiteral("GET /projects")), 1); // no reload

    QVERIFY(editor.close());
    // Closing did not wait for it; it ended by itself once the editor let go
    // of it, rather than being killed.
    QCOMPARE(ended.size(), 0);
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.constFirst().at(1).value<QProcess::ExitStatus>(), QProcess::NormalExit);
    QCOMPARE(ended.constFirst().at(0).toInt(), 0);
    QTRY_VERIFY(!upload);
    QVERIFY(!processAlive(pid));
}

void TestUpload::uploadWindowClosedByItsUser()
{
    EditorWindow editor{RecordStore(QDir::currentPath())};
    editor.show();
    QPointer<UploadProcess> upload = openUpload(editor);
    QVERIFY(upload);
    auto *process = upload->findChild<QProcess *>();
    QSignalSpy ended(process, &QProcess::finished);
    QTRY_VERIFY_WITH_TIMEOUT(requestLog().contains(QStringLiteral("GET /projects/wild_weave/php/upload.php3")), 30000);
    // ww_upload ends normally once its window is up, as when its user closes
    // it: no failure is reported (any message box fails this test) and the
    // menu entry starts a new one.
    process->closeWriteChannel();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.constFirst().at(0).toInt(), 0);
    QTRY_VERIFY(!upload);
    editor.openUpload();
    QVERIFY(editor.findChild<UploadProcess *>(QStringLiteral("upload_form")));
    QVERIFY(editor.close());
}

void TestUpload::killedEditorEndsUpload()
{
    // A stand-in for the editor holds the pipe to ww_upload's standard input
    // and is killed without a chance to say goodbye.
    int fds[2];
    QCOMPARE(::pipe2(fds, O_CLOEXEC), 0);
    const pid_t editor = ::fork();
    if (editor == 0) {
        ::close(fds[0]);
        for (;;)
            ::pause();
    }
    ProcessGuard editorGuard(editor);
    QVERIFY(editor > 0);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    // Test programs are built beside ww_upload.
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/ww_upload"));
    const QByteArray watch = "--" + QByteArray(upload::watchInputOption.data(), upload::watchInputOption.size());
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(watch.constData()), nullptr};
    pid_t upload = 0;
    const int spawned = posix_spawn(&upload, program.constData(), &actions, nullptr, argv, environ);
    ProcessGuard uploadGuard(spawned == 0 ? upload : 0);
    posix_spawn_file_actions_destroy(&actions);
    QCOMPARE(spawned, 0);
    ::close(fds[0]);
    ::close(fds[1]);

    QTest::qWait(2000);
    int status = 0;
    QCOMPARE(::waitpid(upload, &status, WNOHANG), 0); // still running while the editor lives
    ::kill(editor, SIGKILL);
    ::waitpid(editor, &status, 0);
    editorGuard.release();
    // The browser engine in this test process may reap the child itself.
    const auto ended = [&] {
        const pid_t r = ::waitpid(upload, &status, WNOHANG);
        return r == upload || (r < 0 && errno == ECHILD);
    };
    QTRY_VERIFY_WITH_TIMEOUT(ended(), 20000);
    uploadGuard.release();
}

void TestUpload::uploadFailsVisibly_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("the browser refuses root") << QByteArray("QTWEBENGINE_DISABLE_SANDBOX") << QByteArray()
                                              << QStringLiteral("mit dem Status 2, bevor");
    QTest::newRow("the browser refuses root, its reason shown") << QByteArray("QTWEBENGINE_DISABLE_SANDBOX") << QByteArray()
                                                                << QStringLiteral("Administratorrechten (root)");
    QTest::newRow("no window system to show it on") << QByteArray("QT_QPA_PLATFORM") << QByteArray("keine")
                                                    << QStringLiteral("brach ab");
    QTest::newRow("an upload host that is more than a host") << QByteArray("WW_UPLOAD_HOST") << QByteArray("example.org/x")
                                                             << QStringLiteral("keine Angabe der Form host oder host:port");
}

void TestUpload::uploadFailsVisibly()
{
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);
    QFETCH(QString, mentioned);
    if (variable == "QTWEBENGINE_DISABLE_SANDBOX" && ::geteuid() != 0)
        QSKIP("only root is refused");
    EditorWindow editor{RecordStore(QDir::currentPath())};
    editor.show();
    const QByteArray before = qgetenv(variable.constData());
    {
        BoxAnswerer boxes({QMessageBox::Ok});
        if (value.isEmpty())
            qunsetenv(variable.constData());
        else
            qputenv(variable.constData(), value);
        editor.openUpload();
        qputenv(variable.constData(), before);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1, 20000);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QVERIFY2(boxes.seen[0].text.contains(QStringLiteral("Das Upload-Fenster kann nicht geöffnet werden")),
                 qPrintable(boxes.seen[0].text));
        QVERIFY2(boxes.seen[0].text.contains(mentioned), qPrintable(boxes.seen[0].text));
    }
    // The menu entry works again afterwards.
    QTRY_VERIFY(!editor.findChild<UploadProcess *>());
    editor.openUpload();
    auto *upload = editor.findChild<UploadProcess *>();
    QVERIFY(upload);
    QVERIFY(upload->findChild<QProcess *>()->waitForStarted(10000));
    QVERIFY(editor.close());
}

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestUpload test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_upload.moc"
