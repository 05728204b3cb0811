#include "upload_page.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QWebEngineView>

namespace ww {
namespace {

// Takes the first address a new window asks for and passes it on instead of
// showing a window of its own.
class WindowRedirect : public QWebEnginePage
{
public:
    explicit WindowRedirect(UploadPage *opener) : QWebEnginePage(opener->profile(), opener), m_opener(opener) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (m_opener->isOwnSite(url))
            m_opener->load(url);
        else
            QDesktopServices::openUrl(url);
        deleteLater();
        return false;
    }

private:
    UploadPage *m_opener;
};

} // namespace

UploadPage::UploadPage(const QUrl &home, QObject *parent) : QWebEnginePage(parent), m_home(home)
{
}

bool UploadPage::isOwnSite(const QUrl &url) const
{
    return url.scheme() == m_home.scheme() && url.host().compare(m_home.host(), Qt::CaseInsensitive) == 0
        && url.port(80) == m_home.port(80);
}

bool UploadPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame || isOwnSite(url))
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    QDesktopServices::openUrl(url);
    return false;
}

QWebEnginePage *UploadPage::createWindow(WebWindowType)
{
    return new WindowRedirect(this);
}

QStringList UploadPage::chooseFiles(FileSelectionMode mode, const QStringList &, const QStringList &)
{
    auto *parent = qobject_cast<QWidget *>(QWebEngineView::forPage(this));
    const QString caption = QStringLiteral("Dateien zum Hochladen auswählen");
    if (mode == FileSelectOpenMultiple)
        return QFileDialog::getOpenFileNames(parent, caption, QDir::currentPath());
    const QString file = QFileDialog::getOpenFileName(parent, caption, QDir::currentPath());
    return file.isEmpty() ? QStringList() : QStringList{file};
}

} // namespace ww
