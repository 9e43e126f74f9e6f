#pragma once

#include <QIcon>

namespace app::QtView {

// The icon of an image file in the data folder ("arrow-down.png"), read once
// and kept; a missing file gives a null icon and is looked for again next time.
QIcon dataIcon(const char* fileName);

} // namespace app::QtView
