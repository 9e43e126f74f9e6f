#pragma once

// The overlay and recording plug-ins' tests: the main controller over the
// simulated cameras (manual clock) with the real overlay and recording
// plug-ins, a main window whose plug-in docks are the real property docks and
// whose ribbon buttons are fakes a test clicks, the application context with
// scripted dialogs, and a scripts folder of the example scripts plus the
// test's own.

#include "application/FakeDesktopServices.h"
#include "application/qt_context.h"
#include "kyrgx/Pixmap.h"
#include "model/ControllerFixture.h"
#include "scripting/AviWorkspace.h"
#include "scripting/LuaScript.h"
#include "scripting/OverlayWorkspace.h"
#include "scripting/PluginAvi.h"
#include "scripting/PluginOverlay.h"
#include "scripting/ScriptManager.h"
#include "scripting/ScriptRepository.h"
#include "views/IMenuButton.h"
#include "views/IMenuListButton.h"
#include "views/docks/QtPropertyView.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace quorel::test {

// ---- the window's fakes

class FakeButton : public app::IMenuButton {
public:
    void setText(const std::wstring& t) override { text = t; }
    void setToolTip(const std::wstring&) override {}
    void setIcon(const std::wstring& name) override { icon = name; }
    void setEnabled(bool e) override { enabled = e; }
    void setCheckable(bool c) override { checkable = c; }
    void setChecked(bool c) override { checked = c; }
    // As a click does: a checkable button toggles first.
    void click()
    {
        if (checkable)
            checked = !checked;
        app::raise_event(clicked, this);
    }

    std::wstring text;
    std::wstring icon;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

class FakeListButton : public app::IMenuListButton {
public:
    void clear() override { entries.clear(); }
    std::shared_ptr<app::IMenuItem> addItem(const std::wstring& text) override
    {
        entries.push_back(text);
        return nullptr;
    }
    std::vector<std::wstring> items() override { return entries; }
    void setText(const std::wstring&) override {}
    void setIcon(const std::wstring& name) override { icon = name; }
    void setEnabled(bool e) override { enabled = e; }
    void setCheckedItem(const std::wstring& text) override { checkedItem = text; }
    void setMultiSelect(bool) override {}
    void choose(const std::wstring& item)
    {
        checkedItem = item;
        const auto at = std::find(entries.begin(), entries.end(), item) - entries.begin();
        app::raise_event(itemSelected, this, item, static_cast<int>(at));
    }

    std::vector<std::wstring> entries;
    std::wstring checkedItem;
    std::wstring icon;
    bool enabled = true;
};

// A main window whose new property docks are real docks (shown, owned here),
// whose ribbon buttons are fakes kept by "tab/group/item", and whose yes/no
// questions are answered from a list (then answerYes).
class PluginView : public ControllerView {
public:
    app::IPropertyView* newPropertyView(const std::wstring& title) override
    {
        FakeMainView::newPropertyView(title);
        docks.push_back(std::make_unique<app::QtView::QtPropertyView>(title, nullptr, false, false, true));
        docks.back()->show();
        return docks.back().get();
    }
    app::IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                      const std::wstring& item) override
    {
        FakeMainView::addRibbonButton(tab, group, item);
        auto& button = buttons[key(tab, group, item)];
        if (!button)
            button = std::make_unique<FakeButton>();
        return button.get();
    }
    app::IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                              const std::wstring& item) override
    {
        FakeMainView::addRibbonListButton(tab, group, item);
        auto& button = listButtons[key(tab, group, item)];
        if (!button)
            button = std::make_unique<FakeListButton>();
        return button.get();
    }
    bool showMessageBoxYesNo(const std::wstring& t, const std::wstring& text) override
    {
        if (whileQuestionOpen)
            whileQuestionOpen();
        const bool yes = FakeMainView::showMessageBoxYesNo(t, text);
        if (answers.empty())
            return yes;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    FakeButton* button(const std::string& path) const
    {
        const auto it = buttons.find(path);
        return it == buttons.end() ? nullptr : it->second.get();
    }
    FakeListButton* listButton(const std::string& path) const
    {
        const auto it = listButtons.find(path);
        return it == listButtons.end() ? nullptr : it->second.get();
    }

    std::vector<std::unique_ptr<app::QtView::QtPropertyView>> docks;
    std::map<std::string, std::unique_ptr<FakeButton>> buttons;
    std::map<std::string, std::unique_ptr<FakeListButton>> listButtons;
    std::deque<bool> answers;
    std::function<void()> whileQuestionOpen;

private:
    static std::string key(const std::wstring& tab, const std::wstring& group, const std::wstring& item)
    {
        return app::wide_to_utf8(tab + L"/" + group + L"/" + item);
    }
};

