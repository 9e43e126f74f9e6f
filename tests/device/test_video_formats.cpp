// The device controller's state and everything about what a camera can
// deliver: device check, formats, sizes, frame rates, binning and decimation,
// video norm and input channel, against the simulated cameras.

#include "ControllerCameras.h"
#include "FrameLog.h"
#include "app/Utf8.h"
#include "device/FeatureAccess.h"
#include "device/FormatEnumeration.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

using app::BinningEntry;
using app::Resolution;
using namespace quorel::test;

namespace {

using Sizes = std::vector<Resolution>;

std::string error_text(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

class VideoFormats : public ControllerTest {};

} // namespace

TEST(VideoFormatValues, BinningTextsFollowTheTable)
{
    struct Row {
        BinningEntry entry;
        const char* text;
    };
    const Row rows[] = {
        {{1, 1, BinningEntry::Disabled}, "Disabled"},
        {{1, 1, BinningEntry::Binning}, "Binning Disabled"},
        {{0, 1, BinningEntry::Decimation}, "Decimation Disabled"},
        {{1, 2, BinningEntry::Binning}, "Binning 2x Vertical"},
        {{2, 1, BinningEntry::Binning}, "Binning 2x Horizontal"},
        {{2, 2, BinningEntry::Binning}, "Binning 2x"},
        {{2, 4, BinningEntry::Binning}, "Binning 4x Vertical 2x Horizontal"},
        {{4, 2, BinningEntry::Binning}, "Binning 2x Vertical 4x Horizontal"},
        {{1, 4, BinningEntry::Decimation}, "Decimation 4x Vertical"},
        {{4, 4, BinningEntry::Decimation}, "Decimation 4x"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.entry.text(), row.text);
    EXPECT_EQ(app::VideoFormat::makeText("BayerRG8", 1920, 1080), "BayerRG8 (1920x1080)");
}

// The size a new pixel format or binning takes: the offered one nearest in
// pixel count, also when the nearest lies 10 Mpixel or more away.
TEST(VideoFormatValues, NearestSizeByPixelCount)
{
    using Sizes = std::vector<app::Resolution>;
    struct Row {
        Sizes offered;
        int64_t width, height;
        std::optional<app::Resolution> nearest;
    };
    const Row rows[] = {
        {{{2048, 1536}, {1280, 1024}}, 1920, 1080, app::Resolution{1280, 1024}},
        {{{640, 480}, {480, 640}}, 600, 512, app::Resolution{640, 480}},             // equal: the first
        {{{5472, 3648}}, 640, 480, app::Resolution{5472, 3648}},                     // 19.6 Mpixel away
        {{{160, 120}, {46340, 46341}}, 46341, 46341, app::Resolution{46340, 46341}}, // past 32 bits
        {{}, 1920, 1080, std::nullopt},
    };
    for (const Row& row : rows) {
        const auto nearest = app::nearest_resolution(row.offered, row.width, row.height);
        ASSERT_EQ(nearest.has_value(), row.nearest.has_value()) << row.width << "x" << row.height;
        if (nearest) {
            EXPECT_EQ(*nearest, *row.nearest) << row.width << "x" << row.height;
        }
    }
}

TEST(VideoFormatValues, FrameRateListsAndChoices)
{
    struct Steps {
        double minimum, maximum;
        std::vector<double> rates;
    };
    const Steps steps[] = {
        {1, 30, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 25, 30}},
        {0.5, 60.2, {0.5, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 45, 50, 60, 60.2}},
        {30, 30, {30}},
        {2.5, 7.5, {2.5, 3, 4, 5, 6, 7, 7.5}},
        {1, 120, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 12, 14,  16, 18,
                  20, 25, 30, 35, 40, 45, 50, 60, 70, 80, 90, 100, 120}},
        {1, 1.0 / 0.0, {}},
    };
    for (const Steps& row : steps)
        EXPECT_EQ(app::framerate_steps(row.minimum, row.maximum), row.rates)
            << row.minimum << ".." << row.maximum;

