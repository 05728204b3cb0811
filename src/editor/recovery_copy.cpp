#include "recovery_copy.h"

#include "record_fields.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace ww {
namespace {

// Bumped whenever the copy's layout changes; another version is not read.
constexpr int formatVersion = 1;
const QLatin1String magic("ww_editor recovery copy");
// Three texts of at most a record file's size each, every character escaped
// at worst: anything larger is not a copy of ours.
constexpr qint64 maxCopyBytes = qint64(64) * 1024 * 1024;

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
    if (!QDir().mkpath(m_folder))
        return Claim::Unavailable;
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Only a dead editor's lock is stale, however old a live one is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Claim::Claimed;
    const bool held = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    return held ? Claim::Elsewhere : Claim::Unavailable;
}

std::optional<RecoveryCopy::Leftover> RecoveryCopy::leftover(QString &movedTo) const
{
    movedTo.clear();
    QFile file(m_path);
    if (!claimed() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject copy = QJsonDocument::fromJson(file.read(maxCopyBytes)).object();
    file.close();
    Leftover left;
    bool whole = copy.value(QStringLiteral("format")).toString() == magic
        && copy.value(QStringLiteral("version")).toInt() == formatVersion;
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
    if (whole && left.changed.isValid())
        return left;
    // Cut short, another version or not ours: kept for a look by hand, out of the way.
    QString aside = m_path + QStringLiteral(".beschädigt");
    for (int n = 2; QFile::exists(aside); ++n)
        aside = m_path + QStringLiteral(".beschädigt-%1").arg(n);
    movedTo = QFile::rename(m_path, aside) ? aside : m_path;
    if (movedTo == m_path)
        QFile::remove(m_path);
    return std::nullopt;
}

bool RecoveryCopy::write(const Record &record, const QString &loadedFrom, QString &error) const
{
    if (!claimed())
        return true;
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
    QSaveFile file(m_path);
    const QByteArray bytes = QJsonDocument(copy).toJson(QJsonDocument::Compact);
    // Unbuffered, so that a short write (a full disk) fails here rather than at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void RecoveryCopy::remove() const
{
    if (claimed())
        QFile::remove(m_path);
}

} // namespace ww
