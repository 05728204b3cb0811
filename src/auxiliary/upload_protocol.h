#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>

// What the editor and ww_upload say to each other, in one place: the
// editor starts ww_upload with these options and reads its output.
namespace ww::upload {

// ww_upload ends when its standard input closes: the editor has gone.
inline constexpr QLatin1StringView watchInputOption("watch-stdin");
// Centres the upload window on the point "x,y" (the editor's centre).
inline constexpr QLatin1StringView centreOption("centre");
// Printed on a line of its own once the window is up; an end before it is a failure.
inline constexpr QByteArrayView readyLine("ww_upload: bereit");

} // namespace ww::upload