    EXPECT_EQ(app::preferred_framerate({7.5, 15, 30}), 15);
    EXPECT_EQ(app::preferred_framerate({100, 200}), 200);
    EXPECT_EQ(app::preferred_framerate({}), 0);
    EXPECT_EQ(app::nearest_framerate({10, 20, 25, 35}, 30), 25); // the first of equal distances
    EXPECT_EQ(app::nearest_framerate({}, 42), 42);

    EXPECT_EQ(app::parse_decimal("12.5"), 12.5);
    EXPECT_EQ(app::parse_decimal(" 7.5 fps"), 7.5);
    EXPECT_THROW(app::parse_decimal("fast"), std::invalid_argument);
    EXPECT_THROW(app::parse_decimal("1e999"), std::out_of_range);
}

TEST_F(VideoFormats, DeviceCheckTexts)
{
    EXPECT_EQ(error_text([&] { controller->checkDevice(); }), "vsx::Grabber is NULL.");
    EXPECT_FALSE(controller->isDeviceOpen());
    EXPECT_EQ(controller->pixelType(), kyrgx::PixelFormat::NONE);
    EXPECT_EQ(controller->framerate(), -1.0);

    open(kUsbColor);
    EXPECT_NO_THROW(controller->checkDevice());
    EXPECT_TRUE(controller->isDeviceOpen());
    EXPECT_EQ(controller->uniqueName(), "QU3-C13B-41000001");

    controller->closeDevice();
    EXPECT_EQ(error_text([&] { controller->checkDevice(); }), "no device open.");
    EXPECT_EQ(error_text([&] { controller->binningTexts(); }), "no device open.");
    EXPECT_EQ(error_text([&] { controller->setVideoformat("BayerRG8", 640, 480); }), "no device open.");
}

// Formats sorted by depth, the sizes of the deepest format, and the default
// choice, on each built-in camera the tests can open.
TEST_F(VideoFormats, FormatsSizesAndDefaultPerCamera)
{
    struct Row {
        const char* serial;
        std::vector<std::string> names;
        app::VideoFormat defaults;
        Sizes sizes; // of the default format
        kyrgx::PixelFormat display;
    };
    const Row rows[] = {
        {kUsbColor,
         {"BayerRG8", "BayerRG12p", "BayerRG16"},
         {1280, 960, "BayerRG16", ""},
         {{160, 120}, {320, 240}, {640, 480}, {1024, 768}, {1032, 768}, {1280, 720}, {1280, 960}},
         kyrgx::PixelFormat::RGB64},
        {kUsbMono,
         {"Mono8", "Mono12p", "Mono12", "Mono16"}, // equal depths keep the camera's order
         {2592, 1944, "Mono16", ""},
         {{160, 120},
          {320, 240},
          {640, 480},
          {1024, 768},
          {1280, 720},
          {1280, 960},
          {1600, 1200},
          {1920, 1080},
          {2048, 1536},
          {2560, 1920},
          {2592, 1944}},
         kyrgx::PixelFormat::MONO16},
        {kGigeColor,
         {"BayerGR8", "BayerGR12", "YCbCr422_8", "BGR8", "BGRa8"},
         {1440, 1080, "BGRa8", ""},
         {{160, 120},
          {320, 240},
          {640, 480},
          {1024, 768},
          {1032, 768},
          {1280, 720},
          {1280, 960},
          {1440, 1080}},
         kyrgx::PixelFormat::RGB32},
        {kAnalog,
         {"Mono8", "YUV422_8"},
         {720, 480, "YUV422_8", ""},
         {{320, 240}, {640, 240}, {640, 480}, {720, 240}, {720, 480}, {720, 288}},
         kyrgx::PixelFormat::YUV422},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        open(row.serial);
        ASSERT_TRUE(controller->hasPixelformats());
        EXPECT_EQ(controller->pixelformatNames(), row.names);
        const std::string before = device_value(*controller, "PixelFormat");
        const std::string rateBefore = device_value(*controller, "AcquisitionFrameRate");

        const app::VideoFormat defaults = controller->defaultVideoformat();
        EXPECT_EQ(defaults.pixelformat, row.defaults.pixelformat);
        EXPECT_EQ(defaults.width, row.defaults.width);
        EXPECT_EQ(defaults.height, row.defaults.height);
        EXPECT_EQ(defaults.text, "");
        // Listing other formats' sizes leaves the camera as it was.
        EXPECT_EQ(device_value(*controller, "PixelFormat"), before);
        EXPECT_EQ(device_value(*controller, "AcquisitionFrameRate"), rateBefore);
        EXPECT_EQ(controller->resolutions(row.defaults.pixelformat), row.sizes);

        controller->setVideoformat(defaults.pixelformat, defaults.width, defaults.height);
        controller->setFramerate(controller->defaultFramerate());
        const app::VideoFormat now = controller->videoformat();
        EXPECT_EQ(now.text, app::VideoFormat::makeText(row.defaults.pixelformat, row.defaults.width,
                                                       row.defaults.height));
        EXPECT_EQ(device_value(*controller, "PixelFormat"), row.defaults.pixelformat);
        EXPECT_EQ(device_value(*controller, "Width"), std::to_string(row.defaults.width));
        EXPECT_EQ(device_value(*controller, "Height"), std::to_string(row.defaults.height));
        EXPECT_EQ(controller->pixelType(), row.display);
        EXPECT_EQ(controller->resolutions(now.pixelformat), row.sizes);
        controller->closeDevice();
    }
}

