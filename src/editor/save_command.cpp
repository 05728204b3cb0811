#include "save_command.h"

#include "message_box.h"
#include "record_format.h"
#include "value_lists.h"

namespace ww {

bool SaveCommand::run(Record record, const QString &kindText, const std::function<void(const QString &)> &fillName)
{
    const bool nameWasEmpty = record.name.isEmpty();
    if (nameWasEmpty)
        record.name = lists::recordDirectory(record.kind);

    // Refuse what the file could not hold before anything changes on disk or in the form.
    if (const RecordError problem = format::check(record); problem.isError()) {
        message::warn(m_window, problem.message() + QStringLiteral("\nEs wurde nichts gespeichert."));
        return false;
    }
    if (const RecordError error = m_store.ensureFolder(record.kind); error.isError()) {
        message::warn(m_window, error.message());
        return false;
    }
    if (nameWasEmpty)
        fillName(record.name);

    const QString fileName = record.name + format::suffix;
    if (m_store.exists(record.kind, fileName)) {
        const QString question = kindText + QStringLiteral(" '") + record.name
            + QStringLiteral("' ist schon vorhanden!\r\nSoll die Datei überschrieben werden?");
        // The window may be gone once the answer comes.
        if (!message::confirm(m_window, question) || !m_window)
            return false;
    }
    if (const RecordError error = m_store.write(record.kind, fileName, record); error.isError()) {
        message::warn(m_window, error.message());
        return false;
    }
    // A save of this file that was killed midway left its temporary behind.
    m_store.removeLeftovers(record.kind, fileName);
    message::inform(m_window, QStringLiteral("gespeichert..."));
    return !m_window.isNull();
}

} // namespace ww
