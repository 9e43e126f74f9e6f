// The sequence settings dock: its rows, the record it keeps and reports, and
// the file-name probe behind the prefix row.
#include "DockTestSupport.h"
#include "FakeApplicationContext.h"
#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "support/TempHome.h"
#include "views/docks/FileNameProbe.h"
#include "views/docks/QtSequenceSettingsView.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/InfoParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"
#include "views/grid/StringParameter.h"

#include <QComboBox>
#include <QPushButton>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using app::SequenceViewData;
using app::QtView::QtSequenceSettingsView;
using quorel::test::EventRecord;

namespace {

SequenceViewData sampleRecord()
{
    SequenceViewData data;
    data.targetDirectory = L"/data/run 7";
    data.filenamePrefix = L"Probe";
    data.indexEnabled = false;
    data.index = 41;
    data.timestampEnabled = true;
    data.timestampFormat = L"DD_MM_YY_HH_MM_SS";
    data.imageFiletype = L"JPG";
    data.jpgQuality = 85;
    data.hotkey = L"Enter";
    data.intervallMinutes = 2;
    data.intervallSeconds = 5;
    data.endAfterTimeEnabled = true;
    data.endTimeMinutes = 10;
    data.endTimeSeconds = 30;
    data.endAfterFramesEnabled = false;
    data.endFrames = 500;
    return data;
}

bool sameRecord(const SequenceViewData& a, const SequenceViewData& b)
{
    return a.targetDirectory == b.targetDirectory && a.filenamePrefix == b.filenamePrefix &&
           a.indexEnabled == b.indexEnabled && a.index == b.index &&
           a.timestampEnabled == b.timestampEnabled && a.timestampFormat == b.timestampFormat &&
           a.imageFiletype == b.imageFiletype && a.jpgQuality == b.jpgQuality && a.hotkey == b.hotkey &&
           a.intervallMinutes == b.intervallMinutes && a.intervallSeconds == b.intervallSeconds &&
           a.endAfterTimeEnabled == b.endAfterTimeEnabled && a.endTimeMinutes == b.endTimeMinutes &&
           a.endTimeSeconds == b.endTimeSeconds && a.endAfterFramesEnabled == b.endAfterFramesEnabled &&
           a.endFrames == b.endFrames;
}

class SequenceSettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        application::set_context(context);
        changes.watch(view.settingsChanged);
    }
    void TearDown() override { application::set_context(nullptr); }

    // The prefix as a user types it.
    void typePrefix(const QString& text) { view.prefixRow()->setText(text.toStdWString()); }
    const SequenceViewData& reported() const { return std::get<0>(changes.last()); }

    quorel::test::DocksEnvironment environment;
    std::shared_ptr<quorel::test::FakeApplicationContext> context =
        std::make_shared<quorel::test::FakeApplicationContext>();
    QtSequenceSettingsView view{SequenceViewData(), nullptr};
    EventRecord<SequenceViewData> changes;
};

} // namespace

TEST_F(SequenceSettingsViewTest, ShowsItsRecordOnFivePagesWithTheFirstOpen)
{
    QtSequenceSettingsView dock(sampleRecord(), nullptr);
    EXPECT_EQ(dock.windowTitle(), "Sequence Settings");
    const auto pages = dock.accordion()->pages();
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages[0]->title(), L"File Name and Target");
    EXPECT_TRUE(pages[0]->isExpanded());
    for (size_t i = 1; i < pages.size(); ++i)
        EXPECT_FALSE(pages[i]->isExpanded()) << i;
    EXPECT_TRUE(sameRecord(dock.viewData, sampleRecord()));

    EXPECT_EQ(dock.targetDirectoryRow()->text(), L"/data/run 7");
    EXPECT_EQ(dock.prefixRow()->text(), L"Probe");
    EXPECT_FALSE(dock.prefixRow()->isReadOnly());
    EXPECT_EQ(dock.indexRow()->value(), 41);
    EXPECT_EQ(dock.timestampFormatRow()->current(), L"DD_MM_YY_HH_MM_SS");
    EXPECT_EQ(dock.imageTypeRow()->items(), app::sequenceImageTypes);
    EXPECT_EQ(dock.hotkeyRow()->current(), L"Enter");
    EXPECT_EQ(dock.intervalSecondsRow()->value(), 5);
    EXPECT_EQ(dock.framesRow()->value(), 500);
    EXPECT_EQ(dock.infoRow()->infoText(), Localization::getString("SequenceSettings/Param/InfoValue"));
    // The rows that depend on a check box or the type match the record.
    EXPECT_FALSE(dock.indexRow()->isEnabled());
    EXPECT_TRUE(dock.timestampFormatRow()->isEnabled());
    EXPECT_TRUE(dock.jpegQualityRow()->isEnabled());
    EXPECT_TRUE(dock.endMinutesRow()->isEnabled());
    EXPECT_FALSE(dock.framesRow()->isEnabled());
    // The rows offer what the model stores: seconds to 59, counts to millions.
    EXPECT_EQ(dock.intervalSecondsRow()->maximum(), 59);
    EXPECT_EQ(dock.endMinutesRow()->maximum(), 60);
    EXPECT_EQ(dock.indexRow()->maximum(), 9'999'999);
    EXPECT_EQ(dock.framesRow()->maximum(), 9'999'999);
}