TEST_F(VideoFormats, FrameRatesOfFloatAndEnumerationFeatures)
{
    open(kUsbColor);
    controller->setVideoformat("BayerRG16", 1280, 960);
    // 350 MB/s over 1280 x 960 x 2 bytes is more than the camera's cap of 120.
    EXPECT_EQ(controller->framerates(), app::framerate_steps(1, 120));
    EXPECT_EQ(controller->defaultFramerate(), 12); // the first rate within 5 of a preferred one
    controller->setFramerate(60);
    EXPECT_EQ(controller->framerate(), 60);
    EXPECT_EQ(device_value(*controller, "AcquisitionFrameRate"), "60");
    controller->closeDevice();

    open(kAnalog);
    EXPECT_EQ(controller->framerate(), 30); // read from the selected entry's display name
    EXPECT_EQ(controller->framerates(), (std::vector<double>{30, 25, 15, 12.5, 7.5}));
    EXPECT_EQ(controller->defaultFramerate(), 30);
    controller->setFramerate(12.5);
    EXPECT_EQ(device_value(*controller, "AcquisitionFrameRate"), "Rate12_5");
    EXPECT_EQ(controller->framerate(), 12.5);
}

TEST_F(VideoFormats, FormatChangeKeepsTheNearestRate)
{
    open(kUsbMono);
    controller->setVideoformat("Mono8", 2592, 1944);
    controller->setFramerate(60);
    // Mono16 at full size allows about 34.7 frames per second over USB.
    controller->setVideoformat("Mono16", 2592, 1944);
    const std::vector<double> rates = controller->framerates();
    ASSERT_FALSE(rates.empty());
    EXPECT_LT(rates.back(), 60);
    EXPECT_EQ(controller->framerate(), rates.back());
    EXPECT_EQ(app::parse_decimal(device_value(*controller, "AcquisitionFrameRate")), rates.back());
}

TEST_F(VideoFormats, RefusedFormatsAndCameraWithoutSupportedFormats)
{
    open(kGigeColor);
    controller->setVideoformat("BGRa8", 1280, 960);
    EXPECT_EQ(error_text([&] { controller->setVideoformat("RGB8", 640, 480); }),
              "Videoformat is not available.");
    EXPECT_EQ(controller->videoformat().text, "BGRa8 (1280x960)");
    EXPECT_EQ(device_value(*controller, "PixelFormat"), "BGRa8");
    controller->closeDevice();

    EXPECT_EQ(error_text([&] { open(kUnsupported); }), "No videoformats.");
    EXPECT_TRUE(controller->isDeviceOpen()); // the caller releases it
    EXPECT_FALSE(controller->hasPixelformats());
}

