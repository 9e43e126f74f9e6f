// Choosing cameras: the built-in set, VSXSIM_CAMERAS, VSXSIM_CONFIG, run-time configuration.
#include "SimFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

using namespace simtest;

class Config : public SimTest {
protected:
    std::vector<std::string> serials()
    {
        std::vector<std::string> out;
        vsx_devenum* e = nullptr;
        EXPECT_TRUE(vsx_devenum_create(&e));
        Enum owned(e);
        for (int i = 0; i < vsx_devenum_get_device_count(e); ++i) {
            vsx_devinfo* d = nullptr;
            if (vsx_devenum_get_devinfo(e, i, &d)) {
                out.emplace_back(vsx_devinfo_get_serial(d));
                vsx_devinfo_unref(d);
            }
        }
        return out;
    }

    // Starts the library with its warnings and errors in a file of their own.
    void start_logged(const std::string& cameras, const std::string& config, const std::string& faults = "")
    {
        log_path_ = temp_dir() + "/vsxsim.log";
        start_log_ = log_path_;
        start_faults_ = faults;
        start(cameras, "fast", config);
        start_log_.clear();
        start_faults_.clear();
    }

    void stop() { SimTest::TearDown(); }

    std::string log_text() const
    {
        std::ifstream in(log_path_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string log_path_;
};

const std::vector<std::string> kBuiltInSerials = {"41000001", "41000002", "52000003", "52000004", "63000005"};

TEST_F(Config, CamerasVariablePicksBuiltInsAndSkipsUnknownIds)
{
    start("analog, usb-color,no-such-camera");
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000001", "63000005"}));
}

TEST_F(Config, ConfigFileExtendsTheDefaultsWithPowerOnValuesAndRemovedFeatures)
{
    std::string dir = temp_dir();
    std::string path = dir + "/cameras.json";
    std::ofstream(path) << R"({"extends": "default",
        "interfaces": [{"id": "gige1", "tlType": 1, "displayName": "GigE Vision eth-sim1",
                        "subnets": [["10.1.0.1", "255.255.0.0"]]}],
        "cameras": [{"id": "cam1", "template": "gige-color", "interface": "gige1", "serial": "52000099",
                     "ip": "10.1.0.9", "mask": "255.255.0.0", "rowPadding": 12,
                     "features": {"ExposureTime": 5000, "DeviceUserID": "left"},
                     "remove": ["LUTSelector"], "sensor": "wrong type"}]})";
    start("", "fast", path);
    auto list = serials();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list.back(), "52000099");
    Grabber g = open("52000099");
    Map m = device_map(g.get());
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "5000");
    EXPECT_EQ(get_text(m.get(), "DeviceUserID"), "left");
    EXPECT_EQ(get_int(m.get(), "Width"), 1440); // the bad 'sensor' kept the template's
    vsx_prop* p = nullptr;
    EXPECT_FALSE(vsx_propmap_find(m.get(), "LUTSelector", &p));
    EXPECT_STREQ(vsx_devinfo_get_unique_name(devinfo("52000099").get()), "QGE-C16X-52000099");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(listener.wait_frames(1));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_EQ(listener.pitch(), 1440u * 4 + 12);
}

TEST_F(Config, RuntimeConfigurationReplacesTheSetAndAMalformedOneChangesNothing)
{
    start("usb-color");
    EXPECT_FALSE(vsxsim_configure("{ not json"));
    EXPECT_EQ(last_error().code, VSX_ERROR_FILE_FORMAT);
    EXPECT_FALSE(vsxsim_configure(R"({"cameras": 5})"));
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000001"}));
    ASSERT_TRUE(vsxsim_configure(R"({"cameras": [{"template": "analog"}, {"template": "usb-mono16"},
                                                 {"template": "usb-color", "serial": "41000002"}]})"));
    // Interface order, then device order; the duplicate serial is dropped.
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000002", "63000005"}));
}

