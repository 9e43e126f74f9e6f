#pragma once

#include "kyrgx/Vec2.h"

#include <optional>
#include <string>

namespace app {
class ILiveView;
}

namespace kyrgx {
class Graphics;
}

namespace Measure {

class Workspace;

// The scale bar of the measurement overlay: a white box with a black frame
// holding a bar with end ticks whose length in pixels stands for a round
// calibrated length (1, 2 or 5 times a power of ten of the unit), and a label
// with that length and the unit's abbreviation. The functions here choose the
// length, place the box and write the label; Workspace::renderScaleBar draws it.

// The chosen bar: its length in whole pixels and the length it stands for, in units.
struct ScaleBarChoice {
    int barLength = 0;
    float value = 0.0f;
};

// Chooses the bar for pixelsPerUnit pixels per unit and a widest wanted bar of
// maxWidth pixels, trying the factors 1, 2, 5, 10, 20, 50, ... in order:
// - one unit wider than maxWidth: the first factor f with pixelsPerUnit / f
//   <= maxWidth gives a bar of pixelsPerUnit / f pixels standing for 1 / f units;
// - otherwise the first factor f with f × pixelsPerUnit >= 150 gives a bar of
//   f × pixelsPerUnit pixels standing for f units (it may be wider than maxWidth).
// Empty (no bar) unless both numbers are finite and above 0, and when no
// factor up to 5e99 fits or the bar would be shorter than one pixel or longer
// than an int holds: the search never runs away.
std::optional<ScaleBarChoice> choose_scale_bar(double pixelsPerUnit, double maxWidth);

// The code of an entry of the appearance list "ScaleBarAlignment":
// "BottomCenter" 0, "BottomLeft" 1, "BottomRight" 2, "MiddleCenter" 3,
// "MiddleLeft" 4, "MiddleRight" 5, "TopCenter" 6, "TopLeft" 7, "TopRight" 8;
// any other text 1 (bottom left).
int scale_bar_alignment_code(const std::wstring& text);

// The top left corner of the box for a bar of barLength pixels on a surface of
// width × height pixels: 12 pixels from the chosen edges, or centred; the box
// is barLength + 13 pixels wide and reaches 42 pixels down. A code outside
// 0..8 puts it at (width - barLength - 17, height - 52).
kyrgx::Vec2<int> scale_bar_position(int width, int height, int barLength, int alignment);

// The value with six decimals, then without trailing zeros and without a
// trailing point: 1 → "1", 0.25 → "0.25", 1e-7 → "0". The same in every
// locale. Non-finite values give "inf", "-inf" or "nan".
std::string format_scale_bar_value(float value);

// The label's text: the formatted value, a space and the unit's abbreviation.
std::wstring scale_bar_text(float value, int unitIndex);

// The scale-bar step of the measurement overlay: when the appearance setting
// "ShowScaleBar" is on and the workspace has a selected magnification, the bar
// for that magnification's dots per unit times zoom, the widest bar of
// "Max-Scaling-Width" and the position of "ScaleBarAlignment", in the
// magnification's unit, drawn by Workspace::renderScaleBar onto g. zoom is the
// live view's zoom when drawing on screen (view given) and 1 when drawing
// offscreen onto an image or a frame (view null). Draws nothing when no bar
// can be chosen (a zoom or calibration of 0, below 0, or not finite). Any
// thread that may draw the workspace; takes the workspace's mutex.
void render_scale_bar_overlay(Workspace& workspace, kyrgx::Graphics& g, app::ILiveView* view, float zoom);

} // namespace Measure
