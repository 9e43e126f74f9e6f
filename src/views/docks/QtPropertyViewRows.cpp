// The property view's rows: one operation per row kind, each adding the row to
// the grid of its category and group and handing back its adapter, and the
// rows of a settings container (addParameters).

#include "app/Parameter.h"
#include "views/docks/ColorChoice.h"
#include "views/docks/QtPropertyView.h"
#include "views/docks/QtPropertyViewParameters.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PushParameter.h"
#include "views/grid/StringParameter.h"

namespace app::QtView {

namespace {

// The grid's add operation for the row, or no widgets when there is no grid
// (the adapter then does nothing).
template <typename Add> auto addTo(PropertyGrid* grid, Add&& add) -> decltype(add(grid))
{
    if (!grid)
        return {nullptr, nullptr};
    return add(grid);
}

std::vector<long long> toLongLong(const std::vector<int64_t>& values)
{
    return std::vector<long long>(values.begin(), values.end());
}

} // namespace

std::shared_ptr<IPropertyViewPushParamater> QtPropertyView::addPushParameter(const std::wstring& category,
                                                                             const std::wstring& group,
                                                                             const std::wstring& label)
{
    return QtPropertyViewPushParam::create(
        addTo(propertyGrid(category, group), [&](PropertyGrid* g) { return g->addPush(label); }));
}

std::shared_ptr<IPropertyViewSwitchParamater>
QtPropertyView::addSwitchParameter(const std::wstring& category, const std::wstring& group,
                                   const std::wstring& label, bool value, bool locked, bool readOnly)
{
    return QtPropertyViewSwitchParamater::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addBool(label, value, locked, readOnly);
    }));
}

std::shared_ptr<IPropertyViewSwitchParamater> QtPropertyView::addSwitchParameter(const std::wstring& category,
                                                                                 const std::wstring& group,
                                                                                 const std::wstring& label,
                                                                                 bool value)
{
    return addSwitchParameter(category, group, label, value, false, false);
}

std::shared_ptr<IPropertyViewRangeParameter>
QtPropertyView::addRangeParameter(const std::wstring& category, const std::wstring& group,
                                  const std::wstring& label, int64_t value, int64_t minimum, int64_t maximum,
                                  int64_t step, std::vector<int64_t> allowedValues, int representation,
                                  bool locked, bool readOnly)
{
    return QtPropertyViewRangeParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addInt(label, minimum, maximum, value, step, toLongLong(allowedValues), representation,
                         locked, readOnly);
    }));
}

std::shared_ptr<IPropertyViewRangeParameter>
QtPropertyView::addRangeParameter(const std::wstring& category, const std::wstring& group,
                                  const std::wstring& label, int64_t value, int64_t minimum, int64_t maximum)
{
    return QtPropertyViewRangeParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addInt(label, minimum, maximum, value);
    }));
}

std::shared_ptr<IPropertyViewColorParameter> QtPropertyView::addColorParameter(const std::wstring& category,
                                                                               const std::wstring& group,
                                                                               const std::wstring& label,
                                                                               uint32_t color)
{
    return QtPropertyViewColorParameter::create(
        addTo(propertyGrid(category, group), [&](PropertyGrid* g) { return g->addPush(label); }), color);
}

std::shared_ptr<IPropertyViewAbsParameter>
QtPropertyView::addAbsParameter(const std::wstring& category, const std::wstring& group,
                                const std::wstring& label, double value, double minimum, double maximum,
                                double step, std::vector<double> allowedValues, int representation,
                                bool locked, bool readOnly)
{
    return QtPropertyViewAbsParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addFloat(label, minimum, maximum, value, step, std::move(allowedValues), representation,
                           locked, readOnly);
    }));
}

std::shared_ptr<IPropertyViewAbsParameter>
QtPropertyView::addAbsParameter(const std::wstring& category, const std::wstring& group,
                                const std::wstring& label, double value, double minimum, double maximum)
{
    return QtPropertyViewAbsParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addFloat(label, minimum, maximum, value);
    }));
}

std::shared_ptr<IPropertyViewExposureParameter>
QtPropertyView::addExposureParameter(const std::wstring& category, const std::wstring& group,
                                     const std::wstring& label, double value, double minimum, double maximum,
                                     double step, bool locked, bool readOnly)
{
    return QtPropertyViewExposureParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addExposure(label, minimum, maximum, value, step, locked, readOnly);
    }));
}

std::shared_ptr<IPropertyViewListParameter>
QtPropertyView::addListParameter(const std::wstring& category, const std::wstring& group,
                                 const std::wstring& label, std::vector<std::wstring> items,
                                 std::wstring current, bool locked, bool readOnly)
{
    return QtPropertyViewListParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addList(label, std::move(items), std::move(current), locked, readOnly);
    }));
}

