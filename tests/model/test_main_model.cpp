// The application model against the simulated cameras (manual clock): what it
// raises when cameras open, close, switch, get lost or stall, the colour pick,
// the failures it mends, and its answers without a camera.

#include "ModelCameras.h"
#include "device/FrameLog.h"
#include "support/LogCapture.h"

#include <chrono>
#include <functional>
#include <thread>

using namespace quorel::test;

namespace {

// Rows whose expected line ends in '*' match any line starting with the rest.
void expect_lines(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    ASSERT_EQ(actual.size(), expected.size()) << ::testing::PrintToString(actual);
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string& e = expected[i];
        if (!e.empty() && e.back() == '*')
            EXPECT_EQ(actual[i].rfind(e.substr(0, e.size() - 1), 0), 0u) << actual[i];
        else
            EXPECT_EQ(actual[i], e);
    }
}

bool wait_until(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST_F(ModelTest, EventSequencesOfOpeningClosingSwitchingAndLosingCameras)
{
    struct Row {
        const char* name;
        std::vector<const char*> opened; // in this order; the last one is selected
        std::function<void(ModelTest&)> act;
        std::vector<std::string> events;
        std::string selected;
        std::vector<std::string> remaining;
    };
    const Row rows[] = {
        {"opening announces, then selects",
         {},
         [](ModelTest& t) { t.open(kUsbName); },
         {"opened QU3-C13B-41000001", "selected QU3-C13B-41000001"},
         kUsbName,
         {kUsbName}},
        {"closing the selected of three selects the smallest unique name",
         {kUsbName, kAnalogName, kGigeName},
         [](ModelTest& t) { t.model->close_device(); },
         {"closing QGE-C16X-52000003", "closed QGE-C16X-52000003", "selected QAN-V1:63000005"},
         kAnalogName,
         {kAnalogName, kUsbName}},
        {"closing another camera keeps the selection",
         {kUsbName, kGigeName},
         [](ModelTest& t) { t.model->close_device_by_info(camera_info(kUsbSerial), true, true); },
         {"closing QU3-C13B-41000001", "closed QU3-C13B-41000001"},
         kGigeName,
         {kGigeName}},
        {"closing the last camera selects none",
         {kUsbName},
         [](ModelTest& t) { t.model->close_device(); },
         {"closing QU3-C13B-41000001", "closed QU3-C13B-41000001", "selected none"},
         "none",
         {}},
        {"an unplugged camera is reported and closed on one tick",
         {kUsbName, kGigeName},
         [](ModelTest& t) {
             ASSERT_TRUE(vsxsim_plug(kGigeSerial, false));
             ASSERT_TRUE(vsxsim_flush(5000));
             ASSERT_TRUE(wait_until([&] { return t.model->current_controller()->isDeviceLost(); }));
             t.model->tick();
             ASSERT_TRUE(vsxsim_plug(kGigeSerial, true));
         },
         {"lost QGE-C16X-52000003", "closing QGE-C16X-52000003", "closed QGE-C16X-52000003",
          "selected QU3-C13B-41000001"},
         kUsbName,
         {kUsbName}},
        {"a switch opens the new camera in place of the selected one",
         {kUsbName},
         [](ModelTest& t) { EXPECT_TRUE(t.model->switch_device(app::utf8_to_wide(kGigeName))); },
         {"selected QGE-C16X-52000003", "closing QU3-C13B-41000001"},
         kGigeName,
         {kGigeName}},
        {"a failed switch keeps the old camera",
         {kGigeName, kUsbName},
         [](ModelTest& t) {
             EXPECT_FALSE(t.model->switch_device(L"No such camera"));
             EXPECT_FALSE(t.model->switch_device(app::utf8_to_wide(kGigeName))); // already open
         },
         {"open_failed QGE-C16X-52000003: *"},
         kUsbName,
         {kGigeName, kUsbName}},
        {"selecting the selected camera again raises nothing",
         {kUsbName, kGigeName},
         [](ModelTest& t) {
             t.model->select_device(camera_info(kGigeSerial));
             t.model->select_device(camera_info(kUsbSerial));
         },
         {"selected QU3-C13B-41000001"},
         kUsbName,
         {kGigeName, kUsbName}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TearDown();
        SetUp();
        for (const char* name : row.opened)
            open(name);
        events->take();
        row.act(*this);
        expect_lines(events->take(), row.events);
        EXPECT_EQ(selected(), row.selected);
        EXPECT_EQ(openNames(), row.remaining);
    }
}

TEST_F(ModelTest, AStalledStreamIsReportedOncePerStall)
{
    std::atomic<int64_t> now{0};
    auto controller = std::make_shared<app::VideoDeviceController>();
    controller->setClock([&] { return now.load(); });
    auto grabber = std::make_shared<vsx::Grabber>();
    grabber->deviceOpen(camera_info(kUsbSerial));
    controller->openGrabber(grabber);
    ASSERT_TRUE(model->open_device(controller, true));
    model->select_device(controller->deviceInfo());
    model->start();
    events->take();

    // No frame comes (the clock is manual): more than 5000 ms make one report.
    for (int64_t t : {1000, 4000, 5001, 6000, 10002, 20000}) {
        now = t;
        model->tick();
    }
    EXPECT_EQ(events->take(), (std::vector<std::string>{"no_images QU3-C13B-41000001"}));

    // Starting the stream again arms the check again.
    model->stop();
    model->start();
    now = 26000;
    model->tick();
    EXPECT_EQ(events->take(), (std::vector<std::string>{"no_images QU3-C13B-41000001"}));
}

TEST_F(ModelTest, AvailableCamerasLeaveOutEveryOpenSerialNumber)
{
    auto available = [&] {
        std::vector<std::string> names;
        for (const std::wstring& name : model->available_devices())
            names.push_back(app::wide_to_utf8(name));
        return names;
    };
    const std::vector<std::string> all = available();
    EXPECT_NE(std::find(all.begin(), all.end(), kAnalogName), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), kOddName), all.end());

    open(kAnalogName);
    std::vector<std::string> expected = all;
    expected.erase(std::find(expected.begin(), expected.end(), kAnalogName));
    EXPECT_EQ(available(), expected);

    // The same camera under another unique name is still the open camera.
    const std::string renamed = std::string(R"({"extends": "default", "cameras": [
        {"template": "analog", "serial": "63000005", "uniqueName": "QAN-V1 renamed"}]})");
    ASSERT_TRUE(vsxsim_configure(renamed.c_str()));
    ASSERT_EQ(camera_info(kAnalogSerial).uniqueName(), "QAN-V1 renamed");
    for (const std::string& name : available())
        EXPECT_EQ(name.find("QAN-V1"), std::string::npos) << name;
}

