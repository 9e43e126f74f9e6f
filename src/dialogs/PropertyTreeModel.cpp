#include "dialogs/PropertyTreeModel.h"

#include "device/CallbackGuard.h"

namespace vsx::ui_util {

PropertyTreeModel::PropertyTreeModel(Property category, QObject* parent)
    : QAbstractItemModel(parent), rootNode_(nullptr, category, 0)
{
    rootNode_.children.push_back(std::make_unique<PropertyTreeNode>(&rootNode_, category, 0));
    rootItem_ = rootNode_.children.front().get();
}

PropertyTreeModel::~PropertyTreeModel() = default;

PropertyTreeNode* PropertyTreeModel::node_of(const QModelIndex& index)
{
    return index.isValid() ? static_cast<PropertyTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex PropertyTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    return guard_callback("PropertyTreeModel::index", QModelIndex(), [&] {
        if (!hasIndex(row, column, parent))
            return QModelIndex();
        PropertyTreeNode* node = parent.isValid() ? node_of(parent) : &rootNode_;
        node->populate();
        if (row < 0 || static_cast<size_t>(row) >= node->children.size())
            return QModelIndex();
        PropertyTreeNode* child = node->children[static_cast<size_t>(row)].get();
        auto* self = const_cast<PropertyTreeModel*>(this);
        child->register_notification([self](PropertyTreeNode* changed) { self->on_change(changed); });
        return createIndex(row, column, child);
    });
}

QModelIndex PropertyTreeModel::parent(const QModelIndex& index) const
{
    const PropertyTreeNode* node = node_of(index);
    if (!node || !node->parent || node->parent == &rootNode_)
        return QModelIndex();
    return createIndex(node->parent->row, 0, node->parent);
}

int PropertyTreeModel::rowCount(const QModelIndex& parent) const
{
    return guard_callback("PropertyTreeModel::rowCount", 0, [&] {
        if (parent.column() > 0)
            return 0;
        PropertyTreeNode* node = parent.isValid() ? node_of(parent) : &rootNode_;
        node->populate();
        return static_cast<int>(node->children.size());
    });
}

int PropertyTreeModel::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant PropertyTreeModel::data(const QModelIndex& index, int role) const
{
    const PropertyTreeNode* node = node_of(index);
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? QVariant(node->name) : QVariant();
    case Qt::ToolTipRole:
        // Read at every request; a camera that fails shows the name.
        return guard_callback("PropertyTreeModel::data", QVariant(node->name), [&] {
            const std::string tooltip = node->property.tooltip();
            const std::string description = node->property.description();
            if (!tooltip.empty())
                return QVariant(QString::fromStdString(tooltip));
            if (!description.empty())
                return QVariant(QString::fromStdString(description));
            return QVariant(node->name);
        });
    case Qt::TextAlignmentRole:
        return node->children.empty() ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                      : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return QVariant();
    }
}

void PropertyTreeModel::on_change(PropertyTreeNode* node)
{
    // Emitted on the GUI thread; the posted call is dropped with the model.
    QMetaObject::invokeMethod(
        this,
        [this, node] {
            const QModelIndex changed = createIndex(node->row, 0, node);
            emit dataChanged(changed, changed, {});
        },
        Qt::QueuedConnection);
}

} // namespace vsx::ui_util
