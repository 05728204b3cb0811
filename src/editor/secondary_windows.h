#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

namespace ww {

// The editor's secondary windows, at most one of each name. A window is
// created on demand, forgotten once it is gone, and closed with the editor.
// Besides widgets it tracks windows of other processes through a QObject
// handle with a close() slot that deletes itself when its window is gone.
class SecondaryWindows
{
public:
    using Factory = std::function<QObject *()>;

    // Creates and shows the window called `name` unless it is open already;
    // an open window is left exactly as it is. A factory may give nullptr
    // when the window cannot be opened.
    void open(const QString &name, const Factory &make);
    QObject *find(const QString &name) const;
    void closeAll();

private:
    std::map<QString, QPointer<QObject>> m_windows;
};

} // namespace ww
