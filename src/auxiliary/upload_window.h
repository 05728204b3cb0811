#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace ww {

// Shows the game's upload page; the page and the browser do all the uploading.
class UploadWindow : public QWidget
{
    Q_OBJECT

public:
    explicit UploadWindow(const QUrl &home, QWidget *parent = nullptr);

    void navigate(const QUrl &url);
    QWebEngineView *browser() const { return m_browser; }

private:
    QWebEngineView *m_browser = nullptr;
};

} // namespace ww
