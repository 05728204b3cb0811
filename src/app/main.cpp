#include "appearance.h"
#include "editor_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ww::applyAppearance(app);
    ww::EditorWindow editor;
    editor.show();
    return QApplication::exec();
}
