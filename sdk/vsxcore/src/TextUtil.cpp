#include "TextUtil.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vsxsim::text {

std::optional<std::string> wide_to_utf8(const wchar_t* wide)
{
    std::string out;
    for (const wchar_t* p = wide; *p; ++p) {
        auto c = static_cast<uint32_t>(*p);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string format_ipv4(int64_t value)
{
    auto v = static_cast<uint32_t>(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", (v >> 24) & 255u, (v >> 16) & 255u, (v >> 8) & 255u,
                  v & 255u);
    return buf;
}

std::optional<int64_t> parse_ipv4(const std::string& text)
{
    uint32_t result = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))
            return std::nullopt;
        unsigned value = 0;
        int digits = 0;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            if (++digits > 3 || value > 255)
                return std::nullopt;
            ++pos;
        }
        result = (result << 8) | value;
        if (part < 3) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
    }
    if (pos != text.size())
        return std::nullopt;
    return static_cast<int64_t>(result);
}

std::string format_mac(int64_t value)
{
    auto v = static_cast<uint64_t>(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", unsigned((v >> 40) & 255u),
                  unsigned((v >> 32) & 255u), unsigned((v >> 24) & 255u), unsigned((v >> 16) & 255u),
                  unsigned((v >> 8) & 255u), unsigned(v & 255u));
    return buf;
}

std::optional<int64_t> parse_mac(const std::string& text)
{
    if (text.size() != 17)
        return std::nullopt;
    uint64_t result = 0;
    for (int part = 0; part < 6; ++part) {
        unsigned value = 0;
        for (int k = 0; k < 2; ++k) {
            char c = text[static_cast<size_t>(part * 3 + k)];
            int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                : -1;
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<unsigned>(d);
        }
        if (part < 5 && text[static_cast<size_t>(part * 3 + 2)] != ':')
            return std::nullopt;
        result = (result << 8) | value;
    }
    return static_cast<int64_t>(result);
}

std::string format_hex(int64_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

std::optional<int64_t> parse_int(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    bool negative = false;
    if (*first == '-' || *first == '+') {
        negative = *first == '-';
        ++first;
    }
    int base = 10;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        base = 16;
        first += 2;
    }
    uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value, base);
    if (ec != std::errc() || ptr != last || first == last)
        return std::nullopt;
    if (base == 10 && value > (negative ? 9223372036854775808ull : 9223372036854775807ull))
        return std::nullopt;
    auto v = static_cast<int64_t>(value);
    return negative ? -v : v;
}

std::string format_double(double value)
{
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc())
        return "0";
    return std::string(buf, ptr);
}

std::optional<double> parse_double(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const char* first = text.data();
    if (*first == '+')
        ++first;
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parse_bool(const std::string& text)
{
    if (text == "true" || text == "1" || text == "True")
        return true;
    if (text == "false" || text == "0" || text == "False")
        return false;
    return std::nullopt;
}

namespace {
const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string base64_encode(const std::vector<uint8_t>& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += kB64[v & 63];
    }
    if (i + 1 == bytes.size()) {
        uint32_t v = uint32_t(bytes[i]) << 16;
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8);
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64_decode(const std::string& text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    auto value_of = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 4) {
        int pad = 0;
        uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++pad;
                v <<= 6;
                continue;
            }
            int d = value_of(c);
            if (d < 0 || pad > 0)
                return std::nullopt;
            v = (v << 6) | static_cast<uint32_t>(d);
        }
        out.push_back(static_cast<uint8_t>(v >> 16));
        if (pad < 2)
            out.push_back(static_cast<uint8_t>(v >> 8));
        if (pad < 1)
            out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

std::string json_escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string lower(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace vsxsim::text
