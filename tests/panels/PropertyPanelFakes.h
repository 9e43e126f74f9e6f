#pragma once

// Stand-ins for the property panel's tests: a property view that records what
// the controller does with it, rows that record their setters and let a test
// raise their events, and feature wrappers whose state a test sets and whose
// calls go into one shared journal.

#include "app/Utf8.h"
#include "panels/PropertyInterfaceBase.h"
#include "panels/PropertyItem.h"
#include "views/docks/IPropertyView.h"

#include <algorithm>
#include <fmt/format.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace quorel::test {

// ---- rows

// What a fake row was made with and every setter called on it since, as text
// ("enabled 1", "setup 0 10 5 1 0 0", ...).
struct RowRecord {
    std::string kind;
    std::string page, group, label;
    std::vector<std::string> calls;
    bool enabled = true;
};

template <typename Interface> class FakeRow : public Interface, public RowRecord {
public:
    void setEnabled(bool value) override
    {
        enabled = value;
        calls.push_back(fmt::format("enabled {:d}", value));
    }
    void raiseActivated() { app::raise_event(this->activated, this); }
};

class FakeAbsRow : public FakeRow<app::IPropertyViewAbsParameter> {
public:
    void setValue(double value) override { calls.push_back(fmt::format("value {}", value)); }
    void setLogarithmic(bool on) override { calls.push_back(fmt::format("logarithmic {:d}", on)); }
    void setUnit(const std::wstring& unit) override { calls.push_back("unit " + app::wide_to_utf8(unit)); }
    void setup(double minimum, double maximum, double value, double step, bool locked, bool readOnly) override
    {
        calls.push_back(
            fmt::format("setup {} {} {} {} {:d} {:d}", minimum, maximum, value, step, locked, readOnly));
    }
    void edit(float value) { app::raise_event(valueChanged, this, value); }
};

class FakeExposureRow : public FakeRow<app::IPropertyViewExposureParameter> {
public:
    void setValue(double value) override { calls.push_back(fmt::format("value {}", value)); }
    void setLogarithmic(bool on) override { calls.push_back(fmt::format("logarithmic {:d}", on)); }
    void setUnit(const std::wstring& unit) override { calls.push_back("unit " + app::wide_to_utf8(unit)); }
    void repaint() override { calls.push_back("repaint"); }
    void setup(double minimum, double maximum, double value, double step, bool locked, bool readOnly) override
    {
        calls.push_back(
            fmt::format("setup {} {} {} {} {:d} {:d}", minimum, maximum, value, step, locked, readOnly));
    }
    void edit(float value) { app::raise_event(valueChanged, this, value); }
};

class FakeRangeRow : public FakeRow<app::IPropertyViewRangeParameter> {
public:
    void setValue(int64_t value) override { calls.push_back(fmt::format("value {}", value)); }
    void setup(int64_t minimum, int64_t maximum, int64_t value, int64_t step, bool locked,
               bool readOnly) override
    {
        calls.push_back(
            fmt::format("setup {} {} {} {} {:d} {:d}", minimum, maximum, value, step, locked, readOnly));
    }
    void edit(int64_t value) { app::raise_event(valueChanged, this, value); }
};

class FakeSwitchRow : public FakeRow<app::IPropertyViewSwitchParamater> {
public:
    void setValue(bool value) override { calls.push_back(fmt::format("value {:d}", value)); }
    void setup(bool value, bool locked, bool readOnly) override
    {
        calls.push_back(fmt::format("setup {:d} {:d} {:d}", value, locked, readOnly));
    }
    void edit(bool value) { app::raise_event(valueChanged, this, value); }
};

class FakeListRow : public FakeRow<app::IPropertyViewListParameter> {
public:
    void setItems(std::vector<std::wstring> items) override { calls.push_back("items " + joined(items)); }
    void setCurrentText(const std::wstring& text) override
    {
        calls.push_back("current " + app::wide_to_utf8(text));
    }
    std::wstring currentText() override { return {}; }
    void setup(std::wstring current, std::vector<std::wstring> items, bool locked, bool readOnly) override
    {
        calls.push_back(fmt::format("setup {} [{}] {:d} {:d}", app::wide_to_utf8(current), joined(items),
                                    locked, readOnly));
    }
    void edit(const std::wstring& entry) { app::raise_event(selectionChanged, this, entry); }

