#include "appearance.h"
#include "editor_window.h"
#include "recovery_copy.h"
#include "word_list.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ww::applyAppearance(app);
    // Records lie below the folder the editor was started in.
    ww::EditorWindow editor{ww::RecordStore(QDir::currentPath())};
    editor.show();
    // Unsaved work survives a crash; a crashed editor's work is offered now.
    editor.keepRecoveryCopies(ww::RecoveryCopy::defaultStateFolder());
    editor.checkSpelling(ww::spelling::wordlist::personalPath());
    return QApplication::exec();
}
