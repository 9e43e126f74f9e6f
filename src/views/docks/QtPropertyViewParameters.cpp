// The row adapters: each forwards its operations to its editor while the
// editor lives, and passes the editor's events on with itself as sender.

#include "views/docks/QtPropertyViewParameters.h"

#include "views/docks/ColorChoice.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PushParameter.h"
#include "views/grid/StringParameter.h"

#include <QLineEdit>

namespace app::QtView {

namespace {
constexpr int kLinearSlider = 0;
constexpr int kLogarithmicSlider = 1;
} // namespace

// ---- floating-point row

std::shared_ptr<QtPropertyViewAbsParameter> QtPropertyViewAbsParameter::create(GridRow<FloatParameter> row)
{
    auto adapter = make<QtPropertyViewAbsParameter>(row);
    if (row.second)
        forward(adapter, row.second->eventValueChanged, &QtPropertyViewAbsParameter::valueChanged);
    return adapter;
}

void QtPropertyViewAbsParameter::setValue(double value)
{
    if (editor_)
        editor_->setValue(value);
}

void QtPropertyViewAbsParameter::setLogarithmic(bool logarithmic)
{
    if (editor_)
        editor_->setSliderScale(logarithmic ? kLogarithmicSlider : kLinearSlider);
}

void QtPropertyViewAbsParameter::setUnit(const std::wstring& unit)
{
    if (editor_)
        editor_->setUnit(unit);
}

void QtPropertyViewAbsParameter::setup(double minimum, double maximum, double value, double step, bool locked,
                                       bool readOnly)
{
    if (editor_)
        editor_->setup(minimum, maximum, value, step, locked, readOnly);
}

// ---- exposure row

std::shared_ptr<QtPropertyViewExposureParameter>
QtPropertyViewExposureParameter::create(GridRow<ExposureParameter> row)
{
    auto adapter = make<QtPropertyViewExposureParameter>(row);
    if (row.second)
        forward(adapter, row.second->eventValueChanged, &QtPropertyViewExposureParameter::valueChanged);
    return adapter;
}

void QtPropertyViewExposureParameter::setValue(double value)
{
    if (editor_)
        editor_->setValue(value);
}

void QtPropertyViewExposureParameter::setLogarithmic(bool logarithmic)
{
    if (editor_)
        editor_->setSliderScale(logarithmic ? kLogarithmicSlider : kLinearSlider);
}

void QtPropertyViewExposureParameter::setUnit(const std::wstring& unit)
{
    if (editor_)
        editor_->setUnit(unit);
}

void QtPropertyViewExposureParameter::repaint()
{
    if (editor_)
        editor_->scheduleRepaint();
}

void QtPropertyViewExposureParameter::setup(double minimum, double maximum, double value, double step,
                                            bool locked, bool readOnly)
{
    if (editor_)
        editor_->setup(minimum, maximum, value, step, locked, readOnly);
}

// ---- integer row

std::shared_ptr<QtPropertyViewRangeParameter> QtPropertyViewRangeParameter::create(GridRow<IntParameter> row)
{
    auto adapter = make<QtPropertyViewRangeParameter>(row);
    if (row.second)
        forward(adapter, row.second->eventValueChanged, &QtPropertyViewRangeParameter::valueChanged);
    return adapter;
}

void QtPropertyViewRangeParameter::setValue(int64_t value)
{
    if (editor_)
        editor_->setValue(value);
}

void QtPropertyViewRangeParameter::setup(int64_t minimum, int64_t maximum, int64_t value, int64_t step,
                                         bool locked, bool readOnly)
{
    if (editor_)
        editor_->setup(minimum, maximum, value, step, locked, readOnly);
}

// ---- check box row

std::shared_ptr<QtPropertyViewSwitchParamater>
QtPropertyViewSwitchParamater::create(GridRow<BoolParamater> row)
{
    auto adapter = make<QtPropertyViewSwitchParamater>(row);
    if (row.second)
        forward(adapter, row.second->eventValueChanged, &QtPropertyViewSwitchParamater::valueChanged);
    return adapter;
}

void QtPropertyViewSwitchParamater::setValue(bool value)
{
    if (editor_)
        editor_->setValue(value);
}

void QtPropertyViewSwitchParamater::setup(bool value, bool locked, bool readOnly)
{
    if (editor_)
        editor_->setup(value, locked, readOnly);
}

// ---- choice row

std::shared_ptr<QtPropertyViewListParameter> QtPropertyViewListParameter::create(GridRow<ListParameter> row)
{
    auto adapter = make<QtPropertyViewListParameter>(row);
    if (row.second)
        forward(adapter, row.second->eventSelectionChanged, &QtPropertyViewListParameter::selectionChanged);
    return adapter;
}

void QtPropertyViewListParameter::setItems(std::vector<std::wstring> items)
{
    if (editor_)
        editor_->setItems(std::move(items));
}

void QtPropertyViewListParameter::setCurrentText(const std::wstring& text)
{
    if (editor_)
        editor_->setCurrentText(text);
}

std::wstring QtPropertyViewListParameter::currentText()
{
    return editor_ ? editor_->current() : std::wstring();
}

void QtPropertyViewListParameter::setup(std::wstring current, std::vector<std::wstring> items, bool locked,
                                        bool readOnly)
{
    if (editor_)
        editor_->setup(std::move(current), std::move(items), locked, readOnly);
}

// ---- text row

std::shared_ptr<QtPropertyViewStringParamater>
QtPropertyViewStringParamater::create(GridRow<StringParameter> row)
{
    auto adapter = make<QtPropertyViewStringParamater>(row);
    if (row.second)
        forward(adapter, row.second->eventTextChanged, &QtPropertyViewStringParamater::textChanged);
    return adapter;
}

void QtPropertyViewStringParamater::setText(const std::wstring& text)
{
    if (editor_)
        editor_->setText(text);
}

void QtPropertyViewStringParamater::setReadOnly(bool readOnly)
{
    if (editor_)
        editor_->setReadOnly(readOnly);
}

void QtPropertyViewStringParamater::setValid(bool valid)
{
    if (editor_)
        editor_->setValid(valid);
}

std::wstring QtPropertyViewStringParamater::text()
{
    return editor_ ? editor_->text() : std::wstring();
}

// ---- file-name row

std::shared_ptr<QtPropertyViewFilenameParamater>
QtPropertyViewFilenameParamater::create(GridRow<FilenameParameter> row)
{
    auto adapter = make<QtPropertyViewFilenameParamater>(row);
    if (row.second) {
        forward(adapter, row.second->eventTextChanged, &QtPropertyViewFilenameParamater::textChanged);
        forward(adapter, row.second->eventBrowse, &QtPropertyViewFilenameParamater::browseRequested);
    }
    return adapter;
}

void QtPropertyViewFilenameParamater::setText(const std::wstring& path)
{
    if (editor_)
        editor_->setText(path);
}

std::wstring QtPropertyViewFilenameParamater::text()
{
    return editor_ ? editor_->text() : std::wstring();
}

// ---- push-button row

std::shared_ptr<QtPropertyViewPushParam> QtPropertyViewPushParam::create(GridRow<PushParameter> row)
{
    auto adapter = make<QtPropertyViewPushParam>(row);
    if (row.second)
        forward(adapter, row.second->eventClicked, &QtPropertyViewPushParam::pushed);
    return adapter;
}

void QtPropertyViewPushParam::setButtonText(const std::wstring& text)
{
    if (editor_)
        editor_->setText(QString::fromStdWString(text));
}

void QtPropertyViewPushParam::setLabelText(const std::wstring& text)
{
    if (label_)
        label_->setText(QString::fromStdWString(text));
}

// ---- colour row

QtPropertyViewColorParameter::QtPropertyViewColorParameter(PropertyGridLabelBase* label,
                                                           PushParameter* editor, uint32_t color)
    : QtPropertyViewRow(label, editor), color_(color)
{
    if (editor)
        showColor(editor, color);
}

std::shared_ptr<QtPropertyViewColorParameter> QtPropertyViewColorParameter::create(GridRow<PushParameter> row,
                                                                                   uint32_t color)
{
    auto adapter = make<QtPropertyViewColorParameter>(row, color);
    if (row.second) {
        const std::weak_ptr<QtPropertyViewColorParameter> weak = adapter;
        row.second->eventClicked.push_back([weak](IViewBase*) {
            if (auto self = weak.lock())
                self->choose();
        });
    }
    return adapter;
}

void QtPropertyViewColorParameter::choose()
{
    const std::optional<uint32_t> chosen = chooseColor(color_);
    // The picker's event loop may have cleared the view meanwhile.
    if (!chosen || !editor_)
        return;
    color_ = *chosen;
    showColor(editor_, color_);
    raise_event(colorChanged, this, color_);
}

void QtPropertyViewColorParameter::setColor(uint32_t color)
{
    color_ = color;
    if (editor_)
        showColor(editor_, color);
}

// ---- editable list row

std::shared_ptr<QtPropertyDynListParameter> QtPropertyDynListParameter::create(GridRow<DynListParameter> row)
{
    auto adapter = make<QtPropertyDynListParameter>(row);
    if (row.second) {
        DynListParameter* editor = row.second;
        forward(adapter, editor->eventSelectionChanged, &QtPropertyDynListParameter::selectionChanged);
        forward(adapter, editor->eventItemAdded, &QtPropertyDynListParameter::itemAdded);
        forward(adapter, editor->eventItemRemoved, &QtPropertyDynListParameter::itemRemoved);
        // The renamed entry's new text only; its index is not passed on.
        const std::weak_ptr<QtPropertyDynListParameter> weak = adapter;
        editor->eventItemChanged.push_back([weak](IViewBase*, int, std::wstring text) {
            if (auto self = weak.lock())
                raise_event(self->itemChanged, self.get(), text);
        });
    }
    return adapter;
}

void QtPropertyDynListParameter::setItems(std::vector<std::wstring> items)
{
    if (editor_)
        editor_->setItems(std::move(items));
}

void QtPropertyDynListParameter::setCurrentText(const std::wstring& text)
{
    if (editor_)
        editor_->setCurrentText(text);
}

std::wstring QtPropertyDynListParameter::currentText()
{
    return editor_ ? editor_->current() : std::wstring();
}

} // namespace app::QtView
