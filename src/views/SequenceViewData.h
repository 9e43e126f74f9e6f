#pragma once

#include "app/AppFolders.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The sixteen image-sequence settings of one camera as the sequence docks
// show and edit them. The fields carry the sequence parameters of the same
// names; a default-made record holds their defaults.
struct SequenceViewData {
    std::wstring targetDirectory = get_known_folder(kFolderPictures);
    std::wstring filenamePrefix = L"Image";
    bool indexEnabled = true;
    int32_t index = 0;
    bool timestampEnabled = false;
    std::wstring timestampFormat = L"HH_MM_SS";
    std::wstring imageFiletype = L"BMP";
    int32_t jpgQuality = 100;
    std::wstring hotkey = L"Space";
    int32_t intervallMinutes = 0;
    int32_t intervallSeconds = 20;
    bool endAfterTimeEnabled = false;
    int32_t endTimeMinutes = 0;
    int32_t endTimeSeconds = 20;
    bool endAfterFramesEnabled = false;
    int32_t endFrames = 0;
};

// The entries the sequence settings dock offers, in the order of its lists.
extern const std::vector<std::wstring> sequenceImageTypes;       // "PNG", "BMP", "JPG", "TIFF"
extern const std::vector<std::wstring> sequenceTimestampFormats; // "HH_MM_SS", "DD_MM_YY_HH_MM_SS"
extern const std::vector<std::wstring> sequenceHotkeys;          // "Space", "Enter"

// What the sequence timer dock shows of the selected camera's running sequence.
struct SequenceTimerViewData {
    std::wstring nextFileName;
    std::wstring endCondition;
    int32_t intervalSeconds = 0;
    int32_t secondsToNext = 0; // rounded to whole seconds; 0 when no sequence runs
};

} // namespace app
