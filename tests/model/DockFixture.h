#pragma once

// The main controller's dock, live-view and ROI tests: a main window that
// makes and caches fake docks and ribbon buttons as the real one does (a dock
// is handed out again until it closes; a closed one stays alive but is never
// handed out again), panel controllers and a property tree dock that write
// what they are asked into a journal, and a controller made with their
// factories.

#include "ControllerFixture.h"
#include "panels/PropertyPanelFakes.h"
#include "views/IMenuButton.h"
#include "views/IMenuItem.h"
#include "views/IMenuListButton.h"
#include "views/IPropertyTreeView.h"
#include "views/docks/IDeviceEventView.h"
#include "views/docks/IHistogramSettingsView.h"
#include "views/docks/ILutView.h"
#include "views/docks/IParameterView.h"
#include "views/docks/ISequenceSettingsView.h"
#include "views/docks/ISequenceTimerView.h"

#include <map>

namespace quorel::test {

// ---- ribbon

class FakeMenuButton : public app::IMenuButton {
public:
    void setText(const std::wstring& t) override { text = t; }
    void setToolTip(const std::wstring& t) override { toolTip = t; }
    void setIcon(const std::wstring& name) override { icon = name; }
    void setEnabled(bool e) override { enabled = e; }
    void setCheckable(bool c) override { checkable = c; }
    void setChecked(bool c) override { checked = c; }
    // A click as the user makes it: a checkable button toggles, then reports.
    void click()
    {
        if (checkable)
            checked = !checked;
        app::raise_event(clicked, this);
    }

    std::wstring text, toolTip, icon;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

class FakeMenuItem : public app::IMenuItem {
public:
    explicit FakeMenuItem(std::wstring t) : text(std::move(t)) {}
    bool isChecked() override { return !removed && checked; }
    void setChecked(bool c) override
    {
        if (!removed)
            checked = c;
    }
    // The user chooses the entry of a multi-select list: it toggles.
    void choose()
    {
        checked = !checked;
        app::raise_event(triggered, this, checked);
    }

    std::wstring text;
    bool checked = false;
    bool removed = false;
};

class FakeMenuListButton : public app::IMenuListButton {
public:
    void clear() override
    {
        for (const auto& entry : entries)
            entry->removed = true;
        entries.clear();
    }
    std::shared_ptr<app::IMenuItem> addItem(const std::wstring& text) override
    {
        entries.push_back(std::make_shared<FakeMenuItem>(text));
        return entries.back();
    }
    std::vector<std::wstring> items() override
    {
        std::vector<std::wstring> texts;
        for (const auto& entry : entries)
            texts.push_back(entry->text);
        return texts;
    }
    void setText(const std::wstring&) override {}
    void setIcon(const std::wstring& name) override { icon = name; }
    void setEnabled(bool) override {}
    void setCheckedItem(const std::wstring&) override {}
    void setMultiSelect(bool m) override { multiSelect = m; }

    std::shared_ptr<FakeMenuItem> entry(const std::wstring& text) const
    {
        for (const auto& e : entries)
            if (e->text == text)
                return e;
        return nullptr;
    }

    std::vector<std::shared_ptr<FakeMenuItem>> entries;
    std::wstring icon;
    bool multiSelect = false;
};

// ---- docks

class FakeHistogramDock : public app::IHistogramSettingsView {
public:
    void repaint() override { ++repaints; }
    void setColorChannels(bool color) override { colorModes.push_back(color); }
    void setState(bool showZeros, std::wstring displayMode, std::wstring channels) override
    {
        states.push_back(std::to_string(showZeros) + " " + app::wide_to_utf8(displayMode) + " " +
                         app::wide_to_utf8(channels));
    }
    std::atomic<int> repaints{0};
    std::vector<bool> colorModes;
    std::vector<std::string> states;
};

class FakeSequenceSettingsDock : public app::ISequenceSettingsView {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setData(app::SequenceViewData data) override
    {
        viewData = std::move(data);
        ++shown;
    }
    // The user edits the settings.
    void edit(app::SequenceViewData data)
    {
        viewData = data;
        app::raise_event(settingsChanged, this, data);
    }
    bool enabled = true;
    int shown = 0;
};

class FakeSequenceTimerDock : public app::ISequenceTimerView {
public:
    explicit FakeSequenceTimerDock(app::SequenceTimerViewData data) : ISequenceTimerView(std::move(data)) {}
    void setButtonsEnabled(bool start, bool stop, bool settings) override
    {
        buttons = std::to_string(start) + std::to_string(stop) + std::to_string(settings);
    }
    void setData(app::SequenceTimerViewData data) override { shown = std::move(data); }
    std::string buttons = "?";
    app::SequenceTimerViewData shown;
};

class FakeFilterDock : public app::IParameterView {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setEntries(std::vector<std::wstring> e) override
    {
        entries = std::move(e);
        selected = entries.empty() ? L"" : entries.front();
    }
    std::wstring selectedEntry() override { return selected; }
    void setEntryEnabled(bool e) override { entryEnabled = e; }
    void selectEntry(const std::wstring& entry) override { selected = entry; }
    void clearParameters() override { parameters.clear(); }
    void setParameters(std::vector<std::shared_ptr<helper::Parameter>> p) override
    {
        parameters = std::move(p);
    }
    // The user picks an entry or ticks the box.
    void pick(const std::wstring& entry)
    {
        selected = entry;
        app::raise_event(entrySelected, this, entry);
    }
    void tick(bool on) { app::raise_event(enabledChanged, this, on); }

