// The rows of the simple property panel: which row an element gets, how it is
// made from its wrapper, how an edit reaches the camera, the description shown
// on hover, and how a row is read again after the camera changed.

#include "panels/PropertyViewController.h"

#include "app/Utf8.h"
#include "panels/FeatureNames.h"
#include "panels/PropertyInterfaceBase.h"
#include "panels/PropertyItem.h"

#include <spdlog/spdlog.h>

namespace app {

namespace {

using VSXUtil::PropertyInterfaceBase;
using VSXUtil::PropertyInterfaceType;

// The view's code of a float row from the wrapper's representation: a linear
// or logarithmic slider with a number field, or the number field alone.
int abs_row_representation(int32_t wrapperCode)
{
    switch (wrapperCode) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 0;
    default:
        return 1;
    }
}

// Integer rows show codes 0 to 6; anything else as a plain number.
int range_row_representation(int32_t wrapperCode)
{
    return wrapperCode >= 0 && wrapperCode <= 6 ? wrapperCode : 0;
}

std::vector<std::wstring> wide_entries(const std::vector<std::string>& entries)
{
    std::vector<std::wstring> wide;
    wide.reserve(entries.size());
    for (const std::string& entry : entries)
        wide.push_back(utf8_to_wide(entry));
    return wide;
}

// The first wrapper of the element with that type code that is also of the
// interface the row needs.
template <typename Interface>
std::shared_ptr<Interface> wrapper_of(const VSXUtil::PropertyElement& element, PropertyInterfaceType type)
{
    for (const auto& weak : element.properties()) {
        const auto wrapper = weak.lock();
        if (!wrapper || wrapper->interfaceType() != type)
            continue;
        if (auto typed = std::dynamic_pointer_cast<Interface>(wrapper))
            return typed;
    }
    return nullptr;
}

// The camera's state of a feature, read before its row is made: a query that
// throws then leaves no row in the dock that nothing would edit or refresh.
struct RowState {
    explicit RowState(PropertyInterfaceBase& wrapper)
        : locked(wrapper.isLocked()), readOnly(wrapper.isReadOnly()), available(wrapper.isAvailable())
    {
    }
    bool locked;
    bool readOnly;
    bool available;
};

// The group a wrapper's row belongs to.
std::string wrapper_group(const PropertyInterfaceBase& wrapper, const VSXUtil::PropertyElement& fallback)
{
    const VSXUtil::PropertyElement* element = wrapper.owner() ? wrapper.owner() : &fallback;
    return element->item() ? element->item()->group() : std::string();
}

} // namespace

void PropertyViewController::addRow(const ElementPtr& element, const std::wstring& pageTitle)
{
    if (!element || !view_)
        return;
    try {
        const VSXUtil::PropertyItem* item = element->item();
        const std::wstring group = item ? groupTitle(*item) : std::wstring();
        const std::wstring label = propertyLabel(*element);

        std::shared_ptr<IPropertyViewParameter> row;
        std::weak_ptr<PropertyInterfaceBase> chosen;
        if (auto push = wrapper_of<VSXUtil::PropertyPush>(*element, PropertyInterfaceType::Push)) {
            chosen = push;
            row = addPushRow(pageTitle, group, label, push);
        } else if (auto check =
                       wrapper_of<VSXUtil::PropertySwitch>(*element, PropertyInterfaceType::Switch)) {
            chosen = check;
            row = addSwitchRow(pageTitle, group, label, check);
        } else if (auto list = wrapper_of<VSXUtil::PropertyList>(*element, PropertyInterfaceType::List)) {
            chosen = list;
            row = addListRow(pageTitle, group, label, list);
        } else if (auto number = wrapper_of<VSXUtil::PropertyFloat>(*element, PropertyInterfaceType::Float)) {
            chosen = number;
            if (wrapper_group(*number, *element) == VSXUtil::names::Exposure)
                row = addExposureRow(pageTitle, group, label, number);
            else
                row = addAbsRow(pageTitle, group, label, number);
        } else if (auto range = wrapper_of<VSXUtil::PropertyRange>(*element, PropertyInterfaceType::Range)) {
            chosen = range;
            row = addRangeRow(pageTitle, group, label, range);
        }
        std::vector<std::shared_ptr<IPropertyViewParameter>> rows;
        if (row)
            rows.push_back(row);
        registerRows(group, label, rows, chosen);
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::addRow() failed: {}", e.what());
    }
}

