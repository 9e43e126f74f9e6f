#include "views/grid/QtCategoryButton.h"

#include "views/grid/GuardedCall.h"
#include "views/grid/QtAccordionPage.h"

namespace app::QtView {

QtCategoryButton::QtCategoryButton(QtAccordionPage* page, const QString& title, QWidget* parent)
    : QPushButton(title, parent), page_(page)
{
    connect(this, &QPushButton::pressed, this,
            [this] { guardedCall("QtCategoryButton::onPressed()", [this] { onPressed(); }); });
}

void QtCategoryButton::onPressed()
{
    if (page_->isExpanded()) {
        page_->setExpanded(false);
        raise_event(collapsed, this);
    } else {
        page_->setExpanded(true);
        raise_event(expanded, this);
    }
}

} // namespace app::QtView
