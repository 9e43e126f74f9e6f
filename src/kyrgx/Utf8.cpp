#include "kyrgx/Utf8.h"

#include "app/Utf8.h"

#include <stdexcept>

namespace kyrgx {

std::string to_utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    try {
        return app::wide_to_utf8(text);
    } catch (const std::range_error& e) {
        throw std::out_of_range(e.what());
    }
}

} // namespace kyrgx
