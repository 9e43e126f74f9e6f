#pragma once

// A property view and rows for driving a plug-in's settings dialog headless.
// The rows raise their events as the window's rows do: a choice or editable
// list tells of a new current entry also when the program sets it, an
// editable list's new items select (and report) their first entry, a text
// row reports every different text, integer and switch rows report a
// different value also when set by the program. The user's operations (add,
// remove, type, pick ...) follow the window's rows' order of events.

#include "views/docks/IPropertyView.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace quorel::test {

template <class Interface> class FakeRow : public Interface {
public:
    void setEnabled(bool e) override { enabled = e; }
    bool enabled = true;
};

class FakeTextRow : public FakeRow<app::IPropertyViewStringParameter> {
public:
    void setText(const std::wstring& t) override
    {
        if (t == value)
            return;
        value = t;
        app::raise_event(textChanged, this, value);
    }
    void setReadOnly(bool r) override { readOnly = r; }
    void setValid(bool v) override { valid = v; }
    std::wstring text() override { return value; }
    // The user types the text, one keystroke at a time.
    void type(const std::wstring& t)
    {
        for (size_t n = 1; n <= t.size(); ++n)
            setText(t.substr(0, n));
    }

    std::wstring value;
    bool readOnly = true;
    bool valid = true;
};

class FakeChoiceRow : public FakeRow<app::IPropertyViewListParameter> {
public:
    void setItems(std::vector<std::wstring> i) override { items = std::move(i); }
    void setCurrentText(const std::wstring& t) override
    {
        if (std::find(items.begin(), items.end(), t) == items.end() || t == current)
            return;
        current = t;
        app::raise_event(selectionChanged, this, current);
    }
    std::wstring currentText() override { return current; }
    void setup(std::wstring c, std::vector<std::wstring> i, bool, bool) override
    {
        current = std::move(c);
        items = std::move(i);
    }
    // The user picks an entry.
    void choose(const std::wstring& t) { setCurrentText(t); }

    std::vector<std::wstring> items;
    std::wstring current;
};

class FakeEditableListRow : public FakeRow<app::IPropertyViewDynListParameter> {
public:
    void setItems(std::vector<std::wstring> i) override
    {
        items = std::move(i);
        current.clear();
        if (!items.empty())
            select(items.front());
    }
    void setCurrentText(const std::wstring& t) override
    {
        if (std::find(items.begin(), items.end(), t) != items.end())
            select(t);
    }
    std::wstring currentText() override { return current; }

    // The Add button: a fresh "New item<n>", reported, then made current.
    void add()
    {
        std::wstring name;
        for (int n = 0;; ++n) {
            name = L"New item" + std::to_wstring(n);
            if (std::find(items.begin(), items.end(), name) == items.end())
                break;
        }
        items.push_back(name);
        app::raise_event(itemAdded, this, name);
        select(name);
    }
    // The Remove button: never the last entry; the next current entry is
    // reported before the removal.
    void remove()
    {
        const auto it = std::find(items.begin(), items.end(), current);
        if (it == items.end() || items.size() < 2)
            return;
        const std::wstring old = current;
        const size_t row = static_cast<size_t>(it - items.begin());
        items.erase(it);
        current.clear();
        select(items[std::min(row, items.size() - 1)]);
        app::raise_event(itemRemoved, this, old);
    }
    // Typing in the name field: refused (red) when another entry has the name.
    void rename(const std::wstring& name)
    {
        const auto it = std::find(items.begin(), items.end(), current);
        if (it == items.end())
            return;
        for (const auto& item : items)
            if (&item != &*it && item == name) {
                nameValid = false;
                return;
            }
        nameValid = true;
        *it = name;
        current = name;
        app::raise_event(itemChanged, this, name);
    }
    // The user clicks an entry.
    void select(const std::wstring& t)
    {
        if (t == current)
            return;
        current = t;
        app::raise_event(selectionChanged, this, current);
    }

