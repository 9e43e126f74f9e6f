#include "dialogs/MyTreeView.h"

#include "dialogs/FilterPropertiesProxy.h"
#include "dialogs/PropertyTreeModel.h"

#include <QMouseEvent>
#include <QPainter>

namespace vsx::ui_util {

namespace {

constexpr QRgb kCategoryBar = 0xff252526;
constexpr QRgb kArrow = 0xffdcdcdc;

} // namespace

MyTreeView::MyTreeView(FilterPropertiesProxy* proxy, QWidget* parent) : QTreeView(parent), proxy_(proxy) {}

void MyTreeView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    const bool wasExpanded = index.isValid() && isExpanded(index);
    QTreeView::mousePressEvent(event);
    // A click beside the branch indicator toggles the row as well.
    if (index.isValid() && isExpanded(index) == wasExpanded)
        setExpanded(index, !wasExpanded);
}

void MyTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    const PropertyTreeNode* node = PropertyTreeModel::node_of(proxy_->mapToSource(index));
    if (!node || node->children.empty()) {
        QTreeView::drawBranches(painter, rect, index);
        return;
    }
    painter->fillRect(rect, QColor(kCategoryBar));
    // The middle of the last indentation step.
    const int x = rect.x() + rect.width() / 2 + (rect.width() - indentation()) / 2;
    const int y = rect.y() + rect.height() / 2;
    painter->save();
    painter->setPen(QColor(kArrow));
    for (int k = 0; k < 5; ++k) {
        const int length = 9 - 2 * k;
        if (isExpanded(index))
            painter->drawLine(x - 5 + k, y - 2 + k, x - 5 + k + length - 1, y - 2 + k);
        else
            painter->drawLine(x - 2 + k, y - 5 + k, x - 2 + k, y - 5 + k + length - 1);
    }
    painter->restore();
}

} // namespace vsx::ui_util
