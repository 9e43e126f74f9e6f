#include "application/ThemePalette.h"

#include <QColor>

namespace application {

QPalette dark_theme_palette()
{
    const QColor window(0x2d, 0x2d, 0x30);
    const QColor text(0xf1, 0xf1, 0xf1);
    const QColor base(0x25, 0x25, 0x26);
    const QColor disabledText(0x7a, 0x7a, 0x7a);
    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2c));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3e, 0x3e, 0x42));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x40, 0x40));
    palette.setColor(QPalette::Highlight, QColor(0x00, 0x7a, 0xcc));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x1b, 0x1b, 0x1c));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Link, QColor(0x3f, 0xa9, 0xf5));
    palette.setColor(QPalette::PlaceholderText, disabledText);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

} // namespace application
