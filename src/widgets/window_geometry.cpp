#include "window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ww::geometry {

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void centreOn(QWidget *window, const QWidget *owner)
{
    QRect frame = window->frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    window->move(frame.topLeft());
}

} // namespace ww::geometry