// ---- one adder per row kind

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addPushRow(const std::wstring& page, const std::wstring& group,
                                   const std::wstring& label,
                                   const std::weak_ptr<VSXUtil::PropertyPush>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    const bool available = wrapper->isAvailable();
    auto row = view_->addPushParameter(page, group, label);
    row->setEnabled(available);
    row->pushed.push_back([this, weak](IViewBase*) {
        onRowChanged(weak,
                     [](PropertyInterfaceBase& w) { static_cast<VSXUtil::PropertyPush&>(w).set_value(); });
    });
    return row;
}

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addSwitchRow(const std::wstring& page, const std::wstring& group,
                                     const std::wstring& label,
                                     const std::weak_ptr<VSXUtil::PropertySwitch>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    wrapper->update();
    const RowState state(*wrapper);
    auto row = view_->addSwitchParameter(page, group, label, wrapper->value(), state.locked, state.readOnly);
    row->setEnabled(state.available);
    row->valueChanged.push_back([this, weak](IViewBase*, bool value) {
        onRowChanged(weak, [value](PropertyInterfaceBase& w) {
            static_cast<VSXUtil::PropertySwitch&>(w).set_value(value);
        });
    });
    return row;
}

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addListRow(const std::wstring& page, const std::wstring& group,
                                   const std::wstring& label,
                                   const std::weak_ptr<VSXUtil::PropertyList>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    wrapper->update();
    const RowState state(*wrapper);
    auto row = view_->addListParameter(page, group, label, wide_entries(wrapper->entries()),
                                       utf8_to_wide(wrapper->value()), state.locked, state.readOnly);
    row->setEnabled(state.available);
    row->selectionChanged.push_back([this, weak](IViewBase*, const std::wstring& entry) {
        const std::string text = wide_to_utf8(entry);
        onRowChanged(weak, [&text](PropertyInterfaceBase& w) {
            static_cast<VSXUtil::PropertyList&>(w).set_value(text);
        });
    });
    return row;
}

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addExposureRow(const std::wstring& page, const std::wstring& group,
                                       const std::wstring& label,
                                       const std::weak_ptr<VSXUtil::PropertyFloat>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    wrapper->update();
    const RowState state(*wrapper);
    auto row =
        view_->addExposureParameter(page, group, label, wrapper->value(), wrapper->min(), wrapper->max(),
                                    wrapper->increment(), state.locked, state.readOnly);
    row->setEnabled(state.available);
    row->setLogarithmic(wrapper->representation() == 1);
    row->setValue(wrapper->min());
    row->setValue(wrapper->value());
    row->valueChanged.push_back([this, weak](IViewBase*, float value) {
        onRowChanged(weak, [value](PropertyInterfaceBase& w) {
            static_cast<VSXUtil::PropertyFloat&>(w).set_value(value);
        });
    });
    return row;
}

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addAbsRow(const std::wstring& page, const std::wstring& group,
                                  const std::wstring& label,
                                  const std::weak_ptr<VSXUtil::PropertyFloat>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    wrapper->update();
    const int32_t representation = wrapper->representation();
    const std::wstring unit = utf8_to_wide(wrapper->unit());
    const RowState state(*wrapper);
    auto row = view_->addAbsParameter(page, group, label, wrapper->value(), wrapper->min(), wrapper->max(),
                                      wrapper->increment(), wrapper->valueSet(),
                                      abs_row_representation(representation), state.locked, state.readOnly);
    row->setUnit(unit);
    row->setEnabled(state.available);
    row->setLogarithmic(representation == 1);
    row->setValue(wrapper->min());
    row->setValue(wrapper->value());
    row->valueChanged.push_back([this, weak](IViewBase*, float value) {
        onRowChanged(weak, [value](PropertyInterfaceBase& w) {
            static_cast<VSXUtil::PropertyFloat&>(w).set_value(value);
        });
    });
    return row;
}

std::shared_ptr<IPropertyViewParameter>
PropertyViewController::addRangeRow(const std::wstring& page, const std::wstring& group,
                                    const std::wstring& label,
                                    const std::weak_ptr<VSXUtil::PropertyRange>& weak)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return nullptr;
    const int representation = range_row_representation(wrapper->representation());
    wrapper->update();
    const RowState state(*wrapper);
    auto row = view_->addRangeParameter(page, group, label, wrapper->value(), wrapper->min(), wrapper->max(),
                                        wrapper->increment(), wrapper->valueSet(), representation,
                                        state.locked, state.readOnly);
    row->setEnabled(state.available);
    row->valueChanged.push_back([this, weak](IViewBase*, int64_t value) {
        onRowChanged(weak, [value](PropertyInterfaceBase& w) {
            static_cast<VSXUtil::PropertyRange&>(w).set_value(value);
        });
    });
    return row;
}

// ---- registration, hover and edits

