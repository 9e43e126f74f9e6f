#pragma once

#include "views/docks/IPropertyView.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"

#include <QPointer>
#include <memory>

namespace app::QtView {

class BoolParamater;
class DynListParameter;
class ExposureParameter;
class FilenameParameter;
class FloatParameter;
class IntParameter;
class ListParameter;
class PushParameter;
class StringParameter;

// What every row adapter shares: the label and the editor of one grid row,
// held through QPointers because the grid owns them. Once the grid has deleted
// them (the view was cleared or the grid removed) every operation of the
// adapter does nothing and every query answers with an empty value.
template <typename Interface, typename Editor> class QtPropertyViewRow : public Interface {
public:
    QtPropertyViewRow(PropertyGridLabelBase* label, Editor* editor) : label_(label), editor_(editor) {}

    void setEnabled(bool enabled) override
    {
        if (label_)
            label_->setEnabled(enabled);
        if (editor_)
            editor_->setEnabled(enabled);
    }

    PropertyGridLabelBase* label() const { return label_.data(); }
    Editor* editor() const { return editor_.data(); }

protected:
    // Makes the row and subscribes its `activated` to the label and the
    // editor. Every subscription to a widget's events holds the row weakly, so
    // a row the controller dropped is simply not told any more.
    template <typename Row, typename... Extra>
    static std::shared_ptr<Row> make(GridRow<Editor> widgets, Extra&&... extra)
    {
        auto row = std::make_shared<Row>(widgets.first, widgets.second, std::forward<Extra>(extra)...);
        const std::weak_ptr<Row> weak = row;
        auto activate = [weak](IViewBase*) {
            if (auto self = weak.lock())
                raise_event(self->activated, self.get());
        };
        if (widgets.first)
            widgets.first->eventActivated.push_back(activate);
        if (widgets.second)
            widgets.second->eventActivated.push_back(activate);
        return row;
    }

    // Subscribes `list` of the row to `source` of the editor: each raise is
    // passed on with the row as sender and the editor's arguments.
    template <typename Row, typename Source, typename List>
    static void forward(const std::shared_ptr<Row>& row, Source& source, List list)
    {
        const std::weak_ptr<Row> weak = row;
        source.push_back([weak, list](IViewBase*, auto... args) {
            if (auto self = weak.lock())
                raise_event((*self).*list, self.get(), args...);
        });
    }

    QPointer<PropertyGridLabelBase> label_;
    QPointer<Editor> editor_;
};

class QtPropertyViewAbsParameter : public QtPropertyViewRow<IPropertyViewAbsParameter, FloatParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewAbsParameter> create(GridRow<FloatParameter> row);

    void setValue(double value) override;
    void setLogarithmic(bool logarithmic) override;
    void setUnit(const std::wstring& unit) override;
    void setup(double minimum, double maximum, double value, double step, bool locked,
               bool readOnly) override;
};

class QtPropertyViewExposureParameter
    : public QtPropertyViewRow<IPropertyViewExposureParameter, ExposureParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewExposureParameter> create(GridRow<ExposureParameter> row);

    void setValue(double value) override;
    void setLogarithmic(bool logarithmic) override;
    void setUnit(const std::wstring& unit) override;
    void repaint() override;
    void setup(double minimum, double maximum, double value, double step, bool locked,
               bool readOnly) override;
};

class QtPropertyViewRangeParameter : public QtPropertyViewRow<IPropertyViewRangeParameter, IntParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewRangeParameter> create(GridRow<IntParameter> row);

    void setValue(int64_t value) override;
    void setup(int64_t minimum, int64_t maximum, int64_t value, int64_t step, bool locked,
               bool readOnly) override;
};

class QtPropertyViewSwitchParamater : public QtPropertyViewRow<IPropertyViewSwitchParamater, BoolParamater> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewSwitchParamater> create(GridRow<BoolParamater> row);

    void setValue(bool value) override;
    void setup(bool value, bool locked, bool readOnly) override;
};

class QtPropertyViewListParameter : public QtPropertyViewRow<IPropertyViewListParameter, ListParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewListParameter> create(GridRow<ListParameter> row);

    void setItems(std::vector<std::wstring> items) override;
    void setCurrentText(const std::wstring& text) override;
    std::wstring currentText() override;
    void setup(std::wstring current, std::vector<std::wstring> items, bool locked, bool readOnly) override;
};

class QtPropertyViewStringParamater
    : public QtPropertyViewRow<IPropertyViewStringParameter, StringParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewStringParamater> create(GridRow<StringParameter> row);

    void setText(const std::wstring& text) override;
    void setReadOnly(bool readOnly) override;
    void setValid(bool valid) override;
    std::wstring text() override;
};

class QtPropertyViewFilenameParamater
    : public QtPropertyViewRow<IPropertyViewFilenameParameter, FilenameParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewFilenameParamater> create(GridRow<FilenameParameter> row);

    void setText(const std::wstring& path) override;
    std::wstring text() override;
};

class QtPropertyViewPushParam : public QtPropertyViewRow<IPropertyViewPushParamater, PushParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyViewPushParam> create(GridRow<PushParameter> row);

    void setButtonText(const std::wstring& text) override;
    void setLabelText(const std::wstring& text) override;
};

// The colour row: the push button shows the colour; a click opens the colour
// picker and a chosen colour is shown, kept and reported through colorChanged.
class QtPropertyViewColorParameter : public QtPropertyViewRow<IPropertyViewColorParameter, PushParameter> {
public:
    QtPropertyViewColorParameter(PropertyGridLabelBase* label, PushParameter* editor, uint32_t color);
    static std::shared_ptr<QtPropertyViewColorParameter> create(GridRow<PushParameter> row, uint32_t color);

    void setColor(uint32_t color) override;
    uint32_t color() const { return color_; }

private:
    void choose();

    uint32_t color_;
};

class QtPropertyDynListParameter : public QtPropertyViewRow<IPropertyViewDynListParameter, DynListParameter> {
public:
    using QtPropertyViewRow::QtPropertyViewRow;
    static std::shared_ptr<QtPropertyDynListParameter> create(GridRow<DynListParameter> row);

    void setItems(std::vector<std::wstring> items) override;
    void setCurrentText(const std::wstring& text) override;
    std::wstring currentText() override;
};

} // namespace app::QtView
