#pragma once

#include <QIcon>
#include <string>

namespace app::QtView {

// The icon of a command button from an image of the data folder (through the
// pixmap cache): the image as it is for the normal mode, and for the disabled
// mode its silhouette in flat grey (every pixel grey, with the image's alpha).
// A missing image gives an empty icon.
QIcon make_menu_icon(const std::wstring& name);

// The grey silhouette of a pixmap: an ARGB32 image of its size in which every
// pixel is (128, 128, 128) with the pixmap's alpha.
QImage grey_silhouette(const QPixmap& pixmap);

} // namespace app::QtView
