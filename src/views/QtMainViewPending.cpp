// The main window's operations whose widgets are still to come: each does
// nothing yet (see QtMainView.h).

#include "views/QtMainView.h"

#include "app/Utf8.h"

#include <spdlog/spdlog.h>

namespace app {

void QtMainView::setCursorMode(int) {}

std::shared_ptr<IVideoformatFramerateDialog> QtMainView::openVideoFormatDialog()
{
    return nullptr;
}

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

std::shared_ptr<ISequenceSettingsView> QtMainView::sequenceSettingsView(SequenceViewData)
{
    return nullptr;
}

void QtMainView::closeSequenceSettingsView() {}

std::shared_ptr<ISequenceTimerView> QtMainView::sequenceTimerView(SequenceTimerViewData)
{
    return nullptr;
}

void QtMainView::closeSequenceTimerView() {}

std::shared_ptr<IPropertyView> QtMainView::devicePropertiesView()
{
    return nullptr;
}

IPropertyView* QtMainView::newPropertyView(const std::wstring&)
{
    return nullptr;
}

void QtMainView::closeDevicePropertiesView() {}

std::shared_ptr<ILutView> QtMainView::lutView()
{
    return nullptr;
}

void QtMainView::closeLutView() {}

std::shared_ptr<IDeviceEventView> QtMainView::deviceEventView()
{
    return nullptr;
}

void QtMainView::closeDeviceEventView() {}

std::shared_ptr<IHistogramSettingsView> QtMainView::histogramSettingsView()
{
    return nullptr;
}

void QtMainView::closeHistogramSettingsView() {}

std::shared_ptr<IParameterView> QtMainView::filterSettingsView()
{
    return nullptr;
}

void QtMainView::closeFilterSettingsView() {}

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

void QtMainView::addDockView(std::shared_ptr<IViewBase>&) {}

} // namespace app
