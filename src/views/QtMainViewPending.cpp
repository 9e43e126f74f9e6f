// The main window's operations whose widgets are still to come: each does
// nothing yet (see QtMainView.h).

#include "views/QtMainView.h"

#include "app/Utf8.h"

#include <spdlog/spdlog.h>

namespace app {

void QtMainView::setCursorMode(int) {}

void QtMainView::updateStatusBar(const StatusBarInfo&) {}

void QtMainView::showStatusParameters(const helper::ParameterContainer&) {}

void QtMainView::showMessageBox(const std::wstring& title, const std::wstring& text,
                                std::shared_ptr<IMainView>, std::function<void()>)
{
    try {
        spdlog::info("{}: {}", wide_to_utf8(title), wide_to_utf8(text));
    } catch (const std::exception& e) {
        spdlog::error("QtMainView::showMessageBox() failed: {}", e.what());
    }
}

IMenuButton* QtMainView::addTitleBarButton(const std::wstring&, const std::wstring&)
{
    return nullptr;
}

IMenuListButton* QtMainView::addRibbonListButton(const std::wstring&, const std::wstring&,
                                                 const std::wstring&)
{
    return nullptr;
}

IMenuListButton* QtMainView::addRibbonListButton(const char* tab, const char* group, const char* item)
{
    return addRibbonListButton(utf8_to_wide(tab ? tab : ""), utf8_to_wide(group ? group : ""),
                               utf8_to_wide(item ? item : ""));
}

IMenuButton* QtMainView::addRibbonButton(const std::wstring&, const std::wstring&, const std::wstring&)
{
    return nullptr;
}

void QtMainView::removeRibbonButton(const std::wstring&, const std::wstring&, const std::wstring&) {}

void QtMainView::enableCaptureItems(bool) {}

void QtMainView::enableViewItems(bool) {}

void QtMainView::enableDeviceItems(bool) {}

void QtMainView::setFlipChecked(bool, bool) {}

} // namespace app
