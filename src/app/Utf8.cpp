#include "app/Utf8.h"

#include <stdexcept>

namespace app {

namespace {

[[noreturn]] void bad_utf8(const char* what) { throw std::range_error(std::string("utf8_to_wide: ") + what); }

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::wstring utf8_to_wide(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        unsigned char c = *p;
        char32_t cp;
        int extra;
        if (c < 0x80) {
            out.push_back(static_cast<wchar_t>(c));
            ++p;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            bad_utf8("invalid lead byte");
        }
        if (end - p <= extra)
            bad_utf8("truncated sequence");
        for (int i = 1; i <= extra; ++i) {
            if (!is_continuation(p[i]))
                bad_utf8("invalid continuation byte");
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra])
            bad_utf8("overlong sequence");
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            bad_utf8("invalid code point");
        out.push_back(static_cast<wchar_t>(cp));
        p += extra + 1;
    }
    return out;
}

std::string wide_to_utf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto cp = static_cast<char32_t>(wc);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            throw std::range_error("wide_to_utf8: invalid code point");
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::filesystem::path path_from_wide(const std::wstring& path) { return std::filesystem::path(wide_to_utf8(path)); }

std::wstring path_to_wide(const std::filesystem::path& path) { return utf8_to_wide(path.string()); }

}  // namespace app
