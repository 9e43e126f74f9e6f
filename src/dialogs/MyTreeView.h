#pragma once

#include <QTreeView>

namespace vsx::ui_util {

class FilterPropertiesProxy;

// The property tree's view: a click anywhere on a row opens or closes it, and
// categories draw their own arrow on a dark bar.
class MyTreeView : public QTreeView {
public:
    MyTreeView(FilterPropertiesProxy* proxy, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    FilterPropertiesProxy* proxy_;
};

} // namespace vsx::ui_util