TEST_F(ModelTest, WithoutACameraOperationsLogAndQueriesThrow)
{
    LogCapture log;
    struct Row {
        const char* text;
        std::function<void(app::MainModel&)> call;
    };
    const Row rows[] = {
        {"MainModel::close_device() failed: No device selected.",
         [](app::MainModel& m) { m.close_device(); }},
        {"MainModel::close_device() failed: No device selected.",
         [](app::MainModel& m) { EXPECT_FALSE(m.switch_device(L"x")); }},
        {"MainModel::start() failed: No device selected.", [](app::MainModel& m) { m.start(); }},
        {"MainModel::stop() failed: No device selected.", [](app::MainModel& m) { m.stop(); }},
        {"MainModel::pause_resume() failed: No device selected.",
         [](app::MainModel& m) { EXPECT_TRUE(m.pause_resume()); }},
        {"MainModel::set_framerate() failed: No device selected.",
         [](app::MainModel& m) { m.set_framerate(5); }},
        {"MainModel::set_inputchannel() failed: No device selected.",
         [](app::MainModel& m) { m.set_inputchannel("S-Video"); }},
        {"MainModel::set_videoformat() failed: No device selected.",
         [](app::MainModel& m) {
             m.set_videoformat("Mono8", {640, 480});
         }},
        {"MainModel::set_videonorm() failed: No device selected.",
         [](app::MainModel& m) { m.set_videonorm("PAL"); }},
        {"MainModel::set_BinningMode() failed: No device selected.",
         [](app::MainModel& m) { m.set_BinningMode("2x2"); }},
        {"MainModel::snap_image() failed: No device selected.",
         [](app::MainModel& m) { EXPECT_EQ(m.snap_image().data, nullptr); }},
        {"MainModel::startAutoFocus() failed: No device selected.",
         [](app::MainModel& m) { m.startAutoFocus(); }},
        {"MainModel::startAutoFocus() failed: No device selected.",
         [](app::MainModel& m) { m.startAutoFocus(true); }},
        {"MainModel::select_device() failed: Device 'QU3-C13B-41000001' is not availabale.",
         [](app::MainModel& m) { m.select_device(camera_info(kUsbSerial)); }},
    };
    for (const Row& row : rows) {
        log.clear();
        row.call(*model);
        EXPECT_EQ(log.texts(spdlog::level::err), (std::vector<std::string>{row.text}));
    }

    auto message = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { model->current_controller(); }), "Device does not exist.");
    EXPECT_EQ(message([&] { model->view_transform(); }), "No device selected");
    EXPECT_EQ(message([&] { model->selected_grabber(); }), "No device selected");
    EXPECT_FALSE(model->has_selected_device());
    EXPECT_EQ(model->selected_file_stem(), L"");
    EXPECT_EQ(model->histogram_of(camera_info(kUsbSerial)), nullptr);
    EXPECT_TRUE(events->take().empty());
}

