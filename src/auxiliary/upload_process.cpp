#include "upload_process.h"

#include "message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QWidget>

namespace ww {

UploadProcess::UploadProcess(QWidget *editor) : QObject(editor), m_editor(editor), m_process(new QProcess(this))
{
    setObjectName(QStringLiteral("upload_form"));
    connect(m_process, &QProcess::finished, this, &QObject::deleteLater);
    // Reported once the menu command has returned, so the editor never waits on it.
    connect(
        m_process, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                failedToStart();
        },
        Qt::QueuedConnection);
}

QString UploadProcess::program()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/ww_upload");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return dir + QStringLiteral("/../libexec/ww_editor/ww_upload");
}

UploadProcess *UploadProcess::start(QWidget *editor)
{
    auto *upload = new UploadProcess(editor);
    const QPoint centre = editor->frameGeometry().center();
    upload->m_process->setProgram(program());
    upload->m_process->setArguments({QStringLiteral("--watch-stdin"), QStringLiteral("--centre"),
                                     QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())});
    upload->m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    // Standard input stays a pipe from the editor: its end tells ww_upload to quit.
    upload->m_process->start(QIODevice::WriteOnly);
    return upload;
}

void UploadProcess::failedToStart()
{
    const QString path = m_process->program();
    const QString reason = QFileInfo(path).isExecutable() ? QStringLiteral("Es ließ sich nicht starten.")
                                                          : QStringLiteral("Das Programm fehlt.");
    deleteLater();
    message::warn(m_editor, QStringLiteral("Das Upload-Fenster kann nicht geöffnet werden: '%1'. %2")
                                .arg(QFileInfo(path).absoluteFilePath(), reason));
}

void UploadProcess::close()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(1000);
        }
    }
    deleteLater();
}

} // namespace ww
