// Property-map files, and the checks in front of the image and video writers.
#include "SimFixture.h"

#include <filesystem>
#include <fstream>

using namespace simtest;

class Files : public SimTest {};

TEST_F(Files, PropertyMapRoundTripRestoresEveryWritableFeature)
{
    start("gige-color,usb-color");
    std::string dir = temp_dir();
    std::wstring path = wide(dir + "/QGE-C16X-52000003.json");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "PixelFormat", "BGRa8");
    set_int(m.get(), "Width", 800);
    set_int(m.get(), "OffsetX", 320);
    set_text(m.get(), "Gain", "3.5");
    set_text(m.get(), "BalanceRatioSelector", "Blue");
    set_text(m.get(), "BalanceRatio", "1.75");
    set_text(m.get(), "BalanceRatioSelector", "Green");
    set_text(m.get(), "ExposureTime", "12345");
    set_text(m.get(), "ExposureAuto", "Continuous");
    set_text(m.get(), "LUTSelector", "Green"); // an index beyond the other tables' ranges
    set_int(m.get(), "LUTIndex", 400);
    set_int(m.get(), "LUTValue", 1000);
    set_text(m.get(), "LUTSelector", "Blue");
    set_int(m.get(), "LUTIndex", 9);
    set_int(m.get(), "LUTValue", 111);
    set_text(m.get(), "DiagLongText", "hello");
    ASSERT_TRUE(vsx_propmap_serialize_to_fileW(m.get(), path.c_str())) << last_error().message;

    // Change everything, then load.
    set_text(m.get(), "ExposureAuto", "Off");
    set_text(m.get(), "PixelFormat", "BayerGR8");
    set_int(m.get(), "Width", 1440);
    set_text(m.get(), "Gain", "0");
    set_text(m.get(), "BalanceRatioSelector", "Blue");
    set_text(m.get(), "BalanceRatio", "1");
    set_text(m.get(), "ExposureTime", "10000");
    set_text(m.get(), "LUTSelector", "Blue");
    set_int(m.get(), "LUTValue", 0);
    set_text(m.get(), "LUTSelector", "Green");
    set_int(m.get(), "LUTValue", 5);
    set_int(m.get(), "LUTIndex", 0);
    set_text(m.get(), "LUTSelector", "Red");
    set_text(m.get(), "DiagLongText", "");
    ASSERT_TRUE(vsx_propmap_deserialize_from_fileW(m.get(), path.c_str())) << last_error().message;
    EXPECT_EQ(get_text(m.get(), "PixelFormat"), "BGRa8");
    EXPECT_EQ(get_int(m.get(), "Width"), 800);
    EXPECT_EQ(get_int(m.get(), "OffsetX"), 320);
    EXPECT_EQ(get_text(m.get(), "Gain"), "3.5");
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "12345"); // written before its auto switch
    EXPECT_EQ(get_text(m.get(), "ExposureAuto"), "Continuous");
    EXPECT_EQ(get_text(m.get(), "BalanceRatioSelector"), "Green"); // selectors come back last
    set_text(m.get(), "BalanceRatioSelector", "Blue");
    EXPECT_EQ(get_text(m.get(), "BalanceRatio"), "1.75");
    EXPECT_EQ(get_text(m.get(), "LUTSelector"), "Blue");
    set_int(m.get(), "LUTIndex", 9);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 111);
    set_text(m.get(), "LUTSelector", "Green");
    EXPECT_EQ(get_int(m.get(), "LUTIndex"), 400);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 1000);
    EXPECT_EQ(get_text(m.get(), "DiagLongText"), "hello");

    // Another model's file: unknown features are skipped, the rest applies.
    Grabber a = open("41000001");
    Map am = device_map(a.get());
    EXPECT_FALSE(vsx_propmap_deserialize_from_fileW(am.get(), path.c_str()) == false);
    EXPECT_EQ(get_text(am.get(), "Gain"), "3.5");
}

TEST_F(Files, BrokenPropertyFilesChangeNothing)
{
    start("gige-color");
    std::string dir = temp_dir();
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    struct Row {
        const char* name;
        const char* content; // null: no file
        int code;
    };
    for (Row row :
         {Row{"missing.json", nullptr, VSX_ERROR_FILE_IO},
          Row{"malformed.json", "{ \"format\": ", VSX_ERROR_FILE_FORMAT},
          Row{"wrong-format.json", R"({"format": "other", "version": 1, "map": "device", "features": []})",
              VSX_ERROR_FILE_FORMAT},
          Row{"wrong-map.json",
              R"({"format": "vsxsim-property-map", "version": 1, "map": "writer",
                            "features": [{"name": "Gain", "value": 9}]})",
              VSX_ERROR_FILE_FORMAT}}) {
        std::string path = dir + "/" + row.name;
        if (row.content)
            std::ofstream(path) << row.content;
        EXPECT_FALSE(vsx_propmap_deserialize_from_fileW(m.get(), wide(path).c_str())) << row.name;
        EXPECT_EQ(last_error().code, row.code) << row.name;
    }
    EXPECT_EQ(get_text(m.get(), "Gain"), "0");
    std::wstring unwritable = wide(dir + "/no/such/folder/state.json");
    EXPECT_FALSE(vsx_propmap_serialize_to_fileW(m.get(), unwritable.c_str()));
    EXPECT_EQ(last_error().code, VSX_ERROR_FILE_IO);
    // The target is replaced atomically: no temporary file stays behind.
    std::wstring good = wide(dir + "/state.json");
    ASSERT_TRUE(vsx_propmap_serialize_to_fileW(m.get(), good.c_str()));
    size_t files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        files += entry.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(files, 0u);
}

