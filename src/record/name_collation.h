#pragma once

#include <QStringView>

#include <functional>
#include <vector>

struct UCollator;

namespace ww {

// German order for file names, case ignored and numbers by their value
// ("Drache 2" before "Drache 10"). The keys of a whole folder share one
// buffer, so sorting thousands of names compares bytes in place instead of
// chasing a separate key object per name.
class NameCollation
{
public:
    NameCollation();
    ~NameCollation();
    NameCollation(const NameCollation &) = delete;
    NameCollation &operator=(const NameCollation &) = delete;

    void reserve(qsizetype names);
    // Adds the key of the next name; names are numbered from 0 in this order.
    void add(QStringView name);
    // The names' numbers in German order; names whose keys tie are ordered
    // by `tieBefore`.
    std::vector<qsizetype> order(const std::function<bool(qsizetype, qsizetype)> &tieBefore) const;

private:
    UCollator *m_collator = nullptr;
    std::vector<char> m_keys;
    std::vector<qsizetype> m_starts;
};

} // namespace ww
