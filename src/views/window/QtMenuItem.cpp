#include "views/window/QtMenuItem.h"

#include <QAction>

namespace app {

QtMenuItem::QtMenuItem(QAction* action) : action_(action) {}

bool QtMenuItem::isChecked()
{
    return action_ && action_->isChecked();
}

void QtMenuItem::setChecked(bool checked)
{
    if (action_)
        action_->setChecked(checked);
}

} // namespace app