// Listing another format's sizes used to leave the camera in that format while
// the controller still named the old one; the stream then ran in the wrong one.
TEST_F(VideoFormats, ListingAnotherFormatKeepsTheCamerasFormat)
{
    open(kGigeColor);
    controller->setVideoformat("BGRa8", 1440, 1080);
    const Sizes bayer = controller->resolutions("BayerGR8");
    EXPECT_FALSE(bayer.empty());
    EXPECT_EQ(device_value(*controller, "PixelFormat"), "BGRa8");
    controller->setVideoformat("BGRa8", 1280, 720);
    EXPECT_EQ(device_value(*controller, "PixelFormat"), "BGRa8");
    EXPECT_EQ(controller->pixelType(), kyrgx::PixelFormat::RGB32);
    EXPECT_EQ(controller->resolutions("BGRa8").size(), 8u);

    // The current format's sizes come from the cache; another format's always
    // from the camera.
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_propmap_find_integer", "feature": "Width", "count": -1})"),
        0);
    EXPECT_EQ(controller->resolutions("BGRa8").size(), 8u);
    EXPECT_THROW(controller->resolutions("BGR8"), vsx::VSXException);
    vsxsim_clear_faults();
}

// The size member follows what the camera has, also when the camera changed
// behind the controller's back.
TEST_F(VideoFormats, SizeMembersFollowTheCamera)
{
    open(kGigeColor);
    controller->setVideoformat("BGRa8", 1280, 960);
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "Width", "640"));
    controller->setVideoformat("BGRa8", 1280, 960);
    EXPECT_EQ(device_value(*controller, "Width"), "1280");
    EXPECT_EQ(controller->videoformat().width, 1280);

    // A size the camera refuses: the width step fails with the operation's name.
    const std::string text = error_text([&] { controller->setVideoformat("BGRa8", 1283, 960); });
    EXPECT_EQ(text.rfind("set_videoformat: ", 0), 0u) << text;
    EXPECT_EQ(controller->videoformat().width, std::stoll(device_value(*controller, "Width")));
}

TEST_F(VideoFormats, FilterSupportIsAnnouncedWhenItFlips)
{
    open(kGigeColor);
    EXPECT_NO_THROW(controller->setVideoformat("BGRa8", 640, 480)); // no handler yet: nothing to call
    EXPECT_TRUE(controller->filters().formatsSupported());

    int raised = 0;
    controller->onFilterSupportChanged = [&](app::VideoDeviceController* c) {
        EXPECT_EQ(c, controller.get());
        ++raised;
    };
    struct Step {
        const char* format;
        bool supported;
        int raisedSoFar;
    };
    const Step steps[] = {
        {"BGR8", true, 0}, {"YCbCr422_8", false, 1}, {"BayerGR8", true, 2}, {"BGRa8", true, 2}};
    for (const Step& step : steps) {
        controller->setVideoformat(step.format, 640, 480);
        EXPECT_EQ(controller->filters().formatsSupported(), step.supported) << step.format;
        EXPECT_EQ(raised, step.raisedSoFar) << step.format;
    }
}

TEST_F(VideoFormats, FeatureQueries)
{
    struct Row {
        const char* serial;
        bool lutEnable, eventSelector, binning, videonorm;
    };
    const Row rows[] = {
        {kUsbColor, false, false, false, false},
        {kUsbMono, true, false, true, false},
        {kGigeColor, true, true, false, false},
        {kAnalog, false, false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        open(row.serial);
        EXPECT_EQ(controller->hasLutEnable(), row.lutEnable);
        EXPECT_EQ(controller->hasEventSelector(), row.eventSelector);
        EXPECT_EQ(controller->hasBinning(), row.binning);
        EXPECT_EQ(controller->hasVideonorm(), row.videonorm);
        EXPECT_EQ(controller->hasInputchannel(), row.videonorm);
        EXPECT_TRUE(controller->hasFramerate());
        EXPECT_TRUE(controller->hasProperty("Width"));
        EXPECT_FALSE(controller->hasProperty("width")); // exact, case-sensitive
        controller->closeDevice();
    }
}

TEST_F(VideoFormats, PropertyItemsAreBuiltOncePerOpen)
{
    int builds = 0;
    auto owner = std::make_shared<int>(0);
    app::VideoDeviceController::setPropertyItemsBuilder([&](const std::shared_ptr<vsx::Grabber>& grabber) {
        EXPECT_EQ(grabber, controller->grabber());
        ++builds;
        // Stand-ins for the panel layer's items: only their lifetime matters here.
        return app::VideoDeviceController::PropertyItemList{std::shared_ptr<VSXUtil::PropertyItem>(
            owner, reinterpret_cast<VSXUtil::PropertyItem*>(owner.get()))};
    });
    open(kUsbColor);
    const auto first = controller->getPropertyItems();
    const auto second = controller->getPropertyItems();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].lock(), second[0].lock());
    EXPECT_EQ(builds, 1);
    controller->closeDevice();
    EXPECT_EQ(owner.use_count(), 1); // the cache let go of it

    open(kUsbColor);
    controller->getPropertyItems();
    EXPECT_EQ(builds, 2);
    app::VideoDeviceController::setPropertyItemsBuilder(nullptr);
}

