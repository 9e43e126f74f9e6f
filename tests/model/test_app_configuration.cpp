// "configuration.json": the exact text written at exit, the cameras reopened
// in order with their view transforms at start, every kind of broken file
// refused without a half-opened camera, and the main controller's wiring.

#include "ModelCameras.h"
#include "app/Localization.h"
#include "app/TextFile.h"
#include "model/MainViewController.h"
#include "support/FakeMainView.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

class Configuration : public ModelTest {
protected:
    fs::path file() const { return settings_folder() / "configuration.json"; }
    std::string read() const
    {
        std::ifstream in(file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void write(const std::string& text) const
    {
        fs::create_directories(settings_folder());
        std::ofstream(file(), std::ios::binary) << text;
    }
    std::shared_ptr<app::VideoDeviceController> controllerOf(const char* name) const
    {
        for (const auto& entry : model->devices())
            if (entry.second->controller()->uniqueName() == name)
                return entry.second->controller();
        return nullptr;
    }
    std::vector<std::string> opened()
    {
        std::vector<std::string> out;
        for (const std::string& line : events->take())
            if (line.rfind("opened ", 0) == 0 || line.rfind("closed ", 0) == 0)
                out.push_back(line);
        return out;
    }
};

// One "devices" entry with the transform given as JSON text.
std::string entry(const std::string& name, const std::string& scroll)
{
    return R"({"name": ")" + name + R"(", "scrollZoom": )" + scroll + "}";
}

const std::string kPlain =
    R"({"zoom": 1.0, "rotation": 0.0, "horizontal_flip": false, "vertical_flip": false})";

std::string file_with(const std::string& devices)
{
    return R"({"application-settings": {"devices": [)" + devices + R"(], "image_directory": "/bilder"}})";
}

} // namespace

TEST_F(Configuration, WritesTheCamerasInLiveViewOrderWithTheirTransforms)
{
    open(kUsbName);
    open(kGigeName);
    controllerOf(kUsbName)->viewTransform = {1.2f, 90.0f, true, false};
    controllerOf(kGigeName)->viewTransform = {1.0f, 0.0f, false, true};
    model->set_live_view_order({controllerOf(kGigeName)->deviceInfo(), controllerOf(kUsbName)->deviceInfo()});
    model->image_directory = L"/data/Bilder \u00fc";
    model->close_all_devices();

    EXPECT_EQ(read(), u8R"({
    "application-settings": {
        "devices": [
            {
                "name": "QGE-C16X-52000003",
                "scrollZoom": {
                    "horizontal_flip": true,
                    "rotation": 0.0,
                    "vertical_flip": false,
                    "zoom": 1.0
                }
            },
            {
                "name": "QU3-C13B-41000001",
                "scrollZoom": {
                    "horizontal_flip": false,
                    "rotation": 90.0,
                    "vertical_flip": true,
                    "zoom": 1.2000000476837158
                }
            }
        ],
        "image_directory": "/data/Bilder ü"
    }
})");
    EXPECT_TRUE(model->devices().empty());
}

TEST_F(Configuration, WithoutCamerasItHoldsAnEmptyListAndThePicturesFolder)
{
    model->close_all_devices();
    const std::string pictures = app::wide_to_utf8(app::get_known_folder(app::kFolderPictures));
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(
        read(),
        "{\n    \"application-settings\": {\n        \"devices\": [],\n        \"image_directory\": \"" +
            pictures + "\"\n    }\n}");
    EXPECT_EQ(app::wide_to_utf8(model->image_directory), pictures);
}

