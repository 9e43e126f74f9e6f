#include "views/window/MenuIcon.h"

#include "kyrgx/qt/PixmapCache.h"

#include <QPainter>
#include <QPixmap>

namespace app::QtView {

QImage grey_silhouette(const QPixmap& pixmap)
{
    QImage image(pixmap.width(), pixmap.height(), QImage::Format_ARGB32);
    image.fill(QColor(128, 128, 128, 255));
    QPainter painter(&image);
    // DestinationAtop keeps the grey where the icon is, with the icon's alpha.
    painter.setCompositionMode(QPainter::CompositionMode_DestinationAtop);
    painter.drawPixmap(0, 0, pixmap);
    painter.end();
    return image;
}

QIcon make_menu_icon(const std::wstring& name)
{
    const QPixmap pixmap = cached_pixmap(name);
    if (pixmap.isNull())
        return QIcon();
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal, QIcon::Off);
    icon.addPixmap(QPixmap::fromImage(grey_silhouette(pixmap)), QIcon::Disabled, QIcon::Off);
    return icon;
}

} // namespace app::QtView
