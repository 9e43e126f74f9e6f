#pragma once

#include "views/IViewBase.h"

#include <string>

namespace app {

// A command button of the ribbon or the title bar as controllers and plug-ins
// see it: a push or toggle button they label and switch, and whose clicks they
// subscribe to. GUI thread only.
class IMenuButton : public IViewBase {
public:
    ~IMenuButton() override = default;

    virtual void setText(const std::wstring& text) = 0;
    virtual void setToolTip(const std::wstring& text) = 0;
    // The file name of an image in the data folder; a missing file gives no icon.
    virtual void setIcon(const std::wstring& name) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setCheckable(bool checkable) = 0;
    // Applied on the next turn of the GUI event loop: a read right after the
    // call still sees the old state.
    virtual void setChecked(bool checked) = 0;

    EventList<> clicked;
};

} // namespace app
