// The editor as it would start with the browser engine in its own process:
// linked in, and with the shared OpenGL context the engine requires.
#include "appearance.h"
#include "editor_window.h"

#include <QApplication>
#include <QDir>
#include <QWebEngineView>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ww::applyAppearance(app);
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    editor.show();
    // Keeps the engine's library a real dependency of this program.
    volatile auto keep = &QWebEngineView::staticMetaObject;
    Q_UNUSED(keep);
    return QApplication::exec();
}
