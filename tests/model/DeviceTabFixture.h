#pragma once

// The main controller's device and capture commands under test: a main window
// whose ribbon makes fake buttons and lists that keep what they were given,
// a scripted video format dialog (or the real one), and the controller over
// the model and the simulated cameras.

#include "ControllerFixture.h"
#include "views/IMenuButton.h"
#include "views/IMenuItem.h"
#include "views/IMenuListButton.h"
#include "views/dialogs/IVideoformatFramerateDialog.h"
#include "views/dialogs/QtVideoformatFramerateDialog.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorel::test {

class FakeMenuItem : public app::IMenuItem {
public:
    explicit FakeMenuItem(std::wstring itemText) : text(std::move(itemText)) {}
    bool isChecked() override { return checked; }
    void setChecked(bool value) override { checked = value; }

    std::wstring text;
    bool checked = false;
};

class FakeMenuButton : public app::IMenuButton {
public:
    explicit FakeMenuButton(std::wstring name) : text(std::move(name)) {}
    void setText(const std::wstring& value) override { text = value; }
    void setToolTip(const std::wstring& value) override { toolTip = value; }
    void setIcon(const std::wstring& value) override { icon = value; }
    void setEnabled(bool value) override { enabled = value; }
    void setCheckable(bool value) override { checkable = value; }
    void setChecked(bool value) override { checked = value; }
    void click() { app::raise_event(clicked, this); }

    std::wstring text, toolTip, icon;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

// A drop-down list. choose() picks an item the way the window's list does:
// it checks the item, raises itemSelected over the live list (as
// app::raise_event does), then the item's own triggered list.
class FakeMenuListButton : public app::IMenuListButton {
public:
    explicit FakeMenuListButton(std::wstring name) : text(std::move(name)) {}

    void clear() override
    {
        entries.clear();
        ++clears;
    }
    std::shared_ptr<app::IMenuItem> addItem(const std::wstring& value) override
    {
        entries.push_back(std::make_shared<FakeMenuItem>(value));
        return entries.back();
    }
    std::vector<std::wstring> items() override { return texts(); }
    void setText(const std::wstring& value) override { text = value; }
    void setIcon(const std::wstring& value) override { icon = value; }
    void setEnabled(bool value) override { enabled = value; }
    void setCheckedItem(const std::wstring& value) override
    {
        for (const auto& entry : entries)
            entry->checked = entry->text == value;
    }
    void setMultiSelect(bool value) override { multiSelect = value; }

    std::vector<std::wstring> texts() const
    {
        std::vector<std::wstring> texts;
        for (const auto& entry : entries)
            texts.push_back(entry->text);
        return texts;
    }
    // The texts of the checked items.
    std::vector<std::wstring> checkedItems() const
    {
        std::vector<std::wstring> texts;
        for (const auto& entry : entries)
            if (entry->checked)
                texts.push_back(entry->text);
        return texts;
    }
    int indexOf(const std::wstring& value) const
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i]->text == value)
                return static_cast<int>(i);
        return -1;
    }
    // Picks the item at index (which may lie outside the list: a stale menu).
    void choose(int index)
    {
        std::shared_ptr<FakeMenuItem> entry;
        std::wstring value;
        if (index >= 0 && static_cast<size_t>(index) < entries.size()) {
            entry = entries[static_cast<size_t>(index)];
            value = entry->text;
            if (multiSelect) {
                entry->checked = !entry->checked;
            } else {
                for (const auto& each : entries)
                    each->checked = false;
                entry->checked = true;
            }
        }
        // A handler that rebuilt this list while it ran must not have put its
        // successor where it was running: that destroyed the running handler.
        const void* running = itemSelected.empty() ? nullptr : itemSelected.data();
        const int clearsBefore = clears;
        app::raise_event(itemSelected, this, value, index);
        if (clears != clearsBefore && running && !itemSelected.empty() && itemSelected.data() == running)
            handlerDestroyedWhileRunning = true;
        if (entry)
            app::raise_event(entry->triggered, entry.get(), entry->checked);
    }
    void choose(const std::wstring& value) { choose(indexOf(value)); }
    void open() { app::raise_event(aboutToShow, this); }

    std::wstring text, icon;
    bool enabled = true;
    bool multiSelect = false;
    std::vector<std::shared_ptr<FakeMenuItem>> entries;
    int clears = 0;
    bool handlerDestroyedWhileRunning = false;
};

// The video format dialog as the user drives it: the test reads what the
// controller gave it and ends it with OK or Cancel.
class FakeVideoFormatDialog : public app::IVideoformatFramerateDialog {
public:
    void initialize(const std::string& modelName, const std::string& serialNumber) override
    {
        model = modelName;
        serial = serialNumber;
        ++initializations;
    }
    std::string pixelformat() override { return chosenPixelformat; }
    kyrgx::Vec2<int> resolution() override { return chosenResolution; }
    double framerate() override { return chosenFramerate; }
    void close(bool accepted) { app::raise_event(onClose, this, accepted); }

    std::string model, serial;
    int initializations = 0;
    std::string chosenPixelformat;
    kyrgx::Vec2<int> chosenResolution{0, 0};
    double chosenFramerate = 0.0;
};

