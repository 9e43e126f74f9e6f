#include "dialogs/FilterPropertiesProxy.h"

#include "device/CallbackGuard.h"
#include "dialogs/PropertyTreeModel.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vsx::ui_util {

namespace {

constexpr std::array<std::string_view, 14> kHiddenNames = {"Width",
                                                           "Height",
                                                           "PixelFormat",
                                                           "ChunkModeActive",
                                                           "ChunkEnable",
                                                           "BinningHorizontal",
                                                           "BinningVertical",
                                                           "DecimationHorizontal",
                                                           "DecimationVertical",
                                                           "UserSetLoad",
                                                           "AcquisitionFrameRate",
                                                           "AcquisitionMode",
                                                           "AcquisitionStop",
                                                           "AcquisitionStart"};

} // namespace

bool is_hidden_property(Property property)
{
    if (property.isLikelyLockedByStream(Error::ignoreRecord()))
        return true;
    Error local(Error::Record);
    const std::string name = property.name(local);
    if (local.code != Error::kNoError)
        return false;
    return std::find(kHiddenNames.begin(), kHiddenNames.end(), name) != kHiddenNames.end();
}

bool FilterPropertiesProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    // A camera that fails hides the row.
    return guard_callback("FilterPropertiesProxy::filterAcceptsRow", false, [&] {
        PropertyTreeNode* parent = PropertyTreeModel::node_of(sourceParent);
        if (!parent || sourceRow < 0 || static_cast<size_t>(sourceRow) >= parent->children.size())
            return false;
        PropertyTreeNode* node = parent->children[static_cast<size_t>(sourceRow)].get();
        const Property& feature = node->property;
        if (feature.type(Error::ignoreRecord()) == Category)
            return false;
        if (!feature.isAvailable())
            return false;
        if (feature.visibility() > level)
            return false;
        if (is_hidden_property(feature))
            return false;
        // The name is read when the node is first populated; a row filtered
        // before the view asked for it is populated here, so that a new model
        // under a typed filter is not empty.
        if (node->name.isEmpty())
            node->populate();
        // An invalid expression matches nothing.
        return pattern.isValid() && pattern.match(node->name).hasMatch();
    });
}

Qt::ItemFlags FilterPropertiesProxy::flags(const QModelIndex& index) const
{
    return QSortFilterProxyModel::flags(index) & ~Qt::ItemIsSelectable;
}

} // namespace vsx::ui_util
