#include "views/grid/ListParameter.h"
#include "views/grid/RowLayout.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

namespace app::QtView {

ListParameter::ListParameter(std::vector<std::wstring> items, std::wstring current, bool locked,
                             bool readOnly, QWidget* parent)
    : PropertyGridParameterBase<QWidget>(parent), items_(std::move(items)), current_(std::move(current))
{
    if (readOnly) {
        textField_ = new QLineEdit(QString::fromStdWString(current_), this);
        textField_->setReadOnly(true);
    } else {
        comboBox_ = new QComboBox(this);
        comboBox_->setEnabled(!locked);
        {
            const QSignalBlocker blocker(comboBox_);
            setItems(items_);
        }
        connect(comboBox_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
            guardedCall("ListParameter::onCurrentIndexChanged()", [&] { onCurrentIndexChanged(i); });
        });
    }
    makeRowLayout(this, {{comboBox_, 1}, {textField_, 1}});
    installEventFilters();
}

void ListParameter::onCurrentIndexChanged(int i)
{
    if (items_.empty())
        return;
    const int last = static_cast<int>(items_.size()) - 1;
    current_ = items_[static_cast<size_t>(std::clamp(i, 0, last))];
    if (!signalsBlocked())
        raise_event(eventSelectionChanged, nullptr, current_);
}

void ListParameter::setItems(std::vector<std::wstring> items)
{
    items_ = std::move(items);
    if (comboBox_)
        refill();
    installEventFilters();
}

void ListParameter::refill()
{
    comboBox_->clear();
    if (items_.empty())
        return;
    QStringList texts;
    for (const std::wstring& item : items_)
        texts << QString::fromStdWString(item);
    comboBox_->addItems(texts);
    // Read after the refill: clearing and filling may have moved current_.
    const auto match = std::find(items_.rbegin(), items_.rend(), current_);
    comboBox_->setCurrentIndex(match == items_.rend() ? -1 : static_cast<int>(items_.rend() - match) - 1);
}

void ListParameter::setCurrentText(const std::wstring& text)
{
    const auto match = std::find(items_.begin(), items_.end(), text);
    if (match == items_.end())
        return;
    current_ = text;
    if (comboBox_) {
        comboBox_->setCurrentIndex(static_cast<int>(match - items_.begin()));
    } else {
        const QSignalBlocker blocker(textField_);
        textField_->setText(QString::fromStdWString(current_));
    }
}

void ListParameter::setCurrentIndex(int i)
{
    if (i < 0 || i >= static_cast<int>(items_.size()))
        return;
    if (comboBox_) {
        comboBox_->setCurrentIndex(i);
    } else {
        current_ = items_[static_cast<size_t>(i)];
        const QSignalBlocker blocker(textField_);
        textField_->setText(QString::fromStdWString(current_));
    }
}

void ListParameter::setup(std::wstring current, std::vector<std::wstring> items, bool locked, bool readOnly)
{
    current_ = std::move(current);
    items_ = std::move(items);
    if (comboBox_) {
        const QSignalBlocker blocker(comboBox_);
        comboBox_->setEnabled(!readOnly && !locked);
        refill();
    } else {
        const QSignalBlocker blocker(textField_);
        textField_->setText(QString::fromStdWString(current_));
    }
}

void ListParameter::clear()
{
    if (comboBox_)
        comboBox_->clear();
    else
        textField_->clear();
}

} // namespace app::QtView
