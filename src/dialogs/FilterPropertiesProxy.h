#pragma once

#include "device/Property.h"

#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <cstdint>

namespace vsx::ui_util {

// True for the features the property tree never shows: those the camera
// reports as likely locked by the stream, and those named (exactly) "Width",
// "Height", "PixelFormat", "ChunkModeActive", "ChunkEnable",
// "BinningHorizontal", "BinningVertical", "DecimationHorizontal",
// "DecimationVertical", "UserSetLoad", "AcquisitionFrameRate",
// "AcquisitionMode", "AcquisitionStop" or "AcquisitionStart".
bool is_hidden_property(Property property);

// Decides which features the property tree shows: an available feature (not a
// category) whose visibility is at most `level`, that is not hidden and whose
// display name matches `pattern`. Categories and the root item are shown only
// through recursive filtering, when something below them passes. Rows are
// enabled but never selectable.
class FilterPropertiesProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QRegularExpression pattern;
    int32_t level = 1; // 0 Beginner, 1 Expert, 2 Guru; 3 (Invisible) is never shown

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};

} // namespace vsx::ui_util
