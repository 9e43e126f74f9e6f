#pragma once

#include <string_view>

// The group keys and roles of the simple property panel. The feature tables
// copy their groups and roles from here; the item builder and the panel refer
// to the few they treat specially by these names.

namespace VSXUtil::names {

// ---- group keys
inline constexpr std::string_view WhiteBalance = "WhiteBalance";
inline constexpr std::string_view ColorEnhancement = "ColorEnhancement";
inline constexpr std::string_view Brightness = "Brightness";
inline constexpr std::string_view Gain = "Gain";
inline constexpr std::string_view Exposure = "Exposure";
inline constexpr std::string_view TriggerMode = "TriggerMode";
inline constexpr std::string_view GPIO = "GPIO";
inline constexpr std::string_view Focus = "Focus";
inline constexpr std::string_view Strobe = "Strobe";
inline constexpr std::string_view LutControl = "LutControl";
inline constexpr std::string_view ClaimBalanceWhiteSoftware = "ClaimBalanceWhiteSoftware";
inline constexpr std::string_view ClaimHDRGain = "ClaimHDRGain";
inline constexpr std::string_view HDR = "HDR";
inline constexpr std::string_view BlackLevel = "BlackLevel";
inline constexpr std::string_view PartialScanOffset = "PartialScanOffset";
inline constexpr std::string_view ReverseX = "ReverseX";
inline constexpr std::string_view ReverseY = "ReverseY";
inline constexpr std::string_view Iris = "Iris";
inline constexpr std::string_view Zoom = "Zoom";
inline constexpr std::string_view IRCutFilter = "IRCutFilter";
inline constexpr std::string_view AutoRoi = "AutoRoi";
inline constexpr std::string_view Denoise = "Denoise";
inline constexpr std::string_view Sharpness = "Sharpness";
inline constexpr std::string_view Contrast = "Contrast";
inline constexpr std::string_view Gamma = "Gamma";
inline constexpr std::string_view Saturation = "Saturation";
inline constexpr std::string_view Hue = "Hue";
inline constexpr std::string_view ToneMapping = "ToneMapping";
inline constexpr std::string_view ColorMatrix = "ColorMatrix";
inline constexpr std::string_view MultiFrameOutputMode = "MultiFrameOutputMode";
inline constexpr std::string_view MultiFrameOutputModeExposure = "MultiFrameOutputModeExposure";
inline constexpr std::string_view MultiFrameOutputModeGain = "MultiFrameOutputModeGain";
// Groups the panel never shows.
inline constexpr std::string_view OverrideScanningMode = "OverrideScanningMode";
inline constexpr std::string_view Unknown = "Unknown";

// ---- roles shared by many groups
inline constexpr std::string_view Value = "Value";
inline constexpr std::string_view Auto = "Auto";
inline constexpr std::string_view OnePush = "OnePush";
inline constexpr std::string_view AutoReference = "AutoReference";
inline constexpr std::string_view AutoMaxValue = "AutoMaxValue";
inline constexpr std::string_view AutoMaxValueAuto = "AutoMaxValueAuto";
inline constexpr std::string_view AutoMinValue = "AutoMinValue";

// ---- white balance
inline constexpr std::string_view AutoTemperaturePreset = "Auto_TemperaturePreset";
inline constexpr std::string_view Temperature = "Temperature";
inline constexpr std::string_view WhiteBalanceGreen = "WhiteBalanceGreen";
inline constexpr std::string_view WhiteBalanceBlue = "WhiteBalanceBlue";
inline constexpr std::string_view WhiteBalanceRed = "WhiteBalanceRed";
inline constexpr std::string_view WhiteBalanceMode = "WhiteBalanceMode";
inline constexpr std::string_view AutoPreset = "Auto_Preset";
inline constexpr std::string_view Selector = "Selector";
inline constexpr std::string_view SelectorValue = "SelectorValue";

// ---- gain and exposure
inline constexpr std::string_view GainAutoLowerLimit = "GainAutoLowerLimit";
inline constexpr std::string_view GainAutoUpperLimit = "GainAutoUpperLimit";
inline constexpr std::string_view Highlightreduction = "Highlightreduction";

// ---- trigger
inline constexpr std::string_view SoftwareTrigger = "SoftwareTrigger";
inline constexpr std::string_view TriggerSource = "TriggerSource";
inline constexpr std::string_view TriggerPolarity = "TriggerPolarity";
inline constexpr std::string_view TriggerExposureMode = "TriggerExposureMode";
inline constexpr std::string_view TriggerBurstCount = "TriggerBurstCount";
inline constexpr std::string_view TriggerDefault = "TriggerDefault";
inline constexpr std::string_view TriggerOperation = "TriggerOperation";
inline constexpr std::string_view TriggerDebounceTime = "TriggerDebounceTime";
inline constexpr std::string_view TriggerMaskTime = "TriggerMaskTime";
inline constexpr std::string_view TriggerDenoise = "TriggerDenoise";
inline constexpr std::string_view TriggerDelay = "TriggerDelay";
inline constexpr std::string_view TriggerActivation = "TriggerActivation";
inline constexpr std::string_view TriggerSelector = "TriggerSelector";
inline constexpr std::string_view TriggerOverlap = "TriggerOverlap";

// ---- inputs and outputs
inline constexpr std::string_view GPIOIn = "GPIOIn";
inline constexpr std::string_view GPIOOut = "GPIOOut";
inline constexpr std::string_view GPIOWrite = "GPIOWrite";
inline constexpr std::string_view GPIORead = "GPIORead";
inline constexpr std::string_view StrobePolarity = "StrobePolarity";
inline constexpr std::string_view StrobeMode = "StrobeMode";
inline constexpr std::string_view StrobeOperation = "StrobeOperation";
inline constexpr std::string_view StrobeDuration = "StrobeDuration";
inline constexpr std::string_view StrobeDelay = "StrobeDelay";

// ---- focus
inline constexpr std::string_view AutoFocusRoiEnabled = "AutoFocusRoiEnabled";
inline constexpr std::string_view AutoFocusRoiLeft = "AutoFocusRoiLeft";
inline constexpr std::string_view AutoFocusRoiTop = "AutoFocusRoiTop";
inline constexpr std::string_view AutoFocusRoiRight = "AutoFocusRoiRight";
inline constexpr std::string_view AutoFocusRoiBottom = "AutoFocusRoiBottom";
inline constexpr std::string_view OnePushRunning = "OnePushRunning";
inline constexpr std::string_view AutoFocusRoiWidth = "AutoFocusRoiWidth";
inline constexpr std::string_view AutoFocusRoiHeight = "AutoFocusRoiHeight";

// ---- look-up table
inline constexpr std::string_view LUTSelector = "LUTSelector";
inline constexpr std::string_view LUTIndex = "LUTIndex";
inline constexpr std::string_view LUTValue = "LUTValue";

// ---- partial scan
inline constexpr std::string_view PartialScanOffsetX = "PartialScanOffsetX";
inline constexpr std::string_view PartialScanOffsetY = "PartialScanOffsetY";
inline constexpr std::string_view PartialScanAutoCenter = "PartialScanAutoCenter";

// ---- auto-function region
inline constexpr std::string_view AutoRoiFullSensor = "AutoRoiFullSensor";
inline constexpr std::string_view AutoRoiEnable = "AutoRoiEnable";
inline constexpr std::string_view AutoRoiHeightRelative = "AutoRoiHeightRelative";
inline constexpr std::string_view AutoRoiWidthRelative = "AutoRoiWidthRelative";
inline constexpr std::string_view AutoRoiTop = "AutoRoiTop";
inline constexpr std::string_view AutoRoiLeft = "AutoRoiLeft";
inline constexpr std::string_view AutoRoiPreset = "AutoRoiPreset";

// ---- tone mapping
inline constexpr std::string_view ToneMappingContrast = "ToneMappingContrast";
inline constexpr std::string_view ToneMappingIntensity = "ToneMappingIntensity";

// ---- colour matrix
inline constexpr std::string_view ColorTransformationSelector = "ColorTransformationSelector";
inline constexpr std::string_view ColorTransformationValueSelector = "ColorTransformationValueSelector";
inline constexpr std::string_view ColorTransformationValue = "ColorTransformationValue";
inline constexpr std::string_view ColorMatrixRR = "ColorMatrixRR";
inline constexpr std::string_view ColorMatrixRG = "ColorMatrixRG";
inline constexpr std::string_view ColorMatrixRB = "ColorMatrixRB";
inline constexpr std::string_view ColorMatrixGR = "ColorMatrixGR";
inline constexpr std::string_view ColorMatrixGG = "ColorMatrixGG";
inline constexpr std::string_view ColorMatrixGB = "ColorMatrixGB";
inline constexpr std::string_view ColorMatrixBR = "ColorMatrixBR";
inline constexpr std::string_view ColorMatrixBG = "ColorMatrixBG";
inline constexpr std::string_view ColorMatrixBB = "ColorMatrixBB";

// ---- multi-frame output
inline constexpr std::string_view FrameCount = "FrameCount";
inline constexpr std::string_view Exposure0 = "Exposure0";
inline constexpr std::string_view Exposure1 = "Exposure1";
inline constexpr std::string_view Exposure2 = "Exposure2";
inline constexpr std::string_view Exposure3 = "Exposure3";
inline constexpr std::string_view CustomizeGainValues = "CustomizeGainValues";
inline constexpr std::string_view Gain0 = "Gain0";
inline constexpr std::string_view Gain1 = "Gain1";
inline constexpr std::string_view Gain2 = "Gain2";
inline constexpr std::string_view Gain3 = "Gain3";

// ---- the white-balance rows of "BalanceRatioSelector": role prefix and the
// item's display name of the one-push element
inline constexpr std::string_view WhiteBalanceRolePrefix = "WhiteBalance";
inline constexpr std::string_view PushElementName = "Push";
inline constexpr std::string_view PushElementDisplayName = "One Push";

} // namespace VSXUtil::names
