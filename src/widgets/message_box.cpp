#include "message_box.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace ww::message {
namespace {

// The box lives on the heap: should its parent be deleted while it waits
// for an answer (the editor ending, say), the box goes with it and the
// answer is "closed without a choice" rather than a crash.
int run(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::Ok, const QString &yes = QString(),
        const QString &no = QString())
{
    const QPointer<QMessageBox> box = new QMessageBox(icon, title(), text, buttons, parent);
    box->setObjectName(QStringLiteral("message_box"));
    box->setTextFormat(Qt::PlainText);
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "Abbrechen"},
        {QMessageBox::Save, "Speichern"},
        {QMessageBox::Discard, "Verwerfen"},
    };
    for (const auto &[button, caption] : captions) {
        if (QAbstractButton *shown = box->button(button))
            shown->setText(QString::fromUtf8(caption));
    }
    if (QAbstractButton *shown = box->button(QMessageBox::Yes)) {
        shown->setText(yes);
        box->setEscapeButton(shown);
    }
    if (QAbstractButton *shown = box->button(QMessageBox::No))
        shown->setText(no);
    box->setDefaultButton(defaultButton);
    const int answer = box->exec();
    if (!box)
        return QMessageBox::NoButton;
    delete box.data();
    return answer;
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

Choice askToSave(QWidget *parent, const QString &text)
{
    switch (run(parent, QMessageBox::Warning, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                QMessageBox::Save)) {
    case QMessageBox::Save: return Choice::Save;
    case QMessageBox::Discard: return Choice::Discard;
    default: return Choice::Cancel;
    }
}

bool ask(QWidget *parent, const QString &text, const QString &yes, const QString &no)
{
    return run(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, yes, no)
        != QMessageBox::No;
}

} // namespace ww::message