TEST_F(SequenceSettingsViewTest, SetDataShowsTheRecordWithoutReportingIt)
{
    view.setData(sampleRecord());
    EXPECT_EQ(changes.count(), 0u);
    EXPECT_TRUE(sameRecord(view.viewData, sampleRecord()));
    EXPECT_EQ(view.indexRow()->value(), 41);
    EXPECT_EQ(view.imageTypeRow()->current(), L"JPG");
    EXPECT_EQ(view.jpegQualityRow()->value(), 85);
    EXPECT_TRUE(view.endAfterTimeCheck()->isChecked());
    // Enabled states follow the new record: quality for JPG, no index row.
    EXPECT_TRUE(view.jpegQualityRow()->isEnabled());
    EXPECT_FALSE(view.indexRow()->isEnabled());
    EXPECT_TRUE(view.endSecondsRow()->isEnabled());

    // Entries that are not in their tables leave the lists alone; the record
    // keeps the given text.
    SequenceViewData odd = sampleRecord();
    odd.imageFiletype = L"GIF";
    odd.hotkey = L"F5";
    view.setData(odd);
    EXPECT_EQ(view.imageTypeRow()->current(), L"JPG");
    EXPECT_EQ(view.hotkeyRow()->current(), L"Enter");
    EXPECT_EQ(view.viewData.imageFiletype, L"GIF");
    EXPECT_FALSE(view.jpegQualityRow()->isEnabled());
    EXPECT_EQ(changes.count(), 0u);
}

TEST_F(SequenceSettingsViewTest, EditsAreStoredAndReportedWithTheWholeRecord)
{
    view.setData(sampleRecord());
    // The image type switches the quality row and is reported.
    view.imageTypeRow()->comboBox()->setCurrentText("PNG");
    ASSERT_EQ(changes.count(), 1u);
    EXPECT_EQ(reported().imageFiletype, L"PNG");
    EXPECT_EQ(reported().hotkey, L"Enter") << "the whole record travels";
    EXPECT_FALSE(view.jpegQualityRow()->isEnabled());
    view.imageTypeRow()->comboBox()->setCurrentText("JPG");
    EXPECT_TRUE(view.jpegQualityRow()->isEnabled());
    EXPECT_EQ(changes.senders.back(), static_cast<app::IViewBase*>(&view));

    // Unchecking the end-after-time box disables both rows; their values stay.
    view.endAfterTimeCheck()->click();
    EXPECT_FALSE(reported().endAfterTimeEnabled);
    EXPECT_FALSE(view.endMinutesRow()->isEnabled());
    EXPECT_FALSE(view.endSecondsRow()->isEnabled());
    EXPECT_EQ(reported().endTimeMinutes, 10);
    view.indexCheck()->click();
    EXPECT_TRUE(reported().indexEnabled);
    EXPECT_TRUE(view.indexRow()->isEnabled());
    view.endAfterFramesCheck()->click();
    EXPECT_TRUE(view.framesRow()->isEnabled());

    // Whatever the rows report, the stored values stay within their ranges.
    struct Case {
        app::QtView::IntParameter* row;
        long long reported;
        int32_t SequenceViewData::*field;
        int32_t stored;
    };
    const Case cases[] = {
        {view.intervalMinutesRow(), 75, &SequenceViewData::intervallMinutes, 60},
        {view.intervalSecondsRow(), 60, &SequenceViewData::intervallSeconds, 59},
        {view.endMinutesRow(), -4, &SequenceViewData::endTimeMinutes, 0},
        {view.endSecondsRow(), 99, &SequenceViewData::endTimeSeconds, 59},
        {view.jpegQualityRow(), 140, &SequenceViewData::jpgQuality, 100},
        {view.framesRow(), -1, &SequenceViewData::endFrames, 0},
        {view.indexRow(), 12345, &SequenceViewData::index, 12345},
    };
    for (const Case& c : cases) {
        const size_t before = changes.count();
        app::raise_event(c.row->eventValueChanged, nullptr, c.reported);
        ASSERT_EQ(changes.count(), before + 1);
        EXPECT_EQ(reported().*c.field, c.stored) << c.reported;
        EXPECT_EQ(view.viewData.*c.field, c.stored);
    }

    // The lists take only their tables' entries.
    app::raise_event(view.hotkeyRow()->eventSelectionChanged, nullptr, std::wstring(L"Space"));
    EXPECT_EQ(reported().hotkey, L"Space");
    const size_t before = changes.count();
    // (The rows offer only table entries; the handlers refuse anything else.)
    EXPECT_THROW(app::raise_event(view.hotkeyRow()->eventSelectionChanged, nullptr, std::wstring(L"Escape")),
                 std::runtime_error);
    EXPECT_THROW(
        app::raise_event(view.timestampFormatRow()->eventSelectionChanged, nullptr, std::wstring(L"YYYY")),
        std::runtime_error);
    EXPECT_EQ(changes.count(), before);
    EXPECT_EQ(view.viewData.hotkey, L"Space");
}

