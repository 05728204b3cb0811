#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>

// Answers the program's modal message boxes while a test drives it, and keeps
// what each box showed. Boxes beyond the planned answers are closed with
// Escape, so an unexpected box shows up in `seen` instead of hanging the test.
class BoxAnswerer
{
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        QString defaultButton;
    };

    // QMessageBox::Ok, QMessageBox::Cancel, or QMessageBox::Escape for "closed".
    explicit BoxAnswerer(std::initializer_list<int> answers = {}) : m_answers(answers)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    QList<Seen> seen;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        // Boxes live on the stack, so a new one may reuse an old address.
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        Seen s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            s.buttons.append(b->text());
        if (box->defaultButton())
            s.defaultButton = box->defaultButton()->text();
        seen.append(s);

        const int answer = m_answers.empty() ? int(QMessageBox::Escape) : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        if (answer == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(QMessageBox::StandardButton(answer))->click();
    }

    std::deque<int> m_answers;
    QTimer m_timer;
};