    std::vector<std::wstring> items;
    std::wstring current;
    bool nameValid = true;
};

class FakeIntRow : public FakeRow<app::IPropertyViewRangeParameter> {
public:
    void setValue(int64_t v) override
    {
        v = std::clamp(v, minimum, maximum);
        if (v == value)
            return;
        value = v;
        app::raise_event(valueChanged, this, value);
    }
    void setup(int64_t mn, int64_t mx, int64_t v, int64_t, bool, bool) override
    {
        minimum = mn;
        maximum = mx;
        value = v;
    }
    int64_t value = 0;
    int64_t minimum = 0;
    int64_t maximum = 0;
};

class FakeSwitchRow : public FakeRow<app::IPropertyViewSwitchParamater> {
public:
    void setValue(bool v) override
    {
        if (v == value)
            return;
        value = v;
        app::raise_event(valueChanged, this, value);
    }
    void setup(bool v, bool, bool) override { value = v; }
    bool value = false;
};

class FakePushRow : public FakeRow<app::IPropertyViewPushParamater> {
public:
    void setButtonText(const std::wstring& t) override { buttonText = t; }
    void setLabelText(const std::wstring& t) override { labelText = t; }
    void push() { app::raise_event(pushed, this); }
    std::wstring buttonText;
    std::wstring labelText;
};

class FakeColourRow : public FakeRow<app::IPropertyViewColorParameter> {
public:
    void setColor(uint32_t c) override { colour = c; }
    // The colour dialog ends with a choice.
    void pick(uint32_t c)
    {
        colour = c;
        app::raise_event(colorChanged, this, c);
    }
    uint32_t colour = 0;
};

class FakePropertyView : public app::IPropertyView {
public:
    struct Row {
        std::wstring page;
        std::wstring group;
        std::wstring label;
        std::shared_ptr<app::IPropertyViewParameter> row;
    };

    explicit FakePropertyView(std::wstring t) : title(std::move(t)) {}

    // The row of that label (the n-th of that label), cast to its fake.
    template <class Fake> Fake* find(const std::wstring& label, int n = 0) const
    {
        for (const Row& r : rows)
            if (r.label == label && n-- == 0)
                return dynamic_cast<Fake*>(r.row.get());
        return nullptr;
    }
    template <class Fake> Fake* at(size_t index) const
    {
        return index < rows.size() ? dynamic_cast<Fake*>(rows[index].row.get()) : nullptr;
    }

