// The last error, the caller-buffer protocols and handle checks.
#include "SimFixture.h"

#include <cstring>

using namespace simtest;

TEST(LibraryInit, EveryCallFailsWithCode5BeforeInit)
{
    vsx_devenum* e = nullptr;
    EXPECT_FALSE(vsx_devenum_create(&e));
    EXPECT_EQ(last_error().code, VSX_ERROR_LIBRARY_NOT_INITIALIZED);
    EXPECT_EQ(last_error().message, "Library not initialized");
    EXPECT_EQ(vsx_pixelformat_tostring(VSX_PIXELFORMAT_MONO8), nullptr);
    EXPECT_EQ(last_error().code, 5);
    vsx_grabber* g = nullptr;
    EXPECT_FALSE(vsx_grabber_create(&g));
    EXPECT_EQ(last_error().code, 5);
    vsx_devenum_unref(nullptr); // accepted, no error change
    vsx_display_unref(nullptr);
    EXPECT_EQ(last_error().code, 5);
}

class Errors : public SimTest {};

TEST_F(Errors, SuccessClearsTheErrorButRefUnrefAndEqualsLeaveIt)
{
    start("gige-color");
    EXPECT_EQ(vsx_pixelformat_tostring(0x12345678u), nullptr);
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_SUPPORTED);
    Info d = devinfo("52000003");
    ASSERT_TRUE(d);
    EXPECT_FALSE(vsx_pixelformat_bpp(0x12345678u));
    vsx_devinfo_ref(d.get());
    vsx_devinfo_unref(d.get());
    EXPECT_FALSE(vsx_devinfo_equals(d.get(), nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_SUPPORTED); // untouched by ref, unref, equals
    EXPECT_STREQ(vsx_pixelformat_tostring(0x01080001u), "Mono8");
    EXPECT_EQ(last_error().code, 0);
    EXPECT_EQ(last_error().message, "");
}

TEST_F(Errors, LastErrorReadNeverChangesTheStoredError)
{
    start("gige-color");
    std::string long_message(300, 'm');
    ASSERT_GT(
        vsxsim_inject_fault(
            (R"({"function": "vsx_grabber_create", "code": 9, "message": ")" + long_message + "\"}").c_str()),
        0);
    vsx_grabber* g = nullptr;
    EXPECT_FALSE(vsx_grabber_create(&g));
    // The wrapper's first try: 256 bytes are too few for 301.
    char small[256];
    size_t size = sizeof small;
    int code = 0;
    EXPECT_FALSE(vsx_get_last_error(&code, small, &size));
    EXPECT_EQ(size, 301u);
    EXPECT_EQ(code, 9);
    std::string text(size, '\0');
    EXPECT_TRUE(vsx_get_last_error(&code, text.data(), &size));
    EXPECT_EQ(std::string(text.c_str()), long_message);
    // Code only, twice: still the same.
    code = 0;
    EXPECT_TRUE(vsx_get_last_error(&code, nullptr, nullptr));
    EXPECT_EQ(code, 9);
}

TEST_F(Errors, StringBuffersAreExactAtTheWrappersFirstTries)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Prop text = find(m.get(), "DiagLongText");
    struct Row {
        size_t length;
        size_t buffer;
        bool first_try_fits;
    };
    for (Row row : {Row{127, 128, true}, Row{128, 128, false}, Row{255, 256, true}, Row{256, 256, false}}) {
        if (row.length > 255)
            continue; // longer than the feature allows
        std::string value(row.length, 'v');
        ASSERT_TRUE(vsx_prop_string_set_value(text.get(), value.data(), value.size()));
        std::vector<char> buf(row.buffer, '#');
        size_t size = buf.size();
        bool ok = vsx_prop_string_get_value(text.get(), buf.data(), &size);
        EXPECT_EQ(ok, row.first_try_fits) << row.length;
        EXPECT_EQ(size, row.length + 1);
        if (!ok) {
            EXPECT_EQ(last_error().code, VSX_ERROR_BUFFER_TOO_SMALL);
            EXPECT_EQ(buf[0], '#'); // nothing written
            buf.assign(size, '#');
            ASSERT_TRUE(vsx_prop_string_get_value(text.get(), buf.data(), &size));
        }
        EXPECT_EQ(std::string(buf.data()), value);
        // Through the map as well, and a null buffer asks for the size.
        size_t needed = 0;
        EXPECT_TRUE(vsx_propmap_get_value_string(m.get(), "DiagLongText", nullptr, &needed));
        EXPECT_EQ(needed, row.length + 1);
    }
    std::string too_long(256, 'x');
    EXPECT_FALSE(vsx_prop_string_set_value(text.get(), too_long.data(), too_long.size()));
    EXPECT_EQ(last_error().code, VSX_ERROR_OUT_OF_RANGE);
}

TEST_F(Errors, NullAndWrongKindHandlesFailWithCode3)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    EXPECT_EQ(vsx_prop_get_type(nullptr), 0);
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(vsx_prop_get_name(reinterpret_cast<vsx_prop*>(m.get())), nullptr);
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(vsx_grabber_is_streaming(reinterpret_cast<vsx_grabber*>(m.get())));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    int64_t v = 0;
    EXPECT_FALSE(vsx_propmap_get_value_int64(nullptr, "Width", &v));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
}

TEST_F(Errors, FaultRulesSkipCountAndMatchIndex)
{
    start();
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_devenum_get_devinfo", "index": 1, "skip": 1, "count": 2,
                                     "code": 4, "message": "gone"})"),
        0);
    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    std::vector<bool> results;
    for (int round = 0; round < 4; ++round) {
        vsx_devinfo* d = nullptr;
        bool ok = vsx_devenum_get_devinfo(e, 1, &d);
        results.push_back(ok);
        vsx_devinfo_unref(d);
        vsx_devinfo* other = nullptr;
        EXPECT_TRUE(vsx_devenum_get_devinfo(e, 0, &other)); // another index is never hit
        vsx_devinfo_unref(other);
    }
    EXPECT_EQ(results, (std::vector<bool>{true, false, false, true}));
    vsxsim_clear_faults();
}
