#pragma once

#include <string>

namespace kyrgx {

// Wide text as UTF-8. Text that is not valid Unicode (a lone surrogate, a value
// above U+10FFFF) throws std::out_of_range.
std::string to_utf8(const std::wstring& text);

} // namespace kyrgx
