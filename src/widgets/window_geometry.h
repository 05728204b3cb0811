#pragma once

#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

namespace ww::geometry {

// Twips are converted at 15 per device-independent pixel (96 dpi); Qt's
// high-DPI scaling then keeps every window proportioned on denser screens.
constexpr int pixels(int twips)
{
    return (twips + 7) / 15;
}

// Edges are rounded, not sizes, so neighbouring controls neither gap nor overlap.
constexpr QRect twipRect(int left, int top, int width, int height)
{
    return QRect(QPoint(pixels(left), pixels(top)), QPoint(pixels(left + width) - 1, pixels(top + height) - 1));
}

constexpr QSize size(int width, int height)
{
    return QSize(pixels(width), pixels(height));
}

// A window with a close box only: no resizing, no minimize or maximize.
constexpr Qt::WindowFlags fixedWindowFlags()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint;
}

void centreOnScreen(QWidget *window);
void centreOn(QWidget *window, const QWidget *owner);

} // namespace ww::geometry
