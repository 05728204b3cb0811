#pragma once

#include <QString>

class QWidget;

namespace ww {

// The program's modal boxes, titled "ww_editor", with German buttons whether
// or not Qt's own translations are installed.
class MessageBox
{
public:
    static QString title();

    // No icon, one OK button.
    static void inform(QWidget *parent, const QString &text);
    // Warning icon, OK and "Abbrechen", OK the default; true only for OK.
    static bool confirm(QWidget *parent, const QString &text);
    // Something failed: warning icon, one OK button.
    static void warn(QWidget *parent, const QString &text);
};

} // namespace ww
