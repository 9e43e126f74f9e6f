// Exact pixels of the ramp patterns in every sink format, the frame-ID stamp,
// reversal and look-up tables.
#include "SimFixture.h"

#include <functional>

using namespace simtest;

namespace {

constexpr uint32_t kW = 256, kH = 64, kCell = 4;

std::string config(const std::string& templ, const std::string& format, const std::string& pattern)
{
    return R"({"cameras": [{"id": "cam", "template": ")" + templ + R"(", "serial": "77000001", "sensor": [)" +
           std::to_string(kW) + ", " + std::to_string(kH) + R"(], "pixelFormats": [")" + format +
           R"("], "pattern": ")" + pattern + R"("}]})";
}

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int floor_div256(int x)
{
    return x >= 0 ? x >> 8 : -((-x + 255) >> 8);
}

struct Rgb {
    uint32_t r, g, b;
};

} // namespace

class Pixels : public SimTest {
protected:
    // Streams two frames of the configured camera and checks every pixel below
    // the stamp with the expected function of (x, y, frame).
    void check(const std::string& templ, const std::string& format, const std::string& pattern, uint32_t sink,
               const std::function<void(const uint8_t* row, uint32_t x, uint32_t y, uint64_t n)>& pixel,
               const std::function<void(vsx_propmap*)>& setup = {})
    {
        start("", "fast", config(templ, format, pattern));
        Grabber g = open("77000001");
        Map m = device_map(g.get());
        if (setup)
            setup(m.get());
        Listener listener;
        ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true))
            << last_error().message;
        ASSERT_TRUE(listener.wait_frames(2));
        ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
        ASSERT_EQ(listener.type().pixel_format, sink);
        ASSERT_EQ(listener.type().width, kW);
        const size_t pitch = listener.pitch();
        for (uint64_t n = 1; n <= 2; ++n) {
            auto frame = listener.frame(static_cast<size_t>(n - 1));
            ASSERT_EQ(frame.size(), pitch * kH);
            for (uint32_t y = kCell; y < kH; ++y)
                for (uint32_t x = 0; x < kW; ++x) {
                    pixel(frame.data() + y * pitch, x, y, n);
                    if (HasFailure())
                        return;
                }
        }
    }
};

TEST_F(Pixels, GreyRampInMonoFormatsIsMsbAligned)
{
    struct Row {
        const char* format;
        uint32_t sink;
        int depth;
    };
    // Each row in its own library run: the camera set differs.
    for (Row row : {Row{"Mono8", VSX_PIXELFORMAT_MONO8, 8}, Row{"Mono12", VSX_PIXELFORMAT_MONO16, 12},
                    Row{"Mono10p", VSX_PIXELFORMAT_MONO16, 10}, Row{"Mono16", VSX_PIXELFORMAT_MONO16, 16}}) {
        SCOPED_TRACE(row.format);
        const uint32_t mask = (1u << row.depth) - 1u;
        check("usb-mono16", row.format, "GreyDiagonalRampMoving", row.sink,
              [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
                  uint32_t v = (x + y + 4 * static_cast<uint32_t>(n)) & mask;
                  if (row.sink == VSX_PIXELFORMAT_MONO8)
                      ASSERT_EQ(r[x], v) << x << "," << y;
                  else
                      ASSERT_EQ(le16(r + 2 * x), v << (16 - row.depth)) << x << "," << y;
              });
        TearDown();
    }
}

TEST_F(Pixels, ColourRampInColourFormats)
{
    struct Row {
        const char* templ;
        const char* format;
        uint32_t sink;
        int depth;
    };
    for (Row row : {Row{"usb-color", "BayerRG8", VSX_PIXELFORMAT_BGRA8, 8},
                    Row{"usb-color", "BayerRG12p", VSX_PIXELFORMAT_BGRA16, 12},
                    Row{"gige-color", "BGR8", VSX_PIXELFORMAT_BGR8, 8},
                    Row{"gige-color", "BayerGR16", VSX_PIXELFORMAT_BGRA16, 16}}) {
        SCOPED_TRACE(row.format);
        const uint32_t mask = (1u << row.depth) - 1u;
        check(row.templ, row.format, "ColorRampMoving", row.sink,
              [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
                  auto s = 4 * static_cast<uint32_t>(n);
                  Rgb c{(x + s) & mask, (y + s) & mask, (x + y + s) & mask};
                  if (row.sink == VSX_PIXELFORMAT_BGRA16) {
                      const uint8_t* p = r + 8 * x;
                      int shift = 16 - row.depth;
                      ASSERT_EQ(le16(p), c.b << shift);
                      ASSERT_EQ(le16(p + 2), c.g << shift);
                      ASSERT_EQ(le16(p + 4), c.r << shift);
                      ASSERT_EQ(le16(p + 6), 0xFFFF);
                  } else {
                      int bpp = row.sink == VSX_PIXELFORMAT_BGR8 ? 3 : 4;
                      const uint8_t* p = r + bpp * x;
                      ASSERT_EQ(p[0], c.b);
                      ASSERT_EQ(p[1], c.g);
                      ASSERT_EQ(p[2], c.r);
                      if (bpp == 4) {
                          ASSERT_EQ(p[3], 0xFF);
                      }
                  }
              });
        TearDown();
    }
}

