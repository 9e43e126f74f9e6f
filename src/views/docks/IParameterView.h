#pragma once

#include "views/IViewBase.h"

#include <memory>
#include <string>
#include <vector>

namespace helper {
class Parameter;
}

namespace app {

// A dock that edits the settings of one entry chosen from a list of named
// entries, with a check box that switches the chosen entry on or off (the
// Filter dock: the selected camera's filters). Its rows write straight into
// the parameters; the entry list and the check box only raise events. It
// raises dockClosed when it closes, never IViewBase::closed. GUI thread only.
class IParameterView : public IViewBase {
public:
    ~IParameterView() override = default;

    // Enables or disables the whole dock content.
    virtual void setEnabled(bool enabled) = 0;
    // Refills the entry list and selects its first entry; the selection
    // changes are reported through entrySelected.
    virtual void setEntries(std::vector<std::wstring> entries) = 0;
    // The selected entry; empty when the list is empty.
    virtual std::wstring selectedEntry() = 0;
    // Sets the check box without raising enabledChanged.
    virtual void setEntryEnabled(bool enabled) = 0;
    // Selects the first entry equal to the text; an unknown text changes nothing.
    virtual void selectEntry(const std::wstring& entry) = 0;
    // Removes every parameter row, the Reset button included.
    virtual void clearParameters() = 0;
    // Appends one row per shown parameter, then a Reset button.
    virtual void setParameters(std::vector<std::shared_ptr<helper::Parameter>> parameters) = 0;

    EventList<std::wstring> entrySelected; // the user chose another entry
    EventList<bool> enabledChanged;        // the user toggled the check box
    EventList<> dockClosed;                // the dock is being closed
    bool updating = false;                 // true only while setEntryEnabled runs
};

} // namespace app