// A main window whose ribbon holds fake buttons, kept by tab, group and item
// text, in the order they were made; removed ones stay alive (the window
// deletes them later) but leave the ribbon.
class DeviceTabView : public ControllerView {
public:
    struct Entry {
        std::wstring tab, group, item;
        std::shared_ptr<FakeMenuButton> button;
        std::shared_ptr<FakeMenuListButton> list;
    };

    app::IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                      const std::wstring& item) override
    {
        ControllerView::addRibbonButton(tab, group, item);
        Entry& entry = entryOf(tab, group, item);
        if (!entry.button && !entry.list)
            entry.button = std::make_shared<FakeMenuButton>(item);
        return entry.button.get();
    }
    app::IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                              const std::wstring& item) override
    {
        ControllerView::addRibbonListButton(tab, group, item);
        Entry& entry = entryOf(tab, group, item);
        if (!entry.button && !entry.list)
            entry.list = std::make_shared<FakeMenuListButton>(item);
        return entry.list.get();
    }
    using ControllerView::addRibbonListButton;
    void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                            const std::wstring& item) override
    {
        ControllerView::removeRibbonButton(tab, group, item);
        for (auto it = ribbon.begin(); it != ribbon.end(); ++it)
            if (it->tab == tab && it->group == group && it->item == item) {
                removed.push_back(*it);
                ribbon.erase(it);
                return;
            }
    }
    std::shared_ptr<app::IVideoformatFramerateDialog> openVideoFormatDialog() override
    {
        ControllerView::openVideoFormatDialog();
        if (realDialogs) {
            auto dialog = std::make_shared<app::QtView::QtVideoformatFramerateDialog>(nullptr);
            dialog->show();
            realDialog = dialog;
            return dialog;
        }
        dialog = std::make_shared<FakeVideoFormatDialog>();
        return dialog;
    }

    // The Device tab's items by their translation keys ("Menu/Items/Framerate").
    FakeMenuButton* button(const char* itemKey) const { return find(itemKey).button.get(); }
    FakeMenuListButton* list(const char* itemKey) const { return find(itemKey).list.get(); }
    FakeMenuListButton* dialogsMenu() const
    {
        for (const Entry& entry : ribbon)
            if (entry.group == L"Miscellaneous" && entry.item == L"Dialogs")
                return entry.list.get();
        return nullptr;
    }
    FakeMenuButton* autoFocus() const
    {
        for (const Entry& entry : ribbon)
            if (entry.item == L"Auto Focus")
                return entry.button.get();
        return nullptr;
    }
    // The item texts of the Device tab's "Menu/Group/DeviceSettings" group in order.
    std::vector<std::string> deviceSettingsItems() const
    {
        std::vector<std::string> items;
        for (const Entry& entry : ribbon)
            if (entry.group == Localization::getString("Menu/Group/DeviceSettings"))
                items.push_back(app::wide_to_utf8(entry.item));
        return items;
    }

    std::vector<Entry> ribbon;
    std::vector<Entry> removed;
    bool realDialogs = false;
    std::shared_ptr<FakeVideoFormatDialog> dialog;                         // the last scripted one
    std::shared_ptr<app::QtView::QtVideoformatFramerateDialog> realDialog; // the last real one

private:
    Entry& entryOf(const std::wstring& tab, const std::wstring& group, const std::wstring& item)
    {
        for (Entry& entry : ribbon)
            if (entry.tab == tab && entry.group == group && entry.item == item)
                return entry;
        ribbon.push_back({tab, group, item, nullptr, nullptr});
        return ribbon.back();
    }
    const Entry& find(const char* itemKey) const
    {
        static const Entry none;
        const std::wstring tab = Localization::getString("Menu/Tab/Device");
        const std::wstring item = Localization::getString(itemKey);
        for (const Entry& entry : ribbon)
            if (entry.tab == tab && entry.item == item)
                return entry;
        return none;
    }
};

class DeviceCommandsTest : public MainControllerTest {
protected:
    void SetUp() override
    {
        MainControllerTest::SetUp();
        tabView = std::make_shared<DeviceTabView>();
        view = tabView;
    }
    void TearDown() override
    {
        MainControllerTest::TearDown();
        tabView.reset();
    }

public:
    // Opens a camera through the Open Device command (the scripted dialog
    // picks it) and lets the next tick give it its live view.
    void openThroughDialog(const std::string& uniqueName)
    {
        deviceDialog.choose = [uniqueName](const std::vector<std::string>& offered) {
            for (size_t i = 0; i < offered.size(); ++i)
                if (offered[i] == uniqueName)
                    return static_cast<int>(i);
            return -1;
        };
        controller->open_device_dialog();
        deviceDialog.choose = nullptr;
        tick();
    }
    std::shared_ptr<app::VideoDeviceController> cameraOf(const char* serial) const
    {
        const auto instance = model->find_device(camera_info(serial));
        return instance ? instance->controller() : nullptr;
    }

    std::shared_ptr<DeviceTabView> tabView;
};

} // namespace quorel::test