TEST_F(SequenceSettingsViewTest, ARejectedPrefixIsFramedRedAndNotStored)
{
    const fs::path settings = app::path_from_wide(app::get_settings_directory());
    typePrefix("Bild_ä");
    ASSERT_EQ(changes.count(), 1u);
    EXPECT_EQ(reported().filenamePrefix, L"Bild_ä");
    EXPECT_NE(view.prefixRow()->styleSheet().indexOf("#3f3f46"), -1);

    for (const QString& rejected :
         {QString(), QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral(".")}) {
        typePrefix(rejected);
        EXPECT_NE(view.prefixRow()->styleSheet().indexOf("#ff0000"), -1) << rejected.toStdString();
        EXPECT_EQ(view.viewData.filenamePrefix, L"Bild_ä");
    }
    EXPECT_EQ(changes.count(), 1u);
    // A good text again: grey frame, stored.
    typePrefix("Serie 2");
    EXPECT_NE(view.prefixRow()->styleSheet().indexOf("#3f3f46"), -1);
    EXPECT_EQ(reported().filenamePrefix, L"Serie 2");
    EXPECT_FALSE(fs::exists(settings / "tmp")) << "the scratch folder is removed";
}

TEST_F(SequenceSettingsViewTest, BrowsingReportsTheRecordAlsoWhenCancelled)
{
    view.setData(sampleRecord());
    context->directoryAnswers = {L"", L"/data/run 8"};
    view.targetDirectoryRow()->browseButton()->click();
    ASSERT_EQ(changes.count(), 1u);
    EXPECT_TRUE(sameRecord(reported(), sampleRecord())) << "cancelled: unchanged, still reported";
    EXPECT_EQ(context->directoryStarts, std::vector<std::wstring>{L"/data/run 7"});

    view.targetDirectoryRow()->browseButton()->click();
    ASSERT_EQ(changes.count(), 2u);
    EXPECT_EQ(reported().targetDirectory, L"/data/run 8");
    EXPECT_EQ(view.targetDirectoryRow()->text(), L"/data/run 8");
}

TEST_F(SequenceSettingsViewTest, DisablingLeavesThePageHeadersUsable)
{
    view.setEnabled(false);
    for (app::QtView::PropertyGrid* grid : view.grids())
        EXPECT_FALSE(grid->isEnabled());
    for (app::QtView::QtAccordionPage* page : view.accordion()->pages())
        EXPECT_TRUE(page->headerButton()->isEnabled());
    view.setEnabled(true);
    EXPECT_TRUE(view.grids()[4]->isEnabled());
}

TEST_F(SequenceSettingsViewTest, ClosingRaisesClosedOnce)
{
    EventRecord<> closed;
    closed.watch(view.closed);
    view.close();
    ASSERT_EQ(closed.count(), 1u);
    EXPECT_EQ(closed.senders[0], static_cast<app::IViewBase*>(&view));
}

// The probe tries a name in its scratch folder only: names that would reach
// elsewhere are rejected before anything is created, truncated or removed.
TEST(FileNameProbe, TriesNamesOnlyInsideItsScratchFolder)
{
    quorel::test::use_docks_environment();
    const fs::path settings = app::path_from_wide(app::get_settings_directory());
    const fs::path victim = settings / "window_settings.json";
    {
        std::ofstream out(victim);
        out << "{\"language\": \"de-DE\"}";
    }
    const fs::path outside = quorel::test::make_temp_dir("probe") / "x";
    {
        std::ofstream out(outside);
        out << "keep";
    }

    EXPECT_TRUE(app::isValidFileName(L"Image"));
    EXPECT_TRUE(app::isValidFileName(L"Bild_ä"));
    EXPECT_TRUE(app::isValidFileName(L"name with spaces & symbols (1)"));
    for (const std::wstring& name :
         {std::wstring(), std::wstring(L"."), std::wstring(L".."), std::wstring(L"../window_settings.json"),
          std::wstring(L"../x"), app::path_to_wide(outside), std::wstring(L"a/b"),
          std::wstring(L"nul\0byte", 8), std::wstring(300, L'x')})
        EXPECT_FALSE(app::isValidFileName(name)) << app::wide_to_utf8(name);

    EXPECT_EQ(fs::file_size(victim), 21u) << "the settings file is untouched";
    EXPECT_EQ(fs::file_size(outside), 4u) << "a file named by an absolute path is untouched";
    EXPECT_TRUE(fs::exists(settings));
    EXPECT_FALSE(fs::exists(settings / "tmp"));

    // A link left in the scratch folder's place is removed, never followed.
    fs::create_directory_symlink(outside.parent_path(), settings / "tmp");
    EXPECT_TRUE(app::isValidFileName(L"x"));
    EXPECT_EQ(fs::file_size(outside), 4u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(settings / "tmp")));
}
