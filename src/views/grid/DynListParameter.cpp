#include "views/grid/DynListParameter.h"
#include "views/grid/RowLayout.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace app::QtView {

namespace {
const char* const kValidName = "QLineEdit { border-color: #3f3f46;}";
const char* const kDuplicateName = "QLineEdit { border-color: #ff0000;}";
} // namespace

DynListParameter::DynListParameter(std::vector<std::wstring> items, std::wstring current, QWidget* parent)
    : PropertyGridParameterBase<QFrame>(parent)
{
    nameField_ = new QLineEdit(this);
    connect(nameField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        guardedCall("DynListParameter::rename()", [&] { rename(text); });
    });
    list_ = new QListWidget(this);
    list_->setFocusPolicy(Qt::NoFocus);
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        guardedCall("DynListParameter::onCurrentItemChanged()", [&] { onCurrentItemChanged(item); });
    });
    auto* buttons = new QFrame(this);
    addButton_ = new QPushButton("Add", buttons);
    removeButton_ = new QPushButton("Remove", buttons);
    connect(addButton_, &QPushButton::clicked, this,
            [this] { guardedCall("DynListParameter::add()", [this] { add(); }); });
    connect(removeButton_, &QPushButton::clicked, this,
            [this] { guardedCall("DynListParameter::remove()", [this] { remove(); }); });

    setItems(std::move(items));
    current_ = std::move(current);
    setCurrentText(current_);

    makeRowLayout(buttons, {{addButton_, 0}, {removeButton_, 0}});
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(nameField_, 0);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons, 0);
    installEventFilters();
}

void DynListParameter::setItems(std::vector<std::wstring> items)
{
    items_ = std::move(items);
    current_.clear();
    list_->clear();
    if (items_.empty())
        return;
    for (const std::wstring& item : items_)
        list_->addItem(QString::fromStdWString(item));
    const auto match = std::find(items_.rbegin(), items_.rend(), current_);
    const int row = match == items_.rend() ? 0 : static_cast<int>(items_.rend() - match) - 1;
    list_->setCurrentRow(row);
    current_ = items_[static_cast<size_t>(row)];
}

void DynListParameter::setCurrentText(const std::wstring& text)
{
    const auto match = std::find(items_.begin(), items_.end(), text);
    if (match == items_.end())
        return;
    current_ = text;
    list_->setCurrentRow(static_cast<int>(match - items_.begin()));
}

void DynListParameter::onCurrentItemChanged(QListWidgetItem* item)
{
    if (!item)
        return;
    if (!signalsBlocked())
        raise_event(eventSelectionChanged, nullptr, item->text().toStdWString());
    nameField_->setText(item->text());
}

void DynListParameter::rename(const QString& text)
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(items_.size()))
        return;
    const std::wstring name = text.toStdWString();
    for (size_t i = 0; i < items_.size(); ++i) {
        if (static_cast<int>(i) != row && items_[i] == name) {
            nameField_->setStyleSheet(kDuplicateName);
            return;
        }
    }
    nameField_->setStyleSheet(kValidName);
    items_[static_cast<size_t>(row)] = name;
    list_->item(row)->setText(text);
    raise_event(eventItemChanged, nullptr, row, name);
}

void DynListParameter::add()
{
    std::wstring name;
    for (int n = 0;; ++n) {
        name = L"New item" + std::to_wstring(n);
        if (std::find(items_.begin(), items_.end(), name) == items_.end())
            break;
    }
    list_->addItem(QString::fromStdWString(name));
    items_.push_back(name);
    raise_event(eventItemAdded, nullptr, name);
    setCurrentText(name);
    nameField_->setFocus();
    nameField_->selectAll();
}

void DynListParameter::remove()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(items_.size()) || items_.size() < 2)
        return;
    const std::wstring text = items_[static_cast<size_t>(row)];
    items_.erase(items_.begin() + row);
    // The list names its new current item while the old one is still in it;
    // the selection is reported once the list and the items agree again.
    {
        const QSignalBlocker blocker(list_);
        delete list_->takeItem(row);
    }
    onCurrentItemChanged(list_->currentItem());
    raise_event(eventItemRemoved, nullptr, text);
}

} // namespace app::QtView
