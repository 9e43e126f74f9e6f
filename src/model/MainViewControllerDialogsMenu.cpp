// The Device tab's "Dialogs" menu: an entry per dock of the selected camera
// ("GenICam Settings", "LUT", "Device Events"), each checked while its dock
// is open and opening or closing it when chosen. The menu is rebuilt whole,
// so its check marks follow the docks after one closed by itself.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "device/VideoDeviceController.h"
#include "model/MainModel.h"
#include "views/IMainView.h"
#include "views/IMenuItem.h"
#include "views/IMenuListButton.h"
#include "views/IPropertyTreeView.h"

#include <algorithm>
#include <spdlog/spdlog.h>

using app::IViewBase;

namespace {

const wchar_t* const kDialogsGroup = L"Miscellaneous";
const wchar_t* const kDialogsItem = L"Dialogs";

bool has_entry(app::IMenuListButton& dialogs, const std::wstring& text)
{
    const std::vector<std::wstring> items = dialogs.items();
    return std::find(items.begin(), items.end(), text) != items.end();
}

} // namespace

void MainViewController::build_dialogs_menu()
{
    const std::wstring tab = Localization::getString("Menu/Tab/Device");
    const auto camera = selected_camera();
    if (!camera) {
        view_->removeRibbonButton(tab, kDialogsGroup, kDialogsItem);
        return;
    }
    if (!camera->isDeviceOpen())
        return;
    app::IMenuListButton* dialogs = view_->addRibbonListButton(tab, kDialogsGroup, kDialogsItem);
    if (!dialogs)
        return;
    dialogs->setIcon(L"dialogs.png");
    dialogs->setMultiSelect(true);
    dialogs->itemSelected.clear();
    dialogs->clear();
    try {
        build_property_tree_toggle(*dialogs);
        build_lut_toggle(*dialogs);
        add_device_events_entry(dialogs);
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::build_dialogs_menu() failed: {}", e.what());
    }
}

void MainViewController::build_property_tree_toggle(app::IMenuListButton& dialogs)
{
    const auto camera = selected_camera();
    const std::wstring text = L"GenICam Settings";
    if (!camera || !camera->isDeviceOpen() || has_entry(dialogs, text))
        return;
    const std::shared_ptr<app::IMenuItem> entry = dialogs.addItem(text);
    if (!entry)
        return;
    entry->setChecked(propertyTreeView_ != nullptr);
    entry->triggered.push_back(gui([this](IViewBase*, bool checked) { toggle_property_dialog(checked); }));
}

void MainViewController::build_lut_toggle(app::IMenuListButton& dialogs)
{
    const auto camera = selected_camera();
    const std::wstring text = L"LUT";
    if (!camera || !camera->isDeviceOpen() || !camera->hasLutEnable() || has_entry(dialogs, text))
        return;
    const std::shared_ptr<app::IMenuItem> entry = dialogs.addItem(text);
    if (!entry)
        return;
    entry->setChecked(!lutView_.expired());
    entry->triggered.push_back(gui([this](IViewBase*, bool checked) { toggle_lut_view(checked); }));
}

void MainViewController::add_device_events_entry(app::IMenuListButton* dialogs)
{
    const auto camera = selected_camera();
    const std::wstring text = L"Device Events";
    if (!dialogs || !camera || !camera->isDeviceOpen() || !camera->hasEventSelector() ||
        has_entry(*dialogs, text))
        return;
    const std::shared_ptr<app::IMenuItem> entry = dialogs->addItem(text);
    if (!entry)
        return;
    entry->setChecked(!deviceEventView_.expired());
    entry->triggered.push_back(gui([this](IViewBase*, bool checked) { toggle_device_events_view(checked); }));
}
