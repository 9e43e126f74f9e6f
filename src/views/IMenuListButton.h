#pragma once

#include "views/IMenuItem.h"
#include "views/IViewBase.h"

#include <memory>
#include <string>
#include <vector>

namespace app {

// A button that drops down a list of checkable text items. In single-select
// mode choosing an item checks exactly that item (radio items); in multi-select
// mode each item toggles on its own. GUI thread only.
class IMenuListButton : public IViewBase {
public:
    ~IMenuListButton() override = default;

    // Empties the list. May be called from the list's own selection handlers;
    // handles of the removed items then do nothing.
    virtual void clear() = 0;
    virtual std::shared_ptr<IMenuItem> addItem(const std::wstring& text) = 0;
    // The item texts in list order.
    virtual std::vector<std::wstring> items() = 0;
    virtual void setText(const std::wstring& text) = 0;
    // The file name of an image in the data folder; a missing file gives no icon.
    virtual void setIcon(const std::wstring& name) = 0;
    virtual void setEnabled(bool enabled) = 0;
    // Checks every item whose text equals the text and unchecks all others;
    // raises nothing.
    virtual void setCheckedItem(const std::wstring& text) = 0;
    virtual void setMultiSelect(bool multiSelect) = 0;

    EventList<std::wstring, int> itemSelected; // the item's text and position
    EventList<> aboutToShow;                   // the list is about to open
    EventList<> clicked;                       // the button's face (split mode)
};

} // namespace app
