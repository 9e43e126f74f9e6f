#pragma once

#include "views/IViewBase.h"

#include <QSize>
#include <QTreeWidgetItem>
#include <string>

class QFrame;
class QVBoxLayout;

namespace app::QtView {

class QtAccordion;
class QtCategoryButton;

// One page of the accordion: a top-level item whose row shows the header
// button, with one disabled child item that holds the content frame.
class QtAccordionPage : public QTreeWidgetItem {
public:
    // Appends itself to the accordion as its last top-level item.
    QtAccordionPage(QtAccordion* accordion, std::wstring title);

    const std::wstring& title() const { return title_; }
    QtCategoryButton* headerButton() const { return button_; }
    QTreeWidgetItem* contentItem() const { return contentItem_; }
    QFrame* contentFrame() const { return frame_; }
    // Users put their widgets here, then call updateSizeHint.
    QVBoxLayout* contentLayout() const { return layout_; }

    // Sizes the content row to the widgets of the content layout.
    void updateSizeHint();

    // Raised with no sender and true when the tree has opened the page.
    EventList<bool> expanded;

private:
    std::wstring title_;
    QtCategoryButton* button_;
    QTreeWidgetItem* contentItem_;
    QFrame* frame_;
    QVBoxLayout* layout_;
};

} // namespace app::QtView
