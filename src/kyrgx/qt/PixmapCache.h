#pragma once

#include <QPixmap>
#include <string>

namespace app {

// The program's images by file name: the first request for a name loads the
// file of that name from the "data" folder beside the executable and keeps the
// result, also a null pixmap for a file that cannot be loaded (logged once,
// never retried). GUI thread only. The cache empties itself when the
// QApplication ends, so no pixmap outlives it.
QPixmap cached_pixmap(const std::wstring& name);

// Drops every cached pixmap (the application context calls it before the
// QApplication goes).
void clear_pixmap_cache();

} // namespace app
