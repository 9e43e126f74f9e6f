#pragma once

#include <QStyledItemDelegate>

namespace vsx::ui_util {

class FilterPropertiesProxy;

// Paints the name column: category rows as white text on a dark bar.
class TestItemDelegateForPaint : public QStyledItemDelegate {
public:
    TestItemDelegateForPaint(FilterPropertiesProxy* proxy, QWidget* dock, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    FilterPropertiesProxy* proxy;
    QWidget* dock;
};

} // namespace vsx::ui_util