TEST_F(ModelTest, ColourPicksOfTheSelectedCamera)
{
    open(kGigeName);
    open(kUsbName);
    model->start();
    model->select_device(camera_info(kGigeSerial));
    model->start();
    events->take();

    // A live camera answers on the first tick after its next frame, and again
    // after every later frame; another camera's frames do not count.
    model->pick_color(camera_info(kGigeSerial), {3.9f, -0.5f});
    model->tick();
    deliver(kUsbSerial, 2);
    model->tick();
    EXPECT_TRUE(events->take().empty());
    deliver(kGigeSerial, 1);
    model->tick();
    model->tick();
    expect_lines(events->take(), {"color 3,0 *"});
    deliver(kGigeSerial, 1);
    model->tick();
    expect_lines(events->take(), {"color 3,0 *"});

    // A paused camera answers at once from its paused frame.
    const auto gige = model->current_controller();
    {
        StepOnSnap step(*gige, kGigeSerial);
        EXPECT_FALSE(model->pause_resume());
    }
    ASSERT_TRUE(gige->isPaused());
    model->pick_color(camera_info(kGigeSerial), {10.0f, 12.0f});
    const auto c = gige->pixelColor(10, 12);
    EXPECT_EQ(events->take(), (std::vector<std::string>{"color 10,12 " + std::to_string(c[0]) + "," +
                                                        std::to_string(c[1]) + "," + std::to_string(c[2])}));
    EXPECT_TRUE(model->pause_resume());
}

// A plug-in that throws in its frame hook (reached through frame_received)
// used to cost every frame its colour pick and its sequence capture.
TEST_F(ModelTest, AFailingFrameSubscriberLeavesThePickAndIsLoggedOnceASecond)
{
    open(kUsbName);
    model->frame_received.push_back(
        [](app::IViewBase*, app::VideoDeviceController*, kyr_kelvane::image_descriptor) {
            throw std::runtime_error("plug-in frame hook failed");
        });
    model->start();
    model->pick_color(camera_info(kUsbSerial), {1.0f, 1.0f});
    events->take();
    LogCapture log;
    deliver(kUsbSerial, 3);
    model->tick();
    expect_lines(events->take(), {"color 1,1 *"});
    EXPECT_EQ(log.count(spdlog::level::err, "MainModel::on_image() failed: plug-in frame hook failed"), 1);
    EXPECT_EQ(log.count(spdlog::level::err), 1);
}

// A camera that failed to get its defaults or to be announced used to stay
// open and selected while no view knew it.
TEST_F(ModelTest, ACameraThatFailsToInstallIsClosedAndForgotten)
{
    open(kGigeName);
    events->take();
    LogCapture log;

    // Failing defaults: the frame rate cannot be written once.
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_prop_float_set_value", "feature": "AcquisitionFrameRate",
                                      "count": 1, "code": 7, "message": "busy"})"),
        0);
    EXPECT_FALSE(model->open_device_by_name(app::utf8_to_wide(kUsbName), true));
    expect_lines(events->take(), {"open_failed set_framerate: *"});
    EXPECT_EQ(log.count(spdlog::level::err, "MainModel::open_device: set_framerate: "), 1);
    EXPECT_EQ(selected(), kGigeName);
    EXPECT_EQ(openNames(), (std::vector<std::string>{kGigeName}));

    // Failing announcement: whoever heard of the camera hears it close.
    model->device_opened.push_back([](app::IViewBase*, std::shared_ptr<app::VideoDeviceController>) {
        throw std::runtime_error("no live view");
    });
    EXPECT_FALSE(model->open_device_by_name(app::utf8_to_wide(kUsbName), true));
    EXPECT_EQ(events->take(),
              (std::vector<std::string>{"opened QU3-C13B-41000001", "closed QU3-C13B-41000001",
                                        "open_failed no live view"}));
    EXPECT_EQ(selected(), kGigeName);
    EXPECT_EQ(openNames(), (std::vector<std::string>{kGigeName}));

    // The camera was closed: it opens again.
    model->device_opened.pop_back();
    open(kUsbName);
    EXPECT_EQ(selected(), kUsbName);
}

TEST_F(ModelTest, DefaultsForANewCameraAndTheStateFileAfterwards)
{
    open(kOddName);
    auto controller = model->current_controller();
    const app::VideoFormat defaults = controller->defaultVideoformat();
    const app::VideoFormat current = controller->videoformat();
    EXPECT_EQ(current.pixelformat, defaults.pixelformat);
    EXPECT_EQ(current.width, defaults.width);
    EXPECT_EQ(current.height, defaults.height);
    EXPECT_EQ(controller->framerate(), controller->defaultFramerate());

    model->set_videoformat("Mono8", {32, 32});
    const std::string chosen = controller->videoformat().text;
    ASSERT_EQ(chosen, "Mono8 (32x32)");
    model->close_device();
    controller.reset();

    open(kOddName);
    EXPECT_EQ(model->current_controller()->videoformat().text, chosen);
}

TEST_F(ModelTest, SettersRestartALiveStream)
{
    open(kOddName);
    model->start();
    const auto controller = model->current_controller();
    model->set_videoformat("Mono8", {64, 48});
    EXPECT_TRUE(controller->isLive());
    EXPECT_EQ(controller->videoformat().pixelformat, "Mono8");
    // A refused value reaches the caller and leaves the stream stopped.
    EXPECT_THROW(model->set_videoformat("Purple", {64, 48}), std::exception);
    EXPECT_FALSE(controller->isLive());
}
