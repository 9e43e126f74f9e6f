#pragma once

#include "views/IViewBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace helper {
class Parameter;
}

namespace app {

// One row of a property view as its controller holds it: the controller sets
// values, ranges and states through it and subscribes to its events. Every
// event is raised with the row as sender. A row whose widgets are gone (the
// view was cleared or its grid removed) ignores every call and answers with
// empty values.
class IPropertyViewParameter : public IViewBase {
public:
    ~IPropertyViewParameter() override = default;
    // Enables or disables the label and the editor together.
    virtual void setEnabled(bool enabled) = 0;

    EventList<> activated; // the user touched the label or the editor
};

// A floating-point row with slider and spin box.
class IPropertyViewAbsParameter : public IPropertyViewParameter {
public:
    virtual void setValue(double value) = 0;
    // True maps the slider logarithmically between minimum and maximum.
    virtual void setLogarithmic(bool logarithmic) = 0;
    virtual void setUnit(const std::wstring& unit) = 0;
    virtual void setup(double minimum, double maximum, double value, double step, bool locked,
                       bool readOnly) = 0;

    EventList<float> valueChanged;
};

// The exposure-time row.
class IPropertyViewExposureParameter : public IPropertyViewParameter {
public:
    virtual void setValue(double value) = 0;
    virtual void setLogarithmic(bool logarithmic) = 0;
    virtual void setUnit(const std::wstring& unit) = 0;
    virtual void repaint() = 0;
    virtual void setup(double minimum, double maximum, double value, double step, bool locked,
                       bool readOnly) = 0;

    EventList<float> valueChanged;
};

// A 64-bit integer row.
class IPropertyViewRangeParameter : public IPropertyViewParameter {
public:
    virtual void setValue(int64_t value) = 0;
    virtual void setup(int64_t minimum, int64_t maximum, int64_t value, int64_t step, bool locked,
                       bool readOnly) = 0;

    EventList<int64_t> valueChanged;
};

// A check box row.
class IPropertyViewSwitchParamater : public IPropertyViewParameter {
public:
    virtual void setValue(bool value) = 0;
    virtual void setup(bool value, bool locked, bool readOnly) = 0;

    EventList<bool> valueChanged;
};

// A choice row.
class IPropertyViewListParameter : public IPropertyViewParameter {
public:
    virtual void setItems(std::vector<std::wstring> items) = 0;
    virtual void setCurrentText(const std::wstring& text) = 0;
    virtual std::wstring currentText() = 0;
    virtual void setup(std::wstring current, std::vector<std::wstring> items, bool locked, bool readOnly) = 0;

    EventList<std::wstring> selectionChanged;
};

// A text row.
class IPropertyViewStringParameter : public IPropertyViewParameter {
public:
    virtual void setText(const std::wstring& text) = 0;
    virtual void setReadOnly(bool readOnly) = 0;
    // False marks the text red.
    virtual void setValid(bool valid) = 0;
    virtual std::wstring text() = 0;

    EventList<std::wstring> textChanged;
};

// A file-name row; on browseRequested the controller asks for a file and
// shows it with setText (which raises nothing).
class IPropertyViewFilenameParameter : public IPropertyViewParameter {
public:
    virtual void setText(const std::wstring& path) = 0;
    virtual std::wstring text() = 0;

    EventList<std::wstring> textChanged;
    EventList<> browseRequested;
};

// A push-button row.
class IPropertyViewPushParamater : public IPropertyViewParameter {
public:
    virtual void setButtonText(const std::wstring& text) = 0;
    virtual void setLabelText(const std::wstring& text) = 0;

    EventList<> pushed;
};

// A colour row: a button showing the colour that opens a colour dialog.
// Colours are 32-bit values 0xAARRGGBB; a chosen colour has alpha 255.
class IPropertyViewColorParameter : public IPropertyViewParameter {
public:
    // Stores and shows the colour; raises nothing.
    virtual void setColor(uint32_t color) = 0;

    EventList<uint32_t> colorChanged;
};

// An editable list of names.
class IPropertyViewDynListParameter : public IPropertyViewParameter {
public:
    virtual void setItems(std::vector<std::wstring> items) = 0;
    virtual void setCurrentText(const std::wstring& text) = 0;
    virtual std::wstring currentText() = 0;

