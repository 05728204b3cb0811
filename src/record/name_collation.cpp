#include "name_collation.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>

namespace ww {

NameCollation::NameCollation()
{
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open("de_DE", &status);
    if (U_FAILURE(status)) {
        // Without ICU's data every key is empty and names keep their byte order.
        ucol_close(m_collator);
        m_collator = nullptr;
        return;
    }
    // As QCollator sets them for a German, case-insensitive, numeric collator,
    // so the order is the one Qt's own lists would show.
    ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(m_collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

NameCollation::~NameCollation()
{
    ucol_close(m_collator);
}

void NameCollation::reserve(qsizetype names)
{
    m_starts.reserve(size_t(names));
    m_keys.reserve(size_t(names) * 24);
}

void NameCollation::add(QStringView name)
{
    const size_t start = m_keys.size();
    m_starts.push_back(qsizetype(start));
    if (!m_collator) {
        m_keys.push_back('\0');
        return;
    }
    const auto *text = reinterpret_cast<const UChar *>(name.utf16());
    const auto length = int32_t(name.size());
    // A key is seldom longer than the name plus a half; the second call is rare.
    m_keys.resize(start + size_t(name.size()) * 3 / 2 + 16);
    auto room = int32_t(m_keys.size() - start);
    int32_t size = ucol_getSortKey(m_collator, text, length, reinterpret_cast<uint8_t *>(m_keys.data() + start), room);
    if (size > room) {
        m_keys.resize(start + size_t(size));
        size = ucol_getSortKey(m_collator, text, length, reinterpret_cast<uint8_t *>(m_keys.data() + start), size);
    }
    // A key ends in its only zero byte; a failed one is empty and sorts first.
    m_keys.resize(start + size_t(std::max(size, 1)));
    m_keys.back() = '\0';
}

std::vector<qsizetype> NameCollation::order(const std::function<bool(qsizetype, qsizetype)> &tieBefore) const
{
    const size_t count = m_starts.size();
    const char *keys = m_keys.data();
    // The bytes every key starts with decide nothing: a folder of "Kreatur 1"
    // to "Kreatur 9999" differs only after them.
    size_t common = 0;
    if (count > 1) {
        const char *first = keys + m_starts[0];
        common = std::strlen(first);
        for (size_t i = 1; i < count && common > 0; ++i) {
            const char *key = keys + m_starts[i];
            common = size_t(std::mismatch(first, first + common, key).first - first);
        }
    }
    // The next eight bytes as one number settle most comparisons without
    // following a pointer; zero bytes past a key's end keep its place, since
    // its own end is its only zero byte.
    struct Entry
    {
        quint64 head;
        qsizetype name;
    };
    std::vector<Entry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        const auto *key = reinterpret_cast<const unsigned char *>(keys + m_starts[i] + common);
        quint64 head = 0;
        int taken = 0;
        for (; taken < 8 && key[taken] != 0; ++taken)
            head = head << 8 | key[taken];
        entries[i] = {taken == 0 ? 0 : head << 8 * (8 - taken), qsizetype(i)};
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.head != b.head)
            return a.head < b.head;
        int c = 0;
        // A head whose last byte is zero holds its key's end: the keys tie.
        if ((a.head & 0xff) != 0)
            c = std::strcmp(keys + m_starts[size_t(a.name)] + common + 8, keys + m_starts[size_t(b.name)] + common + 8);
        return c != 0 ? c < 0 : tieBefore(a.name, b.name);
    });
    std::vector<qsizetype> sorted(count);
    std::transform(entries.begin(), entries.end(), sorted.begin(), [](const Entry &e) { return e.name; });
    return sorted;
}

} // namespace ww
