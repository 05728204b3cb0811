#pragma once

#include <QByteArrayView>
#include <QString>

namespace ww::ods {

// Watches XML's bytes before a parser gets them and stops at the first
// dimension past its bound: elements nested too deep, an element with too
// many attributes (namespace declarations among them), too many attributes
// in all, a name or a text too long. Qt's reader has no bound of its own on any
// of these: it keeps every open element, and checks each attribute against
// all others of its element.
class XmlShape
{
public:
    static constexpr int maxDepth = 256; // as libxml2 without XML_PARSE_HUGE
    static constexpr int maxAttributes = 128; // LibreOffice writes about 40 on its first element
    static constexpr qsizetype maxAllAttributes = qsizetype(8) * 1000 * 1000;
    static constexpr int maxNameBytes = 1000;
    // Text between two tags, which the reader holds whole: a cell can hold
    // no more than a record (1 MiB), written as entities five times over.
    static constexpr qsizetype maxTextBytes = qsizetype(8) * 1024 * 1024;

    // False once `bytes`, after all before them, pass a bound.
    bool feed(QByteArrayView bytes);
    // Why, in German, or "".
    const QString &problem() const { return m_problem; }

private:
    enum class State { Text, Open, Tag, Quoted, Close, Markup, Declaration, Comment, Section, Instruction };

    // One byte in the state it comes in; false past a bound.
    bool step(char c);
    bool opened(char c); // after '<'
    bool inTag(char c);
    void inMarkup(char c); // after "<!"
    bool inSpecial(char c); // a comment, a CDATA section, an instruction
    bool fail(const QString &why);
    static QString tooLong();

    State m_state = State::Text;
    char m_quote = 0;
    int m_depth = 0;
    int m_attributes = 0; // of the element being read
    qsizetype m_allAttributes = 0;
    int m_name = 0; // bytes of the name being read
    qsizetype m_text = 0; // bytes of the text being read
    bool m_slash = false; // the tag's last byte was '/'
    QByteArray m_recent; // the last bytes of markup, for "--", "]]" and "?"
    QString m_problem;
};

} // namespace ww::ods
