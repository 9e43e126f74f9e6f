#pragma once

#include <deque>
#include <string>
#include <vector>

namespace kyrgx {

class GraphicsDriver;
class ImageFont;

// The pieces between delimiters, as a stream reads lines: an empty text gives
// no pieces, a delimiter at the very end adds no empty piece, two delimiters in
// a row give an empty piece.
std::deque<std::wstring> splitText(const std::wstring& text, wchar_t delimiter);

// Wraps a text to lines no wider than maxWidth pixels (widths are sums of
// truncated advances). The text is split into paragraphs at line feeds first
// (an empty paragraph gives an empty line); each paragraph is wrapped at spaces
// on its own. A word wider than maxWidth stays on a line of its own. Forward
// filling fills each line as far as it goes; backward filling fills from the
// end of the paragraph, so its last line is the fullest.
std::vector<std::wstring> wrapText(ImageFont& font, GraphicsDriver* driver, const std::wstring& text,
                                   int maxWidth, bool backward);

} // namespace kyrgx
