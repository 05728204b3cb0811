// The yardstick for start-up: a plain Qt Widgets window of the editor's size.
// With the argument "text" it also shows one line of text, which is what
// brings up the font machinery every window with text pays for.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(454, 406);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("text"))
        new QLabel(QStringLiteral("Wildweave"), &window);
    window.show();
    return QApplication::exec();
}
