#include "upload_process.h"

#include "message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>

namespace ww {

UploadProcess::UploadProcess(QObject *parent) : QObject(parent)
{
    connect(&m_process, &QProcess::finished, this, &QObject::deleteLater);
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
    const QString path = program();
    auto *upload = new UploadProcess(editor);
    const QPoint centre = editor->frameGeometry().center();
    upload->m_process.setProgram(path);
    upload->m_process.setArguments({QStringLiteral("--watch-stdin"), QStringLiteral("--centre"),
                                    QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())});
    upload->m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    // Standard input stays a pipe from the editor: its end tells ww_upload to quit.
    upload->m_process.start(QIODevice::WriteOnly);
    if (!upload->m_process.waitForStarted(10000)) {
        const QString reason = QFileInfo(path).isExecutable() ? QStringLiteral("Es ließ sich nicht starten.")
                                                              : QStringLiteral("Das Programm fehlt.");
        delete upload;
        MessageBox::warn(editor, QStringLiteral("Das Upload-Fenster kann nicht geöffnet werden: '%1'. %2")
                                     .arg(QFileInfo(path).absoluteFilePath(), reason));
        return nullptr;
    }
    return upload;
}

void UploadProcess::close()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(1000);
        }
    }
    deleteLater();
}

} // namespace ww
