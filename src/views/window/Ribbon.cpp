#include "views/window/Ribbon.h"

#include "views/window/RibbonButtonGroup.h"
#include "views/window/RibbonTabContent.h"

namespace QtGui {

Ribbon::Ribbon(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("Ribbon"));
    setAutoFillBackground(true);
    setIconSize(QSize(0, 0));
}

RibbonTabContent* Ribbon::addTab(const QString& text)
{
    auto* page = new RibbonTabContent();
    QTabWidget::addTab(page, text);
    return page;
}

int Ribbon::tabIndex(const QString& tab) const
{
    for (int i = 0; i < count(); ++i)
        if (ribbon_names_match(tabText(i), tab))
            return i;
    return -1;
}

RibbonTabContent* Ribbon::tabContent(const QString& tab) const
{
    const int index = tabIndex(tab);
    return index < 0 ? nullptr : qobject_cast<RibbonTabContent*>(widget(index));
}

void Ribbon::addButton(const QString& tab, const QString& group, QToolButton* button)
{
    RibbonTabContent* page = tabContent(tab);
    if (!page) {
        addTab(tab);
        page = tabContent(tab);
    }
    if (page)
        page->addButton(group, button);
}

void Ribbon::removeButton(const QString& tab, const QString& group, const QString& name)
{
    RibbonTabContent* page = tabContent(tab);
    if (!page)
        return;
    page->removeButton(group, name);
    if (page->groupCount() == 0) {
        const int index = tabIndex(tab);
        if (index >= 0) {
            QWidget* emptied = widget(index);
            removeTab(index);
            emptied->deleteLater();
        }
    }
}

} // namespace QtGui