TEST_F(Pixels, ColourRampInYCbCr422)
{
    check("gige-color", "YCbCr422_8", "ColorRampMoving", VSX_PIXELFORMAT_YCBCR422_8,
          [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
              if (x % 2)
                  return;
              auto s = 4 * static_cast<uint32_t>(n);
              int yy[2], u[2], v[2];
              for (uint32_t k = 0; k < 2; ++k) {
                  int R = static_cast<int>((x + k + s) & 255), G = static_cast<int>((y + s) & 255),
                      B = static_cast<int>((x + k + y + s) & 255);
                  yy[k] = (77 * R + 150 * G + 29 * B + 128) >> 8;
                  u[k] = floor_div256(-43 * R - 85 * G + 128 * B + 128) + 128;
                  v[k] = floor_div256(128 * R - 107 * G - 21 * B + 128) + 128;
              }
              const uint8_t* p = r + 2 * x;
              ASSERT_EQ(p[0], yy[0]) << x << "," << y;
              ASSERT_EQ(p[1], (u[0] + u[1] + 1) >> 1) << x << "," << y;
              ASSERT_EQ(p[2], yy[1]) << x << "," << y;
              ASSERT_EQ(p[3], (v[0] + v[1] + 1) >> 1) << x << "," << y;
          });
}

TEST_F(Pixels, ReverseXMirrorsTheRamp)
{
    check(
        "usb-mono16", "Mono8", "GreyDiagonalRampMoving", VSX_PIXELFORMAT_MONO8,
        [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
            ASSERT_EQ(r[x], (kW - 1 - x + y + 4 * n) & 255u) << x << "," << y;
        },
        [&](vsx_propmap* m) { set_text(m, "ReverseX", "true"); });
}

TEST_F(Pixels, TheLookUpTableIsAppliedBeforeTheOutput)
{
    check(
        "usb-mono16", "Mono12", "GreyDiagonalRampMoving", VSX_PIXELFORMAT_MONO16,
        [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
            uint32_t v = (x + y + 4 * static_cast<uint32_t>(n)) & 4095u;
            ASSERT_EQ(le16(r + 2 * x), (4095u - v) << 4) << x << "," << y;
        },
        [&](vsx_propmap* m) {
            std::vector<uint8_t> table(8192);
            for (uint32_t i = 0; i < 4096; ++i) {
                table[2 * i] = static_cast<uint8_t>((4095 - i) & 0xFF);
                table[2 * i + 1] = static_cast<uint8_t>((4095 - i) >> 8);
            }
            vsx_prop* reg = nullptr;
            ASSERT_TRUE(vsx_propmap_find_register(m, "LUTValueAll", &reg));
            ASSERT_TRUE(vsx_prop_register_set_value(reg, table.data(), table.size()));
            vsx_prop_unref(reg);
            set_text(m, "LUTEnable", "true");
        });
}

// Each colour has a table of its own size: the blue one, 1024 entries of one
// byte with values up to 255, inverts its channel; red and green stay as they are.
TEST_F(Pixels, EachColourUsesItsOwnTableSize)
{
    check(
        "gige-color", "BGR8", "ColorRampMoving", VSX_PIXELFORMAT_BGR8,
        [&](const uint8_t* r, uint32_t x, uint32_t y, uint64_t n) {
            auto s = 4 * static_cast<uint32_t>(n);
            const uint8_t* p = r + 3 * x;
            ASSERT_EQ(p[0], 255u - ((x + y + s) & 255u)) << x << "," << y;
            ASSERT_EQ(p[1], (y + s) & 255u);
            ASSERT_EQ(p[2], (x + s) & 255u);
        },
        [&](vsx_propmap* m) {
            set_text(m, "LUTSelector", "Blue");
            std::vector<uint8_t> table(1024);
            for (uint32_t i = 0; i < 1024; ++i)
                table[i] = static_cast<uint8_t>(255 - i / 4);
            vsx_prop* reg = nullptr;
            ASSERT_TRUE(vsx_propmap_find_register(m, "LUTValueAll", &reg));
            ASSERT_TRUE(vsx_prop_register_set_value(reg, table.data(), table.size())) << last_error().message;
            vsx_prop_unref(reg);
            set_text(m, "LUTEnable", "true");
        });
}

TEST_F(Pixels, TheFrameIdStampIsReadable)
{
    start("", "fast", config("usb-mono16", "Mono8", "GreyDiagonalRampMoving"));
    Grabber g = open("77000001");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(listener.wait_frames(12));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    for (size_t i = 0; i < 12; ++i) {
        auto f = listener.frame(i);
        uint32_t n = 0;
        for (uint32_t k = 0; k < 16; ++k) {
            uint8_t v = f[(kCell / 2) * listener.pitch() + k * kCell + kCell / 2];
            ASSERT_TRUE(v == 0 || v == 255);
            n = (n << 1) | (v ? 1u : 0u);
        }
        EXPECT_EQ(n, i + 1);
    }
}

TEST_F(Pixels, TheSceneIsOpaqueAndChangesWithExposure)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "PixelFormat", "BGRa8");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_step("52000003", 1));
    ASSERT_TRUE(listener.wait_frames(1));
    auto mean = [](const std::vector<uint8_t>& f) {
        uint64_t sum = 0;
        for (size_t i = 0; i < f.size(); i += 4)
            sum += f[i + 1];
        return static_cast<double>(sum) / static_cast<double>(f.size() / 4);
    };
    double before = mean(listener.frame(0));
    set_text(m.get(), "ExposureTime", "20000");
    ASSERT_TRUE(vsxsim_step("52000003", 1));
    ASSERT_TRUE(listener.wait_frames(2));
    double after = mean(listener.frame(1));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_GT(after, before * 1.5);
    auto f = listener.frame(0);
    for (size_t i = 3; i < f.size(); i += 4)
        ASSERT_EQ(f[i], 0xFF);
}
