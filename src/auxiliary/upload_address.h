#pragma once

#include <QString>
#include <QUrl>

namespace ww {

// The game's upload page. The host is built in; the environment variable
// WW_UPLOAD_HOST replaces it for tests and staging servers. It must be
// "host" or "host:port" and nothing else: anything more is refused, with the
// reason in `problem`, and the address is then empty. The path is fixed.
QUrl uploadAddress(QString *problem = nullptr);

} // namespace ww
