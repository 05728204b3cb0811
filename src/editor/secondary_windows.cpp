#include "secondary_windows.h"

namespace ww {

bool SecondaryWindows::isOpen(const QString &name) const
{
    const auto it = m_windows.find(name);
    return it != m_windows.end() && it->second.window;
}

void SecondaryWindows::closeAll()
{
    // Closing may delete windows and so touch the map; work on a copy.
    const auto windows = std::exchange(m_windows, {});
    for (const auto &[name, entry] : windows)
        entry.close();
}

} // namespace ww
