#include "recovery_keeper.h"

#include "message_box.h"
#include "record_fields.h"
#include "record_form.h"

#include <QFileInfo>
#include <QLocale>
#include <QPointer>

namespace ww {

RecoveryKeeper::RecoveryKeeper(RecordForm *form, const QString &stateFolder, const QString &workingFolder,
                               QWidget *window)
    : QObject(form), m_form(form), m_window(window), m_copy(std::make_shared<RecoveryCopy>(stateFolder, workingFolder)),
      m_path(m_copy->path())
{
    m_writer.setMaxThreadCount(1);
    m_due.setSingleShot(true);
    m_due.setInterval(delayMs);
    connect(&m_due, &QTimer::timeout, this, &RecoveryKeeper::update);
    connect(form, &RecordForm::changed, this, &RecoveryKeeper::changed);
    connect(form, &RecordForm::cleanChanged, this, [this](bool clean) {
        if (clean)
            update();
    });
    connect(form, &RecordForm::loaded, this, &RecoveryKeeper::update);
    // After the window is up: start-up itself looks at nothing more.
    QTimer::singleShot(0, this, &RecoveryKeeper::offer);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_writer.waitForDone();
}

void RecoveryKeeper::endCleanly()
{
    m_due.stop();
    if (m_copy && m_copy->claimed())
        remove();
    m_writer.waitForDone();
    m_copy.reset();
}

void RecoveryKeeper::changed()
{
    // Never restarted by the next key: while typing goes on, the copy is
    // never more than this old.
    if (m_copy && !m_due.isActive())
        m_due.start();
}

bool RecoveryKeeper::claimed()
{
    switch (m_copy->claim()) {
    case RecoveryCopy::Claim::Claimed:
        if (std::exchange(m_elsewhere, false) && QFileInfo::exists(m_path)) {
            // The other editor has gone without cleaning up: its work is
            // kept beside this one's, never written over.
            const QString aside = m_copy->moveAside(QStringLiteral(".anderer-Editor"));
            message::warn(m_window, aside.isEmpty()
                                        ? QStringLiteral("Der andere Editor in diesem Ordner läuft nicht mehr, und seine "
                                                         "Sicherungskopie '%1' lässt sich nicht beiseitelegen. Diese Sitzung "
                                                         "legt weiter keine Sicherungskopie an; bitte öfter speichern.")
                                              .arg(m_path)
                                        : QStringLiteral("Der andere Editor in diesem Ordner läuft nicht mehr. Seine "
                                                         "ungespeicherten Änderungen liegen nun in '%1'; diese Sitzung legt "
                                                         "von jetzt an die Sicherungskopie an.")
                                              .arg(aside));
            if (aside.isEmpty()) {
                m_copy.reset();
                return false;
            }
        }
        return true;
    case RecoveryCopy::Claim::Unavailable:
        warnOnce(m_copy->problem());
        return false;
    case RecoveryCopy::Claim::Elsewhere:
        // Asked again at the next change: once that editor has gone, this one keeps the copy.
        m_elsewhere = true;
        if (!std::exchange(m_toldElsewhere, true))
            message::warn(m_window, QStringLiteral("Diese Sitzung legt keine Sicherungskopie an, solange ein anderer Editor "
                                                   "in diesem Ordner läuft; dessen Kopie ist '%1'. Bitte öfter speichern.")
                                        .arg(m_path));
        return false;
    case RecoveryCopy::Claim::OtherMachine: break;
    }
    // The writer left the other machine's lock alone: that copy is its own.
    m_writer.waitForDone();
    m_copy.reset();
    return false;
}

void RecoveryKeeper::update()
{
    m_due.stop();
    if (!m_copy)
        return;
    if (!m_form->isChanged()) {
        if (m_copy->claimed())
            remove();
        return;
    }
    // A state folder that could not be written at start may be writable now.
    if (!claimed())
        return;
    const QPointer<RecoveryKeeper> self(this);
    m_writer.start([self, copy = m_copy, record = m_form->record(), from = m_form->loadedFrom()] {
        QString error;
        const bool written = copy->write(record, from, error);
        // A copy written again is warned about again when it next fails.
        QMetaObject::invokeMethod(
            self,
            [self, written, error] {
                if (self && written)
                    self->m_warned = false;
                else if (self)
                    self->warnOnce(error);
            },
            Qt::QueuedConnection);
    });
}

void RecoveryKeeper::remove()
{
    // After any write still under way, and at once: a saved form leaves no
    // copy that a crash a moment later could offer.
    m_writer.waitForDone();
    QString error;
    if (!m_copy->remove(&error))
        message::warn(m_window, QStringLiteral("Die Sicherungskopie '%1' kann nicht entfernt werden: %2.").arg(m_path, error));
}

void RecoveryKeeper::warnOnce(const QString &why)
{
    if (std::exchange(m_warned, true))
        return;
    // Editing goes on as before, without the copy.
    message::warn(m_window, QStringLiteral("Die Sicherungskopie der ungespeicherten Änderungen kann nicht geschrieben "
                                           "werden ('%1': %2). Der Editor arbeitet weiter wie bisher; bitte öfter speichern.")
                                .arg(m_path, why));
}

void RecoveryKeeper::offer()
{
    if (!m_copy)
        return;
    const QPointer<RecoveryKeeper> self(this);
    const RecoveryCopy::Claim claim = m_copy->claim();
    if (claim == RecoveryCopy::Claim::Elsewhere) {
        // Another editor works in this folder: its copy is its own, until it has gone.
        m_elsewhere = true;
        return;
    }
    if (claim == RecoveryCopy::Claim::OtherMachine) {
        const bool leave = message::ask(
            m_window,
            QStringLiteral("Die Sicherungskopie '%1' ist von einem Editor auf einem anderen Rechner gesperrt (%2).\n"
                           "Arbeitet dort noch jemand in diesem Ordner, bitte nicht übernehmen; dieser Editor hält "
                           "dann keine Sicherungskopie.\nSoll die Sperre übernommen werden?")
                .arg(m_path, m_copy->holder()),
            QStringLiteral("Nicht übernehmen"), QStringLiteral("Übernehmen"));
        if (!self)
            return;
        if (leave || !m_copy->takeOver()) {
            if (!leave)
                message::warn(m_window, QStringLiteral("Die Sperre von '%1' kann nicht übernommen werden.").arg(m_path));
            m_copy.reset();
            return;
        }
    }
    QString problem;
    const std::optional<RecoveryCopy::Leftover> left = m_copy->leftover(problem);
    if (!problem.isEmpty()) {
        message::warn(m_window, problem);
        if (!self)
            return;
    }
    if (!left)
        return;
    const Record &r = left->record;
    const QString kind = fields::at(fields::positionOf(&Record::kind)).displayText(r.kind);
    QString text = QStringLiteral("Der Editor wurde nicht ordentlich beendet. Es gibt ungespeicherte Änderungen an %1 "
                                  "vom %2")
                       .arg(r.name.isEmpty() ? kind + QStringLiteral(" (ohne Namen)")
                                             : kind + QStringLiteral(" '") + r.name + QLatin1Char('\''),
                            QLocale(QLocale::German, QLocale::Germany).toString(left->changed, QStringLiteral("dd.MM.yyyy, HH:mm")));
    if (!left->loadedFrom.isEmpty())
        text += QStringLiteral(" (geöffnet aus '%1')").arg(left->loadedFrom);
    text += QStringLiteral(".\nSollen sie wiederhergestellt werden?");
    const bool restore = message::ask(m_window, text, QStringLiteral("Wiederherstellen"), QStringLiteral("Verwerfen"));
    if (!self || !m_copy)
        return;
    if (!restore) {
        remove();
        return;
    }
    // Restored work is unsaved work: closing asks, and the copy stays until it is saved.
    m_form->restore(r, left->loadedFrom);
    m_due.stop();
}

} // namespace ww
