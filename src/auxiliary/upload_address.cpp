#include "upload_address.h"

#include <QRegularExpression>

namespace ww {

QUrl uploadAddress(QString *problem)
{
    const QString given = qEnvironmentVariable("WW_UPLOAD_HOST");
    const QString hostAndPort = given.isEmpty() ? QStringLiteral(WW_UPLOAD_HOST_DEFAULT) : given;
    // A name or an IPv4 address, then an optional port: no path, user or scheme slips in.
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9](?:[A-Za-z0-9.-]*[A-Za-z0-9])?)(?::([0-9]{1,5}))?$"));
    const QRegularExpressionMatch match = form.match(hostAndPort);
    const int port = match.captured(2).isEmpty() ? -1 : match.captured(2).toInt();
    if (!match.hasMatch() || port == 0 || port > 65535) {
        if (problem)
            *problem = QStringLiteral("WW_UPLOAD_HOST='%1' ist keine Angabe der Form host oder host:port.").arg(hostAndPort);
        return QUrl();
    }
    QUrl address;
    address.setScheme(QStringLiteral("http"));
    address.setHost(match.captured(1));
    address.setPort(port);
    address.setPath(QStringLiteral("/projects/wild_weave/php/upload.php3"));
    return address;
}

} // namespace ww
