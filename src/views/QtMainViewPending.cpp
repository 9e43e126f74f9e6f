// The main window's operations whose widgets are still to come: each does
// nothing yet (see QtMainView.h).

#include "views/QtMainView.h"

#include "app/Utf8.h"

#include <spdlog/spdlog.h>

namespace app {

void QtMainView::showMessageBox(const std::wstring& title, const std::wstring& text,
                                std::shared_ptr<IMainView>, std::function<void()>)
{
    try {
        spdlog::info("{}: {}", wide_to_utf8(title), wide_to_utf8(text));
    } catch (const std::exception& e) {
        spdlog::error("QtMainView::showMessageBox() failed: {}", e.what());
    }
}

} // namespace app
