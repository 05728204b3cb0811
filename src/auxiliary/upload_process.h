#pragma once

#include <QObject>

class QProcess;
class QWidget;

namespace ww {

// The editor's handle on the upload window, which runs as the program
// ww_upload. Named "upload_form" like the window it stands for; deletes
// itself when that program ends or could not be started.
class UploadProcess : public QObject
{
    Q_OBJECT

public:
    // Where ww_upload lies: beside the editor, or in the installed libexec folder.
    static QString program();
    // Starts ww_upload centred on `editor` without waiting for it; should it
    // fail to start, the user is told why and the handle goes away.
    static UploadProcess *start(QWidget *editor);

    // Closes the upload window and waits briefly for the program to end.
    void close();

private:
    explicit UploadProcess(QWidget *editor);
    void failedToStart();

    QWidget *m_editor;
    QProcess *m_process;
};

} // namespace ww
