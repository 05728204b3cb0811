#pragma once

#include <QUrl>
#include <QWebEnginePage>

namespace ww {

// A browser page that stays on the game's own site: anything else opens in
// the user's default browser. Its file field starts in the working directory,
// where the record folders lie.
class UploadPage : public QWebEnginePage
{
    Q_OBJECT

public:
    UploadPage(const QUrl &home, QObject *parent = nullptr);

    bool isOwnSite(const QUrl &url) const;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;

private:
    QUrl m_home;
};

} // namespace ww
