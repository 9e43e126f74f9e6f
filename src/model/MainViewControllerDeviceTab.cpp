// The Device tab's items, each made, refilled or removed from what the
// selected camera offers. The main window keeps every item under its tab,
// group and item name, so building one again refills it in place; a builder
// empties the lists it subscribes to before it subscribes again.
//
// Three states decide an item: no camera selected (items go), a selected
// camera whose device is not open (most items stay as they are) and an open
// camera (items as it offers them).

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/MainModel.h"
#include "views/IMainView.h"
#include "views/IMenuButton.h"
#include "views/IMenuItem.h"
#include "views/IMenuListButton.h"
#include "views/IPropertyTreeView.h"

#include <algorithm>
#include <fmt/format.h>
#include <spdlog/spdlog.h>

using app::IMenuListButton;
using app::IViewBase;
using app::VideoDeviceController;

namespace {

constexpr const wchar_t* kMiscellaneous = L"Miscellaneous";
constexpr const wchar_t* kDialogs = L"Dialogs";
constexpr const wchar_t* kGenICamEntry = L"GenICam Settings";
constexpr const wchar_t* kLutEntry = L"LUT";
constexpr const wchar_t* kDeviceEventsEntry = L"Device Events";
constexpr const wchar_t* kAutoFocus = L"Auto Focus";

std::wstring tab()
{
    return Localization::getString("Menu/Tab/Device");
}

std::wstring group()
{
    return Localization::getString("Menu/Group/DeviceSettings");
}

std::wstring item(const char* key)
{
    return Localization::getString(key);
}

std::wstring ascii_wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::vector<std::wstring> wide_texts(const std::vector<std::string>& texts)
{
    std::vector<std::wstring> wide;
    wide.reserve(texts.size());
    for (const std::string& text : texts)
        wide.push_back(app::utf8_to_wide(text));
    return wide;
}

bool has_entry(IMenuListButton& list, const std::wstring& text)
{
    const std::vector<std::wstring> items = list.items();
    return std::find(items.begin(), items.end(), text) != items.end();
}

} // namespace

std::wstring MainViewController::framerate_text(float rate)
{
    return ascii_wide(fmt::format("{:.2f}", rate));
}

std::wstring MainViewController::resolution_text(int64_t width, int64_t height)
{
    return ascii_wide(fmt::format("{}x{}", width, height));
}

void MainViewController::build_device_tab_items()
{
    using Builder = void (MainViewController::*)();
    static constexpr std::pair<const char*, Builder> builders[] = {
        {"build_select_device_item", &MainViewController::build_select_device_item},
        {"build_pixelformat_list", &MainViewController::build_pixelformat_list},
        {"build_resolution_list", &MainViewController::build_resolution_list},
        {"build_framerate_list", &MainViewController::build_framerate_list},
        {"build_videonorm_list", &MainViewController::build_videonorm_list},
        {"build_inputchannel_list", &MainViewController::build_inputchannel_list},
        {"build_binning_item", &MainViewController::build_binning_item},
        {"build_dialogs_menu", &MainViewController::build_dialogs_menu},
        {"build_autofocus_button", &MainViewController::build_autofocus_button},
    };
    for (const auto& [name, build] : builders) {
        try {
            (this->*build)();
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::{}() failed: {}", name, e.what());
        }
    }
}

