#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QPushButton;

namespace app::QtView {

// Asks the user for a colour, starting from `initial`; an invalid colour means
// the user cancelled.
using ColorPicker = std::function<QColor(const QColor& initial, const QString& title)>;

// Replaces the colour dialog (tests pick colours without a modal loop); an
// empty function brings the dialog back. Returns the picker it replaced.
// GUI thread only.
ColorPicker setColorPicker(ColorPicker picker);

// The colour rows' choice: the picker started at `current` (alpha ignored) and
// titled "Select Color"; the chosen colour as 0xFFRRGGBB, nothing when the
// user cancelled.
std::optional<uint32_t> chooseColor(uint32_t current);

// Shows the colour (alpha ignored) on the button: its background and its text
// are the colour's name, "#rrggbb".
void showColor(QPushButton* button, uint32_t color);

} // namespace app::QtView
