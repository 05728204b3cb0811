#include "message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace ww::message {
namespace {

int run(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title(), text, buttons, parent);
    box.setObjectName(QStringLiteral("message_box"));
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("Abbrechen"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}

} // namespace

QString title()
{
    return QStringLiteral("ww_editor");
}

void inform(QWidget *parent, const QString &text)
{
    run(parent, QMessageBox::NoIcon, text, QMessageBox::Ok);
}

bool confirm(QWidget *parent, const QString &text)
{
    return run(parent, QMessageBox::Warning, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void warn(QWidget *parent, const QString &text)
{
    run(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

} // namespace ww::message
