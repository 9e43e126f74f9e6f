#pragma once

#include "views/IViewBase.h"

#include <string>

namespace kyrgx {
class Graphics;
}

namespace app {

// The histogram dock: a picture the subscriber of paintRequested draws the
// histogram into, and the rows that shape it (show zeros, "Linear" or
// "Logarithmic", the channels "RGB", "R", "G", "B" or "Grayscale").
// repaint may be called from any thread; everything else belongs to the GUI
// thread.
class IHistogramSettingsView : public IViewBase {
public:
    ~IHistogramSettingsView() override = default;

    // Asks for a repaint of the picture at the GUI thread's next turn; callable
    // from any thread while the dock exists.
    virtual void repaint() = 0;
    // Colour frames offer every channel entry, mono frames "Grayscale" alone.
    // Raises nothing: the row keeps what the last setState asked for where it
    // can.
    virtual void setColorChannels(bool color) = 0;
    // Shows the three settings; raises nothing.
    virtual void setState(bool showZeros, std::wstring displayMode, std::wstring channels) = 0;

    EventList<bool> showZerosChanged;
    EventList<std::wstring> displayModeChanged;
    EventList<std::wstring> channelsChanged;
    // The picture paints: draw with the Graphics into (0, 0, width, height).
    EventList<kyrgx::Graphics*, int, int> paintRequested;
};

} // namespace app
