#pragma once

#include <QStyledItemDelegate>

namespace vsx {
class Grabber;
}

namespace vsx::ui_util {

class FilterPropertiesProxy;

// Creates the editors of the tree's value column: one per feature, built by
// create_prop_control with the camera's grabber. An editor that cannot be
// built becomes a read-only text; nothing escapes into the view.
class PropertyTreeItemDelegate : public QStyledItemDelegate {
public:
    PropertyTreeItemDelegate(FilterPropertiesProxy* proxy, Grabber* grabber, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // The editors show the camera's values themselves.
    void setEditorData(QWidget*, const QModelIndex&) const override {}
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    // Ends the editor's notification at once; the widget goes at the next turn of the event loop.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    // Rows tall enough for the editors.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    FilterPropertiesProxy* proxy;
    Grabber* grabber;
};

// The height of a tree row, which holds an editor.
inline constexpr int kPropertyRowHeight = 36;

} // namespace vsx::ui_util
