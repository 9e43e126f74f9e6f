#include "views/grid/DataIcon.h"

#include "app/AppFolders.h"

#include <QPixmap>
#include <map>

namespace app::QtView {

QIcon dataIcon(const char* fileName)
{
    // GUI thread only, like every pixmap.
    static std::map<QString, QIcon> icons;
    const QString path = QString::fromStdWString(get_data_directory()) + '/' + fileName;
    auto it = icons.find(path);
    if (it != icons.end())
        return it->second;
    const QPixmap pixmap(path);
    if (pixmap.isNull())
        return QIcon();
    return icons.emplace(path, QIcon(pixmap)).first->second;
}

} // namespace app::QtView