// A camera open without a place in the live-view order (its view not placed
// yet) is still written, after the ordered ones.
TEST_F(Configuration, CamerasMissingFromTheOrderFollowInNameOrder)
{
    open(kUsbName);
    open(kAnalogName);
    open(kGigeName);
    model->set_live_view_order({controllerOf(kUsbName)->deviceInfo()});
    model->close_all_devices();
    const nlohmann::json written = nlohmann::json::parse(read());
    std::vector<std::string> names;
    for (const auto& device : written["application-settings"]["devices"])
        names.push_back(device["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{kUsbName, kAnalogName, kGigeName}));
}

TEST_F(Configuration, ReopensTheCamerasInOrderWithTheirTransformsAndStartsThem)
{
    write(
        R"({"application-settings": {"image_directory": 17, "devices": [)" +
        entry(kGigeName, R"({"zoom": 2, "rotation": 270, "horizontal_flip": true, "vertical_flip": false})") +
        ", " + entry("qu3-c13b-41000001", kPlain) + ", " + entry("NOT-CONNECTED", kPlain) + ", " +
        entry(kUsbName,
              R"({"zoom": 0.5, "rotation": 90.5, "horizontal_flip": false, "vertical_flip": true})") +
        "]}}");
    model->image_directory = L"/kept";
    LogCapture log;
    model->load_application_settings();

    EXPECT_EQ(opened(), (std::vector<std::string>{"opened QGE-C16X-52000003", "opened QU3-C13B-41000001"}));
    EXPECT_EQ(openNames(), (std::vector<std::string>{kGigeName, kUsbName}));
    EXPECT_EQ(selected(), kUsbName);
    EXPECT_EQ(model->image_directory, L"/kept"); // not a string: ignored
    const app::ViewTransform gige = controllerOf(kGigeName)->viewTransform;
    EXPECT_EQ(gige.zoom, 2.0f);
    EXPECT_EQ(gige.rotation, 270.0f);
    EXPECT_TRUE(gige.flipHorizontal);
    EXPECT_FALSE(gige.flipVertical);
    const app::ViewTransform usb = controllerOf(kUsbName)->viewTransform;
    EXPECT_EQ(usb.zoom, 0.5f);
    EXPECT_EQ(usb.rotation, 90.5f);
    EXPECT_TRUE(usb.flipVertical);
    EXPECT_TRUE(controllerOf(kGigeName)->isLive());
    EXPECT_TRUE(controllerOf(kUsbName)->isLive());
    EXPECT_EQ(log.count(spdlog::level::warn), 0);

    // What is read is what the next exit writes.
    model->set_live_view_order({controllerOf(kGigeName)->deviceInfo(), controllerOf(kUsbName)->deviceInfo()});
    model->close_all_devices();
    const nlohmann::json written = nlohmann::json::parse(read());
    EXPECT_EQ(written["application-settings"]["devices"][0]["scrollZoom"]["rotation"], 270.0);
    EXPECT_EQ(written["application-settings"]["devices"][1]["name"], kUsbName);
}

// A listed camera that is not there at start, opened later in the session,
// gets the view the file keeps for it, and the next exit writes it again.
TEST_F(Configuration, ACameraOpenedLaterGetsItsListedTransform)
{
    write(file_with(entry(
        kGigeName, R"({"zoom": 2.5, "rotation": 90, "horizontal_flip": false, "vertical_flip": true})")));
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, false));
    model->load_application_settings();
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, true));
    EXPECT_TRUE(openNames().empty());

    open(kGigeName);
    const app::ViewTransform shown = controllerOf(kGigeName)->viewTransform;
    EXPECT_EQ(shown.zoom, 2.5f);
    EXPECT_EQ(shown.rotation, 90.0f);
    EXPECT_FALSE(shown.flipHorizontal);
    EXPECT_TRUE(shown.flipVertical);

    // Closed and opened again: as it was left.
    controllerOf(kGigeName)->viewTransform.rotation = 180.0f;
    model->close_device();
    open(kGigeName);
    EXPECT_EQ(controllerOf(kGigeName)->viewTransform.rotation, 180.0f);
    EXPECT_EQ(controllerOf(kGigeName)->viewTransform.zoom, 2.5f);
    model->close_all_devices();
    const nlohmann::json written = nlohmann::json::parse(read());
    EXPECT_EQ(written["application-settings"]["devices"][0]["scrollZoom"]["rotation"], 180.0);
    EXPECT_EQ(written["application-settings"]["devices"][0]["scrollZoom"]["zoom"], 2.5);
}

