#include "views/grid/RowLayout.h"

#include <QHBoxLayout>

namespace app::QtView {

QHBoxLayout* makeRowLayout(QWidget* row, std::initializer_list<std::pair<QWidget*, int>> widgets)
{
    auto* layout = new QHBoxLayout(row);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto& [widget, stretch] : widgets)
        if (widget)
            layout->addWidget(widget, stretch);
    return layout;
}

} // namespace app::QtView
