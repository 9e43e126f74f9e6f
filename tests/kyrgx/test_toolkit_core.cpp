// The toolkit's value types and small services.

#include "support/LogCapture.h"
#include "app/Utf8.h"
#include "kyrgx/kyrgx.h"
#include "support/TempHome.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace fs = std::filesystem;
using kyrgx::Affine2D;
using kyrgx::Color;
using kyrgx::PixelFormat;

namespace {

void write_bytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::wstring wide(const fs::path& path)
{
    return app::utf8_to_wide(path.string());
}

} // namespace

TEST(KyrgxPixelFormat, NamesAndSizes)
{
    struct Row {
        int value;
        const char* name;
        int bytes;
        int bits;
    };
    const Row rows[] = {
        {-1, "", 0, 0},        {0, "", 0, 0},         {1, "RGB24", 3, 24},   {2, "RGB32", 4, 32},
        {3, "RGB64", 8, 64},   {4, "MONO8", 1, 8},    {5, "RGGB8", 1, 8},    {6, "GRBG8", 1, 8},
        {7, "GBRG8", 1, 8},    {8, "BGGR8", 1, 8},    {9, "MONO16", 2, 16},  {10, "RGGB16", 2, 16},
        {11, "GRBG16", 2, 16}, {12, "GBRG16", 2, 16}, {13, "BGGR16", 2, 16}, {14, "YUV422", 2, 16},
        {15, "", 0, 12},       {16, "", 0, 12},       {17, "", 0, 0},        {18, "", 0, 12},
        {21, "", 0, 12},       {22, "", 0, 12},       {25, "", 0, 12},       {26, "", 0, 0},
    };
    for (const Row& row : rows) {
        const auto format = static_cast<PixelFormat>(row.value);
        SCOPED_TRACE(row.value);
        EXPECT_EQ(kyrgx::pixel_format_name(format), row.name);
        EXPECT_EQ(kyrgx::pixel_format_bytes(format), row.bytes);
        EXPECT_EQ(kyrgx::pixel_format_bits(format), row.bits);
    }
    EXPECT_EQ(static_cast<int>(PixelFormat::BGGR12_PACKED_B), 25);
}

TEST(KyrgxColor, PacksRedInTheLowByteAndAlphaOnTop)
{
    struct Row {
        Color color;
        uint32_t packed;
        uint32_t argb;
    };
    const Row rows[] = {
        {Color(), 0xFF000000u, 0xFF000000u},
        {Color(0x11, 0x22, 0x33, 0x44), 0x44332211u, 0x44112233u},
        {Color(255, 0, 0), 0xFF0000FFu, 0xFFFF0000u},
        {Color(0, 0, 255, 0), 0x00FF0000u, 0x000000FFu},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.packed);
        EXPECT_EQ(row.color.packed(), row.packed);
        EXPECT_EQ(row.color.argb(), row.argb);
        EXPECT_EQ(Color::fromPacked(row.packed), row.color);
        EXPECT_EQ(Color::fromArgb(row.argb), row.color);
    }
    // Memory order is red, green, blue, alpha, so the bytes read as the packed value.
    const Color c(1, 2, 3, 4);
    uint32_t raw = 0;
    std::memcpy(&raw, &c, sizeof raw);
    EXPECT_EQ(raw, c.packed());
}

