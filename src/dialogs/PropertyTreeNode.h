#pragma once

#include "device/Property.h"
#include "dialogs/FeatureNotification.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vsx::ui_util {

// One shown feature of the property tree: a category (branch) or a feature of
// another kind (leaf). Owned by its parent node, the root node by the model.
//
// Threads: everything runs on the GUI thread except the availability
// callback, which the camera library calls on its notification thread; it
// touches only `available` and calls the change handler.
struct PropertyTreeNode {
    using ChangeHandler = std::function<void(PropertyTreeNode*)>;

    PropertyTreeNode(PropertyTreeNode* parent, Property property, int32_t row);
    // Removes the notification first, then frees the children, then releases
    // the feature.
    ~PropertyTreeNode();
    PropertyTreeNode(const PropertyTreeNode&) = delete;
    PropertyTreeNode& operator=(const PropertyTreeNode&) = delete;

    // Reads the display name and, for a category without children, creates one
    // child per shown feature (kinds 1 to 6, and categories that hold
    // features). Throws vsx::VSXException when the camera fails; the node then
    // keeps the children it had.
    void populate();
    // Watches the feature's availability once: onChange runs (on the library's
    // thread) whenever it flips. Throws vsx::VSXException when the camera fails.
    void register_notification(const ChangeHandler& onChange);

    PropertyTreeNode* parent;
    Property property;
    int32_t row;
    QString name;
    std::vector<std::unique_ptr<PropertyTreeNode>> children;
    FeatureNotification token;
    std::atomic<bool> available{false};
};

} // namespace vsx::ui_util