TEST_F(Configuration, ABrokenFileOrEntryOpensNothingOfIt)
{
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"malformed", "{\"application-settings\": {"},
        {"empty", ""},
        {"array root", "[1, 2]"},
        {"single value root", "42"},
        {"settings not an object", R"({"application-settings": [1]})"},
        {"devices a single value", R"({"application-settings": {"devices": 5}})"},
        {"entry not an object", file_with("7")},
        // Copying so deep an entry used to recurse until the stack ran out.
        {"an entry nested past any real file",
         file_with(std::string(1000000, '[') + std::string(1000000, ']'))},
        {"name not a string", file_with(R"({"name": 5, "scrollZoom": )" + kPlain + "}")},
        {"no name", file_with(R"({"scrollZoom": )" + kPlain + "}")},
        {"no scrollZoom", file_with(R"({"name": ")" + std::string(kUsbName) + R"("})")},
        {"flip written as 0",
         file_with(
             entry(kUsbName, R"({"zoom": 1, "rotation": 0, "horizontal_flip": 0, "vertical_flip": false})"))},
        {"zoom a string",
         file_with(entry(
             kUsbName, R"({"zoom": "2", "rotation": 0, "horizontal_flip": false, "vertical_flip": false})"))},
        {"rotation missing",
         file_with(entry(kUsbName, R"({"zoom": 1, "horizontal_flip": false, "vertical_flip": false})"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write(c.text);
        LogCapture log;
        EXPECT_NO_THROW(model->load_application_settings());
        EXPECT_EQ(log.count(spdlog::level::warn, "load_application_settings error: "), 1);
        EXPECT_TRUE(openNames().empty());
        EXPECT_TRUE(opened().empty());
    }
}

// Entries before a broken one stay open and running; the broken one opens
// nothing, the ones after it are not read.
TEST_F(Configuration, ReadingStopsAtABrokenEntryKeepingTheCamerasBeforeIt)
{
    write(file_with(
        entry(kAnalogName, kPlain) + ", " +
        entry(kUsbName, R"({"zoom": 1, "rotation": 0, "horizontal_flip": false, "vertical_flip": 1})") +
        ", " + entry(kGigeName, kPlain)));
    LogCapture log;
    model->load_application_settings();
    EXPECT_EQ(openNames(), (std::vector<std::string>{kAnalogName}));
    EXPECT_TRUE(controllerOf(kAnalogName)->isLive());
    EXPECT_EQ(log.count(spdlog::level::warn, "load_application_settings error: "), 1);
}

TEST_F(Configuration, ACameraWhoseAnnouncementFailsIsClosedAgain)
{
    write(file_with(entry(kUsbName, kPlain) + ", " + entry(kGigeName, kPlain)));
    model->device_opened.push_back([](app::IViewBase*, std::shared_ptr<app::VideoDeviceController> c) {
        if (c->uniqueName() == kUsbName)
            throw std::runtime_error("no live view for it");
    });
    LogCapture log;
    model->load_application_settings();
    EXPECT_TRUE(openNames().empty());
    EXPECT_EQ(selected(), "none");
    EXPECT_EQ(opened(), (std::vector<std::string>{"opened QU3-C13B-41000001", "closed QU3-C13B-41000001"}));
    EXPECT_EQ(log.count(spdlog::level::warn, "load_application_settings error: no live view for it"), 1);
}

TEST_F(Configuration, AbsurdZoomAndRotationAreReplacedAndLogged)
{
    write(file_with(entry(
        kUsbName, R"({"zoom": -3, "rotation": 1e300, "horizontal_flip": false, "vertical_flip": false})")));
    LogCapture log;
    model->load_application_settings();
    ASSERT_EQ(openNames(), (std::vector<std::string>{kUsbName}));
    EXPECT_EQ(controllerOf(kUsbName)->viewTransform.zoom, 1.0f);
    EXPECT_EQ(controllerOf(kUsbName)->viewTransform.rotation, 0.0f);
    EXPECT_EQ(log.count(spdlog::level::warn, "is taken as"), 2);
}

TEST_F(Configuration, WhatIsNoRegularFileIsRefusedAtOnceOpeningNothing)
{
    fs::create_directories(settings_folder());
    const auto names = [&] {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(settings_folder()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    };
    for (const auto& row : hostile_cases()) {
        SCOPED_TRACE(row.name);
        make_hostile(file(), row, file_with(entry(kUsbName, kPlain)), app::kSettingsFileLimit);
        const std::vector<std::string> before = names();
        LogCapture log;
        finishes_promptly([&] { model->load_application_settings(); }, {file()});
        EXPECT_EQ(log.count(spdlog::level::warn,
                            "load_application_settings error: " + hostile_message(file(), row)),
                  1);
        EXPECT_TRUE(openNames().empty());
        EXPECT_TRUE(opened().empty());
        EXPECT_EQ(names(), before);
        fs::remove_all(file());
    }
}

TEST_F(Configuration, AMissingFileIsSilent)
{
    LogCapture log;
    model->load_application_settings();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(openNames().empty());
}

// The main controller reads the file on the window's first load only and
// writes it when the window closes.
TEST_F(Configuration, TheMainWindowsFirstLoadReadsItAndItsCloseWritesIt)
{
    const auto data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    Localization::loadLanguage(L"en-US");
    write(file_with(entry(
        kUsbName, R"({"zoom": 3, "rotation": 180, "horizontal_flip": false, "vertical_flip": false})")));
    auto view = std::make_shared<FakeMainView>();
    MainViewController controller(view, model);
    app::raise_event(view->loaded, view.get());
    app::raise_event(view->loaded, view.get());
    EXPECT_EQ(opened(), (std::vector<std::string>{"opened QU3-C13B-41000001"}));

    fs::remove(file());
    app::raise_event(view->closing, view.get());
    const nlohmann::json written = nlohmann::json::parse(read());
    EXPECT_EQ(written["application-settings"]["devices"][0]["name"], kUsbName);
    EXPECT_EQ(written["application-settings"]["devices"][0]["scrollZoom"]["zoom"], 3.0);
    EXPECT_EQ(written["application-settings"]["image_directory"], "/bilder");
    EXPECT_TRUE(model->devices().empty());
}
