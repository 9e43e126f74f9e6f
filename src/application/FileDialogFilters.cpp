#include "application/FileDialogFilters.h"

#include <algorithm>
#include <cwctype>

namespace application {

namespace {

std::wstring trimmed(const std::wstring& s)
{
    const auto first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    return s.substr(first, s.find_last_not_of(L" \t") - first + 1);
}

std::wstring lower(std::wstring s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

size_t file_name_start(const std::wstring& path)
{
    const auto slash = path.find_last_of(L'/');
    return slash == std::wstring::npos ? 0 : slash + 1;
}

}  // namespace

std::wstring filter_entry(const FileFilter& filter) { return filter.first + L" (*" + filter.second + L")"; }

std::wstring build_filter_text(const std::wstring& allFilesLabel, const FileFilters& filters)
{
    std::wstring text;
    if (filters.size() >= 2) {
        text = allFilesLabel + L" (";
        for (const auto& filter : filters)
            text += L"*" + filter.second + L" ";
        text += L");; ";
    }
    for (size_t i = 0; i < filters.size(); ++i) {
        if (i > 0)
            text += L";; ";
        text += filter_entry(filters[i]);
    }
    return text;
}

std::wstring image_filter_text()
{
    return L"Bitmap (*.bmp);; PNG Files (*.png);; JPEG Files (*.jpg);; TIFF Files (*.tiff);; All Files (*)";
}

std::wstring file_extension(const std::wstring& path)
{
    const size_t start = file_name_start(path);
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < start)
        return {};
    return path.substr(dot);
}

std::wstring replace_extension(const std::wstring& path, const std::wstring& extension)
{
    const std::wstring current = file_extension(path);
    return path.substr(0, path.size() - current.size()) + extension;
}

std::wstring image_extension_for(const std::wstring& selectedFilter, const std::wstring& typedPath)
{
    const std::wstring filter = trimmed(selectedFilter);
    if (filter == L"TIFF Files (*.tiff)")
        return L".tiff";
    if (filter == L"PNG Files (*.png)")
        return L".png";
    if (filter == L"Bitmap (*.bmp)")
        return L".bmp";
    if (filter == L"JPEG Files (*.jpg)")
        return L".jpg";
    // Under "All Files" an image extension the user typed is kept.
    const std::wstring typed = file_extension(typedPath);
    static const std::wstring kKnown[] = {L".png", L".jpg", L".jpeg", L".tif", L".tiff", L".bmp"};
    if (std::find(std::begin(kKnown), std::end(kKnown), lower(typed)) != std::end(kKnown))
        return typed;
    return L".bmp";
}

std::wstring parent_directory(const std::wstring& path)
{
    const auto slash = path.find_last_of(L'/');
    if (slash == std::wstring::npos)
        return {};
    if (slash == 0)
        return L"/";
    return path.substr(0, slash);
}

}  // namespace application