TEST(KyrgxAffine2D, ConcatenatedTransformAppliesToPointsFirst)
{
    const float quarter = static_cast<float>(M_PI / 2);
    struct Row {
        const char* what;
        std::function<void(Affine2D&)> build;
        kyrgx::Vec2f in;
        kyrgx::Vec2f out;
    };
    const Row rows[] = {
        {"translate then scale: scaled first",
         [](Affine2D& t) {
             t.translate(10, 0);
             t.scale(2, 2);
         },
         {1, 0},
         {12, 0}},
        {"scale then translate: moved first",
         [](Affine2D& t) {
             t.scale(2, 2);
             t.translate(10, 0);
         },
         {1, 0},
         {22, 0}},
        {"rotate then translate: moved first",
         [&](Affine2D& t) {
             t.rotate(quarter);
             t.translate(1, 0);
         },
         {0, 0},
         {0, 1}},
        {"translate then rotate: rotated first",
         [&](Affine2D& t) {
             t.translate(1, 0);
             t.rotate(quarter);
         },
         {1, 0},
         {1, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Affine2D t;
        row.build(t);
        const kyrgx::Vec2f p = t.map(row.in);
        EXPECT_NEAR(p.x, row.out.x, 1e-5);
        EXPECT_NEAR(p.y, row.out.y, 1e-5);
        EXPECT_TRUE(t.nonIdentity);
    }

    // The fields follow M * N with M the existing and N the given transform.
    Affine2D m(1, 2, 3, 4, 5, 6);
    m.concatenate(7, 8, 9, 10, 11, 12);
    const float expected[] = {1 * 7 + 3 * 8,  2 * 7 + 4 * 8,       1 * 9 + 3 * 10,
                              2 * 9 + 4 * 10, 1 * 11 + 3 * 12 + 5, 2 * 11 + 4 * 12 + 6};
    const float actual[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(actual[i], expected[i]) << "field " << i;
}

TEST(KyrgxAffine2D, IdentityFlag)
{
    Affine2D id;
    EXPECT_FALSE(id.nonIdentity);
    id.concatenate(1, 0, 0, 1, 0, 0);
    EXPECT_FALSE(id.nonIdentity);

    Affine2D t(2, 0, 0, 3, 4, 5);
    const Affine2D before = t;
    t.concatenate(1, 0, 0, 1, 0, 0);
    EXPECT_TRUE(t.nonIdentity);
    EXPECT_EQ(std::memcmp(&before.a, &t.a, 6 * sizeof(float)), 0);

    Affine2D moved;
    moved.translate(5, 0);
    EXPECT_TRUE(moved.nonIdentity);
    moved.translate(-5, 0);
    EXPECT_FALSE(moved.nonIdentity);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(Affine2D(nan, 0, 0, 1, 0, 0).nonIdentity);
    EXPECT_TRUE(Affine2D(1, 0, 0, 1, 0, nan).nonIdentity);

    // set() copies the numbers and recomputes a stale flag.
    Affine2D stale;
    stale.tx = 3; // flag not updated yet
    Affine2D target;
    target.set(stale);
    EXPECT_TRUE(target.nonIdentity);
    target.set(Affine2D());
    EXPECT_FALSE(target.nonIdentity);
}

TEST(KyrgxPixmap, ZeroFilledHeapImage)
{
    kyrgx::Pixmap p(3, 2, 12, PixelFormat::RGB32);
    EXPECT_EQ(p.byteSize(), 24u);
    EXPECT_EQ(std::count(p.data(), p.data() + 24, 0), 24);
    EXPECT_EQ(p.lock(), p.data());
    EXPECT_EQ(p.size(), kyrgx::Vec2f(3.0f, 2.0f));
    EXPECT_EQ(p.width(), 3u);
    EXPECT_EQ(p.height(), 2u);
    EXPECT_EQ(p.stride(), 12u);
    EXPECT_EQ(p.format(), PixelFormat::RGB32);

    // A copy owns its own pixels; a moved-from pixmap is empty.
    p.data()[5] = 7;
    kyrgx::Pixmap copy(p);
    copy.data()[5] = 9;
    EXPECT_NE(copy.data(), p.data());
    EXPECT_EQ(p.data()[5], 7);
    kyrgx::Pixmap moved(std::move(copy));
    EXPECT_EQ(moved.data()[5], 9);
    EXPECT_EQ(copy.byteSize(), 0u);
    EXPECT_EQ(copy.height(), 0u);
    copy = p;
    EXPECT_EQ(copy.data()[5], 7);
    EXPECT_NE(copy.data(), p.data());
}

TEST(KyrgxResources, JoinsNamesToTheResourceDirectory)
{
    const fs::path dir = quorel::test::make_temp_dir("res");
    write_bytes(dir / "theme.json", "{}");
    const fs::path other = quorel::test::make_temp_dir("abs");
    write_bytes(other / "cursor.txt", "absolute");
    write_bytes(dir / "gr\xc3\xbcn.txt", "unicode");

    struct Row {
        std::wstring directory;
        std::wstring name;
        std::string text;
    };
    const Row rows[] = {
        {wide(dir), L"theme.json", "{}"},
        {wide(dir) + L"/", L"theme.json", "{}"},
        {wide(dir), wide(other / "cursor.txt"), "absolute"},
        {wide(dir), L"gr\u00fcn.txt", "unicode"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(app::wide_to_utf8(row.directory + L" + " + row.name));
        kyrgx::set_resource_directory(row.directory);
        EXPECT_EQ(kyrgx::get_resource_directory(), row.directory);
        EXPECT_EQ(kyrgx::load_resource_text(row.name), row.text);
    }
}

TEST(KyrgxResources, MissingFileLogsTheJoinedPathAndGivesEmptyText)
{
    const fs::path dir = quorel::test::make_temp_dir("res");
    kyrgx::set_resource_directory(wide(dir));
    quorel::test::LogCapture log;
    EXPECT_EQ(kyrgx::load_resource_text(L"missing.glsl"), "");
    EXPECT_EQ(log.texts(spdlog::level::err),
              std::vector<std::string>{"Failed to load file '" + (dir / "missing.glsl").string() + "'"});

    // A folder is not a text file either.
    log.clear();
    EXPECT_EQ(kyrgx::load_text_file(wide(dir)), "");
    EXPECT_EQ(log.texts(spdlog::level::err).size(), 1u);
}

TEST(KyrgxResources, TextFilesComeBackWithLfLineEnds)
{
    const fs::path dir = quorel::test::make_temp_dir("txt");
    const std::string crlf = "one\r\ntwo\r\nthree\r\n";
    write_bytes(dir / "crlf.txt", crlf);
    EXPECT_EQ(kyrgx::load_text_file(wide(dir / "crlf.txt")), "one\ntwo\nthree\n");
    write_bytes(dir / "mixed.txt", std::string("a\rb\n\r\n\0z", 8));
    EXPECT_EQ(kyrgx::load_text_file(wide(dir / "mixed.txt")), std::string("a\rb\n\n\0z", 7));
}

TEST(KyrgxUtf8, WideTextToUtf8)
{
    struct Row {
        std::wstring in;
        std::string out;
    };
    const Row rows[] = {
        {L"", ""},
        {L"Gain", "Gain"},
        {L"gr\u00fcn", "gr\xc3\xbcn"},
        {L"\u30ab\u30e1\u30e9", "\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9"},
        {std::wstring(1, static_cast<wchar_t>(0x1F600)), "\xf0\x9f\x98\x80"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(kyrgx::to_utf8(row.in), row.out);
    EXPECT_THROW(kyrgx::to_utf8(std::wstring(1, static_cast<wchar_t>(0xD800))), std::out_of_range);
    EXPECT_THROW(kyrgx::to_utf8(std::wstring(1, static_cast<wchar_t>(0x110000))), std::out_of_range);
}
