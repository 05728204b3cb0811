#include "img_select_window.h"

#include "window_geometry.h"

namespace ww {

ImageSelectWindow::ImageSelectWindow(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("img_select"));
    setWindowTitle(QStringLiteral("Bild auswählen..."));
    resize(geometry::size(8505, 7380));
    geometry::centreOn(this, owner);
}

} // namespace ww
