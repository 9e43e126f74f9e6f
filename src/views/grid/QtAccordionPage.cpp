#include "views/grid/QtAccordionPage.h"

#include "views/grid/DataIcon.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtCategoryButton.h"

#include <QFrame>
#include <QVBoxLayout>

namespace app::QtView {

QtAccordionPage::QtAccordionPage(QtAccordion* accordion, std::wstring title)
    : QTreeWidgetItem(QStringList{QString::fromStdWString(title)}, 0), title_(std::move(title))
{
    button_ = new QtCategoryButton(this, QString::fromStdWString(title_), accordion);
    button_->setStyleSheet(
        "QPushButton { background-color: #252526;text-align: left;padding-left: 4px;border: none;}");
    button_->setIcon(dataIcon("arrow-left.png"));
    button_->setMinimumHeight(28);

    // Only the header button closes the other pages, never code.
    button_->expanded.push_back([this, accordion](IViewBase*) {
        if (accordion->multipleOpen())
            return;
        for (QtAccordionPage* page : accordion->pages())
            if (page->title() != title_)
                page->setExpanded(false);
    });

    accordion->addTopLevelItem(this);
    accordion->setItemWidget(this, 0, button_);

    frame_ = new QFrame(accordion);
    frame_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout_ = new QVBoxLayout(frame_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    contentItem_ = new QTreeWidgetItem();
    contentItem_->setFlags(contentItem_->flags() & ~Qt::ItemIsEnabled);
    addChild(contentItem_);
    accordion->setItemWidget(contentItem_, 0, frame_);
}

void QtAccordionPage::updateSizeHint()
{
    QSize size(0, 0);
    for (int i = 0; i < layout_->count(); ++i) {
        QWidget* widget = layout_->itemAt(i)->widget();
        if (!widget)
            continue;
        widget->updateGeometry();
        widget->update();
        size += widget->size();
    }
    contentItem_->setSizeHint(0, size);
    frame_->update();
    layout_->update();
}

} // namespace app::QtView