    EventList<std::wstring> selectionChanged;
    EventList<std::wstring> itemChanged; // the new name of the renamed entry
    EventList<std::wstring> itemAdded;
    EventList<std::wstring> itemRemoved;
};

// The dock in which camera features and plug-in settings are edited: labelled
// rows in grids on the pages of an accordion. A grouped view (the device
// properties) shows one page per category with titled groups; a settings view
// shows one page per group. GUI thread only.
class IPropertyView : public IViewBase {
public:
    ~IPropertyView() override = default;

    virtual bool close() = 0;
    // Deletes the first widget of the first page of that name that has one (in
    // a settings view: the page's grid with its rows); the page stays.
    virtual void removeGrid(const std::wstring& page) = 0;
    // Removes every page.
    virtual void clear() = 0;
    // Adds a page of that name unless one exists.
    virtual void addCategory(const std::wstring& name) = 0;
    // The grid of a category and group, made when missing.
    virtual QWidget* grid(const std::wstring& category, const std::wstring& group) = 0;
    virtual void relayout() = 0;
    // The name of the first expanded page; empty when none is.
    virtual std::wstring expandedCategory() = 0;
    // Fits and expands the page of that name (the first page for an empty name).
    virtual void expandCategory(const std::wstring& name) = 0;
    // One row per setting (a setting named "Enabled" is skipped); edits go
    // straight into the settings.
    virtual void addParameters(const std::wstring& page,
                               std::vector<std::shared_ptr<helper::Parameter>> parameters) = 0;
    virtual std::shared_ptr<IPropertyViewPushParamater>
    addPushParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label) = 0;
    virtual std::shared_ptr<IPropertyViewSwitchParamater>
    addSwitchParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                       bool value, bool locked, bool readOnly) = 0;
    virtual std::shared_ptr<IPropertyViewSwitchParamater> addSwitchParameter(const std::wstring& category,
                                                                             const std::wstring& group,
                                                                             const std::wstring& label,
                                                                             bool value) = 0;
    virtual std::shared_ptr<IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                      int64_t value, int64_t minimum, int64_t maximum, int64_t step,
                      std::vector<int64_t> allowedValues, int representation, bool locked, bool readOnly) = 0;
    virtual std::shared_ptr<IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                      int64_t value, int64_t minimum, int64_t maximum) = 0;
    virtual std::shared_ptr<IPropertyViewColorParameter> addColorParameter(const std::wstring& category,
                                                                           const std::wstring& group,
                                                                           const std::wstring& label,
                                                                           uint32_t color) = 0;
    virtual std::shared_ptr<IPropertyViewAbsParameter>
    addAbsParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                    double value, double minimum, double maximum, double step,
                    std::vector<double> allowedValues, int representation, bool locked, bool readOnly) = 0;
    virtual std::shared_ptr<IPropertyViewAbsParameter>
    addAbsParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                    double value, double minimum, double maximum) = 0;
    virtual std::shared_ptr<IPropertyViewExposureParameter>
    addExposureParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                         double value, double minimum, double maximum, double step, bool locked,
                         bool readOnly) = 0;
    virtual std::shared_ptr<IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current, bool locked, bool readOnly) = 0;
    virtual std::shared_ptr<IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current) = 0;
    virtual std::shared_ptr<IPropertyViewDynListParameter>
    addDynListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                        std::vector<std::wstring> items, std::wstring current) = 0;
    virtual std::shared_ptr<IPropertyViewStringParameter> addStringParameter(const std::wstring& category,
                                                                             const std::wstring& group,
                                                                             const std::wstring& label,
                                                                             std::wstring text) = 0;
    virtual std::shared_ptr<IPropertyViewFilenameParameter> addFilenameParameter(const std::wstring& category,
                                                                                 const std::wstring& group,
                                                                                 const std::wstring& label,
                                                                                 std::wstring path) = 0;
    // Remembers which pages are expanded ...
    virtual void saveExpandState() = 0;
    // ... and, at the next event-loop turn, expands just those again when the
    // number of pages has not changed.
    virtual void restoreExpandState() = 0;
    virtual void raise() = 0;
    // Painting off and on around a rebuild.
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    // Runs the function at once; an empty one is ignored.
    virtual void invoke(std::function<void()> work) = 0;
    virtual void expandAll() = 0;
    // Title and text of the description area (UTF-8); nothing without one.
    virtual void setDescription(const std::string& title, const std::string& text) = 0;
};

} // namespace app
