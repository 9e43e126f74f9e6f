#pragma once

#include "views/IViewBase.h"
#include "views/SequenceViewData.h"

#include <string>

namespace app {

// The dock in which the user edits one camera's image-sequence settings. It
// keeps its own copy of the record, checks every edit and, after each accepted
// one, hands a copy of the whole record to settingsChanged. It never touches
// the camera or the model. GUI thread only.
class ISequenceSettingsView : public IViewBase {
public:
    ~ISequenceSettingsView() override = default;

    // Enables or disables the pages' rows; the page headers stay usable.
    virtual void setEnabled(bool enabled) = 0;
    // Shows the record and keeps it as the dock's copy; raises nothing.
    virtual void setData(SequenceViewData data) = 0;

    // The dock's copy of the shown settings. (Not "data": Qt widgets have a
    // member of that name.)
    SequenceViewData viewData;
    // The unique name of the camera whose settings the dock shows; written and
    // read by the main controller only.
    std::wstring deviceName;
    EventList<SequenceViewData> settingsChanged;
};

} // namespace app
