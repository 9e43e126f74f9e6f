#include "views/docks/QtSequenceSettingsView.h"

#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "views/docks/DockLayout.h"
#include "views/docks/FileNameProbe.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/InfoParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

#include <QCloseEvent>
#include <algorithm>
#include <stdexcept>

namespace app::QtView {

namespace {

const char* const kPageKeys[] = {"SequenceSettings/Page/FilenameAndtarget", "SequenceSettings/Page/FileType",
                                 "SequenceSettings/Page/Miscelaneous",
                                 "SequenceSettings/Page/AutomatedSequenceIntervall",
                                 "SequenceSettings/Page/AutomaticallyEndSequence"};

const QString kPrefixAccepted = QStringLiteral("border: 1px solid #3f3f46;");
const QString kPrefixRejected = QStringLiteral("border: 1px solid #ff0000;");

std::wstring text(const char* key)
{
    return Localization::getString(key);
}

bool contains(const std::vector<std::wstring>& table, const std::wstring& entry)
{
    return std::find(table.begin(), table.end(), entry) != table.end();
}

int32_t clamped(long long value, int maximum)
{
    return static_cast<int32_t>(std::clamp<long long>(value, 0, maximum));
}

// A row whose label sits empty under the check row that names it.
template <typename Row> Row* unlabelled(GridRow<Row> row)
{
    row.first->setText(QString());
    return row.second;
}

// A count of up to millions: a spin box alone, a slider would be useless.
GridRow<IntParameter> countRow(PropertyGrid* grid, const std::wstring& label, int32_t value)
{
    constexpr int kSpinBoxOnly = 3;
    return grid->addInt(label, 0, QtSequenceSettingsView::kMaxCount, value, 1, {}, kSpinBoxOnly, false,
                        false);
}

} // namespace

QtSequenceSettingsView::QtSequenceSettingsView(SequenceViewData initial, QWidget* parent)
    : QDockWidget(QString::fromStdWString(text("SequenceSettings/Title")), parent)
{
    setObjectName(QStringLiteral("sequenceSettingsView"));
    viewData = std::move(initial);

    accordion_ = new QtAccordion(this);
    for (size_t i = 0; i < grids_.size(); ++i) {
        QtAccordionPage* page = accordion_->addPage(text(kPageKeys[i]));
        grids_[i] = new PropertyGrid(this);
        page->contentLayout()->addWidget(grids_[i]);
    }
    buildRows();
    subscribeRows();
    syncRowStates();

    for (QtAccordionPage* page : accordion_->pages())
        fitPage(page);
    accordion_->pages().front()->setExpanded(true);

    setWidget(accordion_);
    setUpDockFrame(this, 365, 1000);
}

void QtSequenceSettingsView::buildRows()
{
    PropertyGrid* names = grids_[0];
    targetDirectory_ =
        names->addFilename(text("SequenceSettings/Param/TargetDirectory"), viewData.targetDirectory).second;
    prefix_ = names->addString(text("SequenceSettings/Param/PrefixFilename"), viewData.filenamePrefix).second;
    prefix_->setReadOnly(false);
    indexCheck_ = names->addBool(text("SequenceSettings/Param/IndexEnabled"), viewData.indexEnabled).second;
    index_ = unlabelled(countRow(names, text("SequenceSettings/Param/Index"), viewData.index));
    timestampCheck_ =
        names->addBool(text("SequenceSettings/Param/TimeStampEnabled"), viewData.timestampEnabled).second;
    timestampFormat_ = unlabelled(names->addList(text("SequenceSettings/Param/TimeStamp"),
                                                 sequenceTimestampFormats, viewData.timestampFormat));

    imageType_ = grids_[1]
                     ->addList(text("SequenceSettings/Param/ImageFileType"), sequenceImageTypes,
                               viewData.imageFiletype)
                     .second;
    jpegQuality_ =
        grids_[1]
            ->addInt(text("SequenceSettings/Param/JpegQuality"), 0, kMaxJpegQuality, viewData.jpgQuality)
            .second;

    hotkey_ =
        grids_[2]->addList(text("SequenceSettings/Param/HotKey"), sequenceHotkeys, viewData.hotkey).second;

    intervalMinutes_ =
        grids_[3]
            ->addInt(text("SequenceSettings/Param/Minutes"), 0, kMaxMinutes, viewData.intervallMinutes)
            .second;
    intervalSeconds_ =
        grids_[3]
            ->addInt(text("SequenceSettings/Param/Seconds"), 0, kMaxSeconds, viewData.intervallSeconds)
            .second;
    info_ = unlabelled(
        grids_[3]->addInfo(text("SequenceSettings/Param/Info"), text("SequenceSettings/Param/InfoValue")));

    PropertyGrid* end = grids_[4];
    endAfterTime_ =
        end->addBool(text("SequenceSettings/Param/EndAfterTime"), viewData.endAfterTimeEnabled).second;
    endMinutes_ =
        end->addInt(text("SequenceSettings/Param/Minutes"), 0, kMaxMinutes, viewData.endTimeMinutes).second;
    endSeconds_ =
        end->addInt(text("SequenceSettings/Param/Seconds"), 0, kMaxSeconds, viewData.endTimeSeconds).second;
    endAfterFrames_ =
        end->addBool(text("SequenceSettings/Param/EndAfterFrames"), viewData.endAfterFramesEnabled).second;
    frames_ = countRow(end, text("SequenceSettings/Param/Frames"), viewData.endFrames).second;
}

template <typename Edit> void QtSequenceSettingsView::edit(Edit&& change)
{
    if (updating_)
        return;
    change();
    raise_event(settingsChanged, this, viewData);
}

void QtSequenceSettingsView::subscribeRows()
{
    auto check = [this](BoolParamater* row, bool SequenceViewData::*field) {
        row->eventValueChanged.push_back([this, field](IViewBase*, bool value) {
            edit([&] {
                viewData.*field = value;
                syncRowStates();
            });
        });
    };
    check(indexCheck_, &SequenceViewData::indexEnabled);
    check(timestampCheck_, &SequenceViewData::timestampEnabled);
    check(endAfterTime_, &SequenceViewData::endAfterTimeEnabled);
    check(endAfterFrames_, &SequenceViewData::endAfterFramesEnabled);

    auto number = [this](IntParameter* row, int32_t SequenceViewData::*field, int maximum) {
        row->eventValueChanged.push_back([this, field, maximum](IViewBase*, long long value) {
            edit([&] { viewData.*field = clamped(value, maximum); });
        });
    };
    number(index_, &SequenceViewData::index, kMaxCount);
    number(jpegQuality_, &SequenceViewData::jpgQuality, kMaxJpegQuality);
    number(intervalMinutes_, &SequenceViewData::intervallMinutes, kMaxMinutes);
    number(intervalSeconds_, &SequenceViewData::intervallSeconds, kMaxSeconds);
    number(endMinutes_, &SequenceViewData::endTimeMinutes, kMaxMinutes);
    number(endSeconds_, &SequenceViewData::endTimeSeconds, kMaxSeconds);
    number(frames_, &SequenceViewData::endFrames, kMaxCount);

    auto choice = [this](ListParameter* row, std::wstring SequenceViewData::*field,
                         const std::vector<std::wstring>& table, const char* unknown) {
        row->eventSelectionChanged.push_back(
            [this, field, &table, unknown](IViewBase*, const std::wstring& entry) {
                edit([&] {
                    if (!contains(table, entry))
                        throw std::runtime_error(unknown);
                    viewData.*field = entry;
                    syncRowStates();
                });
            });
    };
    choice(timestampFormat_, &SequenceViewData::timestampFormat, sequenceTimestampFormats,
           "Unknown Time Stamp value.");
    choice(imageType_, &SequenceViewData::imageFiletype, sequenceImageTypes, "Unknown Image File Type.");
    choice(hotkey_, &SequenceViewData::hotkey, sequenceHotkeys, "Unknown Hotkey.");

    prefix_->eventTextChanged.push_back(
        [this](IViewBase*, const std::wstring& text) { onPrefixChanged(text); });
    targetDirectory_->eventBrowse.push_back([this](IViewBase*) { onBrowse(); });
}

void QtSequenceSettingsView::onPrefixChanged(const std::wstring& prefix)
{
    if (updating_)
        return;
    if (!isValidFileName(prefix)) {
        prefix_->setStyleSheet(kPrefixRejected);
        return;
    }
    prefix_->setStyleSheet(kPrefixAccepted);
    edit([&] { viewData.filenamePrefix = prefix; });
}

void QtSequenceSettingsView::onBrowse()
{
    // Reported in every case, also when the dialog was cancelled.
    std::wstring chosen;
    if (application::get_context()->chooseDirectory(viewData.targetDirectory, chosen)) {
        viewData.targetDirectory = chosen;
        targetDirectory_->setText(chosen);
    }
    raise_event(settingsChanged, this, viewData);
}

void QtSequenceSettingsView::syncRowStates()
{
    index_->setEnabled(viewData.indexEnabled);
    timestampFormat_->setEnabled(viewData.timestampEnabled);
    jpegQuality_->setEnabled(viewData.imageFiletype == L"JPG");
    endMinutes_->setEnabled(viewData.endAfterTimeEnabled);
    endSeconds_->setEnabled(viewData.endAfterTimeEnabled);
    frames_->setEnabled(viewData.endAfterFramesEnabled);
}

void QtSequenceSettingsView::setEnabled(bool enabled)
{
    for (PropertyGrid* grid : grids_)
        grid->setEnabled(enabled);
}

void QtSequenceSettingsView::setData(SequenceViewData record)
{
    viewData = std::move(record);
    showRecord();
}

void QtSequenceSettingsView::showRecord()
{
    updating_ = true;
    guardedCall("QtSequenceSettingsView::setData()", [this] {
        targetDirectory_->setText(viewData.targetDirectory);
        prefix_->setText(viewData.filenamePrefix);
        prefix_->setStyleSheet(isValidFileName(viewData.filenamePrefix) ? kPrefixAccepted : kPrefixRejected);
        indexCheck_->setValue(viewData.indexEnabled);
        index_->setValue(viewData.index);
        timestampCheck_->setValue(viewData.timestampEnabled);
        timestampFormat_->setCurrentText(viewData.timestampFormat);
        imageType_->setCurrentText(viewData.imageFiletype);
        jpegQuality_->setValue(viewData.jpgQuality);
        hotkey_->setCurrentText(viewData.hotkey);
        intervalMinutes_->setValue(viewData.intervallMinutes);
        intervalSeconds_->setValue(viewData.intervallSeconds);
        endAfterTime_->setValue(viewData.endAfterTimeEnabled);
        endMinutes_->setValue(viewData.endTimeMinutes);
        endSeconds_->setValue(viewData.endTimeSeconds);
        endAfterFrames_->setValue(viewData.endAfterFramesEnabled);
        frames_->setValue(viewData.endFrames);
        syncRowStates();
    });
    updating_ = false;
}

void QtSequenceSettingsView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtSequenceSettingsView::closeEvent()", [this] { raise_event(closed, this); });
    QDockWidget::closeEvent(event);
}

} // namespace app::QtView