    static std::string joined(const std::vector<std::wstring>& items)
    {
        std::string text;
        for (const std::wstring& item : items)
            text += (text.empty() ? "" : ",") + app::wide_to_utf8(item);
        return text;
    }
};

class FakePushRow : public FakeRow<app::IPropertyViewPushParamater> {
public:
    void setButtonText(const std::wstring& text) override
    {
        calls.push_back("button " + app::wide_to_utf8(text));
    }
    void setLabelText(const std::wstring& text) override
    {
        calls.push_back("label " + app::wide_to_utf8(text));
    }
    void push() { app::raise_event(pushed, this); }
};

// ---- the view

// A grouped property view that records every operation as one line of text
// in `log`, in order: "begin", "end", "clear", "category <title>", "group
// <page>/<group>", "expand <title>", "relayout", "row <kind> <page>/<group>/
// <label>", "describe <title>|<text>". The rows it made since the last clear
// are in `rows`, each under `records` as well.
class RecordingPropertyView : public app::IPropertyView {
public:
    bool close() override
    {
        log.push_back("close");
        return true;
    }
    void removeGrid(const std::wstring& page) override { log.push_back("removeGrid " + utf8(page)); }
    void clear() override
    {
        log.push_back("clear");
        categories.clear();
        groups.clear();
        rows.clear();
        records.clear();
        expanded.clear();
    }
    void addCategory(const std::wstring& name) override
    {
        log.push_back("category " + utf8(name));
        if (std::find(categories.begin(), categories.end(), name) == categories.end())
            categories.push_back(name);
    }
    QWidget* grid(const std::wstring& category, const std::wstring& group) override
    {
        const std::string text = utf8(category) + "/" + utf8(group);
        log.push_back("group " + text);
        if (std::find(groups.begin(), groups.end(), text) == groups.end())
            groups.push_back(text);
        addCategory(category);
        return nullptr;
    }
    void relayout() override { log.push_back("relayout"); }
    std::wstring expandedCategory() override { return expanded; }
    void expandCategory(const std::wstring& name) override
    {
        log.push_back("expand " + utf8(name));
        if (name.empty() && !categories.empty())
            expanded = categories.front();
        else if (std::find(categories.begin(), categories.end(), name) != categories.end())
            expanded = name;
    }
    void addParameters(const std::wstring&, std::vector<std::shared_ptr<helper::Parameter>>) override {}

