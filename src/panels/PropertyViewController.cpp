// The simple property panel: construction, building the pages and the order of
// their rows, titles, camera notifications and closing. The rows themselves
// are made, edited and refreshed in PropertyViewControllerRows.cpp.

#include "panels/PropertyViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "panels/FeatureNames.h"
#include "panels/FeatureTables.h"
#include "panels/PropertyItem.h"

#include <algorithm>
#include <fmt/format.h>
#include <set>
#include <spdlog/spdlog.h>

namespace app {

namespace {

namespace n = VSXUtil::names;

constexpr int32_t kRowSpacingMs = 4;

// The title of a key; a key without a translation is logged and gives the fallback.
std::wstring translated(const std::string& key, const std::function<std::wstring()>& fallback)
{
    try {
        return Localization::getStringOrThrow(key);
    } catch (const std::exception& e) {
        spdlog::error("Missing localization key: {}\n{}", key, e.what());
    }
    return fallback();
}

// Camera texts are UTF-8 from outside; a malformed one still gives a title.
std::wstring wide_or_empty(const std::string& text)
{
    try {
        return utf8_to_wide(text);
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController: text '{}' is not UTF-8: {}", text, e.what());
        return {};
    }
}

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Turns the dock's screen updates off for a scope and on again however it ends.
class UpdateScope {
public:
    explicit UpdateScope(IPropertyView* view) : view_(view)
    {
        if (view_)
            view_->beginUpdate();
    }
    ~UpdateScope()
    {
        if (!view_)
            return;
        try {
            view_->endUpdate();
        } catch (const std::exception& e) {
            spdlog::error("PropertyViewController::endUpdate() failed: {}", e.what());
        }
    }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    IPropertyView* view_;
};

} // namespace

PropertyViewController::PropertyViewController(IPropertyView* view)
    : view_(view), excludedGroups_{std::string(n::Unknown), std::string(n::OverrideScanningMode)},
      expandedPages_(&vsx::devinfo_less_by_unique_name)
{
}

PropertyViewController::PropertyViewController(IPropertyView* view, Clock clock)
    : TimeoutController(std::move(clock)),
      view_(view), excludedGroups_{std::string(n::Unknown), std::string(n::OverrideScanningMode)},
      expandedPages_(&vsx::devinfo_less_by_unique_name)
{
}

PropertyViewController::~PropertyViewController()
{
    // Normally close() or a rebuild has done this already; a controller let go
    // without close() must not leave its address in a wrapper either.
    releaseRows();
}

// ---- camera and build

void PropertyViewController::setDevice(VideoDeviceController* device)
{
    std::lock_guard lock(mutex_);
    try {
        rowDelayMs_ = 0;
        clear();
        if (deviceInfo_ && view_)
            expandedPages_[deviceInfo_] = view_->expandedCategory();
        device_ = device;
        deviceInfo_ = device ? device->deviceInfo() : vsx::DeviceInfo();
        if (view_)
            view_->invoke([this] { rebuild(); });
    } catch (const std::exception& e) {
        spdlog::error("PropertyViewController::setDevice() failed: {}", e.what());
    }
}

void PropertyViewController::rebuild()
{
    UpdateScope updates(view_);
    releaseRows();
    view_->clear();
    if (!device_)
        return;

    ItemList items = getPropertyItems(*device_);
    if (!items.empty()) {
        std::wstring expanded;
        const auto remembered = deviceInfo_ ? expandedPages_.find(deviceInfo_) : expandedPages_.end();
        if (remembered != expandedPages_.end())
            expanded = remembered->second;
        addPages(items, expanded);

        deferRows_ = false;
        addCategoryPages(items, true, [&](const std::wstring& title) { return title == expanded; });
        view_->expandCategory(expanded);
        deferRows_ = true;
        addCategoryPages(items, false, [&](const std::wstring& title) { return title != expanded; });
    }

    // After the last deferred row: one relayout, then the change callbacks.
    addTimeout(
        [this] {
            try {
                if (view_)
                    view_->relayout();
            } catch (const std::exception& e) {
                spdlog::error("PropertyViewController::relayout() failed: {}", e.what());
            }
            return false;
        },
        rowDelayMs_, -1);
    rowDelayMs_ += kRowSpacingMs;
    addTimeout(
        [this] {
            installChangeCallbacks();
            return false;
        },
        rowDelayMs_, -1);
}

PropertyViewController::ItemList PropertyViewController::getPropertyItems(VideoDeviceController& device)
{
    ItemList items;
    std::vector<std::weak_ptr<VSXUtil::PropertyItem>> listed;
    try {
        listed = device.getPropertyItems();
    } catch (const std::exception& e) {
        // The camera's list could not be built; the next setDevice asks again.
        spdlog::error("PropertyViewController::getPropertyItems() failed: {}", e.what());
        return items;
    }
    for (const auto& weak : listed) {
        std::shared_ptr<VSXUtil::PropertyItem> item = weak.lock();
        if (item && !contains(excludedGroups_, item->group()))
            items.push_back(std::move(item));
    }
    return items;
}

void PropertyViewController::addPages(const ItemList& items, std::wstring& expanded)
{
    const auto hasPage = [&](const std::string& page) {
        return std::any_of(items.begin(), items.end(),
                           [&](const auto& item) { return item->page() == page; });
    };
    std::set<std::string> added;
    for (const std::string& page : VSXUtil::page_order()) {
        if (!hasPage(page) || added.count(page))
            continue;
        const std::wstring title = categoryTitle(page);
        if (expanded.empty())
            expanded = title;
        view_->addCategory(title);
        added.insert(page);
    }
    bool unknownWanted = false;
    for (const auto& item : items) {
        const std::string page = item->page();
        if (added.count(page))
            continue;
        if (page == n::Unknown) {
            unknownWanted = true;
            continue;
        }
        view_->addCategory(categoryTitle(page));
        added.insert(page);
    }
    if (unknownWanted)
        view_->addCategory(categoryTitle(std::string(n::Unknown)));
    if (expanded.empty())
        expanded = pageTitle(*items.front());
}

void PropertyViewController::addCategoryPages(const ItemList& items, bool withGroups,
                                              const std::function<bool(std::wstring)>& accept)
{
    for (const auto& item : items) {
        const std::wstring title = pageTitle(*item);
        if (withGroups)
            view_->grid(title, groupTitle(*item));
        if (accept(title))
            addItemRows(item, title);
    }
}

void PropertyViewController::addItemRows(const ItemPtr& item, const std::wstring& pageTitle)
{
    std::vector<std::string> usedRoles;
    for (std::string_view role : {n::Auto, n::OnePush, n::Value, n::AutoReference})
        addRowsForRoles(item, {std::string(role)}, usedRoles, pageTitle);
    if (const std::vector<std::string>* order = VSXUtil::group_roles_in_order(item->group()))
        addRowsForRoles(item, *order, usedRoles, pageTitle);
    addRemainingRows(item, usedRoles, pageTitle);
}

void PropertyViewController::addRowsForRoles(const ItemPtr& item, const std::vector<std::string>& roles,
                                             std::vector<std::string>& usedRoles,
                                             const std::wstring& pageTitle)
{
    for (const std::string& role : roles) {
        if (ElementPtr element = item->find_element(role).lock()) {
            usedRoles.push_back(role);
            addRowDeferred(item, element, pageTitle);
        }
    }
}

void PropertyViewController::addRemainingRows(const ItemPtr& item, std::vector<std::string>& usedRoles,
                                              const std::wstring& pageTitle)
{
    const std::string maxValue(n::AutoMaxValue);
    const std::string maxValueAuto(n::AutoMaxValueAuto);
    const ElementPtr maximum = item->find_element(maxValue).lock();
    const ElementPtr maximumAuto = item->find_element(maxValueAuto).lock();
    if (maximum && maximumAuto) {
        // The switch that derives the maximum comes before the maximum.
        addRowDeferred(item, maximumAuto, pageTitle);
        addRowDeferred(item, maximum, pageTitle);
        usedRoles.push_back(maxValue);
        usedRoles.push_back(maxValueAuto);
    }
    for (const auto& weak : item->elements()) {
        const ElementPtr element = weak.lock();
        if (element && !contains(usedRoles, element->role()))
            addRowDeferred(item, element, pageTitle);
    }
}

void PropertyViewController::addRowDeferred(const ItemPtr& item, const ElementPtr& element,
                                            const std::wstring& pageTitle)
{
    if (!deferRows_) {
        addRow(element, pageTitle);
        return;
    }
    rowDelayMs_ += kRowSpacingMs;
    addTimeout(
        [this, weakItem = std::weak_ptr<VSXUtil::PropertyItem>(item),
         weakElement = std::weak_ptr<VSXUtil::PropertyElement>(element), pageTitle] {
            // The element names its item by address: both must still be there.
            const ItemPtr alive = weakItem.lock();
            if (const ElementPtr element = weakElement.lock(); alive && element)
                addRow(element, pageTitle);
            return false;
        },
        rowDelayMs_, -1);
}

// ---- change callbacks

void PropertyViewController::installChangeCallbacks()
{
    for (const PropertyRow& entry : rowList_)
        if (const auto wrapper = entry.wrapper.lock())
            wrapper->setChangeCallback(
                [this](VSXUtil::PropertyInterfaceBase* changed) { onPropertyChanged(changed); });
}

void PropertyViewController::releaseRows() noexcept
{
    for (const PropertyRow& entry : rowList_) {
        if (const auto wrapper = entry.wrapper.lock()) {
            try {
                wrapper->setChangeCallback({});
            } catch (const std::exception& e) {
                spdlog::error("PropertyViewController::releaseRows() failed: {}", e.what());
            }
        }
    }
    rowList_.clear();
}

void PropertyViewController::onPropertyChanged(VSXUtil::PropertyInterfaceBase* wrapper)
{
    // The camera library's notification thread: post, touch nothing else.
    addOnce([this, wrapper] { refreshChanged(wrapper); });
}

void PropertyViewController::refreshChanged(const VSXUtil::PropertyInterfaceBase* wrapper)
{
    for (const PropertyRow& entry : rowList_) {
        const auto alive = entry.wrapper.lock();
        if (alive && alive.get() == wrapper) {
            const PropertyRow copy = entry;
            try {
                refreshRow(copy);
            } catch (const std::exception& e) {
                spdlog::error("PropertyViewController::refreshRow() failed: {}", e.what());
            }
            return;
        }
    }
}

// ---- refreshing and closing

void PropertyViewController::refreshAll()
{
    refreshGroup(std::string(n::Unknown));
}

void PropertyViewController::refreshGroup(const std::string& group,
                                          const VSXUtil::PropertyInterfaceBase* except)
{
    // A copy: refreshing may post, and a failed row must not stop the others.
    const std::vector<PropertyRow> rows = rowList_;
    int failures = 0;
    std::string firstFailure;
    for (const PropertyRow& entry : rows) {
        const auto wrapper = entry.wrapper.lock();
        if (!wrapper || wrapper.get() == except)
            continue;
        if (group != n::Unknown) {
            const VSXUtil::PropertyElement* element = wrapper->owner();
            const VSXUtil::PropertyItem* item = element ? element->item() : nullptr;
            if (!item || item->group() != group)
                continue;
        }
        try {
            refreshRow(entry);
        } catch (const std::exception& e) {
            if (failures++ == 0)
                firstFailure = e.what();
        }
    }
    if (failures == 1)
        spdlog::error("PropertyViewController::refreshGroup() failed: {}", firstFailure);
    else if (failures > 1)
        spdlog::error("PropertyViewController::refreshGroup() failed: {} (and {} more rows)", firstFailure,
                      failures - 1);
}

void PropertyViewController::close()
{
    releaseRows();
    // Nothing queued may reach the view once it is let go.
    clear();
    expandedPages_.clear();
    device_ = nullptr;
    deviceInfo_ = vsx::DeviceInfo();
    view_ = nullptr;
}

// ---- titles

std::wstring PropertyViewController::categoryTitle(const std::string& page) const
{
    return translated(fmt::format("Properties/Categories/{}", page), [&] { return wide_or_empty(page); });
}

std::wstring PropertyViewController::pageTitle(const VSXUtil::PropertyItem& item) const
{
    return categoryTitle(item.page());
}

std::wstring PropertyViewController::groupTitle(const VSXUtil::PropertyItem& item) const
{
    const std::string group = item.group();
    const bool ownHeader = group == n::WhiteBalance || group == n::Exposure || group == n::Gain;
    if (!ownHeader && item.elements().size() == 1)
        return translated("Messages/Miscellaneous", [] { return std::wstring(L"Miscellaneous"); });
    return translated(fmt::format("Properties/{}/Item", group), [&] { return wide_or_empty(item.name()); });
}

std::wstring PropertyViewController::propertyLabel(const VSXUtil::PropertyElement& element) const
{
    const VSXUtil::PropertyItem* item = element.item();
    const std::string group = item ? item->group() : std::string();
    return translated(fmt::format("Properties/{}/{}", group, element.role()),
                      [&] { return wide_or_empty(element.displayName()); });
}

PropertyViewControllerFactory property_view_controller_factory()
{
    return [](IPropertyView& view) { return std::make_shared<PropertyViewController>(&view); };
}

} // namespace app
