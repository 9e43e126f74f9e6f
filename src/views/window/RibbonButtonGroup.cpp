#include "views/window/RibbonButtonGroup.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace QtGui {

bool ribbon_names_match(const QString& a, const QString& b)
{
    return a.toLower() == b.toLower();
}

RibbonButtonGroup::RibbonButtonGroup(QWidget* parent) : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("RibbonButtonGroup"));
    resize(150, 37);
    setWindowTitle(QCoreApplication::translate("RibbonButtonGroup", "Form"));

    gridLayout_ = new QGridLayout(this);
    gridLayout_->setObjectName(QStringLiteral("gridLayout"));
    gridLayout_->setSpacing(0);
    gridLayout_->setContentsMargins(0, 0, 0, 0);

    verticalLayout_ = new QVBoxLayout();
    verticalLayout_->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout_->setSpacing(0);
    verticalLayout_->setContentsMargins(2, 2, 2, 0);
    horizontalLayout_ = new QHBoxLayout();
    horizontalLayout_->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout_->setSpacing(0);
    verticalLayout_->addLayout(horizontalLayout_);
    gridLayout_->addLayout(verticalLayout_, 0, 0);

    verticalLine_ = new QFrame(this);
    verticalLine_->setObjectName(QStringLiteral("verticalLine"));
    verticalLine_->setStyleSheet(QStringLiteral(" background-color: #565656;"));
    verticalLine_->setFrameShape(QFrame::VLine);
    verticalLine_->setFrameShadow(QFrame::Plain);
    verticalLine_->setFixedWidth(1);
    gridLayout_->addWidget(verticalLine_, 0, 1);
}

void RibbonButtonGroup::addButton(QToolButton* button)
{
    // Never narrower than its caption needs: a ribbon too narrow for its
    // buttons scrolls rather than cutting captions short.
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    button->setMinimumSize(0, 48);
    button->setAutoRaise(true);
    // The icons are 32 pixels wide; the 48-pixel height keeps the ribbon's.
    button->setIconSize(QSize(32, 48));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setStyleSheet(QStringLiteral("QToolButton{margin: 0px 8px 0px 0px;}"));
    button->setParent(this);
    horizontalLayout_->addWidget(button);
    button->show();
}

void RibbonButtonGroup::removeButton(const QString& name)
{
    int index = -1;
    if (ribbon_layout_find<QToolButton>(horizontalLayout_, name, std::mem_fn(&QObject::objectName), &index))
        ribbon_layout_take_later(horizontalLayout_, index);
}

int RibbonButtonGroup::buttonCount() const
{
    return horizontalLayout_->count();
}

QToolButton* RibbonButtonGroup::button(const QString& name) const
{
    return ribbon_layout_find<QToolButton>(horizontalLayout_, name, std::mem_fn(&QObject::objectName));
}

void ribbon_layout_take_later(QLayout* layout, int index)
{
    QLayoutItem* item = layout->takeAt(index);
    if (!item)
        return;
    if (QWidget* widget = item->widget()) {
        widget->hide();
        widget->deleteLater();
    }
    delete item;
}

} // namespace QtGui
