#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <type_traits>

namespace ww {

// The editor's secondary windows, at most one of each name. A window is
// created on demand, forgotten once it is gone, and closed with the editor.
// Besides widgets it tracks windows of other processes through a handle
// object with a close() of its own that deletes the handle when done.
class SecondaryWindows
{
public:
    // Creates the window called `name` through `make` unless it is open
    // already; an open window is left exactly as it is. A widget is shown
    // and deleted once closed. `make` may give nullptr when the window cannot
    // be opened.
    template<typename Make>
    void open(const QString &name, Make make)
    {
        if (isOpen(name))
            return;
        auto *window = make();
        if (!window)
            return;
        using Window = std::remove_pointer_t<decltype(window)>;
        QPointer<Window> guarded(window);
        m_windows[name] = Entry{QPointer<QObject>(window), [guarded] {
                                    if (guarded)
                                        guarded->close();
                                }};
        if constexpr (std::is_base_of_v<QWidget, Window>) {
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->show();
        }
    }

    void closeAll();

private:
    struct Entry
    {
        QPointer<QObject> window;
        std::function<void()> close;
    };

    bool isOpen(const QString &name) const;

    std::map<QString, Entry> m_windows;
};

} // namespace ww
