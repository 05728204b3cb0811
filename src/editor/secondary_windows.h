#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>

namespace ww {

// The editor's secondary windows, at most one of each name. A window is
// created on demand, forgotten when the user closes it, and closed with the editor.
class SecondaryWindows
{
public:
    using Factory = std::function<QWidget *()>;

    // Shows the window called `name`, creating it with `make` unless it is open
    // already; an open window is left exactly as it is. Returns true when created.
    bool open(const QString &name, const Factory &make);
    QWidget *find(const QString &name) const;
    void closeAll();

private:
    std::map<QString, QPointer<QWidget>> m_windows;
};

} // namespace ww