    std::vector<std::wstring> entries;
    std::wstring selected;
    bool entryEnabled = false;
    bool enabled = false;
    std::vector<std::shared_ptr<helper::Parameter>> parameters;
};

class FakeLutDock : public app::ILutView {
public:
    void setData(std::vector<std::wstring>, std::wstring, app::LutData) override {}
    void setSelector(const std::string&) override {}
    void setRawValue(int64_t) override {}
    void setRawIndex(int64_t) override {}
    void setLutEnabled(bool) override {}
    std::vector<int64_t> computeLutValues(std::vector<kyrgx::Vec2<float>>, const std::string&) override
    {
        return {};
    }
    void setViewEnabled(bool) override {}
};

class FakeDeviceEventDock : public app::IDeviceEventView {
public:
    void setEvents(std::vector<app::DeviceEventEntry>) override {}
    void selectEvent(const std::string&) override {}
    void setEventEnabled(const std::string&, bool) override {}
    void appendLog(const std::string&) override {}
    void setEnabled(bool) override {}
};

// A property view that closes (raising its closed list) like a dock.
class ClosingPropertyView : public RecordingPropertyView {
public:
    bool close() override
    {
        RecordingPropertyView::close();
        app::raise_event(closed, this);
        return true;
    }
};

// ---- the main window

class DockingView : public ControllerView {
public:
    std::shared_ptr<app::ISequenceSettingsView> sequenceSettingsView(app::SequenceViewData data) override
    {
        FakeMainView::sequenceSettingsView(data);
        return cached(sequenceSettings, [&] { return new FakeSequenceSettingsDock; });
    }
    void closeSequenceSettingsView() override
    {
        FakeMainView::closeSequenceSettingsView();
        userCloses(sequenceSettings);
    }
    std::shared_ptr<app::ISequenceTimerView> sequenceTimerView(app::SequenceTimerViewData data) override
    {
        FakeMainView::sequenceTimerView(data);
        return cached(sequenceTimer, [&] { return new FakeSequenceTimerDock(data); });
    }
    void closeSequenceTimerView() override
    {
        FakeMainView::closeSequenceTimerView();
        userCloses(sequenceTimer);
    }
    std::shared_ptr<app::IPropertyView> devicePropertiesView() override
    {
        FakeMainView::devicePropertiesView();
        return cached(deviceProperties, [] { return new ClosingPropertyView; });
    }
    void closeDevicePropertiesView() override
    {
        FakeMainView::closeDevicePropertiesView();
        userCloses(deviceProperties);
    }
    app::IPropertyView* newPropertyView(const std::wstring& t) override
    {
        FakeMainView::newPropertyView(t);
        auto* panel = new ClosingPropertyView;
        owned_.emplace_back(panel);
        propertyViews.push_back(panel);
        return panel;
    }
    std::shared_ptr<app::ILutView> lutView() override
    {
        FakeMainView::lutView();
        return cached(lut, [] { return new FakeLutDock; });
    }
    void closeLutView() override
    {
        FakeMainView::closeLutView();
        userCloses(lut);
    }
    std::shared_ptr<app::IDeviceEventView> deviceEventView() override
    {
        FakeMainView::deviceEventView();
        return cached(deviceEvents, [] { return new FakeDeviceEventDock; });
    }
    void closeDeviceEventView() override
    {
        FakeMainView::closeDeviceEventView();
        userCloses(deviceEvents);
    }
    std::shared_ptr<app::IHistogramSettingsView> histogramSettingsView() override
    {
        FakeMainView::histogramSettingsView();
        return cached(histogram, [] { return new FakeHistogramDock; });
    }
    void closeHistogramSettingsView() override
    {
        FakeMainView::closeHistogramSettingsView();
        userCloses(histogram);
    }
    std::shared_ptr<app::IParameterView> filterSettingsView() override
    {
        FakeMainView::filterSettingsView();
        return cached(filter, [] { return new FakeFilterDock; });
    }
    void closeFilterSettingsView() override
    {
        FakeMainView::closeFilterSettingsView();
        userCloses(filter);
    }
    app::IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                              const std::wstring& item) override
    {
        FakeMainView::addRibbonListButton(tab, group, item);
        auto& slot = listButtons[app::wide_to_utf8(item)];
        if (!slot)
            slot = std::make_shared<FakeMenuListButton>();
        return slot.get();
    }
    app::IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                      const std::wstring& item) override
    {
        FakeMainView::addRibbonButton(tab, group, item);
        auto& slot = buttons[app::wide_to_utf8(item)];
        if (!slot)
            slot = std::make_shared<FakeMenuButton>();
        return slot.get();
    }
    void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                            const std::wstring& item) override
    {
        FakeMainView::removeRibbonButton(tab, group, item);
        // Kept alive: a handler may still run on it.
        const std::string key = app::wide_to_utf8(item);
        if (auto it = buttons.find(key); it != buttons.end()) {
            removed_.push_back(it->second);
            buttons.erase(it);
        }
        if (auto it = listButtons.find(key); it != listButtons.end()) {
            removed_.push_back(it->second);
            listButtons.erase(it);
        }
    }
    void addDockView(std::shared_ptr<app::IViewBase>& holder) override
    {
        FakeMainView::addDockView(holder);
        app::IViewBase* dock = holder.get();
        dock->closed.push_back([&holder, dock](app::IViewBase*) {
            if (holder.get() == dock)
                holder.reset();
        });
    }

    // The user closes a dock with its close button.
    template <typename Dock> void userCloses(std::shared_ptr<Dock>& cache)
    {
        if (!cache)
            return;
        const std::shared_ptr<Dock> dock = cache;
        app::raise_event(closeEventOf(dock.get()), dock.get());
        cache.reset();
    }

    FakeMenuButton* button(const std::string& item) const
    {
        const auto it = buttons.find(item);
        return it == buttons.end() ? nullptr : it->second.get();
    }
    FakeMenuListButton* listButton(const std::string& item) const
    {
        const auto it = listButtons.find(item);
        return it == listButtons.end() ? nullptr : it->second.get();
    }

    // Each cache holds the only strong reference the window hands out: a
    // controller's weak reference expires when the dock closes.
    std::shared_ptr<FakeSequenceSettingsDock> sequenceSettings;
    std::shared_ptr<FakeSequenceTimerDock> sequenceTimer;
    std::shared_ptr<ClosingPropertyView> deviceProperties;
    std::shared_ptr<FakeLutDock> lut;
    std::shared_ptr<FakeDeviceEventDock> deviceEvents;
    std::shared_ptr<FakeHistogramDock> histogram;
    std::shared_ptr<FakeFilterDock> filter;
    std::vector<ClosingPropertyView*> propertyViews; // made by newPropertyView, in order
    std::map<std::string, std::shared_ptr<FakeMenuButton>> buttons;
    std::map<std::string, std::shared_ptr<FakeMenuListButton>> listButtons;
    int docksMade = 0;