    std::shared_ptr<app::IPropertyViewPushParamater> addPushParameter(const std::wstring& category,
                                                                      const std::wstring& group,
                                                                      const std::wstring& label) override
    {
        return make<FakePushRow>("push", category, group, label, "");
    }
    std::shared_ptr<app::IPropertyViewSwitchParamater>
    addSwitchParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                       bool value, bool locked, bool readOnly) override
    {
        return make<FakeSwitchRow>("switch", category, group, label,
                                   fmt::format("{:d} {:d} {:d}", value, locked, readOnly));
    }
    std::shared_ptr<app::IPropertyViewSwitchParamater> addSwitchParameter(const std::wstring& category,
                                                                          const std::wstring& group,
                                                                          const std::wstring& label,
                                                                          bool value) override
    {
        return addSwitchParameter(category, group, label, value, false, false);
    }
    std::shared_ptr<app::IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                      int64_t value, int64_t minimum, int64_t maximum, int64_t step,
                      std::vector<int64_t> allowedValues, int representation, bool locked,
                      bool readOnly) override
    {
        return make<FakeRangeRow>("range", category, group, label,
                                  fmt::format("{} {} {} {} [{}] {} {:d} {:d}", value, minimum, maximum, step,
                                              fmt::join(allowedValues, ","), representation, locked,
                                              readOnly));
    }
    std::shared_ptr<app::IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                      int64_t value, int64_t minimum, int64_t maximum) override
    {
        return addRangeParameter(category, group, label, value, minimum, maximum, 1, {}, 0, false, false);
    }
    std::shared_ptr<app::IPropertyViewColorParameter>
    addColorParameter(const std::wstring&, const std::wstring&, const std::wstring&, uint32_t) override
    {
        throw std::logic_error("the property panel makes no colour rows");
    }
    std::shared_ptr<app::IPropertyViewAbsParameter>
    addAbsParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                    double value, double minimum, double maximum, double step,
                    std::vector<double> allowedValues, int representation, bool locked,
                    bool readOnly) override
    {
        return make<FakeAbsRow>("abs", category, group, label,
                                fmt::format("{} {} {} {} [{}] {} {:d} {:d}", value, minimum, maximum, step,
                                            fmt::join(allowedValues, ","), representation, locked, readOnly));
    }
    std::shared_ptr<app::IPropertyViewAbsParameter> addAbsParameter(const std::wstring& category,
                                                                    const std::wstring& group,
                                                                    const std::wstring& label, double value,
                                                                    double minimum, double maximum) override
    {
        return addAbsParameter(category, group, label, value, minimum, maximum, 1, {}, 1, false, false);
    }
    std::shared_ptr<app::IPropertyViewExposureParameter>
    addExposureParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                         double value, double minimum, double maximum, double step, bool locked,
                         bool readOnly) override
    {
        return make<FakeExposureRow>(
            "exposure", category, group, label,
            fmt::format("{} {} {} {} {:d} {:d}", value, minimum, maximum, step, locked, readOnly));
    }
    std::shared_ptr<app::IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current, bool locked,
                     bool readOnly) override
    {
        return make<FakeListRow>(
            "list", category, group, label,
            fmt::format("[{}] {} {:d} {:d}", FakeListRow::joined(items), utf8(current), locked, readOnly));
    }
    std::shared_ptr<app::IPropertyViewListParameter>
    addListParameter(const std::wstring& category, const std::wstring& group, const std::wstring& label,
                     std::vector<std::wstring> items, std::wstring current) override
    {
        return addListParameter(category, group, label, std::move(items), std::move(current), false, false);
    }
    std::shared_ptr<app::IPropertyViewDynListParameter>
    addDynListParameter(const std::wstring&, const std::wstring&, const std::wstring&,
                        std::vector<std::wstring>, std::wstring) override
    {
        throw std::logic_error("the property panel makes no editable lists");
    }
    std::shared_ptr<app::IPropertyViewStringParameter>
    addStringParameter(const std::wstring&, const std::wstring&, const std::wstring&, std::wstring) override
    {
        throw std::logic_error("the property panel makes no text rows");
    }
    std::shared_ptr<app::IPropertyViewFilenameParameter>
    addFilenameParameter(const std::wstring&, const std::wstring&, const std::wstring&, std::wstring) override
    {
        throw std::logic_error("the property panel makes no file-name rows");
    }
    void saveExpandState() override {}
    void restoreExpandState() override {}
    void raise() override {}
    void beginUpdate() override
    {
        log.push_back("begin");
        ++updatesOff;
    }
    void endUpdate() override
    {
        log.push_back("end");
        --updatesOff;
    }
    void invoke(std::function<void()> work) override
    {
        if (work)
            work();
    }
    void expandAll() override {}
    void setDescription(const std::string& title, const std::string& text) override
    {
        log.push_back("describe " + title + "|" + text);
    }

    // ---- for the tests

    // The row of that label, as the fake type it was made as; null when none.
    template <typename Row> std::shared_ptr<Row> row(const std::string& label) const
    {
        for (size_t i = 0; i < rows.size(); ++i)
            if (records[i]->label == label)
                return std::dynamic_pointer_cast<Row>(rows[i]);
        return nullptr;
    }
    RowRecord* record(const std::string& label) const
    {
        for (RowRecord* r : records)
            if (r->label == label)
                return r;
        return nullptr;
    }
    // "<kind> <page>/<group>/<label>" of every row, in creation order.
    std::vector<std::string> rowNames() const
    {
        std::vector<std::string> names;
        for (const RowRecord* r : records)
            names.push_back(r->kind + " " + r->page + "/" + r->group + "/" + r->label);
        return names;
    }
    std::vector<std::string> rowLabels() const
    {
        std::vector<std::string> labels;
        for (const RowRecord* r : records)
            labels.push_back(r->label);
        return labels;
    }
    std::vector<std::string> categoryNames() const
    {
        std::vector<std::string> names;
        for (const std::wstring& c : categories)
            names.push_back(utf8(c));
        return names;
    }
    // The log lines that start with the prefix.
    std::vector<std::string> logged(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : log)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }

    std::vector<std::string> log;
    std::vector<std::wstring> categories;
    std::vector<std::string> groups;
    std::vector<std::shared_ptr<app::IPropertyViewParameter>> rows;
    std::vector<RowRecord*> records;
    std::wstring expanded;
    int updatesOff = 0;