// The program's application context (its offscreen drawing) with scripted
// dialogs; exit is recorded, not done.
class TestContext : public application::qt_context {
public:
    TestContext() : desktop(std::make_shared<FakeDesktopServices>()) { setDesktopServices(desktop); }
    void exit(int code) override { exits.push_back(code); }

    std::shared_ptr<FakeDesktopServices> desktop;
    std::vector<int> exits;
};

// Keeps copies of a camera's frames while `keep` is set (frame thread).
class FrameKeeper : public app::Plugin::PluginBase {
public:
    explicit FrameKeeper(app::Plugin::PluginContext* context) : PluginBase(context) {}
    void initialize() override {}
    void shutdown() override {}
    void onFrame(const vsx::DeviceInfo&, const kyr_kelvane::image_descriptor& frame) override
    {
        if (!keep)
            return;
        const auto row = frame.width * static_cast<uint32_t>(kyrgx::pixel_format_bytes(frame.format));
        auto copy = std::make_shared<kyrgx::Pixmap>(frame.width, frame.height, row, frame.format);
        for (uint32_t y = 0; y < frame.height; ++y)
            std::memcpy(copy->data() + static_cast<size_t>(y) * row, frame.row(y), row);
        std::lock_guard lock(mutex);
        frames.push_back(copy);
    }

    std::atomic<bool> keep{false};
    std::mutex mutex;
    std::vector<std::shared_ptr<kyrgx::Pixmap>> frames;
};

// ---- script texts

// Counts its callbacks in globals (loads, inits, closes) and declares Size
// (0 to 100, default 10); draws nothing.
inline const char* const kProbeScript = R"(
function onLoad() loads = (loads or 0) + 1 addIntParameter("Size", 0, 100, 10) end
function onInitialize() inits = (inits or 0) + 1 end
function onClose() closes = (closes or 0) + 1 end
function onRender() end
)";

// Fills the top-left 16 x 8 pixels of every surface white.
inline const char* const kBlockScript = R"(
function onRender() setColor(255, 255, 255) drawFilledRect(0, 0, 16, 8) end
)";

// Keeps every script of the camera out of snapshots and recordings.
inline const char* const kGateScript = R"(
function onLoad() setOverlayEnabled(false) end
)";

// ---- the fixture

class PluginTest : public MainControllerTest {
protected:
    void SetUp() override
    {
        MainControllerTest::SetUp();
        pluginView = std::make_shared<PluginView>();
        view = pluginView;
        context = std::make_shared<TestContext>();
        application::set_context(context);
    }
    void TearDown() override
    {
        controller.reset();
        app::Plugin::plugin_list.clear();
        overlay.reset();
        avi.reset();
        keeper.reset();
        pluginView.reset();
        MainControllerTest::TearDown();
        repository.reset();
        application::set_context(nullptr);
        context.reset();
    }

public:
    // The scripts folder: the data folder's example scripts and the given
    // ones, listed by a repository of the test's own (no watcher).
    void useScripts(const std::map<std::string, std::string>& extra = {})
    {
        const std::filesystem::path folder = scripts();
        std::filesystem::create_directories(folder);
        for (const auto& entry : std::filesystem::directory_iterator(
                 app::path_from_wide(app::get_application_directory()) / "data"))
            if (entry.path().extension() == ".lua")
                std::filesystem::copy_file(entry.path(), folder / entry.path().filename(),
                                           std::filesystem::copy_options::overwrite_existing);
        for (const auto& [name, text] : extra)
            std::ofstream(folder / name) << text;
        repository = std::make_shared<ScriptRepository>(std::chrono::milliseconds(0));
    }

