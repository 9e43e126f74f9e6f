#pragma once

#include "app/ParameterContainer.h"

#include <string>
#include <vector>

// How measurement objects, their labels and the scale bar look: 21 values in
// one process-wide store, made on first use and kept in
// "measure-appearance.json" in the settings folder.
//
// Colours are int parameters over the full 64-bit range, so nothing clamps
// them; only the low 32 bits count, as alpha << 24 | red << 16 | green << 8 |
// blue. The defaults are the non-negative numbers, colours set from a signed
// 32-bit value are stored sign-extended (opaque white as -1); both denote the
// same colour.
//
// Threads: values are set on the GUI thread and read on the GUI thread and on
// a camera's frame thread while a video is recorded; the container's values
// are safe to read while another thread sets them.
class MeasureAppearanceSettings {
public:
    static constexpr const wchar_t* LINE_WIDTH = L"LineWidth";
    static constexpr const wchar_t* EDGE_SIZE = L"EdgeSize";
    static constexpr const wchar_t* LINE_COLOR = L"LineColor";
    static constexpr const wchar_t* EDGE_COLOR = L"EdgeColor";
    static constexpr const wchar_t* EDGE_OVER_COLOR = L"EdgeOverColor";
    static constexpr const wchar_t* ANNOTATION_TEXT_COLOR = L"AnnotationTextColor";
    static constexpr const wchar_t* ANNOTATION_BACK_COLOR = L"AnnotationBackColor";
    static constexpr const wchar_t* ANNOTATION_BORDER_COLOR = L"AnnotationBorderColor";
    static constexpr const wchar_t* ANNOTATION_BORDER_ENABLED = L"AnnotationBorderEnabled";
    static constexpr const wchar_t* SHOW_OVERLAY = L"ShowOverlay";
    static constexpr const wchar_t* SHOW_SCALE_BAR = L"ShowScaleBar";
    static constexpr const wchar_t* SCALE_BAR_ALIGNMENT = L"ScaleBarAlignment";
    static constexpr const wchar_t* MAX_SCALING_WIDTH = L"Max-Scaling-Width";
    static constexpr const wchar_t* FONT_SIZE = L"FontSize";
    static constexpr const wchar_t* SHOW_AREA = L"ShowAreaMeasurand";
    static constexpr const wchar_t* SHOW_ARC_ANGLE = L"ShowArcAngle";
    static constexpr const wchar_t* SHOW_RECT = L"ShowRectMeasurand";
    static constexpr const wchar_t* SHOW_PERIMETER = L"ShowPerimeterMeasurand";
    static constexpr const wchar_t* SHOW_DIAMETER = L"ShowDiameterMeasurand";
    static constexpr const wchar_t* SHOW_RADIUS = L"ShowRadiusMeasurand";
    static constexpr const wchar_t* SHOW_LENGTH = L"ShowLengthMeasurand";
    static constexpr const wchar_t* FILE_NAME = L"measure-appearance.json";

    // The store with every default.
    static helper::ParameterContainer& instance();
    // The entries of "ScaleBarAlignment", in order ("BottomLeft" … "TopRight").
    static const std::vector<std::wstring>& scaleBarAlignments();
    // The settings folder joined with "measure-appearance.json".
    static std::wstring filePath();
    // Reads the file when it exists: values of the right JSON type are taken
    // (ints clamped, a list value only when it is one of the entries), others
    // are ignored; a file that is not valid JSON is logged and changes
    // nothing. A missing file leaves the values as they are.
    static void load();
    // Writes the file atomically; a failure is logged as "Failed to save
    // measure-appearance." and leaves the previous file untouched.
    static bool save();
};
