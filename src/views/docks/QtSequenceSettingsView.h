#pragma once

#include "views/docks/ISequenceSettingsView.h"

#include <QDockWidget>
#include <array>

namespace app::QtView {

class BoolParamater;
class FilenameParameter;
class InfoParameter;
class IntParameter;
class ListParameter;
class PropertyGrid;
class QtAccordion;
class StringParameter;

// The sequence settings dock: five accordion pages (file name and target,
// file type, hot key, capture interval, automatic end) of rows that edit the
// dock's copy of a SequenceViewData. Every accepted edit raises
// settingsChanged with the whole record; setData raises nothing.
//
// Rows that depend on a check box or on the image type are enabled to match
// the record whenever it is shown (construction, setData) and whenever that
// check box or type changes.
class QtSequenceSettingsView : public QDockWidget, public ISequenceSettingsView {
public:
    // The ranges the rows offer; the sequence model keeps the same.
    static constexpr int kMaxMinutes = 60;
    static constexpr int kMaxSeconds = 59;
    static constexpr int kMaxCount = 9'999'999; // index and number of images
    static constexpr int kMaxJpegQuality = 100;

    QtSequenceSettingsView(SequenceViewData initial, QWidget* parent);

    void setEnabled(bool enabled) override;
    void setData(SequenceViewData record) override;

    QtAccordion* accordion() const { return accordion_; }
    const std::array<PropertyGrid*, 5>& grids() const { return grids_; }
    FilenameParameter* targetDirectoryRow() const { return targetDirectory_; }
    StringParameter* prefixRow() const { return prefix_; }
    BoolParamater* timestampCheck() const { return timestampCheck_; }
    ListParameter* timestampFormatRow() const { return timestampFormat_; }
    ListParameter* imageTypeRow() const { return imageType_; }
    IntParameter* jpegQualityRow() const { return jpegQuality_; }
    BoolParamater* indexCheck() const { return indexCheck_; }
    IntParameter* indexRow() const { return index_; }
    ListParameter* hotkeyRow() const { return hotkey_; }
    IntParameter* intervalMinutesRow() const { return intervalMinutes_; }
    IntParameter* intervalSecondsRow() const { return intervalSeconds_; }
    InfoParameter* infoRow() const { return info_; }
    BoolParamater* endAfterTimeCheck() const { return endAfterTime_; }
    IntParameter* endMinutesRow() const { return endMinutes_; }
    IntParameter* endSecondsRow() const { return endSeconds_; }
    BoolParamater* endAfterFramesCheck() const { return endAfterFrames_; }
    IntParameter* framesRow() const { return frames_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildRows();
    void subscribeRows();
    // Shows the dock's record in every row (updating set: nothing is raised).
    void showRecord();
    // Enables the rows that depend on a check box or the image type.
    void syncRowStates();
    // Runs an edit unless the dock is filling its rows, then reports the record.
    template <typename Edit> void edit(Edit&& change);
    void onPrefixChanged(const std::wstring& text);
    void onBrowse();

    bool updating_ = false;
    QtAccordion* accordion_ = nullptr;
    std::array<PropertyGrid*, 5> grids_{};
    FilenameParameter* targetDirectory_ = nullptr;
    StringParameter* prefix_ = nullptr;
    BoolParamater* timestampCheck_ = nullptr;
    ListParameter* timestampFormat_ = nullptr;
    ListParameter* imageType_ = nullptr;
    IntParameter* jpegQuality_ = nullptr;
    BoolParamater* indexCheck_ = nullptr;
    IntParameter* index_ = nullptr;
    ListParameter* hotkey_ = nullptr;
    IntParameter* intervalMinutes_ = nullptr;
    IntParameter* intervalSeconds_ = nullptr;
    InfoParameter* info_ = nullptr;
    BoolParamater* endAfterTime_ = nullptr;
    IntParameter* endMinutes_ = nullptr;
    IntParameter* endSeconds_ = nullptr;
    BoolParamater* endAfterFrames_ = nullptr;
    IntParameter* frames_ = nullptr;
};

} // namespace app::QtView
