#include "secondary_windows.h"

#include <QWidget>

namespace ww {

void SecondaryWindows::open(const QString &name, const Factory &make)
{
    if (find(name))
        return;
    QObject *window = make();
    if (!window)
        return;
    m_windows[name] = window;
    if (auto *widget = qobject_cast<QWidget *>(window)) {
        widget->setAttribute(Qt::WA_DeleteOnClose);
        widget->show();
    }
}

QObject *SecondaryWindows::find(const QString &name) const
{
    const auto it = m_windows.find(name);
    return it == m_windows.end() ? nullptr : it->second.data();
}

void SecondaryWindows::closeAll()
{
    for (auto &[name, window] : m_windows) {
        if (window)
            QMetaObject::invokeMethod(window, "close", Qt::DirectConnection);
    }
    m_windows.clear();
}

} // namespace ww
