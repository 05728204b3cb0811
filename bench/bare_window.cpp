// The yardsticks for start-up: a plain Qt Widgets window of the editor's size.
// With the argument "text" it also shows one line of text, which is what
// brings up the font machinery every window with text pays for; with "menu"
// it is a main window with a menu bar and one label, the baseline the
// editor's start-up goal is stated against. With "form" it is that window
// with the kinds of controls the editor's form has, filled the plain Qt way:
// what any such form costs before a line of the editor's own.
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("form")) {
        // The design's style and face, as the editor sets them.
        QApplication::setStyle(QStringLiteral("Fusion"));
        QFont sans(QStringLiteral("Liberation Sans"));
        sans.setPixelSize(10);
        QApplication::setFont(sans);
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("bare"));
        window.menuBar()->addMenu(QStringLiteral("&Datei"))->addAction(QStringLiteral("&Beenden"));
        auto *form = new QWidget;
        window.setCentralWidget(form);
        const int entries[] = {2, 5, 101, 101, 101, 101, 101};
        int top = 4;
        for (const int count : entries) {
            (new QLabel(QStringLiteral("Bewegung-Wasser:"), form))->setGeometry(8, top, 110, 21);
            auto *list = new QComboBox(form);
            for (int i = 0; i < count; ++i)
                list->addItem(QString::number(i) + QLatin1Char('%'), i);
            list->setGeometry(120, top, 70, 21);
            top += 24;
        }
        for (int i = 0; i < 2; ++i)
            (new QLineEdit(QStringLiteral("5"), form))->setGeometry(120, top + 24 * i, 120, 21);
        auto *text = new QPlainTextEdit(form);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        text->setGeometry(8, 260, 420, 70);
        QFont serif(QStringLiteral("Times New Roman"));
        serif.setStyleHint(QFont::Serif);
        auto *address = new QLabel(QStringLiteral("info@wildweave.de"), form);
        address->setFont(serif);
        address->setGeometry(8, 340, 200, 17);
        window.resize(454, 406);
        window.show();
        return QApplication::exec();
    }
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
