#include "panels/LutViewController.h"

#include "app/Utf8.h"
#include "device/CallbackGuard.h"
#include "device/VideoDeviceController.h"
#include "model/MainModel.h"

#include <spdlog/spdlog.h>

// The LUT controller's construction, its camera switches, reset and the curve
// edits; the camera access and the curve file have sources of their own.

namespace app {

namespace {

LutData with_ranges(const LutDataDesc& desc)
{
    LutData data;
    data.indexMin = desc.indexMin;
    data.indexMax = desc.indexMax;
    data.valueMin = desc.valueMin;
    data.valueMax = desc.valueMax;
    data.enable = desc.enable;
    return data;
}

} // namespace

LutViewController::LutViewController(ILutView& view, MainModel& model) : model_(&model), view_(&view)
{
    subscribeView();
    try {
        setDevice(model);
    } catch (...) {
        // The hooks must not outlive a controller that never came to be.
        if (const auto device = device_.lock())
            clearHooks(*device);
        throw;
    }
}

LutViewController::~LutViewController()
{
    alive_.reset();
    // Emptying the hooks waits for a notification in flight; after that
    // nothing posts here any more, and what was posted is dropped.
    if (const auto device = device_.lock())
        clearHooks(*device);
    clear();
    if (!stem_.empty())
        saveLutData(stem_);
}

void LutViewController::subscribeView()
{
    // The view keeps its lists after the controller is gone: every handler
    // checks that the controller still lives. Nothing escapes into the view.
    const std::weak_ptr<int> alive = alive_;
    auto guarded = [alive](const char* where, auto&& body) {
        if (!alive.expired())
            vsx::guard_callback(where, body);
    };
    view_->resetRequested.push_back(
        [this, guarded](IViewBase*) { guarded("LutViewController::reset", [this] { reset(); }); });
    view_->interpolationModeChanged.push_back([this, guarded](IViewBase*, const std::wstring& mode) {
        guarded("LutViewController::modeChanged", [&] {
            if (!stem_.empty())
                currentData().mode = wide_to_utf8(mode);
        });
    });
    view_->curveChanged.push_back([this, guarded](IViewBase*, const std::vector<kyrgx::Vec2<float>>& points,
                                                  const std::vector<int64_t>& values) {
        guarded("LutViewController::setCurve", [&] { setCurve(points, values); });
    });
    view_->selectorChanged.push_back([this, guarded](IViewBase*, const std::wstring& name) {
        guarded("LutViewController::selectorChanged", [&] {
            if (stem_.empty())
                return;
            current_ = wide_to_utf8(name);
            if (hasSelector_)
                deviceSetLutSelector(current_);
        });
    });
    view_->lutEnabledChanged.push_back([this, guarded](IViewBase*, bool value) {
        guarded("LutViewController::enableChanged", [&] {
            if (stem_.empty())
                return;
            currentData().enable = value;
            deviceSetLutEnable(value);
        });
    });
}

void LutViewController::installHooks(VideoDeviceController& device)
{
    // The camera library's thread only posts; the work runs at the next GUI tick.
    device.onLutSelectorChanged = [this](const std::string& name) {
        addOnce([this, name] {
            vsx::guard_callback("LutViewController::onLutSelector", [&] { onLutSelector(name); });
        });
    };
    device.onLutValueChanged = [this](int64_t value) {
        addOnce([this, value] {
            if (!stem_.empty())
                view_->setRawValue(value);
        });
    };
    device.onLutIndexChanged = [this](int64_t index) {
        addOnce([this, index] {
            if (!stem_.empty())
                view_->setRawIndex(index);
        });
    };
    device.onLutEnableChanged = [this](bool value) {
        addOnce([this, value] {
            vsx::guard_callback("LutViewController::onLutEnable", [&] { onLutEnable(value); });
        });
    };
}

void LutViewController::clearHooks(VideoDeviceController& device)
{
    device.onLutSelectorChanged = nullptr;
    device.onLutValueChanged = nullptr;
    device.onLutIndexChanged = nullptr;
    device.onLutEnableChanged = nullptr;
}

void LutViewController::setDevice(MainModel& model)
{
    model_ = &model;
    const std::shared_ptr<VideoDeviceController> device = model.current_controller();
    const std::shared_ptr<VideoDeviceController> previous = device_.lock();
    if (previous != device) {
        // The camera left behind keeps no hook into this controller, and what
        // it posted must not reach the new camera's tables.
        if (previous)
            clearHooks(*previous);
        clear();
    }
    device_ = device;
    installHooks(*device);

    const std::wstring stem = model.selected_file_stem();
    if (!stem_.empty() && stem == stem_)
        return;
    if (!stem_.empty())
        saveLutData(stem_);
    // The curves stay with their own camera: until the new camera's tables
    // are read, the controller holds none, and a camera whose tables cannot be
    // read gets no file.
    stem_.clear();
    luts_.clear();
    selectors_.clear();
    current_.clear();

    std::vector<LutDataDesc> descs;
    bool described = false;
    try {
        described = deviceGetLutDataDescs(descs);
    } catch (...) {
        view_->setViewEnabled(false);
        throw;
    }
    if (!described || descs.empty()) {
        view_->setViewEnabled(false);
        return;
    }

    std::map<std::string, LutData> loaded;
    if (!loadLutData(stem, loaded)) {
        for (const LutDataDesc& desc : descs) {
            LutData identity;
            identity.points = identity_lut_points(with_ranges(desc));
            loaded[desc.selector] = identity;
        }
    }
    for (const LutDataDesc& desc : descs) {
        // A table the file does not list starts with no points.
        const LutData& stored = loaded[desc.selector];
        selectors_.push_back(utf8_to_wide(desc.selector));
        LutData& data = luts_[desc.selector];
        data = with_ranges(desc);
        data.points = stored.points;
        data.mode = stored.mode;
    }
    current_ = descs.front().selector;
    stem_ = stem;
    view_->setData(selectors_, selectors_.front(), luts_[current_]);
    view_->setViewEnabled(true);
}

void LutViewController::reset()
{
    if (stem_.empty())
        return;
    std::vector<LutDataDesc> descs;
    if (!deviceGetLutDataDescs(descs) || descs.empty())
        return;
    luts_.clear();
    selectors_.clear();
    for (const LutDataDesc& desc : descs) {
        selectors_.push_back(utf8_to_wide(desc.selector));
        LutData data = with_ranges(desc);
        data.points = identity_lut_points(data);
        luts_[desc.selector] = data;
    }
    current_ = descs.front().selector;
    // Each table is computed for its own ranges and written while selected.
    for (const auto& [selector, data] : luts_) {
        if (hasSelector_)
            deviceSetLutSelector(selector);
        deviceSetLutValueAll(identity_lut_values(data));
    }
    // The camera's selected table is again the one the view shows.
    if (hasSelector_)
        deviceSetLutSelector(current_);
    view_->setData(selectors_, utf8_to_wide(current_), luts_[current_]);
}

void LutViewController::setCurve(const std::vector<kyrgx::Vec2<float>>& points,
                                 const std::vector<int64_t>& values)
{
    if (stem_.empty())
        return;
    currentData().points = points;
    // An empty table (the view's "Raw" computation) is no table to write.
    if (!values.empty())
        deviceSetLutValueAll(values);
}

void LutViewController::onLutSelector(const std::string& name)
{
    if (stem_.empty() || luts_.count(name) == 0)
        return;
    current_ = name;
    view_->setData(selectors_, utf8_to_wide(name), currentData());
}

void LutViewController::onLutEnable(bool value)
{
    if (stem_.empty())
        return;
    LutDataDesc desc;
    if (deviceGetLutDataDesc(current_, desc))
        currentData().enable = desc.enable;
    view_->setLutEnabled(value);
}

LutData& LutViewController::currentData()
{
    return luts_[current_];
}

LutViewControllerFactory lut_view_controller_factory()
{
    return [](ILutView& view, MainModel& model) { return std::make_shared<LutViewController>(view, model); };
}

} // namespace app
