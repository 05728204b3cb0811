#include "upload_process.h"

#include "message_box.h"
#include "upload_protocol.h"

#include <QCoreApplication>
#include <QEventLoopLocker>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace ww {

namespace {

constexpr int keptLines = 8;
// How long a closed upload window may take to end before it is killed.
constexpr int lingerMs = 5000;

} // namespace

UploadProcess::UploadProcess(QWidget *editor) : QObject(editor), m_editor(editor), m_process(new QProcess(this))
{
    setObjectName(QStringLiteral("upload_form"));
    connect(m_process, &QProcess::readyReadStandardOutput, this, &UploadProcess::readOutput);
    connect(m_process, &QProcess::finished, this, &UploadProcess::ended);
    // Reported once the menu command has returned, so the editor never waits on it.
    connect(
        m_process, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                failedToStart();
        },
        Qt::QueuedConnection);
}

UploadProcess::~UploadProcess() = default;

QString UploadProcess::program()
{
    const QString dir = QCoreApplication::applicationDirPath();
    QString beside = dir + QStringLiteral("/ww_upload");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return dir + QStringLiteral("/../libexec/ww_editor/ww_upload");
}

UploadProcess *UploadProcess::start(QWidget *editor)
{
    auto *upload = new UploadProcess(editor);
    const QPoint centre = editor->frameGeometry().center();
    upload->m_process->setProgram(program());
    upload->m_process->setArguments({QStringLiteral("--") + upload::watchInputOption,
                                     QStringLiteral("--") + upload::centreOption,
                                     QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())});
    // Its output passes through to the editor's; the last lines are kept
    // to explain an early end.
    upload->m_process->setProcessChannelMode(QProcess::MergedChannels);
    // Standard input stays a pipe from the editor: its end tells ww_upload to quit.
    upload->m_process->start(QIODevice::ReadWrite);
    return upload;
}

void UploadProcess::readOutput()
{
    const QByteArray output = m_process->readAllStandardOutput();
    std::fwrite(output.constData(), 1, size_t(output.size()), stderr);
    if (m_ready)
        return;
    m_partialLine += output;
    qsizetype end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray line = m_partialLine.left(end).trimmed();
        m_partialLine.remove(0, end + 1);
        if (line == upload::readyLine) {
            m_ready = true;
            m_lastLines.clear();
            return;
        }
        if (!line.isEmpty())
            m_lastLines.append(QString::fromLocal8Bit(line).left(300)); // whole characters
        if (m_lastLines.size() > keptLines)
            m_lastLines.removeFirst();
    }
}

void UploadProcess::ended(int exitCode, int exitStatus)
{
    readOutput();
    deleteLater();
    if (m_ready || m_closing)
        return;
    report(exitStatus == QProcess::CrashExit
               ? QStringLiteral("Es brach ab, bevor sein Fenster erschien.")
               : QStringLiteral("Es endete mit dem Status %1, bevor sein Fenster erschien.").arg(exitCode));
}

void UploadProcess::failedToStart()
{
    deleteLater();
    report(QFileInfo(m_process->program()).isExecutable() ? QStringLiteral("Es ließ sich nicht starten.")
                                                          : QStringLiteral("Das Programm fehlt."));
}

void UploadProcess::report(const QString &what)
{
    QString text = QStringLiteral("Das Upload-Fenster kann nicht geöffnet werden: '%1'. %2")
                       .arg(QFileInfo(m_process->program()).absoluteFilePath(), what);
    if (!m_lastLines.isEmpty())
        text += QStringLiteral("\n\nLetzte Ausgabe:\n") + m_lastLines.join(QLatin1Char('\n'));
    message::warn(m_editor, text);
}

void UploadProcess::close()
{
    if (m_closing)
        return;
    m_closing = true;
    if (m_process->state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    // ww_upload ends by itself once its input closes; nobody waits for it
    // here. The program does not end before it has, so no browser is left
    // behind, and one that lingers is killed.
    m_process->closeWriteChannel();
    m_keepProgram = std::make_unique<QEventLoopLocker>();
    QTimer::singleShot(lingerMs, this, [this] { m_process->kill(); });
}

} // namespace ww