std::shared_ptr<IPropertyViewListParameter> QtPropertyView::addListParameter(const std::wstring& category,
                                                                             const std::wstring& group,
                                                                             const std::wstring& label,
                                                                             std::vector<std::wstring> items,
                                                                             std::wstring current)
{
    return addListParameter(category, group, label, std::move(items), std::move(current), false, false);
}

std::shared_ptr<IPropertyViewDynListParameter>
QtPropertyView::addDynListParameter(const std::wstring& category, const std::wstring& group,
                                    const std::wstring& label, std::vector<std::wstring> items,
                                    std::wstring current)
{
    return QtPropertyDynListParameter::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addDynList(label, std::move(items), std::move(current));
    }));
}

std::shared_ptr<IPropertyViewStringParameter> QtPropertyView::addStringParameter(const std::wstring& category,
                                                                                 const std::wstring& group,
                                                                                 const std::wstring& label,
                                                                                 std::wstring text)
{
    return QtPropertyViewStringParamater::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addString(label, std::move(text));
    }));
}

std::shared_ptr<IPropertyViewFilenameParameter>
QtPropertyView::addFilenameParameter(const std::wstring& category, const std::wstring& group,
                                     const std::wstring& label, std::wstring path)
{
    return QtPropertyViewFilenameParamater::create(addTo(propertyGrid(category, group), [&](PropertyGrid* g) {
        return g->addFilename(label, std::move(path));
    }));
}

namespace {

// One row for a setting; edits go straight into it. Each handler holds its
// setting.
void addParameterRow(PropertyGrid* grid, const std::shared_ptr<helper::Parameter>& parameter)
{
    const std::wstring& name = parameter->name();
    switch (parameter->kind()) {
    case helper::ParameterKind::INT:
        if (auto p = std::dynamic_pointer_cast<helper::IntParameter>(parameter)) {
            IntParameter* editor = grid->addInt(name, p->minimum(), p->maximum(), p->value()).second;
            editor->eventValueChanged.push_back([p](IViewBase*, long long v) { p->setValue(v); });
        }
        break;
    case helper::ParameterKind::FLOAT:
        if (auto p = std::dynamic_pointer_cast<helper::floatParameter>(parameter)) {
            FloatParameter* editor = grid->addFloat(name, p->minimum(), p->maximum(), p->value()).second;
            editor->eventValueChanged.push_back([p](IViewBase*, float v) { p->setValue(v); });
        }
        break;
    case helper::ParameterKind::BOOL:
        if (auto p = std::dynamic_pointer_cast<helper::boolParameter>(parameter)) {
            BoolParamater* editor = grid->addBool(name, p->value()).second;
            editor->eventValueChanged.push_back([p](IViewBase*, bool v) { p->setValue(v); });
        }
        break;
    case helper::ParameterKind::LIST:
        if (auto p = std::dynamic_pointer_cast<helper::listParameter>(parameter)) {
            const std::wstring selected = p->value();
            ListParameter* editor = grid->addList(name, p->items(), selected).second;
            editor->setCurrentText(selected);
            editor->eventSelectionChanged.push_back(
                [p](IViewBase*, const std::wstring& text) { p->setValue(text); });
        }
        break;
    case helper::ParameterKind::STRING:
        if (auto p = std::dynamic_pointer_cast<helper::stringParameter>(parameter)) {
            StringParameter* editor = grid->addString(name, p->value()).second;
            // A setting is there to be edited: the row takes typing.
            editor->setEnabled(true);
            editor->setReadOnly(false);
            editor->eventTextChanged.push_back(
                [p](IViewBase*, const std::wstring& text) { p->setValue(text); });
        }
        break;
    case helper::ParameterKind::COLOR:
        if (auto p = std::dynamic_pointer_cast<helper::ColorParamater>(parameter)) {
            PushParameter* button = grid->addPush(name).second;
            showColor(button, p->value());
            const QPointer<PushParameter> guard(button);
            // Stored without the owner's change callback, unlike the other kinds.
            button->eventClicked.push_back([p, guard](IViewBase*) {
                const std::optional<uint32_t> chosen = chooseColor(p->value());
                if (!chosen)
                    return;
                p->storeValue(*chosen);
                if (guard)
                    showColor(guard, *chosen);
            });
        }
        break;
    }
}

} // namespace

void QtPropertyView::addParameters(const std::wstring& page,
                                   std::vector<std::shared_ptr<helper::Parameter>> parameters)
{
    PropertyGrid* target = propertyGrid(std::wstring(), page);
    if (!target)
        return;
    for (const auto& parameter : parameters)
        if (parameter && parameter->name() != L"Enabled")
            addParameterRow(target, parameter);
    postRefit(page);
}

} // namespace app::QtView
