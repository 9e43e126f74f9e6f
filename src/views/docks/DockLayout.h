#pragma once

#include <QDockWidget>
#include <QLayout>
#include <QWidget>

#include "views/grid/QtAccordionPage.h"

namespace app::QtView {

// What the docks of the main window share: docked left or right only, no
// context menu, and their limits.
inline void setUpDockFrame(QDockWidget* dock, int minimumWidth, int maximumSize)
{
    dock->setMinimumWidth(minimumWidth);
    dock->setMaximumSize(maximumSize, maximumSize);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    dock->setContextMenuPolicy(Qt::PreventContextMenu);
}

// Sizes each widget of the page to its size hint and the page's content row
// to the widgets, so the accordion gives the page the height it needs.
inline void fitPage(QtAccordionPage* page)
{
    QLayout* layout = page->contentLayout();
    for (int i = 0; i < layout->count(); ++i)
        if (QWidget* widget = layout->itemAt(i)->widget())
            widget->adjustSize();
    page->updateSizeHint();
}

} // namespace app::QtView
