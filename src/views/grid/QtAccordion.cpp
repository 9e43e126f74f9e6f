#include "views/grid/QtAccordion.h"

#include "views/grid/DataIcon.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"

#include <QHeaderView>
#include <QScrollBar>

namespace app::QtView {

QtAccordion::QtAccordion(QWidget* parent) : QTreeWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setRootIsDecorated(true);
    setIndentation(0);
    header()->hide();
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(16);
    connect(this, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) {
        if (auto* page = dynamic_cast<QtAccordionPage*>(item))
            page->headerButton()->setIcon(dataIcon("arrow-left.png"));
    });
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
        auto* page = dynamic_cast<QtAccordionPage*>(item);
        if (!page)
            return;
        page->headerButton()->setIcon(dataIcon("arrow-down.png"));
        guardedCall("QtAccordion::onItemExpanded()", [page] { raise_event(page->expanded, nullptr, true); });
    });
}

QtAccordionPage* QtAccordion::addPage(const std::wstring& title)
{
    auto* page = new QtAccordionPage(this, title);
    pages_.push_back(page);
    return page;
}

void QtAccordion::clear()
{
    pages_.clear();
    QTreeWidget::clear();
}

} // namespace app::QtView
