#pragma once

#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"

#include <string>

namespace app {

// The main window as the main controller sees it: operations the controller
// calls and event lists it subscribes to before the window is first shown.
class IMainView : public IViewBase {
public:
    ~IMainView() override = default;

    virtual void setTitle(const std::wstring& title) = 0;
    // Resizes the window to size first, then moves it to position.
    virtual void setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size) = 0;
    // True when the window state is exactly "minimised".
    virtual bool isMinimized() = 0;

    EventList<> tick;                          // every 16 ms
    EventList<> loaded;                        // once, one event-loop turn after the first show
    EventList<> closing;                       // the window is being closed
    EventList<kyrgx::Vec2<int>> resized;       // new width, height
    EventList<kyrgx::Vec2<int>> moved;         // new x, y
    EventList<std::wstring> languageSelected;  // language code chosen in the title bar
};

}  // namespace app