TEST_F(Config, SensorScaleShrinksEverySensor)
{
    setenv("VSXSIM_SENSOR_SCALE", "0.25", 1);
    setenv("VSXSIM_DETERMINISTIC", "1", 1);
    setenv("VSXSIM_CAMERAS", "usb-mono16", 1);
    unsetenv("VSXSIM_CONFIG");
    vsx_init_config cfg{2, 0, 1, nullptr};
    ASSERT_TRUE(vsx_init_library(&cfg));
    started_ = true;
    unsetenv("VSXSIM_SENSOR_SCALE");
    Grabber g = open("41000002");
    Map m = device_map(g.get());
    EXPECT_EQ(get_int(m.get(), "SensorWidth"), 640);
    EXPECT_EQ(get_int(m.get(), "SensorHeight"), 480);
}

// Cameras without an "id" are told apart by their serial numbers: three cameras
// of one template stay three, and a template camera with a serial number of its
// own is added to the built-in set rather than replacing the template's camera.
TEST_F(Config, CamerasWithoutIdsAreToldApartByTheirSerialNumbers)
{
    start("", "fast",
          R"({"cameras": [{"template": "usb-color", "serial": "1"}, {"template": "usb-color", "serial": "2"},
                          {"template": "usb-color", "serial": "3"}]})");
    EXPECT_EQ(serials(), (std::vector<std::string>{"1", "2", "3"}));
    vsxsim_shutdown();
    started_ = false;

    // The README's example.
    start("", "fast",
          R"({"extends": "default", "cameras": [{"template": "gige-color", "serial": "52000099",
                                                   "features": {"ExposureTime": 5000}}]})");
    auto with_added = kBuiltInSerials;
    with_added.insert(with_added.begin() + 4, "52000099");
    EXPECT_EQ(serials(), with_added);
    Grabber g = open("52000099");
    EXPECT_EQ(get_text(device_map(g.get()).get(), "ExposureTime"), "5000");
    g.reset();
    vsxsim_shutdown();
    started_ = false;

    // Listing a template without a serial number of its own still changes the built-in camera.
    start(
        "", "fast",
        R"({"extends": "default", "cameras": [{"template": "gige-color", "features": {"ExposureTime": 4000}}]})");
    EXPECT_EQ(serials(), kBuiltInSerials);
    g = open("52000003");
    EXPECT_EQ(get_text(device_map(g.get()).get(), "ExposureTime"), "4000");
}

// Unknown pixel formats are left out; a camera left with none is refused with
// the configuration's log line, and the other cameras come up.
TEST_F(Config, ACameraWithOnlyUnknownPixelFormatsIsRefused)
{
    const char* config =
        R"({"cameras": [{"template": "usb-color", "serial": "1", "pixelFormats": ["Foo"]},
                        {"template": "usb-color", "serial": "2", "pixelFormats": ["Foo", "Mono8", 7]}]})";
    start_logged("", config);
    EXPECT_EQ(serials(), std::vector<std::string>{"2"});
    const std::string log = log_text();
    EXPECT_NE(log.find("configuration: camera 'serial 1' has no known pixel format; skipped"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("camera serial 2: unknown pixel format 'Foo' is skipped"), std::string::npos) << log;
    {
        Grabber g = open("2");
        Map m = device_map(g.get());
        EXPECT_EQ(get_text(m.get(), "PixelFormat"), "Mono8");
        Listener listener;
        ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
        ASSERT_TRUE(listener.wait_frames(1));
        ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    }
    ASSERT_TRUE(vsxsim_configure(config));
    EXPECT_EQ(serials(), std::vector<std::string>{"2"});
}

