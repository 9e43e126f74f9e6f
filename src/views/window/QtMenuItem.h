#pragma once

#include "views/IMenuItem.h"

#include <QPointer>

class QAction;

namespace app {

// One item of a drop-down button's list: a handle on the menu's action. The
// list detaches its handles when it lets go of the actions; a detached handle
// (or one whose action is gone) reads unchecked and ignores changes.
class QtMenuItem : public IMenuItem {
public:
    explicit QtMenuItem(QAction* action);

    bool isChecked() override;
    void setChecked(bool checked) override;

    // The action, or null once detached or deleted.
    QAction* action() const { return action_.data(); }
    void detach() { action_ = nullptr; }

private:
    QPointer<QAction> action_;
};

} // namespace app
