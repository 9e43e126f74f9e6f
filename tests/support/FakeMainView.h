#pragma once

// A main window for controller tests: it records every operation the code
// under test calls, in order, as one line of text ("setTitle(Quorel 4.0)",
// "closeLutView()"), keeps the last values it was given, and answers the
// queries with what the test set. Views and buttons it would make are empty
// pointers. The event lists are the interface's own: a test raises them with
// app::raise_event.
//
// isMinimized() and the call log may be used from any thread.

#include "app/Utf8.h"
#include "views/IMainView.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quorel::test {

class FakeMainView : public app::IMainView {
public:
    struct MessageBox {
        std::wstring title;
        std::wstring text;
    };

    // ---- what the test reads
    std::vector<std::string> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // Lines of calls() that start with the operation's name.
    int count(const std::string& operation) const
    {
        int n = 0;
        for (const std::string& line : calls())
            n += line.rfind(operation + "(", 0) == 0 ? 1 : 0;
        return n;
    }
    void clearCalls()
    {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

    std::wstring title;
    kyrgx::Vec2<int> position{-1, -1};
    kyrgx::Vec2<int> size{-1, -1};
    int cursorMode = 0;
    std::vector<app::StatusBarInfo> statusBars;
    std::vector<MessageBox> messageBoxes;
    std::vector<MessageBox> questions;
    bool flipVertical = false;
    bool flipHorizontal = false;

    // ---- what the test sets
    std::atomic<bool> minimized{false};
    bool answerYes = true;
    // Run the on-closed callback of a message box at once (as OK would).
    bool closeMessageBoxes = true;
    std::vector<vsx::DeviceInfo> devices;

    // ---- app::IMainView
    void setCursorMode(int mode) override
    {
        record("setCursorMode(" + std::to_string(mode) + ")");
        cursorMode = mode;
    }
    void setTitle(const std::wstring& t) override
    {
        record("setTitle(" + app::wide_to_utf8(t) + ")");
        title = t;
    }
    void setGeometry(kyrgx::Vec2<int> p, kyrgx::Vec2<int> s) override
    {
        record("setGeometry(" + std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(s.x) +
               "," + std::to_string(s.y) + ")");
        position = p;
        size = s;
    }
    std::shared_ptr<app::IVideoformatFramerateDialog> openVideoFormatDialog() override
    {
        record("openVideoFormatDialog()");
        return nullptr;
    }
    bool isMinimized() override { return minimized.load(); }
    void updateStatusBar(const app::StatusBarInfo& info) override
    {
        record("updateStatusBar(" + app::wide_to_utf8(info.firstText) + ")");
        statusBars.push_back(info);
    }
    void showStatusParameters(const helper::ParameterContainer&) override
    {
        record("showStatusParameters()");
    }
    void showMessageBox(const std::wstring& t, const std::wstring& text, std::shared_ptr<app::IMainView>,
                        std::function<void()> onClosed) override
    {
        record("showMessageBox(" + app::wide_to_utf8(t) + "," + app::wide_to_utf8(text) + ")");
        messageBoxes.push_back({t, text});
        if (closeMessageBoxes && onClosed)
            onClosed();
    }
    bool showMessageBoxYesNo(const std::wstring& t, const std::wstring& text) override
    {
        record("showMessageBoxYesNo(" + app::wide_to_utf8(t) + "," + app::wide_to_utf8(text) + ")");
        questions.push_back({t, text});
        return answerYes;
    }
    std::shared_ptr<app::ISequenceSettingsView> sequenceSettingsView(app::SequenceViewData) override
    {
        record("sequenceSettingsView()");
        return nullptr;
    }
    void closeSequenceSettingsView() override { record("closeSequenceSettingsView()"); }
    std::shared_ptr<app::ISequenceTimerView> sequenceTimerView(app::SequenceTimerViewData) override
    {
        record("sequenceTimerView()");
        return nullptr;
    }
    void closeSequenceTimerView() override { record("closeSequenceTimerView()"); }
    std::shared_ptr<app::IPropertyView> devicePropertiesView() override
    {
        record("devicePropertiesView()");
        return nullptr;
    }
    app::IPropertyView* newPropertyView(const std::wstring& t) override
    {
        record("newPropertyView(" + app::wide_to_utf8(t) + ")");
        return nullptr;
    }
    void closeDevicePropertiesView() override { record("closeDevicePropertiesView()"); }
    std::shared_ptr<app::ILutView> lutView() override
    {
        record("lutView()");
        return nullptr;
    }
    void closeLutView() override { record("closeLutView()"); }
    std::shared_ptr<app::IDeviceEventView> deviceEventView() override
    {
        record("deviceEventView()");
        return nullptr;
    }
    void closeDeviceEventView() override { record("closeDeviceEventView()"); }
    std::shared_ptr<app::IHistogramSettingsView> histogramSettingsView() override
    {
        record("histogramSettingsView()");
        return nullptr;
    }
    void closeHistogramSettingsView() override { record("closeHistogramSettingsView()"); }
    std::shared_ptr<app::IParameterView> filterSettingsView() override
    {
        record("filterSettingsView()");
        return nullptr;
    }
    void closeFilterSettingsView() override { record("closeFilterSettingsView()"); }
    app::IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon) override
    {
        record("addTitleBarButton(" + app::wide_to_utf8(text) + "," + app::wide_to_utf8(icon) + ")");
        return nullptr;
    }
    app::IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                              const std::wstring& item) override
    {
        record("addRibbonListButton(" + item_text(tab, group, item) + ")");
        return nullptr;
    }
    app::IMenuListButton* addRibbonListButton(const char* tab, const char* group, const char* item) override
    {
        return addRibbonListButton(app::utf8_to_wide(tab), app::utf8_to_wide(group), app::utf8_to_wide(item));
    }
    app::IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                      const std::wstring& item) override
    {
        record("addRibbonButton(" + item_text(tab, group, item) + ")");
        return nullptr;
    }
    void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                            const std::wstring& item) override
    {
        record("removeRibbonButton(" + item_text(tab, group, item) + ")");
    }
    std::shared_ptr<app::ILiveView> createLiveView(const std::wstring& name) override
    {
        record("createLiveView(" + app::wide_to_utf8(name) + ")");
        return nullptr;
    }
    void addLiveView(std::shared_ptr<app::ILiveView>) override { record("addLiveView()"); }
    void removeLiveView(std::shared_ptr<app::ILiveView>) override { record("removeLiveView()"); }
    std::vector<vsx::DeviceInfo> liveViewDevices() override
    {
        record("liveViewDevices()");
        return devices;
    }
    void enableCaptureItems(bool enable) override { record("enableCaptureItems(" + flag(enable) + ")"); }
    void enableViewItems(bool enable) override { record("enableViewItems(" + flag(enable) + ")"); }
    void enableDeviceItems(bool enable) override { record("enableDeviceItems(" + flag(enable) + ")"); }
    void setFlipChecked(bool vertical, bool horizontal) override
    {
        record("setFlipChecked(" + flag(vertical) + "," + flag(horizontal) + ")");
        flipVertical = vertical;
        flipHorizontal = horizontal;
    }
    void addDockView(std::shared_ptr<app::IViewBase>&) override { record("addDockView()"); }
    // Counted apart from calls(): ticks ask for it whenever posted work ran.
    void requestLiveViewPaint(uint32_t reasons) override
    {
        ++liveViewPaintRequests;
        paintReasons |= reasons;
    }
    std::atomic<int> liveViewPaintRequests{0};
    std::atomic<uint32_t> paintReasons{0};

private:
    static std::string flag(bool value) { return value ? "true" : "false"; }
    static std::string item_text(const std::wstring& tab, const std::wstring& group, const std::wstring& item)
    {
        return app::wide_to_utf8(tab) + "," + app::wide_to_utf8(group) + "," + app::wide_to_utf8(item);
    }
    void record(std::string line)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(line));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

} // namespace quorel::test