private:
    static app::EventList<>& closeEventOf(app::IViewBase* dock) { return dock->closed; }
    static app::EventList<>& closeEventOf(app::ISequenceTimerView* dock) { return dock->dockClosed; }
    static app::EventList<>& closeEventOf(app::IParameterView* dock) { return dock->dockClosed; }

    template <typename Dock, typename Make>
    std::shared_ptr<Dock> cached(std::shared_ptr<Dock>& cache, Make make)
    {
        if (cache)
            return cache;
        Dock* dock = make();
        owned_.emplace_back(dock);
        ++docksMade;
        cache = std::shared_ptr<Dock>(dock, [](Dock*) {});
        closeEventOf(dock).push_back([&cache, dock](app::IViewBase*) {
            if (cache.get() == dock)
                cache.reset();
        });
        return cache;
    }

    std::vector<std::unique_ptr<app::IViewBase>> owned_;
    std::vector<std::shared_ptr<app::IViewBase>> removed_;
};

// ---- panel controllers and the property tree dock

// What the fakes below were asked, as lines ("lut setDevice 41000001").
struct PanelJournal {
    std::vector<std::string> lines;
    std::vector<std::string> take() { return std::exchange(lines, {}); }
};

inline std::string serial_of(const app::VideoDeviceController* camera)
{
    return camera ? camera->deviceInfo().serial() : std::string("none");
}

