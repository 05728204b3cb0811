// The upload window as a program of its own, so the editor never loads a
// browser engine and a browser crash cannot take unsaved work with it.
#include "appearance.h"
#include "upload_address.h"
#include "upload_protocol.h"
#include "upload_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

namespace {

// The browser engine refuses to run as root with its sandbox on and would
// abort; say what to do instead of switching the sandbox off unasked.
bool refusesRoot()
{
    if (::geteuid() != 0)
        return false;
    if (qEnvironmentVariable("QTWEBENGINE_DISABLE_SANDBOX") == QLatin1String("1")
        || qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox")))
        return false;
    std::fputs("Der eingebettete Browser läuft nicht mit Administratorrechten (root). "
               "Bitte den Editor als gewöhnlicher Benutzer starten "
               "(oder, ohne den Schutz der Sandbox, mit QTWEBENGINE_DISABLE_SANDBOX=1).\n",
               stderr);
    return true;
}

// Centres `window` on the point "x,y" the editor gave.
void centreOn(QWidget &window, const QString &point)
{
    const QStringList xy = point.split(QLatin1Char(','));
    if (xy.size() != 2)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(QPoint(xy[0].toInt(), xy[1].toInt()));
    window.move(frame.topLeft());
}

// The editor holds the other end of standard input; when it closes, for
// whatever reason, no orphan browser stays behind.
std::unique_ptr<QSocketNotifier> endWithTheEditor()
{
    auto editorGone = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(editorGone.get(), &QSocketNotifier::activated, qApp, [notifier = editorGone.get()] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            notifier->setEnabled(false);
            QApplication::quit();
        }
    });
    return editorGone;
}

} // namespace

int main(int argc, char *argv[])
{
    if (refusesRoot())
        return 2;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ww::applyAppearance(app);
    QTranslator browserTexts;
    if (browserTexts.load(QLocale(), QStringLiteral("qtwebengine"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&browserTexts);

    QCommandLineParser options;
    const QCommandLineOption watchInput(ww::upload::watchInputOption,
                                        QStringLiteral("End when standard input closes (the editor is gone)."));
    const QCommandLineOption centre(ww::upload::centreOption, QStringLiteral("Centre the window on this point."),
                                    QStringLiteral("x,y"));
    const QCommandLineOption reportLoads(QStringLiteral("report-loads"),
                                         QStringLiteral("Print the outcome of each page load."));
    options.addOptions({watchInput, centre, reportLoads});
    options.process(app);

    QString problem;
    const QUrl home = ww::uploadAddress(&problem);
    if (home.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    ww::UploadWindow window(home);
    if (options.isSet(centre))
        centreOn(window, options.value(centre));
    if (options.isSet(reportLoads)) {
        QObject::connect(window.browser(), &QWebEngineView::loadFinished, &window, [&window](bool ok) {
            std::printf("%s %s\n", ok ? "loaded" : "failed", qPrintable(window.browser()->title()));
            std::fflush(stdout);
        });
    }

    const std::unique_ptr<QSocketNotifier> editorGone = options.isSet(watchInput) ? endWithTheEditor() : nullptr;

    window.show();
    window.navigate(home);
    // Tells the editor the window is up; an end before this line is a failure.
    QTimer::singleShot(0, &window, [] {
        std::fwrite(ww::upload::readyLine.data(), 1, size_t(ww::upload::readyLine.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    return QApplication::exec();
}
