#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QEventLoopLocker;

class QProcess;
class QWidget;

namespace ww {

// The editor's handle on the upload window, which runs as the program
// ww_upload. Named "upload_form" like the window it stands for; deletes
// itself when that program ends or could not be started. Should it end
// before its window is up, the user is told why, with its last words.
class UploadProcess : public QObject
{
    Q_OBJECT

public:
    // Starts ww_upload centred on `editor` without waiting for it; should it
    // fail to start, the user is told why and the handle goes away.
    static UploadProcess *start(QWidget *editor);
    ~UploadProcess() override;

    // Closes the upload window without waiting; the handle goes once the
    // program has ended.
    void close();

private:
    // Where ww_upload lies: beside the editor, or in the installed libexec folder.
    static QString program();
    explicit UploadProcess(QWidget *editor);
    void readOutput();
    void ended(int exitCode, int exitStatus);
    void failedToStart();
    void report(const QString &what);

    QWidget *m_editor;
    QProcess *m_process;
    QByteArray m_partialLine;
    QStringList m_lastLines;
    bool m_ready = false;
    bool m_closing = false;
    // Keeps the program from ending while a closed ww_upload winds down.
    std::unique_ptr<QEventLoopLocker> m_keepProgram;
};

} // namespace ww
