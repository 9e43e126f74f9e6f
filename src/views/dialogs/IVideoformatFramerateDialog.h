#pragma once

#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"

#include <functional>
#include <string>
#include <vector>

namespace app {

// The modeless dialog in which the user picks a camera's pixel format, then one
// of its resolutions, then a frame rate. It knows no camera: the controller
// sets the three providers, subscribes to the lists, then calls initialize.
// Every choice is reported at once; onClose fires exactly once, whichever way
// the dialog ends (true for OK only).
class IVideoformatFramerateDialog : public IViewBase {
public:
    ~IVideoformatFramerateDialog() override = default;

    // The pixel format names offered.
    std::function<std::vector<std::string>()> pixelformats;
    // The sizes offered for one pixel format (x the width, y the height).
    std::function<std::vector<kyrgx::Vec2<int>>(std::string)> resolutions;
    // The frame rates offered for the current format and size.
    std::function<std::vector<double>()> framerates;

    EventList<std::string> pixelformatChanged;
    EventList<kyrgx::Vec2<int>> resolutionChanged;
    EventList<float> framerateChanged;
    EventList<bool> onClose; // accepted

    // Titles the dialog "model(serial)" and fills the rows from the providers.
    virtual void initialize(const std::string& model, const std::string& serial) = 0;
    virtual std::string pixelformat() = 0;
    virtual kyrgx::Vec2<int> resolution() = 0;
    virtual double framerate() = 0;
};

} // namespace app
