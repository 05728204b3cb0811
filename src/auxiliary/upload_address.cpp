#include "upload_address.h"

#include <QtGlobal>

namespace ww {

QUrl uploadAddress()
{
    QString host = qEnvironmentVariable("WW_UPLOAD_HOST");
    if (host.isEmpty())
        host = QStringLiteral(WW_UPLOAD_HOST_DEFAULT);
    return QUrl(QStringLiteral("http://") + host + QStringLiteral("/projects/wild_weave/php/upload.php3"));
}

} // namespace ww
