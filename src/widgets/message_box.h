#pragma once

#include <QString>

class QWidget;

// The program's modal boxes, titled "ww_editor", with German buttons whether
// or not Qt's own translations are installed. A box whose parent is deleted
// while it is open counts as closed without a choice: confirm() gives false,
// askToSave() Cancel. Callers check that they themselves still exist.
namespace ww::message {

QString title();

// No icon, one OK button.
void inform(QWidget *parent, const QString &text);
// Warning icon, OK and "Abbrechen", OK the default; true only for OK.
bool confirm(QWidget *parent, const QString &text);
// Something failed: warning icon, one OK button.
void warn(QWidget *parent, const QString &text);

enum class Choice { Save, Discard, Cancel };
// Unsaved edits are at stake: warning icon, "Speichern" (the default),
// "Verwerfen" and "Abbrechen"; closing the box cancels.
Choice askToSave(QWidget *parent, const QString &text);

// A question with two answers of its own: `yes` (the default, also what
// Esc and closing the box choose) and `no`. True for `yes`.
bool ask(QWidget *parent, const QString &text, const QString &yes, const QString &no);

} // namespace ww::message