TEST_F(VideoFormats, BinningChoicesPerCameraStyle)
{
    struct Row {
        const char* serial;
        std::vector<std::string> texts;
    };
    const Row rows[] = {
        {kUsbMono,
         {"Disabled", "Binning 2x Vertical", "Binning 4x Vertical", "Binning 2x Horizontal", "Binning 2x",
          "Binning 4x Vertical 2x Horizontal", "Binning 4x Horizontal", "Binning 2x Vertical 4x Horizontal",
          "Binning 4x", "Decimation 2x Vertical", "Decimation 2x Horizontal", "Decimation 2x"}},
        {kBinningOnly,
         {"Binning Disabled", "Binning 2x Vertical", "Binning 4x Vertical", "Binning 2x Horizontal",
          "Binning 2x", "Binning 4x Vertical 2x Horizontal", "Binning 4x Horizontal",
          "Binning 2x Vertical 4x Horizontal", "Binning 4x"}},
        {kHorizontalOnly, {"Binning Disabled", "Binning 2x Horizontal", "Binning 4x Horizontal"}},
        {kLinked, {"Binning Disabled", "Binning 2x"}}, // square factors only
        {kAnalog, {"Binning Disabled", "Binning 2x"}}, // from the "Binning" enumeration
        {kGigeColor, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        open(row.serial);
        EXPECT_EQ(controller->binningTexts(), row.texts);
        EXPECT_EQ(controller->binningText(), row.texts.empty() ? "Disabled" : row.texts.front());
        // The probe leaves the camera's factors as they were.
        for (const char* feature : {"BinningHorizontal", "BinningVertical", "DecimationHorizontal"}) {
            if (controller->hasProperty(feature)) {
                EXPECT_EQ(device_value(*controller, feature), "1") << feature;
            }
        }
        controller->closeDevice();
    }
}

// A failure in the middle of the probe used to leave the camera at whatever
// combination it was trying.
TEST_F(VideoFormats, ProbeRestoresTheCameraWhenItFails)
{
    LogCapture log;
    // The fourth vertical write fails while the horizontal factor is 2 and
    // the vertical one still 4.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_integer_set_value", "feature": "BinningVertical",
                                      "serial": "41000002", "skip": 3, "count": 1, "code": 5,
                                      "message": "gone"})"),
              0);
    open(kUsbMono);
    EXPECT_EQ(log.count(spdlog::level::err, "enumerate_binning_values: gone"), 1);
    EXPECT_EQ(device_value(*controller, "BinningHorizontal"), "1");
    EXPECT_EQ(device_value(*controller, "BinningVertical"), "1");
    controller->closeDevice();

    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_enumentry_get_int_value", "serial": "63000097",
                                      "skip": 1, "count": 1, "message": "entry unreadable"})"),
              0);
    open(kAnalogBinned);
    EXPECT_EQ(log.count(spdlog::level::err, "enumerate_binning_values: entry unreadable"), 1);
    EXPECT_EQ(device_value(*controller, "Binning"), "2x2");
}

