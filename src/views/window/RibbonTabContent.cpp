#include "views/window/RibbonTabContent.h"

#include "views/window/RibbonButtonGroup.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QToolButton>
#include <functional>

namespace QtGui {

RibbonTabContent::RibbonTabContent(QWidget* parent) : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("RibbonTabContent"));
    resize(400, 120);
    setWindowTitle(QCoreApplication::translate("RibbonTabContent", "Form"));

    gridLayout_ = new QGridLayout(this);
    gridLayout_->setObjectName(QStringLiteral("gridLayout"));
    gridLayout_->setSpacing(0);
    gridLayout_->setContentsMargins(0, 0, 0, 0);

    scrollArea_ = new QScrollArea(this);
    scrollArea_->setObjectName(QStringLiteral("ribbonTabScrollArea"));
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFrameShadow(QFrame::Plain);
    scrollArea_->setLineWidth(0);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(true);

    scrollAreaContent_ = new QWidget();
    scrollAreaContent_->setObjectName(QStringLiteral("ribbonTabScrollAreaContent"));
    scrollAreaContent_->setGeometry(QRect(0, 0, 400, 104));

    gridLayout2_ = new QGridLayout(scrollAreaContent_);
    gridLayout2_->setObjectName(QStringLiteral("gridLayout_2"));
    gridLayout2_->setSpacing(0);
    gridLayout2_->setContentsMargins(0, 4, 0, 0);

    groupsLayout_ = new QHBoxLayout();
    groupsLayout_->setObjectName(QStringLiteral("ribbonHorizontalLayout"));
    groupsLayout_->setSpacing(0);
    groupsLayout_->setContentsMargins(0, 3, 0, 0);
    gridLayout2_->addLayout(groupsLayout_, 0, 0);

    spacer_ = new QWidget(scrollAreaContent_);
    spacer_->setObjectName(QStringLiteral("spacer"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    spacer_->setSizePolicy(policy);
    gridLayout2_->addWidget(spacer_, 0, 1);

    scrollArea_->setWidget(scrollAreaContent_);
    gridLayout_->addWidget(scrollArea_, 0, 0);
}

RibbonButtonGroup* RibbonTabContent::group(const QString& title) const
{
    return ribbon_layout_find<RibbonButtonGroup>(groupsLayout_, title,
                                                 std::mem_fn(&RibbonButtonGroup::title));
}

void RibbonTabContent::addButton(const QString& group, QToolButton* button)
{
    RibbonButtonGroup* target = this->group(group);
    if (!target) {
        target = new RibbonButtonGroup(scrollAreaContent_);
        target->setTitle(group);
        groupsLayout_->addWidget(target);
        target = this->group(group);
    }
    target->addButton(button);
}

void RibbonTabContent::removeButton(const QString& group, const QString& name)
{
    RibbonButtonGroup* target = this->group(group);
    if (!target)
        return;
    target->removeButton(name);
    if (target->buttonCount() == 0)
        removeGroup(group);
}

void RibbonTabContent::removeGroup(const QString& group)
{
    int index = -1;
    if (ribbon_layout_find<RibbonButtonGroup>(groupsLayout_, group, std::mem_fn(&RibbonButtonGroup::title),
                                              &index))
        ribbon_layout_take_later(groupsLayout_, index);
}

int RibbonTabContent::groupCount() const
{
    return groupsLayout_->count();
}

} // namespace QtGui
