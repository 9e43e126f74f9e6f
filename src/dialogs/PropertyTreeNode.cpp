#include "dialogs/PropertyTreeNode.h"

namespace vsx::ui_util {

PropertyTreeNode::PropertyTreeNode(PropertyTreeNode* parent, Property property, int32_t row)
    : parent(parent), property(std::move(property)), row(row)
{
}

PropertyTreeNode::~PropertyTreeNode()
{
    // No callback may run on a node that is being freed.
    token.remove();
    children.clear();
}

void PropertyTreeNode::populate()
{
    if (!children.empty())
        return;
    name = QString::fromStdString(property.displayName());
    if (property.type() != Category)
        return;
    std::vector<std::unique_ptr<PropertyTreeNode>> created;
    for (const Property& feature : property.asCategory().features()) {
        const int kind = feature.type();
        const bool shown = (kind >= Integer && kind <= Command) ||
                           (kind == Category && PropCategory(feature.handle()).hasFeatures());
        if (shown)
            created.push_back(
                std::make_unique<PropertyTreeNode>(this, feature, static_cast<int32_t>(created.size())));
    }
    children = std::move(created);
}

void PropertyTreeNode::register_notification(const ChangeHandler& onChange)
{
    if (token.registered())
        return;
    available = property.isAvailable();
    token.add(property, [this, onChange](Property& changed) {
        const bool now = changed.isAvailable(Error::ignoreRecord());
        if (now != available.load()) {
            onChange(this);
            available = now;
        }
    });
}

} // namespace vsx::ui_util
