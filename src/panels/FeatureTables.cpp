#include "panels/FeatureTables.h"

#include "panels/FeatureNames.h"

#include <set>

namespace VSXUtil {

namespace n = names;

namespace {

std::string s(std::string_view view)
{
    return std::string(view);
}

} // namespace

const std::vector<FeatureRoleEntry>& feature_role_table()
{
    // clang-format off
    static const std::vector<FeatureRoleEntry> table = [] {
        struct Row {
            std::string_view feature, group, role;
        };
        const Row rows[] = {
        {"WhiteBalance_Auto", n::WhiteBalance, n::Auto},
        {"BalanceWhiteAuto", n::WhiteBalance, n::Auto},
        {"WhiteBalance_OnePush", n::WhiteBalance, n::OnePush},
        {"WhiteBalance_Temperature_Preset", n::WhiteBalance, n::AutoTemperaturePreset},
        {"BalanceWhiteTemperaturePreset", n::WhiteBalance, n::AutoTemperaturePreset},
        {"WhiteBalance_Temperature", n::WhiteBalance, n::Temperature},
        {"BalanceWhiteTemperature", n::WhiteBalance, n::Temperature},
        {"WhiteBalance_White_Balance_Green", n::WhiteBalance, n::WhiteBalanceGreen},
        {"BalanceWhiteGreen", n::WhiteBalance, n::WhiteBalanceGreen},
        {"WhiteBalance_White_Balance_Blue", n::WhiteBalance, n::WhiteBalanceBlue},
        {"BalanceWhiteBlue", n::WhiteBalance, n::WhiteBalanceBlue},
        {"WhiteBalance_White_Balance_Red", n::WhiteBalance, n::WhiteBalanceRed},
        {"BalanceWhiteRed", n::WhiteBalance, n::WhiteBalanceRed},
        {"WhiteBalance_WhiteBalance_Mode", n::WhiteBalance, n::WhiteBalanceMode},
        {"BalanceWhiteMode", n::WhiteBalance, n::WhiteBalanceMode},
        {"WhiteBalance_Auto_Preset", n::WhiteBalance, n::AutoPreset},
        {"BalanceWhiteAutoPreset", n::WhiteBalance, n::AutoPreset},
        {"BalanceRatioSelector", n::WhiteBalance, n::Selector},
        {"BalanceRatio", n::WhiteBalance, n::SelectorValue},
        {"Color_Enhancement", n::ColorEnhancement, n::Value},
        {"Brightness", n::Brightness, n::Value},
        {"SoftwareBrightness", n::Brightness, n::Value},
        {"Gain_Auto", n::Gain, n::Auto},
        {"GainAuto", n::Gain, n::Auto},
        {"Gain", n::Gain, n::Value},
        {"GainAutoLowerLimit", n::Gain, n::GainAutoLowerLimit},
        {"GainAutoUpperLimit", n::Gain, n::GainAutoUpperLimit},
        {"Exposure", n::Exposure, n::Value},
        {"ExposureTime", n::Exposure, n::Value},
        {"Exposure_Auto", n::Exposure, n::Auto},
        {"ExposureAuto", n::Exposure, n::Auto},
        {"Exposure_Auto_Reference", n::Exposure, n::AutoReference},
        {"ExposureAutoReference", n::Exposure, n::AutoReference},
        {"Exposure_Auto_Max_Value", n::Exposure, n::AutoMaxValue},
        {"ExposureAutoUpperLimit", n::Exposure, n::AutoMaxValue},
        {"Exposure_AutoMaxValueAuto", n::Exposure, n::AutoMaxValueAuto},
        {"ExposureAutoUpperLimitAuto", n::Exposure, n::AutoMaxValueAuto},
        {"Highlight_reduction", n::Exposure, n::Highlightreduction},
        {"ExposureAutoHighlightReduction", n::Exposure, n::Highlightreduction},
        {"ExposureAutoHighlighReduction", n::Exposure, n::Highlightreduction},
        {"ExposureAutoLowerLimit", n::Exposure, n::AutoMinValue},
        {"Trigger", n::TriggerMode, n::TriggerMode},
        {"TriggerMode", n::TriggerMode, n::TriggerMode},
        {"Trigger_Software_Trigger", n::TriggerMode, n::SoftwareTrigger},
        {"TriggerSoftware", n::TriggerMode, n::SoftwareTrigger},
        {"TriggerSource", n::TriggerMode, n::TriggerSource},
        {"TriggerPolarity", n::TriggerMode, n::TriggerPolarity},
        {"TriggerExposureMode", n::TriggerMode, n::TriggerExposureMode},
        {"TriggerBurstCount", n::TriggerMode, n::TriggerBurstCount},
        {"AcquisitionBurstFrameCount", n::TriggerMode, n::TriggerBurstCount},
        {"Default", n::TriggerMode, n::TriggerDefault},
        {"TriggerOperation", n::TriggerMode, n::TriggerOperation},
        {"TriggerDebouncer", n::TriggerMode, n::TriggerDebounceTime},
        {"TriggerMask", n::TriggerMode, n::TriggerMaskTime},
        {"TriggerDenoise", n::TriggerMode, n::TriggerDenoise},
        {"TriggerDelay", n::TriggerMode, n::TriggerDelay},
        {"TriggerActivation", n::TriggerMode, n::TriggerActivation},
        {"TriggerSelector", n::TriggerMode, n::TriggerSelector},
        {"TriggerOverlap", n::TriggerMode, n::TriggerOverlap},
        {"GPIO_GP_IN", n::GPIO, n::GPIOIn},
        {"GPIn", n::GPIO, n::GPIOIn},
        {"GPIO_GP_Out", n::GPIO, n::GPIOOut},
        {"GPOut", n::GPIO, n::GPIOOut},
        {"GPIO_Write", n::GPIO, n::GPIOWrite},
        {"GPIO_Read", n::GPIO, n::GPIORead},
        {"Focus_One_Push", n::Focus, n::OnePush},
        {"Focus_Enable_Region_of_Interest", n::Focus, n::AutoFocusRoiEnabled},
        {"AutoFocusROIEnable", n::Focus, n::AutoFocusRoiEnabled},
        {"Focus_Left", n::Focus, n::AutoFocusRoiLeft},
        {"AutoFocusROILeft", n::Focus, n::AutoFocusRoiLeft},
        {"Focus_Top", n::Focus, n::AutoFocusRoiTop},
        {"AutoFocusROITop", n::Focus, n::AutoFocusRoiTop},
        {"Focus_Right", n::Focus, n::AutoFocusRoiRight},
        {"Focus_Bottom", n::Focus, n::AutoFocusRoiBottom},
        {"Focus_One_Push_Running", n::Focus, n::OnePushRunning},
        {"Focus_Auto_Max_Value", n::Focus, n::AutoMaxValue},
        {"Focus_Auto_Min_Value", n::Focus, n::AutoMinValue},
        {"Focus", n::Focus, n::Value},
        {"FocusAuto", n::Focus, n::Auto},
        {"AutoFocusROIWidth", n::Focus, n::AutoFocusRoiWidth},
        {"AutoFocusROIHeight", n::Focus, n::AutoFocusRoiHeight},
        {"Strobe", n::Strobe, n::Value},
        {"StrobeEnable", n::Strobe, n::Value},
        {"Strobe_Polarity", n::Strobe, n::StrobePolarity},
        {"StrobePolarity", n::Strobe, n::StrobePolarity},
        {"Strobe_Mode", n::Strobe, n::StrobeMode},
        {"StrobeOperation", n::Strobe, n::StrobeOperation},
        {"StrobeDuration", n::Strobe, n::StrobeDuration},
        {"StrobeDelay", n::Strobe, n::StrobeDelay},
        {"LUTSelector", n::LutControl, n::LUTSelector},
        {"LUTEnable", n::LutControl, n::Value},
        {"LUTIndex", n::LutControl, n::LUTIndex},
        {"LUTValue", n::LutControl, n::LUTValue},
        {"ClaimBalanceWhiteSoftware", n::ClaimBalanceWhiteSoftware, n::Value},
        {"ClaimHDRGain", n::ClaimHDRGain, n::Value},
        {"HDRGain", n::HDR, n::Value},
        {"HDRGainAuto", n::HDR, n::Auto},
        {"HDRGainAutoReference", n::HDR, n::AutoReference},
        {"BlackLevel", n::BlackLevel, n::Value},
        {"Blacklevel", n::BlackLevel, n::Value},
        {"OffsetX", n::PartialScanOffset, n::PartialScanOffsetX},
        {"OffsetY", n::PartialScanOffset, n::PartialScanOffsetY},
        {"OffsetAutoCenter", n::PartialScanOffset, n::PartialScanAutoCenter},
        {"ReverseX", n::ReverseX, n::Value},
        {"ReverseY", n::ReverseY, n::Value},
        {"Iris", n::Iris, n::Value},
        {"IrisAuto", n::Iris, n::Auto},
        {"Zoom", n::Zoom, n::Value},
        {"IRCutFilterEnable", n::IRCutFilter, n::Value},
        {"Full Sensor", n::AutoRoi, n::AutoRoiFullSensor},
        {"AutoFunctionsROIEnable", n::AutoRoi, n::AutoRoiEnable},
        {"AutoFunctionsROIHeight", n::AutoRoi, n::AutoRoiHeightRelative},
        {"AutoFunctionsROIWidth", n::AutoRoi, n::AutoRoiWidthRelative},
        {"AutoFunctionsROITop", n::AutoRoi, n::AutoRoiTop},
        {"AutoFunctionsROILeft", n::AutoRoi, n::AutoRoiLeft},
        {"AutoFunctionsROIPreset", n::AutoRoi, n::AutoRoiPreset},
        {"Denoise", n::Denoise, n::Value},
        {"Sharpness", n::Sharpness, n::Value},
        {"Contrast", n::Contrast, n::Value},
        {"Gamma", n::Gamma, n::Value},
        {"Saturation", n::Saturation, n::Value},
        {"Hue", n::Hue, n::Value},
        {"ToneMappingEnable", n::ToneMapping, n::Value},
        {"TonemappingEnable", n::ToneMapping, n::Value},
        {"ToneMappingGlobalBrightness", n::ToneMapping, n::ToneMappingContrast},
        {"TonemappingGlobalBrightness", n::ToneMapping, n::ToneMappingContrast},
        {"ToneMappingIntensity", n::ToneMapping, n::ToneMappingIntensity},
        {"TonemappingIntensity", n::ToneMapping, n::ToneMappingIntensity},
        {"ColorTransformationEnable", n::ColorMatrix, n::Value},
        {"ColorTransformationSelector", n::ColorMatrix, n::ColorTransformationSelector},
        {"ColorTransformationValueSelector", n::ColorMatrix, n::ColorTransformationValueSelector},
        {"ColorTransformationValue", n::ColorMatrix, n::ColorTransformationValue},
        {"ColorTransformation_Value_Gain00", n::ColorMatrix, n::ColorMatrixRR},
        {"ColorTransformation_Value_Gain01", n::ColorMatrix, n::ColorMatrixRG},
        {"ColorTransformation_Value_Gain02", n::ColorMatrix, n::ColorMatrixRB},
        {"ColorTransformation_Value_Gain10", n::ColorMatrix, n::ColorMatrixGR},
        {"ColorTransformation_Value_Gain11", n::ColorMatrix, n::ColorMatrixGG},
        {"ColorTransformation_Value_Gain12", n::ColorMatrix, n::ColorMatrixGB},
        {"ColorTransformation_Value_Gain20", n::ColorMatrix, n::ColorMatrixBR},
        {"ColorTransformation_Value_Gain21", n::ColorMatrix, n::ColorMatrixBG},
        {"ColorTransformation_Value_Gain22", n::ColorMatrix, n::ColorMatrixBB},
        {"MultiFrameSetOutputModeEnable", n::MultiFrameOutputMode, n::Value},
        {"MultiFrameSetOutputModeFrameCount", n::MultiFrameOutputMode, n::FrameCount},
        {"MultiFrameSetOutputModeExposureTime0", n::MultiFrameOutputModeExposure, n::Exposure0},
        {"MultiFrameSetOutputModeExposureTime1", n::MultiFrameOutputModeExposure, n::Exposure1},
        {"MultiFrameSetOutputModeExposureTime2", n::MultiFrameOutputModeExposure, n::Exposure2},
        {"MultiFrameSetOutputModeExposureTime3", n::MultiFrameOutputModeExposure, n::Exposure3},
        {"MultiFrameSetOutputModeCustomGain", n::MultiFrameOutputModeGain, n::CustomizeGainValues},
        {"MultiFrameSetOutputModeGain0", n::MultiFrameOutputModeGain, n::Gain0},
        {"MultiFrameSetOutputModeGain1", n::MultiFrameOutputModeGain, n::Gain1},
        {"MultiFrameSetOutputModeGain2", n::MultiFrameOutputModeGain, n::Gain2},
        {"MultiFrameSetOutputModeGain3", n::MultiFrameOutputModeGain, n::Gain3},
        };
        std::vector<FeatureRoleEntry> entries;
        for (const Row& row : rows)
            entries.push_back({row.feature, s(row.group), s(row.role)});
        return entries;
    }();
    // clang-format on
    return table;
}

const std::vector<std::string_view>& skipped_features()
{
    static const std::vector<std::string_view> names = {
        // names the panel has no record for
        "AcquisitionFrameRate",
        "PixelFormat",
        "Width",
        "Height",
        "SensorWidth",
        "SensorHeight",
        "WidthMax",
        "HeightMax",
        "SensorPixelHeight",
        "SensorPixelWidth",
        "DecimationVertical",
        "DecimationHorizontal",
        "BinningVertical",
        "BinningHorizontal",
        "AcquisitionStart",
        "AcquisitionStop",
        "AcquisitionMode",
        "AcquisitionBurstInterval",
        // names that have a record but are left out all the same
        "BalanceRatio",
        "BalanceRatioSelector",
        "LUTSelector",
        "LUTEnable",
        "LUTIndex",
        "LUTValue",
        "ExposureAutoLowerLimit",
        "ExposureAutoUpperLimit",
        "ExposureAutoUpperLimitAuto",
        "ExposureAutoHighlightReduction",
        "ExposureAutoHighlighReduction",
        "ReverseX",
        "ReverseY",
        "Default",
        "TriggerOperation",
        "TriggerDebouncer",
        "TriggerMask",
        "TriggerDenoise",
        "TriggerDelay",
        "TriggerActivation",
        "TriggerSelector",
        "AcquisitionBurstFrameCount",
        "TriggerOverlap",
        "AutoFocusROIEnable",
        "AutoFocusROILeft",
        "AutoFocusROITop",
        "AutoFocusROIWidth",
        "AutoFocusROIHeight",
        "Full Sensor",
        "AutoFunctionsROIEnable",
        "AutoFunctionsROIHeight",
        "AutoFunctionsROIWidth",
        "AutoFunctionsROITop",
        "AutoFunctionsROILeft",
        "AutoFunctionsROIPreset",
        "MultiFrameSetOutputModeEnable",
        "MultiFrameSetOutputModeFrameCount",
        "MultiFrameSetOutputModeExposureTime0",
        "MultiFrameSetOutputModeExposureTime1",
        "MultiFrameSetOutputModeExposureTime2",
        "MultiFrameSetOutputModeExposureTime3",
        "MultiFrameSetOutputModeCustomGain",
        "MultiFrameSetOutputModeGain0",
        "MultiFrameSetOutputModeGain1",
        "MultiFrameSetOutputModeGain2",
        "MultiFrameSetOutputModeGain3",
        "OffsetX",
        "OffsetY",
        "OffsetAutoCenter",
        "GainAutoLowerLimit",
        "GainAutoUpperLimit",
        "BalanceWhiteMode",
        "BalanceWhiteAutoPreset",
        "BalanceWhiteTemperaturePreset",
        "BalanceWhiteTemperature",
    };
    return names;
}

const std::map<std::string, std::string, std::less<>>& group_page_table()
{
    static const std::map<std::string, std::string, std::less<>> pages = {
        {s(n::BlackLevel), "Exposure"},
        {s(n::Exposure), "Exposure"},
        {s(n::Brightness), "Exposure"},
        {s(n::Contrast), "Exposure"},
        {s(n::Gain), "Exposure"},
        {s(n::WhiteBalance), "Color"},
        {s(n::Hue), "Color"},
        {s(n::Saturation), "Color"},
        {s(n::ColorEnhancement), "Color"},
        {s(n::ColorMatrix), "Color Matrix"},
        {s(n::Gamma), "Image"},
        {s(n::Sharpness), "Image"},
        {s(n::Denoise), "Image"},
        {s(n::HDR), "Image"},
        {s(n::ReverseX), "Image"},
        {s(n::ReverseY), "Image"},
        {s(n::LutControl), "Image"},
        {s(n::TriggerMode), "IO"},
        {s(n::GPIO), "IO"},
        {s(n::Strobe), "IO"},
        {s(n::MultiFrameOutputMode), "Multi-Frame Output"},
        {s(n::MultiFrameOutputModeExposure), "Multi-Frame Output"},
        {s(n::MultiFrameOutputModeGain), "Multi-Frame Output"},
        {s(n::PartialScanOffset), "Partial Scan"},
    };
    return pages;
}

const std::map<std::string, std::vector<std::string>, std::less<>>& group_role_order()
{
    static const std::map<std::string, std::vector<std::string>, std::less<>> orders = {
        {s(n::WhiteBalance), {s(n::WhiteBalanceMode), s(n::Selector), s(n::SelectorValue)}},
        {s(n::TriggerMode), {s(n::TriggerMode), s(n::SoftwareTrigger)}},
    };
    return orders;
}

const std::vector<std::string>& page_order()
{
    static const std::vector<std::string> pages = {"Exposure",      "Color",        "Image",
                                                   "White Balance", "Color Matrix", "Multi-Frame Output",
                                                   "Lens",          "IO",           "Partial Scan"};
    return pages;
}

FeatureRoleMap build_feature_role_map(const std::vector<FeatureRoleEntry>& rows)
{
    FeatureRoleMap map;
    for (const FeatureRoleEntry& row : rows)
        map.emplace(row.feature, GroupRole{row.group, row.role});
    return map;
}

const FeatureRoleMap& feature_role_map()
{
    static const FeatureRoleMap map = build_feature_role_map(feature_role_table());
    return map;
}

bool is_skipped_feature(std::string_view name)
{
    static const std::set<std::string_view> skipped(skipped_features().begin(), skipped_features().end());
    return skipped.count(name) != 0;
}

const GroupRole* feature_group_role(std::string_view name)
{
    const FeatureRoleMap& map = feature_role_map();
    const auto found = map.find(name);
    return found == map.end() ? nullptr : &found->second;
}

const std::string* group_page(std::string_view group)
{
    const auto& pages = group_page_table();
    const auto found = pages.find(group);
    return found == pages.end() ? nullptr : &found->second;
}

const std::vector<std::string>* group_roles_in_order(std::string_view group)
{
    const auto& orders = group_role_order();
    const auto found = orders.find(group);
    return found == orders.end() ? nullptr : &found->second;
}

} // namespace VSXUtil
