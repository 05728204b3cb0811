#include "recovery_copy.h"

#include "safe_save.h"

#include "record_error.h"
#include "record_fields.h"
#include "regular_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace ww {
namespace {

// Bumped whenever the copy's layout changes; another version is not read.
constexpr int formatVersion = 1;
const QLatin1String magic("ww_editor recovery copy");
// What the form can hold, escaped: every copy the editor writes is one it
// reads back. The description box has no limit of its own, so this is
// where one stands; a copy above it is refused with that reason.
constexpr qint64 maxCopyBytes = qint64(512) * 1024 * 1024;

QString reason(int error)
{
    return RecordError::reasonFromErrno(error ? error : EIO);
}

// Why a file cannot be written in `folder` that may be made there: QLockFile
// says only that it failed. A full disk lets an empty file be made and
// refuses its first bytes.
int writeError(const QString &folder)
{
    QByteArray probe = QFile::encodeName(folder) + "/.probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return errno;
    const char bytes[64] = {};
    const int error = ::write(fd, bytes, sizeof bytes) == ssize_t(sizeof bytes) && ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    ::unlink(probe.constData());
    return error;
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

QString RecoveryCopy::defaultStateFolder()
{
    // Qt 6.4 has no state location of its own.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/ww_editor");
}

RecoveryCopy::RecoveryCopy(QString stateFolder, const QString &workingFolder)
    : m_folder(std::move(stateFolder)), m_workingFolder(QDir(workingFolder).absolutePath())
{
    // One copy per working folder, named after it so that folders never share one.
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(m_workingFolder), QCryptographicHash::Sha1).toHex().left(16);
    m_path = m_folder + QLatin1Char('/') + QString::fromLatin1(key) + QStringLiteral(".json");
}

RecoveryCopy::~RecoveryCopy() = default;

RecoveryCopy::Claim RecoveryCopy::claim()
{
    if (claimed())
        return Claim::Claimed;
    m_holder.clear();
    m_problem.clear();
    m_readOnly = false;
    errno = 0;
    if (!QDir().mkpath(m_folder)) {
        m_problem = reason(errno);
        return Claim::Unavailable;
    }
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Only a dead editor's lock is stale, however old a live one is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Claim::Claimed;
    if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool named = m_lock->getLockInfo(&pid, &host, &application);
        if (named && !host.isEmpty() && host != QSysInfo::machineHostName()) {
            m_holder = QStringLiteral("%1, Prozess %2").arg(host).arg(pid);
            return Claim::OtherMachine;
        }
        // A lock nobody can have written whole (empty after a power cut),
        // or a dead editor's that could not be cleared away by QLockFile.
        if (!named || processGone(pid)) {
            if (m_lock->removeStaleLockFile() && m_lock->tryLock(0))
                return Claim::Claimed;
        } else {
            m_lock.reset();
            return Claim::Elsewhere;
        }
    }
    // The folder is there but takes no lock: read-only, or not ours. Its
    // copy can still be read and offered.
    m_lock.reset();
    m_readOnly = true;
    m_problem = ::access(QFile::encodeName(m_folder).constData(), W_OK) == 0 ? reason(writeError(m_folder)) : reason(errno);
    return Claim::Unavailable;
}

bool RecoveryCopy::takeOver()
{
    return m_lock && m_lock->removeStaleLockFile() && m_lock->tryLock(0);
}

QString RecoveryCopy::moveAside(const QString &suffix) const
{
    QString aside = m_path + suffix;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = m_path + suffix + QStringLiteral("-%1").arg(n);
    return QFile::rename(m_path, aside) ? aside : QString();
}

namespace {

// The copy's fields and when and where it was made; false where one is missing or out of its list.
bool read(const QJsonObject &copy, RecoveryCopy::Leftover &left)
{
    bool whole = true;
    const QJsonObject form = copy.value(QStringLiteral("form")).toObject();
    for (const fields::Field &f : fields::all()) {
        const QJsonValue value = form.value(f.captionText());
        if (f.kind == fields::Kind::Code) {
            whole = whole && value.isDouble() && f.positionOf(value.toInt()) >= 0;
            left.record.*f.code = value.toInt();
        } else {
            whole = whole && value.isString();
            left.record.*f.text = value.toString();
        }
    }
    left.changed = QDateTime::fromString(copy.value(QStringLiteral("changed")).toString(), Qt::ISODateWithMs);
    left.workingFolder = copy.value(QStringLiteral("workingFolder")).toString();
    left.loadedFrom = copy.value(QStringLiteral("loadedFrom")).toString();
    return whole;
}

} // namespace

