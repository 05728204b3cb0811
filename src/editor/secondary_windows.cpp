#include "secondary_windows.h"

namespace ww {

bool SecondaryWindows::open(const QString &name, const Factory &make)
{
    if (find(name))
        return false;
    QWidget *window = make();
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows[name] = window;
    window->show();
    return true;
}

QWidget *SecondaryWindows::find(const QString &name) const
{
    const auto it = m_windows.find(name);
    return it == m_windows.end() ? nullptr : it->second.data();
}

void SecondaryWindows::closeAll()
{
    for (auto &[name, window] : m_windows) {
        if (window)
            window->close();
    }
    m_windows.clear();
}

} // namespace ww
