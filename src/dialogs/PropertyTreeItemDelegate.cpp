#include "dialogs/PropertyTreeItemDelegate.h"

#include "device/CallbackGuard.h"
#include "dialogs/CreatePropControl.h"
#include "dialogs/FilterPropertiesProxy.h"
#include "dialogs/IPropControl.h"
#include "dialogs/PropertyTreeModel.h"

#include <spdlog/spdlog.h>

namespace vsx::ui_util {

PropertyTreeItemDelegate::PropertyTreeItemDelegate(FilterPropertiesProxy* proxy, Grabber* grabber,
                                                   QObject* parent)
    : QStyledItemDelegate(parent), proxy(proxy), grabber(grabber)
{
}

QWidget* PropertyTreeItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                                const QModelIndex& index) const
{
    const PropertyTreeNode* node = PropertyTreeModel::node_of(proxy->mapToSource(index));
    if (!node)
        return nullptr;
    QWidget* editor = nullptr;
    try {
        editor = create_prop_control(node->property, parent, grabber);
    } catch (const std::exception& e) {
        spdlog::error("PropertyTreeItemDelegate::createEditor() failed: {} ({})", e.what(),
                      node->property.name(Error::ignoreRecord()));
        editor = guard_callback("PropertyTreeItemDelegate::createEditor", static_cast<QWidget*>(nullptr),
                                [&] { return create_read_only_text(node->property, parent); });
    }
    if (editor)
        editor->setContentsMargins(0, 0, 8, 0);
    return editor;
}

void PropertyTreeItemDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (auto* control = dynamic_cast<IPropControl*>(editor))
        control->remove_notification();
    QStyledItemDelegate::destroyEditor(editor, index);
}

QSize PropertyTreeItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize hint = QStyledItemDelegate::sizeHint(option, index);
    return {hint.width(), std::max(hint.height(), kPropertyRowHeight)};
}

} // namespace vsx::ui_util
