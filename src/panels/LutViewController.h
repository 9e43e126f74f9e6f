#pragma once

#include "app/TimeoutController.h"
#include "device/PropertyMap.h"
#include "model/IDevicePanelController.h"
#include "views/docks/ILutView.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace app {

class MainModel;
class VideoDeviceController;

// What the camera reports about one look-up table while it is selected.
struct LutDataDesc {
    std::string selector; // the LUTSelector entry; empty for a camera without LUTSelector
    bool enable = false;  // LUTEnable
    int64_t indexMin = 0; // LUTIndex's range
    int64_t indexMax = 0;
    int64_t valueMin = 0; // LUTValue's range
    int64_t valueMax = 0;
};

// The block written to "LUTValueAll": registerSize (S) bytes for entryCount (N)
// entries of w = S / N bytes each (the remainder stays unused). Value i goes to
// bytes i*w .. i*w + w - 1 as its w least significant bytes, least significant
// first; values past the N-th are dropped and entries without a value are
// zero. Throws std::invalid_argument when N < 1 or w is not 1 to 8.
std::vector<uint8_t> lut_register_block(const std::vector<int64_t>& values, int64_t registerSize,
                                        int64_t entryCount);

// The identity table of a table's ranges: one value per index, rising evenly
// (rounded) from valueMin at indexMin to valueMax at indexMax.
std::vector<int64_t> identity_lut_values(const LutData& data);

// The identity curve: (indexMin, valueMin) to (indexMax, valueMax).
std::vector<kyrgx::Vec2<float>> identity_lut_points(const LutData& data);

// Connects the LUT dock to the look-up tables of the selected camera: a curve
// edit goes into the camera as one "LUTValueAll" write of the whole table, the
// curves (points and mode per table) are kept per camera in the settings
// folder's "<stem>_lutViewData.json", and the camera's own changes of its LUT
// features come back into the dock.
//
// Threads: everything runs on the GUI thread. The camera's notifications
// arrive on the camera library's thread through the device controller's LUT
// hooks; the hooks only post their work to this controller's timer list, which
// the main controller's GUI tick runs (processTimeouts), and whatever is still
// pending when the controller goes is dropped with it.
//
// The selected camera's device controller is held weakly: a camera closed and
// released first is simply gone for the controller.
class LutViewController : public TimeoutController, public IDevicePanelController {
public:
    // Subscribes to the view and follows the model's selected camera; throws
    // std::runtime_error "Device does not exist." without one.
    LutViewController(ILutView& view, MainModel& model);
    // Saves the curves of the held camera and empties its device controller's
    // LUT hooks.
    ~LutViewController() override;
    LutViewController(const LutViewController&) = delete;
    LutViewController& operator=(const LutViewController&) = delete;

    // Follows the model's selected camera: installs the LUT hooks; for another
    // camera saves the curves of the one before and reads the new camera's
    // tables and curve file. Selecting the same camera again changes nothing else.
    void setDevice(MainModel& model) override;
    void processTimeouts() override { TimeoutController::processTimeouts(); }

    // Every table of the camera becomes its identity curve ("Cubic") and is
    // written into the camera, each with its own ranges.
    void reset();
    // The current table's new curve: its points are kept, its values written.
    void setCurve(const std::vector<kyrgx::Vec2<float>>& points, const std::vector<int64_t>& values);

    // The curve file of a camera stem, read into map (entries with the default
    // ranges); false when it is missing (silently) or malformed (logged).
    bool loadLutData(const std::wstring& stem, std::map<std::string, LutData>& map) const;
    // Writes the curves under the stem; a failure is logged and the old file stays.
    void saveLutData(const std::wstring& stem) const;
    static std::wstring curveFilePath(const std::wstring& stem);

    // ---- camera access (the selected camera's device property map)
    // Every table's description in the camera's order, each selected in turn,
    // the first selected at the end. False (logged) without LUT support.
    bool deviceGetLutDataDescs(std::vector<LutDataDesc>& descs);
    // The selected table's description, stored under selector.
    bool deviceGetLutDataDesc(const std::string& selector, LutDataDesc& desc);
    void deviceSetLutSelector(const std::string& name);
    void deviceSetLutEnable(bool value);
    // Writes the values into the selected table with one register write.
    void deviceSetLutValueAll(const std::vector<int64_t>& values);

    // ---- state (GUI thread)
    const std::map<std::string, LutData>& lutData() const { return luts_; }
    const std::vector<std::wstring>& selectors() const { return selectors_; }
    const std::string& currentSelector() const { return current_; }
    // The camera whose curves the controller holds; empty before the first
    // camera and after a camera without look-up tables.
    const std::wstring& cameraStem() const { return stem_; }

private:
    void subscribeView();
    void installHooks(VideoDeviceController& device);
    static void clearHooks(VideoDeviceController& device);
    // The held camera's device property map; throws (default record) or
    // records (other records) a failure; empty when the camera is gone.
    vsx::PropertyMap propertyMap(vsx::Error& err) const;
    // The current table's data, a default one inserted when missing.
    LutData& currentData();

    // Hook work, run on the GUI thread.
    void onLutSelector(const std::string& name);
    void onLutEnable(bool value);

    // Handlers left in the view's lists check it: the view outlives the controller.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::weak_ptr<VideoDeviceController> device_;
    MainModel* model_;
    ILutView* view_;
    std::wstring stem_;
    std::map<std::string, LutData> luts_;
    std::vector<std::wstring> selectors_;
    std::string current_;
    bool hasSelector_ = true;
};

// The factory the application context hands to the main controller.
LutViewControllerFactory lut_view_controller_factory();

} // namespace app
