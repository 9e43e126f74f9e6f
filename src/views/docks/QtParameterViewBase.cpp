#include "views/docks/QtParameterViewBase.h"

#include "app/Parameter.h"
#include "views/docks/DockLayout.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace app::QtView {

QtParameterViewBase::QtParameterViewBase(std::wstring title, QWidget* parent)
    : QDockWidget(QString::fromStdWString(title), parent)
{
    accordion_ = new QtAccordion(this);
    generalPage_ = accordion_->addPage(L"General");
    parametersPage_ = accordion_->addPage(L"Parameters");
    generalGrid_ = new PropertyGrid(this);
    parametersGrid_ = new PropertyGrid(this);
    generalPage_->contentLayout()->addWidget(generalGrid_);
    parametersPage_->contentLayout()->addWidget(parametersGrid_);

    entryList_ = generalGrid_->addList(title, {}, L"").second;
    entryList_->eventSelectionChanged.push_back([this](IViewBase*, const std::wstring& entry) {
        if (!updating)
            raise_event(entrySelected, this, entry);
    });
    enabledCheck_ = generalGrid_->addBool(L"Enabled:", false).second;
    enabledCheck_->eventValueChanged.push_back([this](IViewBase*, bool enabled) {
        if (!updating)
            raise_event(enabledChanged, this, enabled);
    });

    setWidget(accordion_);
    setUpDockFrame(this, 365, 2160);
    for (QtAccordionPage* page : {generalPage_, parametersPage_}) {
        fitPage(page);
        page->setExpanded(true);
    }
}

PushParameter* QtParameterViewBase::resetButton() const
{
    return resetButton_.data();
}

void QtParameterViewBase::setEnabled(bool enabled)
{
    accordion_->setEnabled(enabled);
}

void QtParameterViewBase::setEntries(std::vector<std::wstring> entries)
{
    rows_.clear();
    entryList_->clear();
    entryList_->setItems(std::move(entries));
    entryList_->setCurrentIndex(0);
}

std::wstring QtParameterViewBase::selectedEntry()
{
    return entryList_->items().empty() ? std::wstring() : entryList_->current();
}

void QtParameterViewBase::setEntryEnabled(bool enabled)
{
    updating = true;
    guardedCall("QtParameterViewBase::setEntryEnabled()", [&] { enabledCheck_->setValue(enabled); });
    updating = false;
}

void QtParameterViewBase::selectEntry(const std::wstring& entry)
{
    const std::vector<std::wstring>& items = entryList_->items();
    const auto match = std::find(items.begin(), items.end(), entry);
    if (match != items.end())
        entryList_->setCurrentIndex(static_cast<int>(match - items.begin()));
}

void QtParameterViewBase::clearParameters()
{
    rows_.clear();
    parametersPage_->contentLayout()->removeWidget(parametersGrid_);
    // Later, not now: this may run inside a handler of one of the grid's rows.
    parametersGrid_->hide();
    parametersGrid_->deleteLater();
    parametersGrid_ = new PropertyGrid(this);
    parametersPage_->contentLayout()->addWidget(parametersGrid_);
    resetButton_ = nullptr;
    postRelayout();
}

void QtParameterViewBase::setParameters(std::vector<std::shared_ptr<helper::Parameter>> parameters)
{
    for (const auto& parameter : parameters)
        if (parameter && parameter->name() != L"Enabled")
            addRow(parameter);
    GridRow<PushParameter> reset = parametersGrid_->addPush(L"");
    reset.second->setText(QStringLiteral("Reset"));
    reset.second->eventClicked.push_back([this](IViewBase*) { this->reset(); });
    resetButton_ = reset.second;
    postRelayout();
}

