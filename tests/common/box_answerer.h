#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

// Answers the program's modal message boxes while a test drives it, and keeps
// what each box showed. A box that no answerer planned for (none alive, or
// its answers used up) fails the running test at once with the box's text
// and is closed, so it can never hang the suite. install() starts the watch
// for the whole test program.
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

    // Answering with the keyboard alone: Return takes the default button.
    static constexpr int PressReturn = -1;
    // Runs the answerer's action while the box is open (closing or deleting
    // the window behind it, say); a box that outlives it is then closed.
    static constexpr int Act = -2;

    // One answer per expected box, in order: QMessageBox::Ok, ::Cancel, or
    // QMessageBox::Escape for "closed without a button", or PressReturn.
    explicit BoxAnswerer(std::initializer_list<int> answers = {}) : BoxAnswerer(QList<int>(answers)) {}
    explicit BoxAnswerer(const QList<int> &answers) : m_answers(answers.begin(), answers.end()), m_outer(current())
    {
        install();
        current() = this;
    }
    ~BoxAnswerer() { current() = m_outer; }
    BoxAnswerer(const BoxAnswerer &) = delete;
    BoxAnswerer &operator=(const BoxAnswerer &) = delete;

    QList<Seen> seen;
    std::function<void()> action;

    static void install()
    {
        static QTimer *watch = [] {
            auto *timer = new QTimer(qApp);
            QObject::connect(timer, &QTimer::timeout, [] { poll(); });
            timer->start(5);
            return timer;
        }();
        Q_UNUSED(watch);
    }

private:
    static BoxAnswerer *&current()
    {
        static BoxAnswerer *answerer = nullptr;
        return answerer;
    }

    static void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        // Boxes live on the stack, so a new one may reuse an old address.
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        BoxAnswerer *answerer = current();
        if (!answerer || answerer->m_answers.empty()) {
            const QByteArray text = "unexpected message box: " + box->text().toUtf8();
            QTest::qFail(text.constData(), __FILE__, __LINE__);
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        Seen s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            s.buttons.append(b->text());
        if (box->defaultButton())
            s.defaultButton = box->defaultButton()->text();
        answerer->seen.append(s);

        const int answer = answerer->m_answers.front();
        answerer->m_answers.pop_front();
        if (answer == Act) {
            const QPointer<QMessageBox> open(box);
            answerer->action();
            if (open)
                QTest::keyClick(open, Qt::Key_Escape);
        } else if (answer == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (answer == PressReturn)
            QTest::keyClick(box, Qt::Key_Return);
        else if (QAbstractButton *button = box->button(QMessageBox::StandardButton(answer)))
            button->click();
        else {
            // Another box than the one planned for: said, and closed.
            const QByteArray text = "the message box has no button for the planned answer: " + box->text().toUtf8();
            QTest::qFail(text.constData(), __FILE__, __LINE__);
            QTest::keyClick(box, Qt::Key_Escape);
        }
    }

    std::deque<int> m_answers;
    BoxAnswerer *m_outer;
};
