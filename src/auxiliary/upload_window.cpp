#include "upload_window.h"

#include "upload_page.h"
#include "window_geometry.h"

#include <QWebEngineView>

namespace ww {

UploadWindow::UploadWindow(const QUrl &home, QWidget *parent) : QWidget(parent, geometry::fixedWindowFlags())
{
    setObjectName(QStringLiteral("upload_form"));
    setWindowTitle(QStringLiteral("Upload..."));
    setFixedSize(geometry::size(8400, 9015));

    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser"));
    m_browser->setGeometry(geometry::twipRect(120, 120, 8175, 8775));
    m_browser->setPage(new UploadPage(home, m_browser));
}

void UploadWindow::navigate(const QUrl &url)
{
    m_browser->load(url);
}

} // namespace ww
