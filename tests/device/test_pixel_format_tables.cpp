#include "SimulatedCameras.h"
#include "device/PixelFormatTables.h"

using kyrgx::PixelFormat;

TEST(PixelFormatTables, SinkFormatOfName)
{
    const struct {
        const char* name;
        int32_t sink;
    } rows[] = {
        {"Mono12", 0x01100007},   {"mono12", -1},          {"", -1},
        {"Mono8", 0x01080001},    {"Mono14", -1},          {"BayerRG8", 0x02200017},
        {"BayerRG8p", -1},        {"BayerGB12Packed", 0x02400051}, {"BayerBG10sp", 0x02400051},
        {"YUV422_8", 0x0210003B}, {"YCbCr422_8", 0x0210003B},     {"BGR8", 0x02180015},
        {"BGRa8", 0x02200017},    {"BGRa16", 0x02400051},         {"RGB8", -1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(sink_format_of_name(row.name), row.sink) << row.name;
    EXPECT_EQ(sink_format_by_name().size(), 55u);
}

TEST(PixelFormatTables, DisplayFormatsAndSizes)
{
    const struct {
        int32_t sink;
        PixelFormat display;
    } rows[] = {
        {0x02180015, PixelFormat::RGB24}, {0x02200017, PixelFormat::RGB32}, {0x02400051, PixelFormat::RGB64},
        {0x01080001, PixelFormat::MONO8}, {0x01100007, PixelFormat::MONO16}, {0x0210003B, PixelFormat::YUV422},
        {0x01080008, PixelFormat::NONE},  {-1, PixelFormat::NONE},
    };
    for (const auto& row : rows)
        EXPECT_EQ(display_format_of_sink_format(row.sink), row.display) << std::hex << row.sink;

    EXPECT_EQ(bytes_per_pixel(PixelFormat::NONE), 0);
    EXPECT_EQ(bytes_per_pixel(PixelFormat::RGGB8), 1);
    EXPECT_EQ(bytes_per_pixel(PixelFormat::YUV422), 2);
    EXPECT_EQ(bytes_per_pixel(static_cast<PixelFormat>(15)), 0);

    ASSERT_EQ(standard_frame_sizes.size(), 24u);
    EXPECT_EQ(standard_frame_sizes.front(), std::make_pair(160, 120));
    EXPECT_EQ(standard_frame_sizes[6], std::make_pair(1284, 720));
    EXPECT_EQ(standard_frame_sizes.back(), std::make_pair(7716, 5360));
    ASSERT_EQ(analog_frame_sizes.size(), 9u);
    EXPECT_EQ(analog_frame_sizes.back(), std::make_pair(768, 576));
}

TEST(PixelFormatTables, SinkFormatOfCodeAsksTheLibrary)
{
    quorel::test::init_simulated_cameras();
    EXPECT_EQ(sink_format_of_code(0x010C0047), 0x01100007);  // Mono12p
    EXPECT_EQ(sink_format_of_code(0x01080009), 0x02200017);  // BayerRG8
    EXPECT_EQ(sink_format_of_code(0x02180014), -1);          // RGB8: named, not supported
    EXPECT_EQ(sink_format_of_code(0x7FFFFFFF), -1);          // no name at all
    EXPECT_EQ(vsx::pixelFormatName(0x01080001), "Mono8");
}
