#pragma once

#include <QUrl>

namespace ww {

// The game's upload page. The host is built in and may be replaced through
// the environment variable WW_UPLOAD_HOST ("host" or "host:port"), for tests
// against a local server; the path is fixed.
QUrl uploadAddress();

} // namespace ww