// VSXSIM_CONFIG and VSXSIM_FAULTS name small regular files: FIFOs, devices,
// folders and huge files are refused at once with a log line, and the library
// starts as without them.
TEST_F(Config, SourceFilesMustBeSmallRegularFiles)
{
    const std::string dir = temp_dir();
    const std::string fifo = dir + "/cameras.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir + "/huge.json";
    {
        std::ofstream out(huge, std::ios::binary);
        out << R"({"cameras": [{"template": "usb-color"}]})" << std::string((9u << 20), ' ');
    }
    const struct {
        const char* variable;
        std::string path;
        const char* reason;
    } rows[] = {
        {"VSXSIM_CONFIG", fifo, "not a regular file"}, {"VSXSIM_CONFIG", "/dev/zero", "not a regular file"},
        {"VSXSIM_CONFIG", dir, "it is a folder"},      {"VSXSIM_CONFIG", huge, "larger than 8 MiB"},
        {"VSXSIM_FAULTS", fifo, "not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.variable) + " " + row.path);
        const bool config = std::string(row.variable) == "VSXSIM_CONFIG";
        start_logged("", config ? row.path : "", config ? "" : row.path);
        EXPECT_EQ(serials(), kBuiltInSerials);
        const std::string log = log_text();
        EXPECT_NE(log.find(std::string(row.variable) + ": Cannot read '" + row.path + "': " + row.reason),
                  std::string::npos)
            << log;
        stop();
    }
}

// Every JSON reader of the library takes nesting up to 64 levels and refuses
// deeper input with its usual error, never recursing over the input's depth.
TEST_F(Config, EveryReaderBoundsTheNestingOfItsJson)
{
    const std::string dir = temp_dir();
    auto nested = [](size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    auto camera_set = [&](size_t depth) {
        return R"({"cameras": [{"template": "usb-color"}], "note": )" + nested(depth - 1) + "}";
    };
    auto fault_rule = [&](size_t depth) {
        return R"({"function": "vsx_devenum_create", "count": 1, "note": )" + nested(depth - 1) + "}";
    };
    auto devenum_fails = [] {
        vsx_devenum* e = nullptr;
        const bool created = vsx_devenum_create(&e);
        if (created)
            vsx_devenum_unref(e);
        return !created;
    };
    // Each reader takes a document nested `depth` levels and tells whether it was taken.
    const struct {
        const char* reader;
        std::function<bool(size_t)> takes;
    } readers[] = {
        {"VSXSIM_CONFIG",
         [&](size_t depth) {
             start_logged("", camera_set(depth));
             const bool taken = serials() == std::vector<std::string>{"41000001"};
             if (!taken) {
                 EXPECT_NE(log_text().find("VSXSIM_CONFIG: The camera configuration is nested deeper than 64 "
                                           "levels; the built-in cameras are used"),
                           std::string::npos)
                     << log_text();
             }
             stop();
             return taken;
         }},
        {"vsxsim_configure",
         [&](size_t depth) {
             start("usb-mono16");
             const bool taken = vsxsim_configure(camera_set(depth).c_str());
             if (!taken) {
                 EXPECT_EQ(last_error().code, VSX_ERROR_FILE_FORMAT);
             }
             stop();
             return taken;
         }},
        {"VSXSIM_FAULTS",
         [&](size_t depth) {
             start_logged("usb-color", "", fault_rule(depth));
             const bool taken = devenum_fails();
             if (!taken) {
                 EXPECT_NE(log_text().find("VSXSIM_FAULTS: the rules are nested deeper than 64 levels"),
                           std::string::npos)
                     << log_text();
             }
             stop();
             return taken;
         }},
        {"vsxsim_inject_fault",
         [&](size_t depth) {
             start("usb-color");
             const bool taken = vsxsim_inject_fault(fault_rule(depth).c_str()) > 0;
             if (!taken) {
                 EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
             }
             EXPECT_EQ(devenum_fails(), taken);
             stop();
             return taken;
         }},
        {"property file",
         [&](size_t depth) {
             start("usb-color");
             const std::string path = dir + "/deep.json";
             std::ofstream(path, std::ios::binary)
                 << R"({"format": "vsxsim-property-map", "version": 1, "map": "device", "features": [], "note": )"
                 << nested(depth - 1) << "}";
             bool taken = false;
             {
                 Grabber g = open("41000001");
                 taken = vsx_propmap_deserialize_from_fileW(device_map(g.get()).get(), wide(path).c_str());
                 if (!taken) {
                     EXPECT_EQ(last_error().code, VSX_ERROR_FILE_FORMAT);
                 }
             }
             stop();
             return taken;
         }},
    };
    for (const auto& reader : readers) {
        for (size_t depth : {size_t{64}, size_t{65}, size_t{100000}}) {
            SCOPED_TRACE(std::string(reader.reader) + " at depth " + std::to_string(depth));
            EXPECT_EQ(reader.takes(depth), depth <= 64);
        }
    }
}
