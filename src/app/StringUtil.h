#pragma once

#include <string>
#include <vector>

namespace app {

// Every separator ends a piece and the text after the last separator is always
// a piece: "a,b" gives {"a", "b"}, "a,b," gives {"a", "b", ""}, "" gives {""}.
std::vector<std::string> split_string(const std::string& text, char separator);

// True when the whole text reads as a float, without skipping white space and
// independent of the locale: "1.5" and "-2e3" are numbers; " 1.5", "1.5 ",
// "1.5x", "" and values out of the float range are not.
bool is_float(const std::string& text);

} // namespace app
