#include "model/ImageSequence.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"

namespace app {

ImageSequence::ImageSequence()
{
    addString(L"targetDirectory", get_known_folder(kFolderPictures));
    addString(L"filenamePrefix", L"Image");
    addBool(L"indexEnabled", true);
    addInt(L"index", 0, 9999999, 0);
    addBool(L"timestampEnabled", false);
    addString(L"timestampFormat", L"HH_MM_SS");
    addString(L"imageFiletype", L"BMP");
    addInt(L"jpgQuality", 0, 100, 100);
    addString(L"hotkey", L"Space");
    addInt(L"intervallMinutes", 0, 60, 0);
    addInt(L"intervallSeconds", 0, 59, 20);
    addBool(L"endAfterTimeEnabled", false);
    addInt(L"endTimeMinutes", 0, 60, 0);
    addInt(L"endTimeSeconds", 0, 59, 20);
    addBool(L"endAfterFramesEnabled", false);
    addInt(L"endFrames", 0, 9999999, 0);
}

// No sequence runs yet, so no frame is captured.
void ImageSequence::onFrame(const kyr_kelvane::image_descriptor&) {}

std::filesystem::path ImageSequence::nextFileName() const
{
    std::wstring name = getString(L"filenamePrefix");
    if (getBool(L"indexEnabled"))
        name += L"_" + std::to_wstring(getInt(L"index"));
    const std::wstring type = getString(L"imageFiletype");
    if (type == L"BMP")
        name += L".bmp";
    else if (type == L"JPEG" || type == L"JPG")
        name += L".jpg";
    else if (type == L"PNG")
        name += L".png";
    else
        name += L".tiff";
    return path_from_wide(getString(L"targetDirectory")) / path_from_wide(name);
}

} // namespace app