TEST_F(VideoFormats, BinningKeepsTheFieldOfView)
{
    open(kUsbMono);
    controller->setVideoformat("Mono16", 2592, 1944);
    struct Step {
        const char* text;
        int64_t width, height;
        const char* binning;
        const char* decimation;
    };
    const Step steps[] = {
        {"Binning 2x", 1296, 972, "2", "1"},
        {"Decimation 2x", 1296, 972, "1", "2"}, // binning goes back to 1 first
        {"Disabled", 2592, 1944, "1", "1"},
        {"Binning 4x", 640, 484, "4", "1"}, // the camera's own maximum at 4x: 648 x 486 on its grid
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        controller->setBinningSkippingValue(step.text);
        EXPECT_EQ(controller->binningText(), step.text);
        EXPECT_EQ(controller->videoformat().width, step.width);
        EXPECT_EQ(controller->videoformat().height, step.height);
        EXPECT_EQ(device_value(*controller, "Width"), std::to_string(step.width));
        EXPECT_EQ(device_value(*controller, "BinningHorizontal"), step.binning);
        EXPECT_EQ(device_value(*controller, "DecimationVertical"), step.decimation);
    }
    const Sizes binned = controller->resolutions("Mono16");
    EXPECT_EQ(binned.back(), Resolution(640, 484));

    // A text no choice has is ignored.
    EXPECT_NO_THROW(controller->setBinningSkippingValue("Binning 3x"));
    EXPECT_EQ(controller->binningText(), "Binning 4x");

    // The camera keeps its factors while powered: opened again, the
    // controller starts from the choice the camera is at.
    controller->closeDevice();
    open(kUsbMono);
    EXPECT_EQ(controller->binningText(), "Binning 4x");
    EXPECT_EQ(controller->resolutions(controller->videoformat().pixelformat), binned);
}

TEST_F(VideoFormats, RefusedBinningIsReportedAndNotTaken)
{
    struct Row {
        const char* serial;
        int64_t width, height;
        const char* fault;
        const char* kept;    // the choice before
        const char* feature; // on the camera, back where it was
        const char* featureValue;
    };
    const Row rows[] = {
        {kUsbMono, 2592, 1944,
         R"({"function": "vsx_propmap_set_value_int64", "feature": "BinningVertical", "count": 1, "code": 7,
             "message": "Binning is locked"})",
         "Disabled", "BinningHorizontal", "1"},
        {kAnalog, 640, 480,
         R"({"function": "vsx_prop_enum_set_value", "feature": "Binning", "count": 1, "code": 7,
             "message": "Binning is locked"})",
         "Binning Disabled", "Binning", "Off"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        open(row.serial);
        controller->setVideoformat("Mono8", row.width, row.height);
        ASSERT_GT(vsxsim_inject_fault(row.fault), 0);
        EXPECT_EQ(error_text([&] { controller->setBinningSkippingValue("Binning 2x"); }),
                  "setBinningSkippingValue: Binning is locked");
        EXPECT_EQ(controller->binningText(), row.kept);
        EXPECT_EQ(device_value(*controller, row.feature), row.featureValue);
        EXPECT_EQ(controller->videoformat().width, row.width);
        controller->closeDevice();
    }
}

// A camera whose maximum stays the sensor size: the controller divides it.
TEST_F(VideoFormats, SensorSizedMaximumIsDividedByTheBinning)
{
    open(kFullSensor);
    controller->setVideoformat("Mono8", 2592, 1944);
    controller->setBinningSkippingValue("Binning 2x");
    const Sizes sizes = controller->resolutions("Mono8");
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), Resolution(1296, 972));
    EXPECT_EQ(controller->videoformat().width, 1296);
}

