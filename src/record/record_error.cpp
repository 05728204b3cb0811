#include "record_error.h"

#include "record_fields.h"
#include "record_limits.h"

#include <QDir>
#include <QLocale>

#include <cerrno>
#include <cstring>

namespace ww {

RecordError::RecordError(Code code, QString path, int field, QString detail)
    : m_code(code), m_path(std::move(path)), m_field(field), m_detail(std::move(detail))
{
}

namespace {

// "1 oder 2", "1 bis 5", "0 bis 100": the codes the field's list holds.
QString allowedCodes(int position)
{
    const QList<ListEntry> &entries = fields::at(position).entries();
    return QStringLiteral("%1 %2 %3")
        .arg(entries.constFirst().code)
        .arg(entries.size() == 2 ? QStringLiteral("oder") : QStringLiteral("bis"))
        .arg(entries.constLast().code);
}

} // namespace

// What the save check says of a record: the field's caption, no file yet.
QString RecordError::checkMessage() const
{
    const QString caption = QLatin1Char('\'') + fields::caption(m_field) + QLatin1Char('\'');
    switch (m_code) {
    case Code::EmptyName:
        return QStringLiteral("Der Name ist leer.");
    case Code::QuoteInText:
        return QStringLiteral("Das Feld %1 enthält ein doppeltes Anführungszeichen (\"). "
                              "Die Datei kann es nicht speichern; bitte entfernen oder durch ' ersetzen.")
            .arg(caption);
    case Code::Unencodable:
        return QStringLiteral("Das Feld %1 enthält Zeichen, die die Datei nicht speichern kann: %2.")
            .arg(caption, m_detail);
    case Code::NameWithSeparator:
        return QStringLiteral("Der Name darf die Zeichen '/' und '\\' nicht enthalten.");
    case Code::NameIsDot:
        return QStringLiteral("Der Name darf nicht '.' oder '..' lauten.");
    case Code::NameWithControl:
        return QStringLiteral("Der Name enthält ein Steuerzeichen (%1); bitte entfernen.").arg(m_detail);
    case Code::NameTooLong:
        return QStringLiteral("Der Name ist zu lang für einen Dateinamen: höchstens %1 Bytes, er hat %2 Bytes.")
            .arg(format::maxNameBytes)
            .arg(m_detail);
    case Code::RecordTooLarge:
        return QStringLiteral("Der Datensatz wäre mit %1 Bytes zu groß für eine Datei (höchstens %2 MiB, %3 Bytes); "
                              "das meiste davon steht im Feld %4.")
            .arg(QLocale().toString(m_detail.toLongLong()))
            .arg(format::maxFileBytes / (qint64(1024) * 1024))
            .arg(QLocale().toString(format::maxFileBytes))
            .arg(caption);
    case Code::CodeNotInList:
        return QStringLiteral("Das Feld %1 hat den Wert %2; erlaubt ist %3.").arg(caption, m_detail, allowedCodes(m_field));
    default: return QString();
    }
}

QString RecordError::message() const
{
    if (QString said = checkMessage(); !said.isEmpty())
        return said;
    // Absolute, so the user can find the file whatever folder the program runs in.
    const QString file = QLatin1Char('\'') + QDir::cleanPath(QDir::current().absoluteFilePath(m_path)) + QLatin1Char('\'');
    const QString field = QStringLiteral("Feld %1 (%2)").arg(m_field).arg(fields::caption(m_field));
    switch (m_code) {
    case Code::NotFound:
        return QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(file);
    case Code::NotRegular:
        return QStringLiteral("%1 ist keine gewöhnliche Datei und wird nicht geöffnet.").arg(file);
    case Code::Unreadable:
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2.").arg(file, m_detail);
    case Code::TooLarge:
        return QStringLiteral("Die Datei %1 ist zu groß für einen Datensatz (%2 Bytes, höchstens %3 MiB).")
            .arg(file, m_detail)
            .arg(format::maxFileBytes / (qint64(1024) * 1024));
    case Code::FolderUnreadable:
        return QStringLiteral("Der Ordner %1 kann nicht gelesen werden: %2.").arg(file, m_detail);
    case Code::TooFewFields:
        return QStringLiteral("Die Datei %1 ist unvollständig: %2 fehlt.").arg(file, field);
    case Code::UnclosedQuote:
        return QStringLiteral("Die Datei %1 ist beschädigt: Im %2 fehlt das schließende Anführungszeichen.")
            .arg(file, field);
    case Code::NotANumber:
        return QStringLiteral("Die Datei %1 ist beschädigt: %2 enthält keine ganze Zahl, sondern '%3'.")
            .arg(file, field, m_detail);
    case Code::OutOfRange:
        return QStringLiteral("Die Datei %1 enthält im %2 den Wert %3; erlaubt ist %4.")
            .arg(file, field, m_detail, allowedCodes(m_field));
    case Code::DirectoryMissing:
        return QStringLiteral("Der Ordner für die Datei %1 fehlt.").arg(file);
    case Code::DirectoryBlocked:
        return QStringLiteral("Der Ordner %1 kann nicht angelegt werden: Eine Datei dieses Namens ist im Weg.")
            .arg(file);
    case Code::DirectoryNotCreated:
        return QStringLiteral("Der Ordner %1 kann nicht angelegt werden: %2.").arg(file, m_detail);
    case Code::TargetIsDirectory:
        return QStringLiteral("Die Datei %1 kann nicht gespeichert werden: Ein Ordner dieses Namens ist im Weg.")
            .arg(file);
    case Code::TargetIsLink:
        return QStringLiteral("Die Datei %1 wird nicht gespeichert: Sie ist ein symbolischer Verweis, und was "
                              "durch ihn geschrieben würde, könnte außerhalb des Ordners landen.")
            .arg(file);
    case Code::NotWritable:
        return QStringLiteral("Die Datei %1 kann nicht gespeichert werden: Sie ist schreibgeschützt.").arg(file);
    case Code::WriteFailed:
        return QStringLiteral("Die Datei %1 kann nicht gespeichert werden: %2. "
                              "Eine frühere Fassung der Datei bleibt unverändert.")
            .arg(file, m_detail);
    case Code::CreateFailed:
        return QStringLiteral("Die Datei %1 kann nicht gespeichert werden: %2.").arg(file, m_detail);
    default: return QString();
    }
}

QString RecordError::reasonFromErrno(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("Datei oder Ordner nicht vorhanden");
    case EACCES:
    case EPERM: return QStringLiteral("keine Berechtigung");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("der Datenträger ist voll");
    case EFBIG: return QStringLiteral("die Datei wird zu groß");
    case EROFS: return QStringLiteral("das Dateisystem ist schreibgeschützt");
    case EISDIR: return QStringLiteral("ein Ordner ist im Weg");
    case ENOTDIR: return QStringLiteral("ein Teil des Pfades ist kein Ordner");
    case ENAMETOOLONG: return QStringLiteral("der Name ist zu lang");
    case EIO: return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    case EMFILE:
    case ENFILE: return QStringLiteral("zu viele offene Dateien");
    case ELOOP: return QStringLiteral("symbolische Verknüpfungen verweisen im Kreis");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("die Datei ist gerade in Gebrauch");
    case ESTALE:
    case ENODEV:
    case ENXIO: return QStringLiteral("der Datenträger ist nicht mehr erreichbar");
    default: return QStringLiteral("Systemfehler %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

} // namespace ww
