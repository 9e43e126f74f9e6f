#pragma once

#include "dialogs/PropertyTreeNode.h"

#include <QAbstractItemModel>

namespace vsx::ui_util {

// The camera's feature tree as an item model: built on one category (the
// camera's "Root"), filled lazily one category at a time as the view asks for
// rows. Under the invalid index lies exactly one row, the root item (a node
// for the category itself). Column 0 carries the display name, column 1
// nothing (the dock puts an editor there).
//
// Runs on the GUI thread. A feature's availability change arrives on the
// camera library's notification thread and is posted to the model, which
// emits dataChanged for it on the GUI thread; a change still on its way when
// the model is deleted dies with it.
class PropertyTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit PropertyTreeModel(Property category, QObject* parent = nullptr);
    ~PropertyTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The node for the category the model was built on (row 0 under the invalid index).
    PropertyTreeNode* root_item() const { return rootItem_; }
    // The node of an index of this model (its internal pointer), or null.
    static PropertyTreeNode* node_of(const QModelIndex& index);

private:
    // The change handler of every node; runs on the library's notification thread.
    void on_change(PropertyTreeNode* node);

    mutable PropertyTreeNode rootNode_;
    PropertyTreeNode* rootItem_;
};

} // namespace vsx::ui_util
