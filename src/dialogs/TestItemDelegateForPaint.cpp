#include "dialogs/TestItemDelegateForPaint.h"

#include "dialogs/FilterPropertiesProxy.h"
#include "dialogs/PropertyTreeItemDelegate.h"
#include "dialogs/PropertyTreeModel.h"

#include <QPainter>

namespace vsx::ui_util {

TestItemDelegateForPaint::TestItemDelegateForPaint(FilterPropertiesProxy* proxy, QWidget* dock,
                                                   QObject* parent)
    : QStyledItemDelegate(parent), proxy(proxy), dock(dock)
{
}

void TestItemDelegateForPaint::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    const PropertyTreeNode* node = PropertyTreeModel::node_of(proxy->mapToSource(index));
    if (!node || node->children.empty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->save();
    painter->setPen(Qt::white);
    painter->fillRect(option.rect, QBrush(QColor(0x25, 0x25, 0x26)));
    painter->drawText(option.rect, static_cast<int>(option.displayAlignment), index.data().toString());
    painter->restore();
}

QSize TestItemDelegateForPaint::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize hint = QStyledItemDelegate::sizeHint(option, index);
    return {hint.width(), std::max(hint.height(), kPropertyRowHeight)};
}

} // namespace vsx::ui_util
