// The main window's operations whose widgets are still to come: each does
// nothing yet (see QtMainView.h).

#include "views/QtMainView.h"

#include "app/Utf8.h"

#include <spdlog/spdlog.h>

namespace app {

std::shared_ptr<IVideoformatFramerateDialog> QtMainView::openVideoFormatDialog()
{
    return nullptr;
}

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

void QtMainView::addDockView(std::shared_ptr<IViewBase>&) {}

} // namespace app