    bool close() override
    {
        if (!open)
            return false;
        open = false;
        app::raise_event(closed, this);
        return true;
    }
    void removeGrid(const std::wstring&) override {}
    void clear() override { rows.clear(); }
    void addCategory(const std::wstring&) override {}
    QWidget* grid(const std::wstring&, const std::wstring&) override { return nullptr; }
    void relayout() override { ++relayouts; }
    std::wstring expandedCategory() override { return expanded.empty() ? std::wstring() : expanded.back(); }
    void expandCategory(const std::wstring& name) override { expanded.push_back(name); }
    void addParameters(const std::wstring&, std::vector<std::shared_ptr<helper::Parameter>>) override {}
    std::shared_ptr<app::IPropertyViewPushParamater>
    addPushParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l) override
    {
        return add<FakePushRow>(c, g, l);
    }
    std::shared_ptr<app::IPropertyViewSwitchParamater> addSwitchParameter(const std::wstring& c,
                                                                          const std::wstring& g,
                                                                          const std::wstring& l, bool v, bool,
                                                                          bool) override
    {
        return addSwitchParameter(c, g, l, v);
    }
    std::shared_ptr<app::IPropertyViewSwitchParamater>
    addSwitchParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l, bool v) override
    {
        auto row = add<FakeSwitchRow>(c, g, l);
        row->value = v;
        return row;
    }
    std::shared_ptr<app::IPropertyViewRangeParameter>
    addRangeParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l, int64_t v,
                      int64_t mn, int64_t mx, int64_t, std::vector<int64_t>, int, bool, bool) override
    {
        return addRangeParameter(c, g, l, v, mn, mx);
    }
    std::shared_ptr<app::IPropertyViewRangeParameter> addRangeParameter(const std::wstring& c,
                                                                        const std::wstring& g,
                                                                        const std::wstring& l, int64_t v,
                                                                        int64_t mn, int64_t mx) override
    {
        auto row = add<FakeIntRow>(c, g, l);
        row->minimum = mn;
        row->maximum = mx;
        row->value = v;
        return row;
    }
    std::shared_ptr<app::IPropertyViewColorParameter> addColorParameter(const std::wstring& c,
                                                                        const std::wstring& g,
                                                                        const std::wstring& l,
                                                                        uint32_t colour) override
    {
        auto row = add<FakeColourRow>(c, g, l);
        row->colour = colour;
        return row;
    }
    std::shared_ptr<app::IPropertyViewAbsParameter> addAbsParameter(const std::wstring&, const std::wstring&,
                                                                    const std::wstring&, double, double,
                                                                    double, double, std::vector<double>, int,
                                                                    bool, bool) override
    {
        return nullptr;
    }
    std::shared_ptr<app::IPropertyViewAbsParameter> addAbsParameter(const std::wstring&, const std::wstring&,
                                                                    const std::wstring&, double, double,
                                                                    double) override
    {
        return nullptr;
    }
    std::shared_ptr<app::IPropertyViewExposureParameter>
    addExposureParameter(const std::wstring&, const std::wstring&, const std::wstring&, double, double,
                         double, double, bool, bool) override
    {
        return nullptr;
    }
    std::shared_ptr<app::IPropertyViewListParameter>
    addListParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l,
                     std::vector<std::wstring> items, std::wstring current, bool, bool) override
    {
        return addListParameter(c, g, l, std::move(items), std::move(current));
    }
    std::shared_ptr<app::IPropertyViewListParameter>
    addListParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l,
                     std::vector<std::wstring> items, std::wstring current) override
    {
        auto row = add<FakeChoiceRow>(c, g, l);
        row->items = std::move(items);
        row->current = std::move(current);
        return row;
    }
    std::shared_ptr<app::IPropertyViewDynListParameter>
    addDynListParameter(const std::wstring& c, const std::wstring& g, const std::wstring& l,
                        std::vector<std::wstring> items, std::wstring current) override
    {
        auto row = add<FakeEditableListRow>(c, g, l);
        row->items = std::move(items);
        row->current = std::move(current);
        return row;
    }
    std::shared_ptr<app::IPropertyViewStringParameter> addStringParameter(const std::wstring& c,
                                                                          const std::wstring& g,
                                                                          const std::wstring& l,
                                                                          std::wstring text) override
    {
        auto row = add<FakeTextRow>(c, g, l);
        row->value = std::move(text);
        return row;
    }
    std::shared_ptr<app::IPropertyViewFilenameParameter>
    addFilenameParameter(const std::wstring&, const std::wstring&, const std::wstring&, std::wstring) override
    {
        return nullptr;
    }
    void saveExpandState() override {}
    void restoreExpandState() override {}
    void raise() override { ++raises; }
    void beginUpdate() override {}
    void endUpdate() override {}
    void invoke(std::function<void()> work) override
    {
        if (work)
            work();
    }
    void expandAll() override { expandedAll = true; }
    void setDescription(const std::string&, const std::string&) override {}

    std::wstring title;
    std::vector<Row> rows;
    std::vector<std::wstring> expanded;
    bool expandedAll = false;
    bool open = true;
    int raises = 0;
    int relayouts = 0;

private:
    template <class Fake>
    std::shared_ptr<Fake> add(const std::wstring& page, const std::wstring& group, const std::wstring& label)
    {
        auto row = std::make_shared<Fake>();
        rows.push_back({page, group, label, row});
        return row;
    }
};

} // namespace quorel::test