TEST_F(Files, WrappedBuffersAndWritersCheckTheirArguments)
{
    start("gige-color");
    std::vector<uint8_t> pixels(64 * 8 * 4, 0x80);
    vsx_image_type type{VSX_PIXELFORMAT_BGRA8, 64, 8};
    vsx_imagebuffer* b = nullptr;
    EXPECT_FALSE(vsx_imagebuffer_wrap_memory(&b, pixels.data(), pixels.size(), 100, &type, nullptr, nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER); // pitch below a row
    EXPECT_FALSE(vsx_imagebuffer_wrap_memory(&b, pixels.data(), 100, 256, &type, nullptr, nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER); // size below pitch x height
    vsx_image_type unknown{0x12345678u, 64, 8};
    EXPECT_FALSE(
        vsx_imagebuffer_wrap_memory(&b, pixels.data(), pixels.size(), 256, &unknown, nullptr, nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_SUPPORTED);
    static int released = 0;
    ASSERT_TRUE(vsx_imagebuffer_wrap_memory(
        &b, pixels.data(), pixels.size(), 256, &type, [](void* ctx) { ++*static_cast<int*>(ctx); },
        &released));
    Buffer buffer(b);
    EXPECT_EQ(vsx_imagebuffer_get_ptr(b), pixels.data());
    EXPECT_EQ(vsx_imagebuffer_get_pitch(b), 256u);

    std::string dir = temp_dir();
    wchar_t bad_path[] = {L'/', static_cast<wchar_t>(0xD800), 0};
    EXPECT_FALSE(vsx_imagebuffer_save_as_pngW(b, bad_path, nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(vsx_imagebuffer_save_as_pngW(b, nullptr, nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    std::vector<uint8_t> yuv(64 * 8 * 2);
    vsx_image_type yuv_type{VSX_PIXELFORMAT_YCBCR422_8, 64, 8};
    vsx_imagebuffer* yb = nullptr;
    ASSERT_TRUE(vsx_imagebuffer_wrap_memory(&yb, yuv.data(), yuv.size(), 128, &yuv_type, nullptr, nullptr));
    Buffer yuv_buffer(yb);
    EXPECT_FALSE(vsx_imagebuffer_save_as_bmpW(yb, wide(dir + "/x.bmp").c_str(), nullptr));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_SUPPORTED);

    // Writer: types, no file begun, features locked while a file is open.
    vsx_videowriter* w = nullptr;
    EXPECT_FALSE(vsx_videowriter_create(2, &w));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(vsx_videowriter_create(1, &w));
    Writer writer(w);
    EXPECT_TRUE(vsx_videowriter_finish_file(w)); // nothing begun: success
    EXPECT_FALSE(vsx_videowriter_add_frame(w, b));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_STATE);
    EXPECT_FALSE(vsx_videowriter_begin_fileW(w, wide(dir + "/video.avi").c_str(), &type, 30.0));
    EXPECT_EQ(last_error().code, VSX_ERROR_ENCODER); // H.265 does not go into AVI
    vsx_propmap* wm = nullptr;
    ASSERT_TRUE(vsx_videowriter_get_property_map(w, &wm));
    Map writer_map(wm);
    EXPECT_EQ(get_int(wm, "BitRate"), 5000);
    EXPECT_EQ(get_int(wm, "BitRateAuto"), 1);
    EXPECT_FALSE(vsx_propmap_set_value_int64(wm, "BitRate", 10));
    EXPECT_EQ(last_error().code, VSX_ERROR_OUT_OF_RANGE);
    buffer.reset();
    EXPECT_EQ(released, 1);
}

TEST_F(Files, VideoFramesMustMatchTheBegunType)
{
    start("gige-color");
    std::string dir = temp_dir();
    std::vector<uint8_t> pixels(64 * 48 * 4, 0x40);
    vsx_image_type type{VSX_PIXELFORMAT_BGRA8, 64, 48};
    vsx_imagebuffer* b = nullptr;
    ASSERT_TRUE(vsx_imagebuffer_wrap_memory(&b, pixels.data(), pixels.size(), 256, &type, nullptr, nullptr));
    Buffer buffer(b);
    vsx_image_type other{VSX_PIXELFORMAT_BGRA8, 48, 64};
    vsx_imagebuffer* ob = nullptr;
    ASSERT_TRUE(
        vsx_imagebuffer_wrap_memory(&ob, pixels.data(), pixels.size(), 192, &other, nullptr, nullptr));
    Buffer other_buffer(ob);
    vsx_videowriter* w = nullptr;
    ASSERT_TRUE(vsx_videowriter_create(0, &w));
    Writer writer(w);
    ASSERT_TRUE(vsx_videowriter_begin_fileW(w, wide(dir + "/v.mp4").c_str(), &type, -1.0))
        << last_error().message;
    vsx_propmap* wm = nullptr;
    ASSERT_TRUE(vsx_videowriter_get_property_map(w, &wm));
    Map writer_map(wm);
    EXPECT_FALSE(vsx_propmap_set_value_int64(wm, "BitRate", 1000));
    EXPECT_EQ(last_error().code, VSX_ERROR_ACCESS_DENIED);
    EXPECT_TRUE(vsx_videowriter_add_frame(w, b)) << last_error().message;
    EXPECT_FALSE(vsx_videowriter_add_frame(w, ob));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(vsx_videowriter_finish_file(w)) << last_error().message;
    EXPECT_TRUE(std::filesystem::exists(dir + "/v.mp4"));
}

// Every field of every entry is checked before anything is written: a
// malformed entry fails the file with its number and name, and the camera
// keeps every value it had, including those of the good entries before it.
TEST_F(Files, AMalformedEntryFailsTheFileNamingItAndChangesNothing)
{
    start("gige-color");
    std::string dir = temp_dir();
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "ExposureAuto", "Continuous");
    struct Row {
        const char* entry;
        const char* says;
    };
    for (Row row : {
             Row{R"({"name": "Width"})", "(\"Width\") has no \"value\""},
             Row{R"({"name": "NoSuchFeature"})", "(\"NoSuchFeature\") has no \"value\""},
             Row{R"({"name": "Width", "value": "wide"})", "is not an integer"},
             Row{R"({"name": "Width", "value": 1e300})", "is not a 64-bit integer"},
             Row{R"({"name": "Width", "value": 18446744073709551615})", "outside the 64-bit range"},
             Row{R"({"name": "Width", "value": [800]})", "not a number, text or truth value"},
             Row{R"({"name": "Width", "value": null})", "not a number, text or truth value"},
             Row{R"({"name": "Gain", "value": "3.5"})", "is not a number"},
             Row{R"({"name": "ReverseX", "value": 1})", "is not true or false"},
             Row{R"({"name": "DiagLongText", "value": 5})", "is not a text"},
             Row{R"({"name": "PixelFormat", "value": 17301505})", "is not an entry name"},
             Row{R"({"name": "LUTValueAll", "value": 1})", "has no \"base64\" text"},
             Row{R"({"name": "LUTValueAll", "base64": "***"})", "is not Base64"},
             Row{R"({"name": "LUTEnable", "value": true, "selectors": "Red"})", "not an object"},
             Row{R"({"name": "LUTEnable", "value": true, "selectors": {"LUTSelector": 2}})",
                 "names no entry of the selector \"LUTSelector\""},
             Row{R"({"value": 5})", "feature entry 2 has no \"name\""},
             Row{R"({"name": 5, "value": 5})", "feature entry 2 has no \"name\""},
             Row{R"(7)", "feature entry 2 is not an object"},
         }) {
        SCOPED_TRACE(row.entry);
        std::string path = dir + "/bad.json";
        std::ofstream(path)
            << R"({"format": "vsxsim-property-map", "version": 1, "map": "device", "features": [
            {"name": "Gain", "value": 7.5}, )"
            << row.entry << "]}";
        EXPECT_FALSE(vsx_propmap_deserialize_from_fileW(m.get(), wide(path).c_str()));
        Error e = last_error();
        EXPECT_EQ(e.code, VSX_ERROR_FILE_FORMAT);
        EXPECT_NE(e.message.find(path), std::string::npos) << e.message;
        EXPECT_NE(e.message.find("feature entry 2"), std::string::npos) << e.message;
        EXPECT_NE(e.message.find(row.says), std::string::npos) << e.message;
        EXPECT_EQ(get_text(m.get(), "Gain"), "0");
        EXPECT_EQ(get_text(m.get(), "ExposureAuto"), "Continuous");
    }
}

// A write takes over the temporary file that a killed writer left for the same
// target (".<name>.writing.tmp", not locked by anyone), so none stays behind.
TEST_F(Files, AWriteRemovesTheTemporaryFileAKilledWriterLeft)
{
    start("gige-color");
    std::string dir = temp_dir();
    std::ofstream(dir + "/.state.json.writing.tmp") << R"({"format": "vsxsim-property-map", "ver)";
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "Gain", "2.5");
    ASSERT_TRUE(vsx_propmap_serialize_to_fileW(m.get(), wide(dir + "/state.json").c_str()))
        << last_error().message;
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"state.json"});
    set_text(m.get(), "Gain", "0");
    ASSERT_TRUE(vsx_propmap_deserialize_from_fileW(m.get(), wide(dir + "/state.json").c_str()))
        << last_error().message;
    EXPECT_EQ(get_text(m.get(), "Gain"), "2.5");
}
