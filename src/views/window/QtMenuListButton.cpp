#include "views/window/QtMenuListButton.h"

#include "views/window/GuardedCall.h"
#include "views/window/MenuIcon.h"
#include "views/window/QtMenuItem.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace app {

QtMenuListButton::QtMenuListButton(const std::wstring& name, QWidget* parent) : QToolButton(parent)
{
    setObjectName(QString::fromStdWString(name));
    QToolButton::setText(QString::fromStdWString(name));
    QToolButton::setEnabled(true);
    setMinimumSize(96, 64);
    QToolButton::setPopupMode(QToolButton::InstantPopup);

    menu_ = new QMenu(QStringLiteral("Title"), this);
    setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        QtView::run_guarded("QtMenuListButton::aboutToShow",
                            [this] { raise_event(IMenuListButton::aboutToShow, this); });
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        QtView::run_guarded("QtMenuListButton::clicked",
                            [this] { raise_event(IMenuListButton::clicked, this); });
    });
    connect(menu_, &QMenu::triggered, this, [this](QAction* action) { onTriggered(action); });
}

QtMenuListButton::~QtMenuListButton()
{
    for (const auto& item : items_)
        item->detach();
}

void QtMenuListButton::clear()
{
    for (const auto& item : items_)
        item->detach();
    items_.clear();
    // QMenu::clear() would delete the actions at once, also the one whose
    // triggered signal may be running this call.
    for (QAction* action : menu_->actions()) {
        menu_->removeAction(action);
        action->deleteLater();
    }
}

std::shared_ptr<IMenuItem> QtMenuListButton::addItem(const std::wstring& text)
{
    QAction* action = menu_->addAction(QString::fromStdWString(text));
    action->setCheckable(true);
    auto item = std::make_shared<QtMenuItem>(action);
    items_.push_back(item);
    return item;
}

std::vector<std::wstring> QtMenuListButton::items()
{
    std::vector<std::wstring> texts;
    for (const QAction* action : menu_->actions())
        texts.push_back(action->text().toStdWString());
    return texts;
}

void QtMenuListButton::setText(const std::wstring& text)
{
    QToolButton::setText(QString::fromStdWString(text));
}

void QtMenuListButton::setIcon(const std::wstring& name)
{
    QToolButton::setIcon(QtView::make_menu_icon(name));
}

void QtMenuListButton::setEnabled(bool enabled)
{
    setAutoFillBackground(true);
    QToolButton::setEnabled(enabled);
}

void QtMenuListButton::setCheckedItem(const std::wstring& text)
{
    const QString wanted = QString::fromStdWString(text);
    for (QAction* action : menu_->actions())
        action->setChecked(action->text() == wanted);
}

void QtMenuListButton::setMultiSelect(bool multiSelect)
{
    multiSelect_ = multiSelect;
}

void QtMenuListButton::setPopupMode(int mode)
{
    if (mode == 0) {
        QToolButton::setPopupMode(QToolButton::InstantPopup);
        split_ = false;
    } else if (mode == 1) {
        QToolButton::setPopupMode(QToolButton::MenuButtonPopup);
        split_ = true;
    }
}

void QtMenuListButton::onTriggered(QAction* action)
{
    QtView::run_guarded("QtMenuListButton::itemSelected", [&] {
        int index = -1;
        int position = 0;
        for (QAction* each : menu_->actions()) {
            if (!multiSelect_)
                each->setChecked(false);
            if (each == action)
                index = position;
            ++position;
        }
        if (index < 0)
            return; // not one of this list's items (or already cleared)
        // A checkable action toggles itself before it reports the trigger: in
        // multi-select mode that is the new state; a single choice is checked.
        if (!split_ && !multiSelect_)
            action->setChecked(true);

        std::shared_ptr<QtMenuItem> item;
        for (const auto& each : items_)
            if (each->action() == action)
                item = each;
        const std::wstring text = action->text().toStdWString();
        // A subscriber may clear the list (the actions then live until the next
        // event-loop turn) or add items; the item's own list fires only while
        // the item is still part of the list.
        raise_event(itemSelected, this, text, index);
        if (item && item->action() == action)
            raise_event(item->triggered, item.get(), action->isChecked());
    });
}

} // namespace app