bool QtParameterViewBase::addRow(const std::shared_ptr<helper::Parameter>& parameter)
{
    const std::wstring& name = parameter->name();
    switch (parameter->kind()) {
    case helper::ParameterKind::INT:
        if (auto p = std::dynamic_pointer_cast<helper::IntParameter>(parameter)) {
            IntParameter* row = parametersGrid_->addInt(name, p->minimum(), p->maximum(), p->value()).second;
            row->eventValueChanged.push_back([p](IViewBase*, long long value) { p->setValue(value); });
            rows_[parameter] = row;
            return true;
        }
        return false;
    case helper::ParameterKind::FLOAT:
        if (auto p = std::dynamic_pointer_cast<helper::floatParameter>(parameter)) {
            FloatParameter* row =
                parametersGrid_->addFloat(name, p->minimum(), p->maximum(), p->value()).second;
            row->eventValueChanged.push_back([p](IViewBase*, float value) { p->setValue(value); });
            rows_[parameter] = row;
            return true;
        }
        return false;
    case helper::ParameterKind::BOOL:
        if (auto p = std::dynamic_pointer_cast<helper::boolParameter>(parameter)) {
            BoolParamater* row = parametersGrid_->addBool(name, p->value()).second;
            row->eventValueChanged.push_back([p](IViewBase*, bool value) { p->setValue(value); });
            rows_[parameter] = row;
            return true;
        }
        return false;
    case helper::ParameterKind::LIST:
        if (auto p = std::dynamic_pointer_cast<helper::listParameter>(parameter)) {
            ListParameter* row = parametersGrid_->addList(name, p->items(), p->value()).second;
            row->eventSelectionChanged.push_back(
                [p](IViewBase*, const std::wstring& entry) { p->setValue(entry); });
            rows_[parameter] = row;
            return true;
        }
        return false;
    case helper::ParameterKind::STRING:
        // Reset does not reach text rows; the row stays read-only as it starts.
        if (auto p = std::dynamic_pointer_cast<helper::stringParameter>(parameter)) {
            StringParameter* row = parametersGrid_->addString(name, p->value()).second;
            row->eventTextChanged.push_back([p](IViewBase*, const std::wstring& text) { p->setValue(text); });
            return true;
        }
        return false;
    default: // colours and unknown kinds get no row
        return false;
    }
}

void QtParameterViewBase::reset()
{
    // A copy: a row's handler may reach the dock and change the map.
    const auto rows = rows_;
    for (const auto& [parameter, widget] : rows) {
        if (!widget)
            continue;
        if (auto p = std::dynamic_pointer_cast<helper::IntParameter>(parameter)) {
            if (auto* row = dynamic_cast<IntParameter*>(widget.data()))
                row->setValue(p->defaultValue());
        } else if (auto p = std::dynamic_pointer_cast<helper::floatParameter>(parameter)) {
            if (auto* row = dynamic_cast<FloatParameter*>(widget.data()))
                row->setValue(p->defaultValue());
        } else if (auto p = std::dynamic_pointer_cast<helper::boolParameter>(parameter)) {
            if (auto* row = dynamic_cast<BoolParamater*>(widget.data()))
                row->setValue(p->defaultValue());
        } else if (auto p = std::dynamic_pointer_cast<helper::listParameter>(parameter)) {
            if (auto* row = dynamic_cast<ListParameter*>(widget.data()))
                row->setCurrentText(p->defaultValue());
        }
    }
}

void QtParameterViewBase::postRelayout()
{
    QTimer::singleShot(0, this, [this] {
        parametersPage_->setExpanded(false);
        parametersPage_->contentLayout()->update();
        fitPage(parametersPage_);
        parametersPage_->setExpanded(true);
    });
}

void QtParameterViewBase::closeEvent(QCloseEvent* event)
{
    guardedCall("QtParameterViewBase::closeEvent()", [this] { raise_event(dockClosed, this); });
    QDockWidget::closeEvent(event);
}

} // namespace app::QtView

namespace app {

QtFilterSettingsView::QtFilterSettingsView(QWidget* parent) : QtView::QtParameterViewBase(L"Filter", parent)
{
    setObjectName(QStringLiteral("filterSettingsView"));
}

} // namespace app