class FakePropertyPanel : public app::IPropertyPanelController {
public:
    explicit FakePropertyPanel(PanelJournal& journal) : journal_(journal) {}
    ~FakePropertyPanel() override { journal_.lines.push_back("property released"); }
    void setDevice(app::VideoDeviceController* camera) override
    {
        journal_.lines.push_back("property setDevice " + serial_of(camera));
    }
    void close() override { journal_.lines.push_back("property close"); }
    void processTimeouts() override { ++timeouts; }
    void refreshAll() override { journal_.lines.push_back("property refreshAll"); }
    int timeouts = 0;

private:
    PanelJournal& journal_;
};

class FakeDevicePanel : public app::IDevicePanelController {
public:
    FakeDevicePanel(std::string name, PanelJournal& journal) : name_(std::move(name)), journal_(journal) {}
    ~FakeDevicePanel() override { journal_.lines.push_back(name_ + " released"); }
    void setDevice(app::MainModel& model) override
    {
        journal_.lines.push_back(name_ + " setDevice " + serial_of(model.current_controller().get()));
    }
    void processTimeouts() override { ++timeouts; }
    int timeouts = 0;

private:
    std::string name_;
    PanelJournal& journal_;
};

class FakePropertyTree : public app::IPropertyTreeView {
public:
    explicit FakePropertyTree(PanelJournal& journal) : journal_(journal) {}
    ~FakePropertyTree() override { journal_.lines.push_back("tree released"); }
    void showDevice(const std::shared_ptr<vsx::Grabber>& grabber) override
    {
        journal_.lines.push_back("tree show " +
                                 (grabber ? grabber->deviceInfo().serial() : std::string("none")));
    }
    void clearDevice() override { journal_.lines.push_back("tree clear"); }
    void raiseView() override { journal_.lines.push_back("tree raise"); }
    void closeView() override
    {
        journal_.lines.push_back("tree close");
        app::raise_event(closed, this);
    }

private:
    PanelJournal& journal_;
};

class DockControllerTest : public MainControllerTest {
protected:
    void SetUp() override
    {
        MainControllerTest::SetUp();
        docks = std::make_shared<DockingView>();
        view = docks;
    }
    void TearDown() override
    {
        MainControllerTest::TearDown();
        docks.reset();
    }

public:
    // The plug-ins, and panel controllers and a property tree that journal.
    void makeDockController()
    {
        app::ControllerServices s = services();
        s.propertyViewController = [this](app::IPropertyView&) {
            panels.lines.push_back("make property");
            auto panel = std::make_shared<FakePropertyPanel>(panels);
            propertyPanel = panel;
            return panel;
        };
        s.lutViewController = [this](app::ILutView&, app::MainModel& m) {
            panels.lines.push_back("make lut " + serial_of(m.current_controller().get()));
            auto panel = std::make_shared<FakeDevicePanel>("lut", panels);
            lutPanel = panel;
            return panel;
        };
        s.deviceEventsViewController = [this](app::IDeviceEventView&, app::MainModel&) {
            panels.lines.push_back("make events");
            auto panel = std::make_shared<FakeDevicePanel>("events", panels);
            eventsPanel = panel;
            return panel;
        };
        s.propertyTreeView = [this](const std::shared_ptr<vsx::Grabber>& grabber) {
            panels.lines.push_back("make tree");
            auto tree = std::make_shared<FakePropertyTree>(panels);
            tree->showDevice(grabber);
            return tree;
        };
        controller = std::make_unique<MainViewController>(view, model, std::move(s));
        // Manual: only the test moves it on (after()).
        controller->setClock([this] { return int64_t{1000000} + clockOffset.load(); });
    }
    // The "Dialogs" menu entry of that text, or null.
    std::shared_ptr<FakeMenuItem> dialogsEntry(const std::wstring& text) const
    {
        FakeMenuListButton* dialogs = docks->listButton("Dialogs");
        return dialogs ? dialogs->entry(text) : nullptr;
    }

    std::shared_ptr<DockingView> docks;
    PanelJournal panels;
    std::weak_ptr<FakePropertyPanel> propertyPanel;
    std::weak_ptr<FakeDevicePanel> lutPanel;
    std::weak_ptr<FakeDevicePanel> eventsPanel;
};

} // namespace quorel::test
