#include "xml_shape.h"

#include <QLocale>

#include <utility>

namespace ww::ods {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

QString german(qsizetype n)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(n);
}

const QByteArray comment("--");
const QByteArray section("[CDATA[");

} // namespace

QString XmlShape::tooLong()
{
    return QStringLiteral("Die Tabelle enthält einen Text, einen Kommentar oder ein Attribut von mehr als %1 MiB am Stück.")
        .arg(maxTextBytes / (qsizetype(1024) * 1024));
}

bool XmlShape::fail(const QString &why)
{
    m_problem = why;
    return false;
}

bool XmlShape::feed(QByteArrayView bytes)
{
    if (!m_problem.isEmpty())
        return false;
    for (const char c : bytes) {
        if (!step(c))
            return false;
    }
    return true;
}

bool XmlShape::step(char c)
{
    switch (m_state) {
    case State::Text:
        if (c == '<') {
            m_state = State::Open;
            m_text = 0;
            return true;
        }
        return ++m_text <= maxTextBytes || fail(tooLong());
    case State::Open: return opened(c);
    case State::Tag: return inTag(c);
    case State::Quoted:
        if (c == m_quote) {
            m_state = State::Tag;
            return true;
        }
        return ++m_text <= maxTextBytes || fail(tooLong());
    case State::Close:
        if (c == '>') {
            --m_depth;
            m_state = State::Text;
        }
        return true;
    case State::Markup: inMarkup(c); return true;
    case State::Declaration:
        if (c == '>')
            m_state = State::Text;
        return true;
    case State::Comment:
    case State::Section:
    case State::Instruction: return inSpecial(c);
    }
    return true;
}

bool XmlShape::opened(char c)
{
    if (c == '/') {
        m_state = State::Close;
    } else if (c == '!') {
        m_recent.clear();
        m_state = State::Markup;
    } else if (c == '?') {
        m_state = State::Instruction;
    } else {
        if (++m_depth > maxDepth)
            return fail(QStringLiteral("Die Elemente der Tabelle sind tiefer als %1 Ebenen verschachtelt.").arg(maxDepth));
        m_attributes = 0;
        m_name = 1;
        m_text = 0;
        m_slash = false;
        m_state = State::Tag;
    }
    return true;
}

bool XmlShape::inTag(char c)
{
    const bool slash = std::exchange(m_slash, c == '/');
    if (c == '"' || c == '\'') {
        m_quote = c;
        m_state = State::Quoted;
    } else if (c == '>') {
        m_depth -= slash;
        m_state = State::Text;
    } else if (isSpace(c) || c == '=' || c == '/') {
        m_name = 0;
        if (c == '=' && ++m_attributes > maxAttributes)
            return fail(QStringLiteral("Ein Element der Tabelle hat mehr als %1 Attribute "
                                       "(Namensraum-Deklarationen mitgezählt).")
                            .arg(maxAttributes));
        if (c == '=' && ++m_allAttributes > maxAllAttributes)
            return fail(QStringLiteral("Die Tabelle hat mehr als %1 Attribute.").arg(german(maxAllAttributes)));
    } else if (++m_name > maxNameBytes) {
        return fail(QStringLiteral("Die Tabelle enthält einen Namen mit mehr als %1 Bytes.").arg(german(maxNameBytes)));
    }
    return true;
}

void XmlShape::inMarkup(char c)
{
    // "<!--" a comment, "<![CDATA[" a section; anything else a declaration,
    // which ends at its '>' (a document type is refused by the reader in any case).
    m_recent += c;
    if (m_recent == comment || m_recent == section) {
        m_state = m_recent == comment ? State::Comment : State::Section;
        m_recent.clear();
    } else if (!comment.startsWith(m_recent) && !section.startsWith(m_recent)) {
        m_state = c == '>' ? State::Text : State::Declaration;
    }
}

bool XmlShape::inSpecial(char c)
{
    const char *end = m_state == State::Comment ? "--" : m_state == State::Section ? "]]" : "?";
    if (c == '>' && m_recent.endsWith(end)) {
        m_state = State::Text;
        m_recent.clear();
        return true;
    }
    m_recent = m_recent.right(1) + c;
    return ++m_text <= maxTextBytes || fail(tooLong());
}

} // namespace ww::ods