void MainViewController::build_select_device_item()
{
    if (!model_->has_selected_device()) {
        view_->removeRibbonButton(tab(), group(), item("Menu/Items/SelectDevice"));
        view_->removeRibbonButton(tab(), group(), item("Menu/Items/Pause"));
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    if (IMenuListButton* button =
            view_->addRibbonListButton(tab(), group(), item("Menu/Items/SelectDevice"))) {
        retire_handlers(button->itemSelected);
        button->clear();
        button->setIcon(L"device.png");
        for (const vsx::DeviceInfo& device : menu_devices())
            button->addItem(device_entry_text(device));
        // Filled anew each time it opens: cameras come and go meanwhile.
        retire_handlers(button->aboutToShow);
        button->aboutToShow.push_back(gui([this, button](IViewBase*) { fill_device_menu(button); }));
        button->itemSelected.push_back(
            gui([this](IViewBase*, std::wstring, int index) { select_menu_device(index); }));
    }
    build_start_stop_button();
}

void MainViewController::build_start_stop_button()
{
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    app::IMenuButton* button = view_->addRibbonButton(tab(), group(), item("Menu/Items/Pause"));
    if (!button)
        return;
    const bool paused = camera->isPaused();
    button->setText(item(paused ? "Menu/Items/Start" : "Menu/Items/Stop"));
    button->setIcon(paused ? L"start.png" : L"stop.png");
    retire_handlers(button->clicked);
    button->clicked.push_back(gui([this, button](IViewBase*) { toggle_pause(button); }));
}

IMenuListButton* MainViewController::fill_device_list(const std::wstring& name, bool offered,
                                                      const wchar_t* icon,
                                                      const std::vector<std::wstring>& entries,
                                                      const std::wstring& current)
{
    if (!offered) {
        view_->removeRibbonButton(tab(), group(), name);
        return nullptr;
    }
    IMenuListButton* list = view_->addRibbonListButton(tab(), group(), name);
    if (!list)
        return nullptr;
    retire_handlers(list->itemSelected);
    list->clear();
    list->setIcon(icon);
    for (const std::wstring& entry : entries)
        list->addItem(entry);
    list->setCheckedItem(current);
    return list;
}

void MainViewController::build_pixelformat_list()
{
    const std::wstring name = item("Menu/Items/Pixelformat");
    if (!model_->has_selected_device()) {
        view_->removeRibbonButton(tab(), group(), name);
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    const std::vector<std::wstring> names = wide_texts(camera->pixelformatNames());
    IMenuListButton* list = fill_device_list(name, names.size() >= 2, L"Pixelformat.png", names,
                                             app::utf8_to_wide(camera->videoformat().pixelformat));
    if (!list)
        return;
    list->itemSelected.push_back(
        gui([this](IViewBase*, std::wstring, int index) { select_pixelformat(index); }));
    update_device_info();
}

void MainViewController::build_resolution_list()
{
    const std::wstring name = item("Menu/Items/Resolution");
    if (!model_->has_selected_device()) {
        view_->removeRibbonButton(tab(), group(), name);
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    const app::VideoFormat current = camera->videoformat();
    std::vector<std::wstring> sizes;
    for (const app::Resolution& size : camera->resolutions(current.pixelformat))
        sizes.push_back(resolution_text(size.x, size.y));
    IMenuListButton* list = fill_device_list(name, sizes.size() >= 2, L"VideoFormat.png", sizes,
                                             resolution_text(current.width, current.height));
    if (!list)
        return;
    list->itemSelected.push_back(
        gui([this](IViewBase*, std::wstring, int index) { select_resolution(index); }));
    update_device_info();
}

void MainViewController::build_framerate_list()
{
    const std::wstring name = item("Menu/Items/Framerate");
    if (!model_->has_selected_device()) {
        view_->removeRibbonButton(tab(), group(), name);
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    std::vector<std::wstring> rates;
    if (camera->hasFramerate())
        for (double rate : camera->framerates())
            rates.push_back(framerate_text(static_cast<float>(rate)));
    IMenuListButton* list = fill_device_list(name, !rates.empty(), L"Framerate.png", rates,
                                             framerate_text(static_cast<float>(camera->framerate())));
    if (!list)
        return;
    list->itemSelected.push_back(
        gui([this](IViewBase*, std::wstring, int index) { select_framerate(index); }));
}

void MainViewController::build_videonorm_list()
{
    const auto camera = selected_camera();
    const bool offered = camera && camera->isDeviceOpen() && camera->hasVideonorm();
    IMenuListButton* list =
        fill_device_list(item("Menu/Items/Videonorms"), offered, L"videonorm.png",
                         offered ? wide_texts(camera->videonorms()) : std::vector<std::wstring>{},
                         offered ? app::utf8_to_wide(camera->videonorm()) : std::wstring{});
    if (list)
        list->itemSelected.push_back(
            gui([this](IViewBase*, std::wstring text, int) { select_videonorm(text); }));
}

void MainViewController::build_inputchannel_list()
{
    const auto camera = selected_camera();
    const bool offered = camera && camera->isDeviceOpen() && camera->hasInputchannel();
    IMenuListButton* list =
        fill_device_list(item("Menu/Items/InputChannels"), offered, L"InputChannel.png",
                         offered ? wide_texts(camera->inputchannels()) : std::vector<std::wstring>{},
                         offered ? app::utf8_to_wide(camera->inputchannel()) : std::wstring{});
    if (list)
        list->itemSelected.push_back(
            gui([this](IViewBase*, std::wstring text, int) { select_inputchannel(text); }));
}

void MainViewController::build_binning_item()
{
    const auto camera = selected_camera();
    const bool offered = camera && camera->isDeviceOpen() && camera->hasBinning();
    IMenuListButton* list =
        fill_device_list(item("Menu/Items/BinningFactor"), offered, L"BinningSkipping.png",
                         offered ? wide_texts(camera->binningTexts()) : std::vector<std::wstring>{},
                         offered ? app::utf8_to_wide(camera->binningText()) : std::wstring{});
    if (list)
        list->itemSelected.push_back(
            gui([this](IViewBase*, std::wstring text, int) { select_binning(text); }));
}

void MainViewController::build_dialogs_menu()
{
    if (!model_->has_selected_device()) {
        view_->removeRibbonButton(tab(), kMiscellaneous, kDialogs);
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    IMenuListButton* list = view_->addRibbonListButton(tab(), kMiscellaneous, kDialogs);
    if (!list)
        return;
    list->setIcon(L"dialogs.png");
    list->setMultiSelect(true);
    retire_handlers(list->itemSelected);
    list->clear();
    add_genicam_entry(*list);
    add_lut_entry(*list);
    add_device_events_entry(list);
}

void MainViewController::add_genicam_entry(IMenuListButton& dialogs)
{
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen() || has_entry(dialogs, kGenICamEntry))
        return;
    const std::shared_ptr<app::IMenuItem> entry = dialogs.addItem(kGenICamEntry);
    if (!entry)
        return;
    entry->setChecked(propertyTreeView_ != nullptr);
    entry->triggered.push_back(gui([this](IViewBase*, bool checked) { toggle_property_dialog(checked); }));
}

void MainViewController::add_lut_entry(IMenuListButton& dialogs)
{
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen() || !camera->hasLutEnable() || has_entry(dialogs, kLutEntry))
        return;
    if (const std::shared_ptr<app::IMenuItem> entry = dialogs.addItem(kLutEntry)) {
        entry->setChecked(!lutView_.expired());
        entry->triggered.push_back(gui([this](IViewBase*, bool checked) { toggle_lut_view(checked); }));
    }
}

void MainViewController::add_device_events_entry(IMenuListButton* dialogs)
{
    const auto camera = selected_camera();
    if (!dialogs || !camera || !camera->isDeviceOpen() || !camera->hasEventSelector() ||
        has_entry(*dialogs, kDeviceEventsEntry))
        return;
    if (const std::shared_ptr<app::IMenuItem> entry = dialogs->addItem(kDeviceEventsEntry)) {
        entry->setChecked(!deviceEventView_.expired());
        entry->triggered.push_back(
            gui([this](IViewBase*, bool checked) { toggle_device_events_view(checked); }));
    }
}

void MainViewController::build_autofocus_button()
{
    const auto forget = [this] {
        view_->removeRibbonButton(tab(), group(), kAutoFocus);
        autoFocusPickButton_ = nullptr;
        autoFocusPickArmed_ = false;
    };
    if (!model_->has_selected_device()) {
        forget();
        return;
    }
    const auto camera = selected_camera();
    if (!camera || !camera->isDeviceOpen())
        return;
    if (!camera->hasAutoFocus()) {
        forget();
        return;
    }
    app::IMenuButton* button = view_->addRibbonButton(tab(), group(), kAutoFocus);
    if (!button)
        return;
    button->setIcon(L"crosshair.png");
    button->setCheckable(true);
    retire_handlers(button->clicked);
    // Armed, the next press on a live view picks the autofocus point.
    button->clicked.push_back(gui([this](IViewBase*) { autoFocusPickArmed_ = !autoFocusPickArmed_; }));
    autoFocusPickButton_ = button;
}
