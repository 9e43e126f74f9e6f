#include "measure/ScaleBar.h"

#include "measure/Configuration.h"
#include "measure/LengthUnit.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/Workspace.h"

#include <array>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <mutex>

namespace Measure {

namespace {

// The shortest bar the second rule aims at, in pixels.
constexpr double kMinimumBar = 150.0;
// The factors run up to 5 × 10^(kDecades - 1); far beyond any real
// calibration and zoom, and a sure end for absurd ones.
constexpr int kDecades = 100;
constexpr std::array<double, 3> kSteps = {1.0, 2.0, 5.0};

template <typename Accept> std::optional<double> first_factor(Accept accept)
{
    double decade = 1.0;
    for (int d = 0; d < kDecades; ++d, decade *= 10.0)
        for (const double step : kSteps)
            if (accept(step * decade))
                return step * decade;
    return std::nullopt;
}

} // namespace

std::optional<ScaleBarChoice> choose_scale_bar(double pixelsPerUnit, double maxWidth)
{
    const double p = pixelsPerUnit;
    const double m = maxWidth;
    if (!std::isfinite(p) || !std::isfinite(m) || p <= 0.0 || m <= 0.0)
        return std::nullopt;

    double bar = 0.0;
    double value = 0.0;
    if (p > m) {
        const auto f = first_factor([&](double f) { return p / f <= m; });
        if (!f)
            return std::nullopt;
        bar = p / *f;
        value = 1.0 / *f;
    } else {
        const auto f = first_factor([&](double f) { return f * p >= kMinimumBar; });
        if (!f)
            return std::nullopt;
        bar = *f * p;
        value = *f;
    }
    if (!(bar >= 1.0) || bar > static_cast<double>(std::numeric_limits<int>::max()) ||
        value > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return ScaleBarChoice{static_cast<int>(bar), static_cast<float>(value)};
}

int scale_bar_alignment_code(const std::wstring& text)
{
    static const std::array<const wchar_t*, 9> names = {L"BottomCenter", L"BottomLeft", L"BottomRight",
                                                        L"MiddleCenter", L"MiddleLeft", L"MiddleRight",
                                                        L"TopCenter",    L"TopLeft",    L"TopRight"};
    for (size_t code = 0; code < names.size(); ++code)
        if (text == names[code])
            return static_cast<int>(code);
    return 1;
}

kyrgx::Vec2<int> scale_bar_position(int width, int height, int barLength, int alignment)
{
    const int x = width;
    const int y = height;
    const int w = barLength + 13;
    const int centre = x / 2 - w / 2;
    const int right = x - w - 12;
    const int bottom = y - 52;
    const int middle = y / 2 - 26;
    switch (alignment) {
    case 0:
        return {centre, bottom};
    case 1:
        return {12, bottom};
    case 2:
        return {right, bottom};
    case 3:
        return {centre, middle};
    case 4:
        return {12, middle};
    case 5:
        return {right, middle};
    case 6:
        return {centre, 12};
    case 7:
        return {12, 12};
    case 8:
        return {right, 12};
    default:
        return {x - barLength - 17, bottom};
    }
}

std::string format_scale_bar_value(float value)
{
    std::string text = fmt::format("{:.6f}", static_cast<double>(value));
    // Only a fixed-point number loses its trailing zeros and point ("inf" has none).
    if (text.find('.') == std::string::npos)
        return text;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

std::wstring scale_bar_text(float value, int unitIndex)
{
    const std::string number = format_scale_bar_value(value);
    // ASCII digits, sign, point and letters only.
    return std::wstring(number.begin(), number.end()) + L" " + unit_abbreviation(unitIndex);
}

void render_scale_bar_overlay(Workspace& workspace, kyrgx::Graphics& g, app::ILiveView* view, float zoom)
{
    using S = MeasureAppearanceSettings;
    const auto& settings = S::instance();
    if (!settings.getBool(S::SHOW_SCALE_BAR))
        return;
    std::lock_guard lock(workspace.objectsMutex());
    // Without a magnification nothing is calibrated: no bar rather than one in a made-up unit.
    const auto magnification = workspace.selectedConfiguration();
    if (!magnification)
        return;
    const double pixelsPerUnit =
        static_cast<double>(magnification->dotsPerUnit()) * static_cast<double>(zoom);
    const auto choice =
        choose_scale_bar(pixelsPerUnit, static_cast<double>(settings.getInt(S::MAX_SCALING_WIDTH)));
    if (!choice)
        return;
    workspace.renderScaleBar(g, view, choice->barLength, choice->value, magnification->unit(),
                             scale_bar_alignment_code(settings.getList(S::SCALE_BAR_ALIGNMENT)));
}

} // namespace Measure
