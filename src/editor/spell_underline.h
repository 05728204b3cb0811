#pragma once

#include <QObject>
#include <QPoint>
#include <QTextCursor>
#include <QTimer>

#include <memory>

class QMenu;
class QPlainTextEdit;

namespace ww {

namespace spelling {
class SpellChecker;
}

// Underlines the words of a text box its spell checker does not know, and
// puts corrections at the top of the box's context menu. Only the words in
// view are checked, so a long text costs no more than a short one.
class SpellUnderline : public QObject
{
    Q_OBJECT

public:
    explicit SpellUnderline(QPlainTextEdit *box);

    // Until a checker is set nothing is underlined. Words the writer adds
    // go to the list at `wordListPath` as well as into the checker.
    void setChecker(std::shared_ptr<spelling::SpellChecker> checker, const QString &wordListPath);
    spelling::SpellChecker *checker() const { return m_checker.get(); }
    // The words a writer made known changed: look at the text again.
    void recheck();

    // The box's usual context menu for `position` (in the box's viewport),
    // headed by corrections when an unknown word is there. The caller owns it.
    QMenu *createMenu(const QPoint &position, bool fromKeyboard = false);

Q_SIGNALS:
    // Adding a word to the writer's list failed; `message` says why.
    void wordListFailed(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void underline();
    // The unknown word at `position` in the document, selected; null when there is none.
    QTextCursor unknownWordAt(int position) const;

    QPlainTextEdit *m_box;
    std::shared_ptr<spelling::SpellChecker> m_checker;
    // Changes and scrolling come in bursts; the words are looked at once after each.
    QTimer m_pending;
    QString m_wordListPath;
};

} // namespace ww
