#include "app/JsonText.h"

#include <algorithm>

namespace app {

namespace {

// The offset of the first bracket past the bound, or text.size() when there is none.
size_t first_too_deep(const std::string& text)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i; // the escaped character never ends the string
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth)
                return i;
        } else if (c == ']' || c == '}') {
            depth = std::max(depth - 1, 0);
        }
    }
    return text.size();
}

void check_depth(const std::string& text)
{
    const size_t at = first_too_deep(text);
    if (at < text.size())
        throw nlohmann::json::parse_error::create(
            101, at + 1, "arrays and objects nested deeper than " + std::to_string(kMaxJsonDepth) + " levels",
            nullptr);
}

} // namespace

nlohmann::json parse_json(const std::string& text)
{
    check_depth(text);
    return nlohmann::json::parse(text);
}

nlohmann::json parse_json(const std::string& text, const nlohmann::json::parser_callback_t& callback)
{
    check_depth(text);
    return nlohmann::json::parse(text, callback);
}

} // namespace app