private:
    static std::string utf8(const std::wstring& text) { return app::wide_to_utf8(text); }

    template <typename Row>
    std::shared_ptr<Row> make(const char* kind, const std::wstring& page, const std::wstring& group,
                              const std::wstring& label, const std::string& arguments)
    {
        auto row = std::make_shared<Row>();
        row->kind = kind;
        row->page = utf8(page);
        row->group = utf8(group);
        row->label = utf8(label);
        log.push_back(fmt::format("row {} {}/{}/{}{}{}", kind, row->page, row->group, row->label,
                                  arguments.empty() ? "" : " ", arguments));
        rows.push_back(row);
        records.push_back(row.get());
        return row;
    }
};

// ---- feature wrappers

// The calls every fake wrapper of a test makes, as "<element> <call>".
struct Journal {
    std::mutex mutex;
    std::vector<std::string> calls;

    void add(std::string call)
    {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
    std::vector<std::string> take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
};

// A wrapper whose state the test sets. A query of a wrapper with `failQueries`
// throws as an unplugged camera makes the real ones throw; `failDisable`
// makes switching its notification off throw.
template <typename Interface> class FakeWrapper : public Interface {
public:
    FakeWrapper(VSXUtil::PropertyElement* owner, VSXUtil::PropertyInterfaceType type, Journal* journal)
        : owner_(owner), type_(type), journal_(journal)
    {
    }

    bool isAvailable() override { return query(available); }
    bool isReadOnly() override { return query(readOnly); }
    bool isLocked() override { return query(locked); }
    bool isVisible() override { return true; }
    void update() override { note("update"); }
    void enableNotification() override { note("enable"); }
    void disableNotification() override
    {
        note("disable");
        if (failDisable)
            throw std::runtime_error("Notification stuck");
    }
    void setChangeCallback(VSXUtil::PropertyChangeCallback callback) override
    {
        std::lock_guard lock(callbackMutex_);
        callback_ = std::move(callback);
    }
    VSXUtil::PropertyInterfaceType interfaceType() const override { return type_; }
    VSXUtil::PropertyElement* owner() const override { return owner_; }

    // The camera reports a change (call it from another thread, as the camera does).
    void notify()
    {
        std::lock_guard lock(callbackMutex_);
        if (callback_)
            callback_(this);
    }
    bool hasCallback()
    {
        std::lock_guard lock(callbackMutex_);
        return static_cast<bool>(callback_);
    }

    bool available = true;
    bool readOnly = false;
    bool locked = false;
    bool failQueries = false;
    bool failDisable = false;

protected:
    void note(const std::string& call)
    {
        if (journal_)
            journal_->add((owner_ ? owner_->name() : std::string("?")) + " " + call);
    }

private:
    bool query(bool value) const
    {
        if (failQueries)
            throw std::runtime_error("Device lost");
        return value;
    }

    VSXUtil::PropertyElement* owner_;
    VSXUtil::PropertyInterfaceType type_;
    Journal* journal_;
    std::mutex callbackMutex_;
    VSXUtil::PropertyChangeCallback callback_;
};

class FakeRange : public FakeWrapper<VSXUtil::PropertyRange> {
public:
    using FakeWrapper::FakeWrapper;
    int64_t value() const override { return value_; }
    int64_t min() const override { return min_; }
    int64_t max() const override { return max_; }
    void set_value(int64_t v) override
    {
        note(fmt::format("set {}", v));
        value_ = v;
    }
    std::vector<int64_t> valueSet() override { return valueSet_; }
    int32_t representation() const override { return representation_; }
    int64_t increment() const override { return increment_; }

