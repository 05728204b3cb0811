#pragma once

#include <QObject>
#include <QPoint>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QPlainTextEdit;
class QThread;

namespace ww {

namespace spelling {
class SpellChecker;
}

// Underlines the words of a text box its spell checker does not know, and
// puts corrections at the top of the box's context menu. Only the words in
// view are checked, so a long text costs no more than a short one. It is
// attached to the box from outside: neither the box nor its window needs
// to know it is there.
class SpellUnderline : public QObject
{
    Q_OBJECT

public:
    explicit SpellUnderline(QPlainTextEdit *box);
    ~SpellUnderline() override;

    // Loads the German dictionary on a thread of its own, once the box has
    // been painted and holds text: its megabytes wait for a text to check,
    // and the window's first paint owes them nothing. The words in the list
    // at `wordListPath` and `knownWords()` (called on that thread) count as
    // known; words the writer adds go to the list.
    void loadDictionary(const QString &wordListPath, std::function<QStringList()> knownWords);
    // `word` counts as known from now on (a record's name, once saved).
    void addKnown(const QString &word);

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
    // The dictionary or the writer's list could not be read, or a word not
    // added to it; `message` says why.
    void spellingFailed(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void underline();
    void loadWhenNeeded();
    // The unknown word at `position` in the document, selected; null when there is none.
    QTextCursor unknownWordAt(int position) const;

    QPlainTextEdit *m_box;
    std::shared_ptr<spelling::SpellChecker> m_checker;
    // Changes and scrolling come in bursts; the words are looked at once after each.
    QTimer m_pending;
    QString m_wordListPath;
    std::function<QStringList()> m_knownWords;
    bool m_loadWaits = false;
    bool m_painted = false;
    // Waited for on destruction, so it never outlives the box.
    std::unique_ptr<QThread> m_load;
};

} // namespace ww
