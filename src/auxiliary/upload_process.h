#pragma once

#include <QObject>
#include <QProcess>

class QWidget;

namespace ww {

// The editor's handle on the upload window, which runs as the program
// ww_upload. Deletes itself when that program ends.
class UploadProcess : public QObject
{
    Q_OBJECT

public:
    // Where ww_upload lies: beside the editor, or in the installed libexec folder.
    static QString program();
    // Starts ww_upload centred on `editor`; nullptr, after telling the user why,
    // when it cannot be started.
    static UploadProcess *start(QWidget *editor);

    qint64 processId() const { return m_process.processId(); }

public Q_SLOTS:
    // Closes the upload window and waits briefly for the program to end.
    void close();

private:
    explicit UploadProcess(QObject *parent);

    QProcess m_process;
};

} // namespace ww
