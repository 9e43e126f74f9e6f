#include "device/PixelFormatTables.h"

#include <vsxcore.h>

namespace {

constexpr uint32_t kYCbCr422_8 = 0x0210003B;
constexpr uint32_t kMono8 = 0x01080001;
constexpr uint32_t kMono16 = 0x01100007;
constexpr uint32_t kBGR8 = 0x02180015;
constexpr uint32_t kBGRa8 = 0x02200017;
constexpr uint32_t kBGRa16 = 0x02400051;

std::map<std::string, uint32_t> build_sink_formats()
{
    std::map<std::string, uint32_t> table = {
        {"YUV422_8", kYCbCr422_8}, {"YCbCr422_8", kYCbCr422_8}, {"Mono8", kMono8},   {"Mono10", kMono16},
        {"Mono10p", kMono16},      {"Mono12", kMono16},         {"Mono12p", kMono16}, {"Mono16", kMono16},
        {"BGR8", kBGR8},           {"BGRa8", kBGRa8},           {"BGRa16", kBGRa16},
    };
    for (const char* order : {"BG", "GB", "GR", "RG"}) {
        const std::string bayer = std::string("Bayer") + order;
        table[bayer + "8"] = kBGRa8;
        for (const char* deep : {"10", "10sp", "10m", "12", "12sp", "12p", "12m", "16", "10Packed", "12Packed"})
            table[bayer + deep] = kBGRa16;
    }
    return table;
}

const std::map<std::string, uint32_t> g_sinkFormats = build_sink_formats();

}  // namespace

const std::map<std::string, uint32_t>& sink_format_by_name() { return g_sinkFormats; }

int32_t sink_format_of_name(std::string name)
{
    auto it = g_sinkFormats.find(name);
    return it == g_sinkFormats.end() ? -1 : static_cast<int32_t>(it->second);
}

std::string vsx::pixelFormatName(uint32_t code, Error& err)
{
    const char* name = vsx_pixelformat_tostring(code);
    std::string result = name ? name : "";
    err.refresh();
    return result;
}

int32_t sink_format_of_code(uint32_t code)
{
    vsx::Error local(vsx::Error::Record);
    const std::string name = vsx::pixelFormatName(code, local);
    if (local.code != vsx::Error::kNoError)
        return -1;
    return sink_format_of_name(name);
}

kyrgx::PixelFormat display_format_of_sink_format(int32_t sinkCode)
{
    switch (static_cast<uint32_t>(sinkCode)) {
    case kBGR8:
        return kyrgx::PixelFormat::RGB24;
    case kBGRa8:
        return kyrgx::PixelFormat::RGB32;
    case kBGRa16:
        return kyrgx::PixelFormat::RGB64;
    case kMono8:
        return kyrgx::PixelFormat::MONO8;
    case kMono16:
        return kyrgx::PixelFormat::MONO16;
    case kYCbCr422_8:
        return kyrgx::PixelFormat::YUV422;
    default:
        return kyrgx::PixelFormat::NONE;
    }
}

// The same figures as the toolkit's own table.
int32_t bytes_per_pixel(kyrgx::PixelFormat format) { return kyrgx::pixel_format_bytes(format); }

const std::vector<std::pair<int32_t, int32_t>> standard_frame_sizes = {
    {160, 120},   {320, 240},   {640, 480},   {1024, 768},  {1032, 768},  {1280, 720},
    {1284, 720},  {1280, 960},  {1284, 960},  {1600, 1200}, {1608, 1200}, {1920, 1080},
    {2048, 1536}, {2052, 1536}, {2560, 1920}, {2568, 1440}, {2568, 1920}, {2592, 1944},
    {3444, 1440}, {3840, 2160}, {4000, 3000}, {4104, 2160}, {5424, 5360}, {7716, 5360},
};

const std::vector<std::pair<int32_t, int32_t>> analog_frame_sizes = {
    {320, 240}, {640, 240}, {640, 480}, {720, 240}, {720, 480}, {720, 288}, {720, 576}, {768, 288}, {768, 576},
};
