#include "kyrgx/TextLayout.h"

#include "kyrgx/ImageFont.h"

namespace kyrgx {

namespace {

int text_width(ImageFont& font, GraphicsDriver* driver, const std::wstring& text)
{
    return static_cast<int>(font.measure(driver, text).x);
}

void wrap_forward(ImageFont& font, GraphicsDriver* driver, const std::wstring& paragraph, int maxWidth,
                  std::vector<std::wstring>& lines)
{
    std::wstring current;
    bool started = false;
    for (const std::wstring& word : splitText(paragraph, L' ')) {
        if (!started) {
            current = word;
            started = true;
            continue;
        }
        const std::wstring candidate = current.empty() ? word : current + L" " + word;
        if (text_width(font, driver, candidate) > maxWidth) {
            if (!current.empty())
                lines.push_back(current);
            current = word;
        } else {
            current = candidate;
        }
    }
    if (!current.empty())
        lines.push_back(current);
}

void wrap_backward(ImageFont& font, GraphicsDriver* driver, const std::wstring& paragraph, int maxWidth,
                   std::vector<std::wstring>& lines)
{
    std::deque<std::wstring> words = splitText(paragraph, L' ');
    if (words.empty())
        return;
    std::deque<std::wstring> out;
    std::wstring current = words.back();
    words.pop_back();
    while (!words.empty()) {
        const std::wstring word = words.back();
        words.pop_back();
        const std::wstring candidate = word + L" " + current;
        if (text_width(font, driver, candidate) > maxWidth) {
            out.push_front(current);
            current = word;
        } else {
            current = candidate;
        }
    }
    out.push_front(current);
    lines.insert(lines.end(), out.begin(), out.end());
}

} // namespace

std::deque<std::wstring> splitText(const std::wstring& text, wchar_t delimiter)
{
    std::deque<std::wstring> pieces;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(delimiter, start);
        if (end == std::wstring::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::vector<std::wstring> wrapText(ImageFont& font, GraphicsDriver* driver, const std::wstring& text,
                                   int maxWidth, bool backward)
{
    std::vector<std::wstring> lines;
    for (const std::wstring& paragraph : splitText(text, L'\n')) {
        const size_t before = lines.size();
        if (backward)
            wrap_backward(font, driver, paragraph, maxWidth, lines);
        else
            wrap_forward(font, driver, paragraph, maxWidth, lines);
        if (lines.size() == before)
            lines.emplace_back();
    }
    return lines;
}

} // namespace kyrgx
