#pragma once

#include "views/IViewBase.h"
#include "views/SequenceViewData.h"

namespace app {

// The dock that shows the selected camera's automatic image sequence (next
// file, end condition, interval, time to the next capture) with the buttons
// Start, Stop and Settings. It has no timer: the main controller refreshes it.
// It raises dockClosed when it closes, never IViewBase::closed. GUI thread only.
class ISequenceTimerView : public IViewBase {
public:
    explicit ISequenceTimerView(SequenceTimerViewData initial) : viewData(std::move(initial)) {}
    ~ISequenceTimerView() override = default;

    virtual void setButtonsEnabled(bool start, bool stop, bool settings) = 0;
    // Shows the record; the copy below keeps what the dock was made with.
    virtual void setData(SequenceTimerViewData data) = 0;

    // The record the dock was constructed with; setData leaves it alone.
    SequenceTimerViewData viewData;
    EventList<> dockClosed;
    EventList<> startClicked;
    EventList<> stopClicked;
    EventList<> settingsClicked;
};

} // namespace app
