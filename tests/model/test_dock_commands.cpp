// The dock commands of the main controller over a main window that makes fake
// docks, the real model and the simulated cameras (manual clock): each dock is
// wired once per life, reopens fresh after it closed, follows the selected
// camera and closes with the last one; the Dialogs menu's check marks follow
// the docks; the sequence timer's buttons; the filter switch; Help.

#include "DockFixture.h"
#include "app/Utf8.h"
#include "filter/FilterBase.h"
#include "model/Histogram.h"
#include "support/LogCapture.h"
#include "views/docks/FakeApplicationContext.h"

#include <filesystem>
#include <fstream>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

const std::wstring kGenICam = L"GenICam Settings";
const std::wstring kLut = L"LUT";
const std::wstring kEvents = L"Device Events";

// An application context that records what it was asked to open.
class OpeningContext : public FakeApplicationContext {
public:
    void openWithDesktop(const std::wstring& path) override { opened.push_back(path); }
    std::vector<std::wstring> opened;
};

std::vector<std::string> lines_with(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

} // namespace

TEST_F(DockControllerTest, AskingTwiceGivesOneDockWiredOnceAndAClosedDockReopensRewired)
{
    makeDockController();
    openAndShow(kUsbName);
    app::Histogram* histogram = model->histogram_of(camera_info(kUsbSerial));
    ASSERT_NE(histogram, nullptr);

    // Histogram twice: one dock, its lists subscribed once, its rows set from
    // the camera's histogram each time.
    app::raise_event(view->histogramRequested, view.get());
    app::raise_event(view->histogramRequested, view.get());
    const std::shared_ptr<FakeHistogramDock> first = docks->histogram;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(docks->docksMade, 1);
    EXPECT_EQ(first->channelsChanged.size(), 1u);
    EXPECT_EQ(first->displayModeChanged.size(), 1u);
    EXPECT_EQ(first->showZerosChanged.size(), 1u);
    EXPECT_EQ(first->paintRequested.size(), 1u);
    EXPECT_EQ(first->states.size(), 2u);
    app::raise_event(first->displayModeChanged, first.get(), std::wstring(L"Logarithmic"));
    app::raise_event(first->showZerosChanged, first.get(), true);
    EXPECT_EQ(histogram->displayMode(), L"Logarithmic");
    EXPECT_TRUE(histogram->showZeros());

    // The same for every dock the controller wires itself: asked twice, one
    // subscriber per list; closed, the next request makes a fresh dock that
    // is wired again.
    struct Case {
        const char* name;
        std::function<void()> open;
        std::function<std::shared_ptr<app::IViewBase>()> dock;
        std::function<size_t(app::IViewBase&)> subscribers;
        std::function<void()> close;
    };
    const std::vector<Case> cases = {
        {"histogram", [&] { app::raise_event(view->histogramRequested, view.get()); },
         [&] { return docks->histogram; },
         [](app::IViewBase& d) { return static_cast<FakeHistogramDock&>(d).channelsChanged.size(); },
         [&] { docks->userCloses(docks->histogram); }},
        {"sequence settings", [&] { app::raise_event(view->sequenceSettingsRequested, view.get()); },
         [&] { return docks->sequenceSettings; },
         [](app::IViewBase& d) { return static_cast<FakeSequenceSettingsDock&>(d).settingsChanged.size(); },
         [&] { docks->userCloses(docks->sequenceSettings); }},
        {"sequence timer", [&] { app::raise_event(view->sequenceTimerRequested, view.get()); },
         [&] { return docks->sequenceTimer; },
         [](app::IViewBase& d) { return static_cast<FakeSequenceTimerDock&>(d).startClicked.size(); },
         [&] { docks->userCloses(docks->sequenceTimer); }},
        {"filter", [&] { app::raise_event(view->filterRequested, view.get()); },
         [&] { return docks->filter; },
         [](app::IViewBase& d) { return static_cast<FakeFilterDock&>(d).enabledChanged.size(); },
         [&] { docks->userCloses(docks->filter); }},
        {"device properties",
         [&] { app::raise_event(view->devicePropertiesRequested, view.get(), std::wstring()); },
         [&] { return docks->deviceProperties; },
         [](app::IViewBase& d) { return static_cast<ClosingPropertyView&>(d).closed.size(); },
         [&] { docks->userCloses(docks->deviceProperties); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.open();
        const std::shared_ptr<app::IViewBase> before = c.dock();
        ASSERT_NE(before, nullptr);
        const size_t wired = c.subscribers(*before);
        c.open();
        EXPECT_EQ(c.dock(), before);
        EXPECT_EQ(c.subscribers(*before), wired);
        c.close();
        EXPECT_EQ(c.dock(), nullptr);
        c.open();
        const std::shared_ptr<app::IViewBase> after = c.dock();
        ASSERT_NE(after, nullptr);
        EXPECT_NE(after, before);
        EXPECT_EQ(c.subscribers(*after), wired);
    }

    // The device-properties panel went with its dock and came back with the new one.
    EXPECT_EQ(lines_with(panels.take(), "property"),
              (std::vector<std::string>{"property setDevice 41000001", "property close", "property released",
                                        "property setDevice 41000001"}));
}

TEST_F(DockControllerTest, TheDialogsEntriesAreCheckedWhileTheirDocksAreOpenAndOneClickReopensAClosedOne)
{
    makeDockController();
    openAndShow(kGigeName);
    FakeMenuListButton* dialogs = docks->listButton("Dialogs");
    ASSERT_NE(dialogs, nullptr);
    EXPECT_TRUE(dialogs->multiSelect);
    EXPECT_EQ(dialogs->items(), (std::vector<std::wstring>{kGenICam, kLut, kEvents}));

    for (const std::wstring& entry : {kGenICam, kLut, kEvents})
        dialogsEntry(entry)->choose();
    EXPECT_EQ(panels.take(), (std::vector<std::string>{"make tree", "tree show 52000003", "make lut 52000003",
                                                       "lut setDevice 52000003", "make events"}));
    ASSERT_NE(docks->lut, nullptr);
    ASSERT_NE(docks->deviceEvents, nullptr);

    // The user closes the LUT dock: its controller goes, the menu is rebuilt
    // and "LUT" is unchecked; the docks still open keep their marks.
    docks->userCloses(docks->lut);
    EXPECT_EQ(panels.take(), (std::vector<std::string>{"lut released"}));
    tick();
    EXPECT_FALSE(dialogsEntry(kLut)->isChecked());
    EXPECT_TRUE(dialogsEntry(kGenICam)->isChecked());
    EXPECT_TRUE(dialogsEntry(kEvents)->isChecked());

    // The device-events dock likewise: one click opens it again.
    docks->userCloses(docks->deviceEvents);
    tick();
    EXPECT_FALSE(dialogsEntry(kEvents)->isChecked());
    dialogsEntry(kEvents)->choose();
    EXPECT_NE(docks->deviceEvents, nullptr);
    EXPECT_EQ(panels.take(), (std::vector<std::string>{"events released", "make events"}));

    // Unchecking "GenICam Settings" closes the tree; the rebuilt menu shows it.
    dialogsEntry(kGenICam)->choose();
    tick();
    EXPECT_FALSE(dialogsEntry(kGenICam)->isChecked());
    EXPECT_EQ(panels.take(), (std::vector<std::string>{"tree close", "tree released"}));
    // ... and checking it again makes a new one.
    dialogsEntry(kGenICam)->choose();
    EXPECT_EQ(panels.take(), (std::vector<std::string>{"make tree", "tree show 52000003"}));
    EXPECT_EQ(view->count("addDockView"), 2);

    // A camera without LUT and events offers only the property tree.
    openAndShow(kUsbName);
    EXPECT_EQ(docks->listButton("Dialogs")->items(), (std::vector<std::wstring>{kGenICam}));
}

TEST_F(DockControllerTest, TheTimersStartDisablesTheSettingsOnlyWhileTheSequenceRuns)
{
    makeDockController();
    openAndShow(kUsbName);
    const auto instance = model->find_device(camera_info(kUsbSerial));
    ASSERT_NE(instance, nullptr);
    app::raise_event(view->sequenceSettingsRequested, view.get());
    app::raise_event(view->sequenceTimerRequested, view.get());
    FakeSequenceSettingsDock& settings = *docks->sequenceSettings;
    FakeSequenceTimerDock& timer = *docks->sequenceTimer;
    EXPECT_EQ(settings.deviceName, app::utf8_to_wide(kUsbName));
    EXPECT_EQ(timer.buttons, "101");

    // The settings dock's edit reaches the camera's sequence.
    const fs::path folder = settings_folder() / "shots";
    app::SequenceViewData data = settings.viewData;
    data.targetDirectory = app::path_to_wide(folder);
    data.intervallSeconds = 7;
    settings.edit(data);
    EXPECT_EQ(instance->sequence.intervalSeconds(), 7);
    EXPECT_EQ(timer.shown.intervalSeconds, 7);

    app::raise_event(timer.startClicked, &timer);
    ASSERT_TRUE(instance->sequence.isRunning());
    EXPECT_FALSE(settings.enabled);
    EXPECT_EQ(timer.shown.secondsToNext, 7);
    tick();
    EXPECT_EQ(timer.buttons, "011");
    app::raise_event(timer.stopClicked, &timer);
    EXPECT_FALSE(instance->sequence.isRunning());
    EXPECT_TRUE(settings.enabled);
    EXPECT_EQ(timer.shown.secondsToNext, 0); // no countdown left behind

    // Files the run would overwrite, and the user says No: nothing runs and
    // the settings stay editable.
    std::ofstream(instance->sequence.nextFileName()) << "x";
    int asked = 0;
    model->ask_overwrite = [&](std::string, std::string) {
        ++asked;
        return false;
    };
    app::raise_event(timer.startClicked, &timer);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(instance->sequence.isRunning());
    EXPECT_TRUE(settings.enabled);
    EXPECT_TRUE(view->messageBoxes.empty());

    // A folder that cannot be made: the failure is shown, the settings stay
    // editable and the program goes on.
    std::ofstream(settings_folder() / "plain-file") << "x";
    data.targetDirectory = app::path_to_wide(settings_folder() / "plain-file" / "shots");
    settings.edit(data);
    LogCapture log;
    app::raise_event(timer.startClicked, &timer);
    EXPECT_FALSE(instance->sequence.isRunning());
    EXPECT_TRUE(settings.enabled);
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_NE(app::wide_to_utf8(view->messageBoxes[0].text).find("could not be started"), std::string::npos);
    EXPECT_EQ(log.count(spdlog::level::err, "MainViewController::startClicked() failed"), 1);
}

TEST_F(DockControllerTest, TheFiltersEnabledBoxSwitchesTheSelectedFilterAndShowsItsParameters)
{
    makeDockController();
    // Without a camera the dock opens empty and is not wired.
    app::raise_event(view->filterRequested, view.get());
    ASSERT_NE(docks->filter, nullptr);
    EXPECT_TRUE(docks->filter->entries.empty());
    EXPECT_TRUE(docks->filter->enabledChanged.empty());

    openAndShow(kUsbName);
    app::raise_event(view->filterRequested, view.get());
    FakeFilterDock& dock = *docks->filter;
    const auto camera = model->current_controller();
    EXPECT_EQ(dock.entries, camera->filters().filterNames());
    ASSERT_GE(dock.entries.size(), 2u);
    EXPECT_FALSE(dock.entryEnabled);
    EXPECT_TRUE(dock.parameters.empty());

    const std::wstring chosen = dock.entries[1];
    dock.pick(chosen);
    dock.tick(true);
    for (const auto& filter : camera->filters().filters())
        EXPECT_EQ(filter->isEnabled(), filter->name() == chosen) << app::wide_to_utf8(filter->name());
    EXPECT_TRUE(dock.entryEnabled);
    EXPECT_FALSE(dock.parameters.empty());
    EXPECT_EQ(dock.parameters.size(), camera->filters().filters()[1]->parameters().size());

    dock.tick(false);
    EXPECT_FALSE(camera->filters().filters()[1]->isEnabled());
    EXPECT_TRUE(dock.parameters.empty());
}

TEST_F(DockControllerTest, DocksFollowTheSelectedCameraAndCloseWithTheLastOne)
{
    makeDockController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    app::raise_event(view->devicePropertiesRequested, view.get(), std::wstring());
    app::raise_event(view->histogramRequested, view.get());
    app::raise_event(view->sequenceSettingsRequested, view.get());
    app::raise_event(view->sequenceTimerRequested, view.get());
    app::raise_event(view->filterRequested, view.get());
    for (const std::wstring& entry : {kGenICam, kLut, kEvents})
        dialogsEntry(entry)->choose();
    panels.take();
    docks->histogram->states.clear();

    // The user selects the other camera's live view.
    app::raise_event(view->liveViewSelected, view->viewOf(kUsbSerial).get());
    tick();
    const std::vector<std::string> followed = panels.take();
    for (const char* line : {"property setDevice 41000001", "tree show 41000001", "lut setDevice 41000001",
                             "events setDevice 41000001"})
        EXPECT_EQ(std::count(followed.begin(), followed.end(), line), 1) << line;
    EXPECT_EQ(docks->sequenceSettings->deviceName, app::utf8_to_wide(kUsbName));
    EXPECT_EQ(docks->histogram->states.size(), 1u);
    EXPECT_NE(docks->filter, nullptr);

    // Every panel controller runs at every tick.
    const int before = lutPanel.lock()->timeouts;
    tick();
    EXPECT_EQ(lutPanel.lock()->timeouts, before + 1);
    EXPECT_GT(eventsPanel.lock()->timeouts, 0);
    EXPECT_GT(propertyPanel.lock()->timeouts, 0);

    // Closing one of two cameras keeps every dock, showing the other camera.
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    EXPECT_EQ(openNames(), (std::vector<std::string>{kGigeName}));
    tick();
    EXPECT_NE(docks->histogram, nullptr);
    EXPECT_NE(docks->lut, nullptr);
    EXPECT_NE(docks->deviceEvents, nullptr);
    EXPECT_EQ(docks->sequenceSettings->deviceName, app::utf8_to_wide(kGigeName));
    panels.take();

    // Closing the last one closes them all.
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    tick();
    EXPECT_TRUE(openNames().empty());
    EXPECT_EQ(docks->histogram, nullptr);
    EXPECT_EQ(docks->sequenceSettings, nullptr);
    EXPECT_EQ(docks->sequenceTimer, nullptr);
    EXPECT_EQ(docks->filter, nullptr);
    EXPECT_EQ(docks->deviceProperties, nullptr);
    EXPECT_EQ(docks->lut, nullptr);
    EXPECT_EQ(docks->deviceEvents, nullptr);
    const std::vector<std::string> closed = panels.take();
    for (const char* line : {"tree close", "tree released", "property close", "property released",
                             "lut released", "events released"})
        EXPECT_EQ(std::count(closed.begin(), closed.end(), line), 1) << line;
    EXPECT_EQ(docks->listButton("Dialogs"), nullptr);
    EXPECT_EQ(docks->button("ROI"), nullptr);

    // Without a camera the camera docks do not open; the histogram opens empty.
    app::raise_event(view->devicePropertiesRequested, view.get(), std::wstring());
    app::raise_event(view->sequenceTimerRequested, view.get());
    controller->show_property_dialog();
    EXPECT_EQ(docks->deviceProperties, nullptr);
    EXPECT_EQ(docks->sequenceTimer, nullptr);
    app::raise_event(view->histogramRequested, view.get());
    ASSERT_NE(docks->histogram, nullptr);
    EXPECT_TRUE(docks->histogram->states.empty());
    EXPECT_TRUE(panels.take().empty());
}

TEST_F(DockControllerTest, HelpOpensTheBundledPageBesideTheProgram)
{
    auto context = std::make_shared<OpeningContext>();
    application::set_context(context);
    makeDockController();
    app::raise_event(view->helpRequested, view.get());
    application::set_context(nullptr);

    ASSERT_EQ(context->opened.size(), 1u);
    const fs::path page = app::path_from_wide(context->opened[0]);
    EXPECT_EQ(page, fs::read_symlink("/proc/self/exe").parent_path() / "doc" / "Quorel 4.0 Help.html");
    EXPECT_TRUE(fs::is_regular_file(page));
}