void PropertyViewController::registerRows(const std::wstring& groupTitle, const std::wstring& label,
                                          const std::vector<std::shared_ptr<IPropertyViewParameter>>& rows,
                                          const std::weak_ptr<PropertyInterfaceBase>& wrapper)
{
    for (const auto& row : rows) {
        row->activated.push_back(
            [this, wrapper, groupTitle, label](IViewBase*) { showRowInfo(wrapper, groupTitle, label); });
        rowList_.push_back(PropertyRow{row, wrapper});
    }
}

void PropertyViewController::showRowInfo(const std::weak_ptr<PropertyInterfaceBase>& weak,
                                         const std::wstring& groupTitle, const std::wstring& label)
{
    try {
        const auto wrapper = weak.lock();
        if (!wrapper || !view_)
            return;
        const VSXUtil::PropertyElement* element = wrapper->owner();
        view_->setDescription(wide_to_utf8(groupTitle + L" - " + label),
                              element ? element->description() : std::string());
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::showRowInfo() failed: {}", e.what());
    }
}

void PropertyViewController::onRowChanged(const std::weak_ptr<PropertyInterfaceBase>& weak,
                                          const std::function<void(PropertyInterfaceBase&)>& write)
{
    const auto wrapper = weak.lock();
    if (!wrapper)
        return;
    // The row already shows the new value: the camera's echo of this very
    // write is not wanted. What the camera changes besides is refreshed
    // through the other rows' notifications.
    try {
        wrapper->disableNotification();
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::onRowChanged() failed: {}", e.what());
    }
    try {
        write(*wrapper);
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::onRowChanged() failed: {}", e.what());
    }
    try {
        wrapper->enableNotification();
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::onRowChanged() failed: {}", e.what());
    }
}

// ---- refreshing one row

void PropertyViewController::refreshRow(const PropertyRow& entry)
{
    const auto wrapper = entry.wrapper.lock();
    if (!wrapper || !entry.row)
        return;
    if (!wrapper->isAvailable()) {
        // The row keeps what it shows until the feature is back.
        entry.row->setEnabled(false);
        return;
    }
    entry.row->setEnabled(true);
    wrapper->update();

    switch (wrapper->interfaceType()) {
    case PropertyInterfaceType::Range: {
        const auto range = std::dynamic_pointer_cast<VSXUtil::PropertyRange>(wrapper);
        const auto row = std::dynamic_pointer_cast<IPropertyViewRangeParameter>(entry.row);
        if (range && row)
            row->setup(range->min(), range->max(), range->value(), range->increment(), range->isLocked(),
                       range->isReadOnly());
        break;
    }
    case PropertyInterfaceType::Float: {
        const auto number = std::dynamic_pointer_cast<VSXUtil::PropertyFloat>(wrapper);
        if (!number)
            break;
        if (const auto abs = std::dynamic_pointer_cast<IPropertyViewAbsParameter>(entry.row))
            abs->setup(number->min(), number->max(), number->value(), number->increment(), number->isLocked(),
                       number->isReadOnly());
        else if (const auto exposure = std::dynamic_pointer_cast<IPropertyViewExposureParameter>(entry.row))
            exposure->setup(number->min(), number->max(), number->value(), number->increment(),
                            number->isLocked(), number->isReadOnly());
        break;
    }
    case PropertyInterfaceType::Switch: {
        const auto check = std::dynamic_pointer_cast<VSXUtil::PropertySwitch>(wrapper);
        const auto row = std::dynamic_pointer_cast<IPropertyViewSwitchParamater>(entry.row);
        if (check && row)
            row->setup(check->value(), check->isLocked(), check->isReadOnly());
        break;
    }
    case PropertyInterfaceType::List: {
        const auto list = std::dynamic_pointer_cast<VSXUtil::PropertyList>(wrapper);
        const auto row = std::dynamic_pointer_cast<IPropertyViewListParameter>(entry.row);
        if (!list || !row)
            break;
        // The new entries are shown from the timer list, with the lock and
        // read-only state of that moment.
        std::wstring value = utf8_to_wide(list->value());
        std::vector<std::wstring> entries = wide_entries(list->entries());
        const std::weak_ptr<VSXUtil::PropertyList> weak = list;
        addOnce([row, weak, value = std::move(value), entries = std::move(entries)] {
            try {
                if (const auto alive = weak.lock())
                    row->setup(value, entries, alive->isLocked(), alive->isReadOnly());
            } catch (const std::exception& e) {
                spdlog::error("PropertyViewController::refreshRow() failed: {}", e.what());
            }
        });
        break;
    }
    default:
        break;
    }
}

} // namespace app