    int64_t value_ = 5, min_ = 0, max_ = 10, increment_ = 1;
    int32_t representation_ = 0;
    std::vector<int64_t> valueSet_;
};

class FakeFloat : public FakeWrapper<VSXUtil::PropertyFloat> {
public:
    using FakeWrapper::FakeWrapper;
    double value() const override { return value_; }
    double min() const override { return min_; }
    double max() const override { return max_; }
    void set_value(double v) override
    {
        note(fmt::format("set {}", v));
        value_ = v;
    }
    std::string unit() const override { return unit_; }
    int32_t representation() const override { return representation_; }
    std::vector<double> valueSet() override { return {}; }
    double increment() const override { return increment_; }

    double value_ = 0.5, min_ = 0, max_ = 2, increment_ = 0.25;
    std::string unit_ = "dB";
    int32_t representation_ = 0;
};

class FakeList : public FakeWrapper<VSXUtil::PropertyList> {
public:
    using FakeWrapper::FakeWrapper;
    std::string value() const override { return value_; }
    std::vector<std::string> entries() const override { return entries_; }
    void set_value(const std::string& v) override
    {
        note("set " + v);
        value_ = v;
    }

    std::string value_ = "A";
    std::vector<std::string> entries_{"A", "B"};
};

class FakeSwitch : public FakeWrapper<VSXUtil::PropertySwitch> {
public:
    using FakeWrapper::FakeWrapper;
    bool value() const override { return value_; }
    void set_value(bool v) override
    {
        note(fmt::format("set {:d}", v));
        value_ = v;
    }

    bool value_ = false;
};

class FakePush : public FakeWrapper<VSXUtil::PropertyPush> {
public:
    using FakeWrapper::FakeWrapper;
    void set_value() override { note("push"); }
};

class FakeString : public FakeWrapper<VSXUtil::PropertyString> {
public:
    using FakeWrapper::FakeWrapper;
    std::string value() const override { return "text"; }
    void set_value(const std::string&) override {}
    int32_t maxLength() const override { return 16; }
};

// ---- feature lists

// Builds a camera's feature list from fake wrappers.
class FakeFeatures {
public:
    using ItemList = std::vector<std::shared_ptr<VSXUtil::PropertyItem>>;

    explicit FakeFeatures(Journal* journal = nullptr) : journal_(journal) {}

    // An item of that group on that page (its name is the group, as the
    // camera's list names them).
    VSXUtil::PropertyItem& item(const std::string& group, const std::string& page)
    {
        items.push_back(std::make_shared<VSXUtil::PropertyItem>(group, page, group));
        return *items.back();
    }

    // An element of the item with one wrapper of type W; the element's name
    // and display name are `name`.
    template <typename W>
    std::shared_ptr<W> add(VSXUtil::PropertyItem& item, const std::string& role, const std::string& name,
                           const std::string& description = {})
    {
        auto element = VSXUtil::make_property_element(item, name, name, description, role);
        return wrap<W>(*element);
    }

    // One more wrapper of type W on an existing element.
    template <typename W> std::shared_ptr<W> wrap(VSXUtil::PropertyElement& element)
    {
        auto wrapper = std::make_shared<W>(&element, type_of<W>(), journal_);
        element.add_property(wrapper);
        return wrapper;
    }

    ItemList items;

private:
    template <typename W> static VSXUtil::PropertyInterfaceType type_of()
    {
        using T = VSXUtil::PropertyInterfaceType;
        if constexpr (std::is_base_of_v<VSXUtil::PropertyRange, W>)
            return T::Range;
        else if constexpr (std::is_base_of_v<VSXUtil::PropertyFloat, W>)
            return T::Float;
        else if constexpr (std::is_base_of_v<VSXUtil::PropertyList, W>)
            return T::List;
        else if constexpr (std::is_base_of_v<VSXUtil::PropertySwitch, W>)
            return T::Switch;
        else if constexpr (std::is_base_of_v<VSXUtil::PropertyPush, W>)
            return T::Push;
        else
            return T::String;
    }

    Journal* journal_;
};

} // namespace quorel::test
