#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace app::QtView {

// The choice row: a combo box of the items, or, when built read-only, a
// read-only text field that shows the current item.
class ListParameter : public PropertyGridParameterBase<QWidget> {
public:
    ListParameter(std::vector<std::wstring> items, std::wstring current, bool locked, bool readOnly,
                  QWidget* parent);

    // Replaces the items and refills the combo box with its signals open: the
    // refill reports the first item, then the item equal to the current one.
    void setItems(std::vector<std::wstring> items);
    void setCurrentText(const std::wstring& text);
    void setCurrentIndex(int i);
    // Refills without reporting; combo box or text field stay as built.
    void setup(std::wstring current, std::vector<std::wstring> items, bool locked, bool readOnly);
    void clear();

    const std::vector<std::wstring>& items() const { return items_; }
    const std::wstring& current() const { return current_; }
    QComboBox* comboBox() const { return comboBox_; }
    QLineEdit* textField() const { return textField_; }

    EventList<std::wstring> eventSelectionChanged;

private:
    void onCurrentIndexChanged(int i);
    void refill();

    QComboBox* comboBox_ = nullptr;
    QLineEdit* textField_ = nullptr;
    std::vector<std::wstring> items_;
    std::wstring current_;
};

} // namespace app::QtView