    // The controller with the overlay plug-in, a frame keeper and the
    // recording plug-in (the scripts folder made first when not yet made).
    void makePluginController()
    {
        if (!repository)
            useScripts();
        app::ControllerServices services;
        services.plugins = {
            [this](app::Plugin::PluginContext* c) {
                overlay = std::make_shared<app::PluginOverlay>(c, repository);
                return overlay;
            },
            [this](app::Plugin::PluginContext* c) {
                keeper = std::make_shared<FrameKeeper>(c);
                return keeper;
            },
            [this](app::Plugin::PluginContext* c) {
                avi = std::make_shared<app::PluginAvi>(c);
                return avi;
            },
        };
        controller = std::make_unique<MainViewController>(view, model, services);
        controller->setClock([this] { return app::steady_ms() + clockOffset.load(); });
    }

    // Opens the USB camera with its live view and lets the posted work run.
    void openUsb()
    {
        openAndShow(kUsbName);
        tick();
        tick();
    }
    vsx::DeviceInfo usb() const { return camera_info(kUsbSerial); }

    std::filesystem::path settings() const { return settings_folder(); }
    std::filesystem::path scripts() const { return settings_folder() / "scripts"; }
    std::filesystem::path documents() const
    {
        return app::path_from_wide(app::get_known_folder(app::kFolderDocuments));
    }
    std::filesystem::path stemFile(const std::string& suffix) const
    {
        return settings() / (std::string(kUsbName) + suffix);
    }

    // The selected camera's script object of that name, or null.
    std::shared_ptr<app::LuaScript> script(const std::string& name)
    {
        const auto workspace = overlay->workspaceForDevice(usb());
        for (const ScriptItem& item : workspace->scriptManager()->items())
            if (script_name(item.path) == name)
                return item.script;
        return nullptr;
    }
    bool enabled(const std::string& name)
    {
        return overlay->workspaceForDevice(usb())->scriptManager()->isEnabled(name);
    }

    // ---- the overlay dock's widgets
    app::QtView::QtPropertyView* overlayDock() const
    {
        return dynamic_cast<app::QtView::QtPropertyView*>(overlay->dialog());
    }
    static app::QtView::QtAccordionPage* page(app::QtView::QtPropertyView& dock, const std::wstring& title)
    {
        for (app::QtView::QtAccordionPage* p : dock.accordion()->pages())
            if (p->title() == title)
                return p;
        return nullptr;
    }
    QComboBox* scriptList() const { return overlayDock()->findChild<QComboBox*>(); }
    QCheckBox* enabledBox() const
    {
        return page(*overlayDock(), L"General")->contentFrame()->findChild<QCheckBox*>();
    }
    QPushButton* pushButton(const QString& text) const
    {
        for (QPushButton* button : overlayDock()->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }
    // The labels of the Parameters page's rows; empty without the page's grid.
    QStringList parameterLabels() const
    {
        QStringList labels;
        app::QtView::QtAccordionPage* p = page(*overlayDock(), L"Parameters");
        if (!p || p->contentLayout()->count() == 0)
            return labels;
        for (QObject* child : p->contentLayout()->itemAt(0)->widget()->children())
            if (auto* label = dynamic_cast<app::QtView::PropertyGridLabelBase*>(child))
                labels << label->text();
        return labels;
    }
    // The first row of that type on the Parameters page, or null.
    template <class Row> Row* parameterRow() const
    {
        app::QtView::QtAccordionPage* p = page(*overlayDock(), L"Parameters");
        if (!p || p->contentLayout()->count() == 0)
            return nullptr;
        for (QObject* child : p->contentLayout()->itemAt(0)->widget()->children())
            if (auto* row = dynamic_cast<Row*>(child))
                return row;
        return nullptr;
    }
    void selectScript(const QString& name) { scriptList()->setCurrentText(name); }
    void setEnabledBox(bool on) { enabledBox()->setChecked(on); }

    // ---- the recording tab's controls
    FakeButton* aviButton(const std::string& item) const
    {
        const bool general = item == "Start" || item == "Pause" || item == "Stop";
        return pluginView->button("Recording/" + std::string(general ? "General/" : "Settings/") + item);
    }
    FakeListButton* codecButton() const { return pluginView->listButton("Recording/Settings/Codec"); }
    std::shared_ptr<app::AviWorkspace> aviWorkspace() { return avi->workspaceForDevice(usb()); }

    static std::string fileText(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::shared_ptr<PluginView> pluginView;
    std::shared_ptr<TestContext> context;
    std::shared_ptr<ScriptRepository> repository;
    std::shared_ptr<app::PluginOverlay> overlay;
    std::shared_ptr<FrameKeeper> keeper;
    std::shared_ptr<app::PluginAvi> avi;
};

} // namespace quorel::test
