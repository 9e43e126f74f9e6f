#include "app/StringUtil.h"

#include <locale>
#include <sstream>

namespace app {

std::vector<std::string> split_string(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool is_float(const std::string& text)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    float value = 0.0f;
    in >> std::noskipws >> value;
    return !in.fail() && in.peek() == std::char_traits<char>::eof();
}

} // namespace app
