#include "views/SequenceViewData.h"

namespace app {

const std::vector<std::wstring> sequenceImageTypes = {L"PNG", L"BMP", L"JPG", L"TIFF"};
const std::vector<std::wstring> sequenceTimestampFormats = {L"HH_MM_SS", L"DD_MM_YY_HH_MM_SS"};
const std::vector<std::wstring> sequenceHotkeys = {L"Space", L"Enter"};

} // namespace app
