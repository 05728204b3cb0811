#include "save_command.h"

#include "editor_window.h"
#include "message_box.h"
#include "record_format.h"
#include "record_storage.h"
#include "value_lists.h"

#include <QPointer>

namespace ww {

bool SaveCommand::run()
{
    Record record = m_editor.record();
    const QString directory = lists::recordDirectory(record.kind);
    const bool nameWasEmpty = record.name.isEmpty();
    if (nameWasEmpty)
        record.name = directory;

    // Refuse what the file could not hold before anything changes on disk or in the form.
    if (const RecordError problem = format::check(record); problem.isError()) {
        message::warn(&m_editor, problem.message() + QStringLiteral("\nEs wurde nichts gespeichert."));
        return false;
    }
    if (const RecordError error = storage::ensureDirectory(directory); error.isError()) {
        message::warn(&m_editor, error.message());
        return false;
    }
    if (nameWasEmpty)
        m_editor.setName(record.name);

    const QString path = storage::pathFor(directory, record.name);
    if (storage::exists(path)) {
        const QString question = m_editor.kindText() + QStringLiteral(" '") + record.name
            + QStringLiteral("' ist schon vorhanden!\r\nSoll die Datei überschrieben werden?");
        // The editor may be gone once the answer comes.
        const QPointer<EditorWindow> editor(&m_editor);
        if (!message::confirm(&m_editor, question) || !editor)
            return false;
    }
    if (const RecordError error = storage::write(directory, record); error.isError()) {
        message::warn(&m_editor, error.message());
        return false;
    }
    message::inform(&m_editor, QStringLiteral("gespeichert..."));
    return true;
}

} // namespace ww
