#include "dialogs/ThemeFileSelector.h"

#include <QColor>
#include <QFileSelector>
#include <QPalette>

QString theme_selector_for_palette(const QPalette& palette)
{
    const bool darkTheme =
        palette.color(QPalette::WindowText).lightness() > palette.color(QPalette::Window).lightness();
    return darkTheme ? QStringLiteral("theme_dark") : QStringLiteral("theme_light");
}

QFileSelector& theme_file_selector()
{
    static QFileSelector selector;
    static const bool configured = [] {
        selector.setExtraSelectors({theme_selector_for_palette(QPalette())});
        return true;
    }();
    (void)configured;
    return selector;
}
