#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QFrame>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace app::QtView {

// An editable list of unique names: a name field that renames the selected
// entry as the user types, the list, and "Add" and "Remove" (the last entry
// stays).
class DynListParameter : public PropertyGridParameterBase<QFrame> {
public:
    DynListParameter(std::vector<std::wstring> items, std::wstring current, QWidget* parent);

    void setItems(std::vector<std::wstring> items);
    void setCurrentText(const std::wstring& text);

    const std::vector<std::wstring>& items() const { return items_; }
    const std::wstring& current() const { return current_; }
    QLineEdit* nameField() const { return nameField_; }
    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* removeButton() const { return removeButton_; }

    EventList<std::wstring> eventSelectionChanged;
    EventList<int, std::wstring> eventItemChanged;
    EventList<std::wstring> eventItemAdded;
    EventList<std::wstring> eventItemRemoved;

private:
    void onCurrentItemChanged(QListWidgetItem* item);
    void rename(const QString& text);
    void add();
    void remove();

    std::vector<std::wstring> items_;
    std::wstring current_;
    QLineEdit* nameField_;
    QListWidget* list_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
};

} // namespace app::QtView