// The analogue camera offers its binning as a "Binning" enumeration. Only the
// integer factor features used to be written, so the camera went on sending an
// unbinned crop at the reduced size, and the choice was lost with the state.
TEST_F(VideoFormats, BinningFromTheEnumerationReachesTheCamera)
{
    const std::filesystem::path dir = make_temp_dir("enum-binning");
    const std::wstring statePath = app::path_to_wide(dir / "QAN-V1_63000005.json");
    open(kAnalog);
    controller->setVideoformat("Mono8", 640, 480);
    const auto widthMaximum = [&] {
        return controller->grabber()->devicePropertyMap().findInteger("Width").maximum();
    };
    EXPECT_EQ(widthMaximum(), 720);

    controller->setBinningSkippingValue("Binning 2x");
    EXPECT_EQ(device_value(*controller, "Binning"), "2x2");
    EXPECT_EQ(widthMaximum(), 360) << "the camera bins: its image is half as wide";
    EXPECT_EQ(controller->binningText(), "Binning 2x");
    EXPECT_EQ(controller->videoformat().text, "Mono8 (320x240)");
    EXPECT_EQ(device_value(*controller, "Width"), "320");
    EXPECT_EQ(controller->resolutions("Mono8"), (Sizes{{320, 240}}));

    FrameLog frames;
    frames.attach(*controller);
    controller->startLive();
    vsxsim_step(kAnalog, 1);
    ASSERT_TRUE(frames.waitFor(1));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(frames.at(0).descriptor.width, 320u);
    EXPECT_EQ(frames.at(0).descriptor.height, 240u);

    // The focus region is given in sensor pixels: twice the image point.
    controller->startAutoFocus({100, 50});
    EXPECT_EQ(device_value(*controller, "Focus_Left"), "136");
    EXPECT_EQ(device_value(*controller, "Focus_Bottom"), "164");
    controller->stopLive();

    // Saved, changed and loaded again: the choice comes back, on the camera too.
    controller->save_device_state(statePath);
    controller->setBinningSkippingValue("Binning Disabled");
    EXPECT_EQ(device_value(*controller, "Binning"), "Off");
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
    controller->load_device_state(statePath);
    EXPECT_EQ(controller->binningText(), "Binning 2x");
    EXPECT_EQ(device_value(*controller, "Binning"), "2x2");
    EXPECT_EQ(controller->videoformat().text, "Mono8 (320x240)");

    // Opened again, the controller starts from the choice the camera is at.
    controller->closeDevice();
    open(kAnalog);
    EXPECT_EQ(controller->binningText(), "Binning 2x");
    EXPECT_EQ(controller->videoformat().text, "Mono8 (320x240)");
}

TEST_F(VideoFormats, VideoNormAndInputChannel)
{
    open(kAnalog);
    EXPECT_EQ(controller->videonorms(), (std::vector<std::string>{"NTSC M", "PAL B"}));
    EXPECT_EQ(controller->inputchannels(), (std::vector<std::string>{"Composite", "S-Video"}));
    EXPECT_EQ(controller->videonorm(), "NTSC M");
    controller->setVideoformat("YUV422_8", 720, 480);

    controller->set_videonorm("PAL B");
    EXPECT_EQ(controller->videonorm(), "PAL B");
    controller->setVideoformat("YUV422_8", 768, 576);
    // Back to NTSC: the sizes are listed afresh for the norm, so 768 x 576
    // becomes 720 x 480 instead of a width the camera refuses.
    controller->set_videonorm("NTSC M");
    EXPECT_EQ(controller->videoformat().text, "YUV422_8 (720x480)");
    EXPECT_EQ(device_value(*controller, "Height"), "480");

    controller->set_inputchannel("S-Video");
    EXPECT_EQ(controller->inputchannel(), "S-Video");
    EXPECT_EQ(error_text([&] { controller->set_inputchannel("HDMI"); }),
              "set_enum_value: value does not exist: HDMI");
    EXPECT_EQ(controller->nearestVideoformat("YUV422_8", 700, 500).text, "");
    EXPECT_EQ(controller->nearestVideoformat("YUV422_8", 700, 500).width, 720);
    EXPECT_EQ(controller->nearestVideoformat("RGB8", 700, 500).pixelformat, "");
    controller->closeDevice();

    open(kGigeColor);
    EXPECT_TRUE(controller->videonorms().empty());
    EXPECT_EQ(error_text([&] { controller->videonorm(); }).rfind("videonorm: ", 0), 0u);
}
