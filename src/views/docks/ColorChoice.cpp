#include "views/docks/ColorChoice.h"

#include "app/Localization.h"

#include <QColorDialog>
#include <QPushButton>

namespace app::QtView {

namespace {

QColor dialogColor(const QColor& initial, const QString& title)
{
    return QColorDialog::getColor(initial, nullptr, title);
}

ColorPicker& currentPicker()
{
    static ColorPicker picker = dialogColor;
    return picker;
}

} // namespace

ColorPicker setColorPicker(ColorPicker picker)
{
    ColorPicker previous = std::move(currentPicker());
    currentPicker() = picker ? std::move(picker) : ColorPicker(dialogColor);
    return previous;
}

std::optional<uint32_t> chooseColor(uint32_t current)
{
    // A copy: the picker runs a nested event loop in which it may be replaced.
    const ColorPicker picker = currentPicker();
    const QColor chosen =
        picker(QColor(static_cast<QRgb>(current)),
               QString::fromStdWString(Localization::getString("Docks/PropertyView/SelectColor")));
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<uint32_t>(chosen.rgb());
}

void showColor(QPushButton* button, uint32_t color)
{
    const QColor shown(static_cast<QRgb>(color));
    const QString name = shown.name();
    // The name stays readable on its own colour: dark text on light colours
    // (the theme's light text would vanish on white).
    const bool light = 0.299 * shown.red() + 0.587 * shown.green() + 0.114 * shown.blue() > 150.0;
    button->setStyleSheet("background-color: " + name + (light ? "; color: #000000" : ""));
    button->setText(name);
    button->setAutoFillBackground(true);
}

} // namespace app::QtView
