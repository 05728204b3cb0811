// The yardsticks for start-up: a plain Qt Widgets window of the editor's size.
// With the argument "text" it also shows one line of text, which is what
// brings up the font machinery every window with text pays for; with "menu"
// it is a main window with a menu bar and one label, the baseline the
// editor's start-up goal is stated against.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("menu")) {
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("bare"));
        window.menuBar()->addMenu(QStringLiteral("&Datei"))->addAction(QStringLiteral("&Beenden"));
        window.setCentralWidget(new QLabel(QStringLiteral("Wildweave")));
        window.resize(454, 406);
        window.show();
        return QApplication::exec();
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(454, 406);
    if (mode == QLatin1String("text"))
        new QLabel(QStringLiteral("Wildweave"), &window);
    window.show();
    return QApplication::exec();
}