std::optional<RecoveryCopy::Leftover> RecoveryCopy::leftover(QString &message) const
{
    message.clear();
    if (!claimed() && !m_readOnly)
        return std::nullopt;
    QByteArray bytes;
    const storage::FileRead got = storage::readRegularFile(QFile::encodeName(m_path), maxCopyBytes, bytes, false);
    using Outcome = storage::FileRead::Outcome;
    if (got.outcome == Outcome::Missing)
        return std::nullopt;
    if (got.outcome != Outcome::Read && got.outcome != Outcome::TooLarge) {
        // Never a copy of ours: a link is replaced, never followed, by the next copy.
        message = QStringLiteral("'%1' wird nicht als Sicherungskopie gelesen: %2.").arg(m_path, got.reason(maxCopyBytes));
        return std::nullopt;
    }
    const QJsonObject copy = QJsonDocument::fromJson(bytes).object();
    bytes = QByteArray();
    const int version = copy.value(QStringLiteral("version")).toInt();
    const bool ours = copy.value(QStringLiteral("format")).toString() == magic;
    Leftover left;
    bool whole = ours && version == formatVersion && read(copy, left);
    whole = whole && left.changed.isValid();
    if (whole && left.workingFolder == m_workingFolder)
        return left;

    // Kept for a look by hand, out of the way of this editor's own copies.
    QString kept;
    QString what;
    if (ours && version > formatVersion) {
        kept = moveAside(QStringLiteral(".neuere-Version"));
        what = QStringLiteral("Die Sicherungskopie '%1' stammt von einer neueren Version des Editors (Format %2; "
                              "diese liest Format %3).")
                   .arg(m_path)
                   .arg(version)
                   .arg(formatVersion);
    } else if (whole) {
        kept = moveAside(QStringLiteral(".anderer-Ordner"));
        what = QStringLiteral("Die Sicherungskopie '%1' gehört zum Ordner '%2', nicht zu '%3'.")
                   .arg(m_path, left.workingFolder, m_workingFolder);
    } else {
        kept = moveAside(QStringLiteral(".beschädigt"));
        what = QStringLiteral("Die Sicherungskopie '%1' ist beschädigt.").arg(m_path);
    }
    message = what
        + (kept.isEmpty() ? QStringLiteral(" Sie kann nicht beiseitegelegt werden und bleibt, wo sie ist.")
                          : QStringLiteral(" Sie wurde beiseitegelegt: '%1'.").arg(kept))
        + QStringLiteral(" Der Editor startet ohne sie.");
    return std::nullopt;
}

bool RecoveryCopy::write(const Record &record, const QString &loadedFrom, QString &error) const
{
    QJsonObject form;
    for (const fields::Field &f : fields::all()) {
        if (f.kind == fields::Kind::Code)
            form.insert(f.captionText(), record.*f.code);
        else
            form.insert(f.captionText(), record.*f.text);
    }
    const QJsonObject copy{
        {QStringLiteral("format"), magic},
        {QStringLiteral("version"), formatVersion},
        {QStringLiteral("changed"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)},
        {QStringLiteral("workingFolder"), m_workingFolder},
        {QStringLiteral("loadedFrom"), loadedFrom},
        {QStringLiteral("form"), form},
    };
    const QByteArray bytes = QJsonDocument(copy).toJson(QJsonDocument::Compact);
    if (bytes.size() > maxCopyBytes) {
        error = QStringLiteral("sie wäre mit %1 MiB größer als die %2 MiB, die der Editor wieder einliest")
                    .arg(bytes.size() / (qsizetype(1024) * 1024))
                    .arg(maxCopyBytes / (qint64(1024) * 1024));
        return false;
    }
    // A link in the copy's place is replaced: QSaveFile would write where it points.
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(native.constData()) != 0) {
        error = reason(errno);
        return false;
    }
    // The records' own way: it keeps errno as the failing call left it ("voll").
    if (const RecordError failure = storage::replaceFile(m_path, bytes); failure.isError()) {
        error = failure.detail().isEmpty() ? failure.message() : failure.detail();
        return false;
    }
    return true;
}

bool RecoveryCopy::remove(QString *error) const
{
    if (::unlink(QFile::encodeName(m_path).constData()) == 0 || errno == ENOENT)
        return true;
    if (error)
        *error = reason(errno);
    return false;
}

} // namespace ww
