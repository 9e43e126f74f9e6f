#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

namespace app::QtView {

class QtAccordionPage;

// The container of every dock's content: a vertical list of pages, each with a
// header button that opens and closes it. With multiple open false, opening a
// page through its header closes the pages of other titles.
class QtAccordion : public QTreeWidget {
public:
    explicit QtAccordion(QWidget* parent);

    QtAccordionPage* addPage(const std::wstring& title);
    // Deletes every page with its widgets.
    void clear();
    std::vector<QtAccordionPage*> pages() const { return pages_; }
    void setMultipleOpen(bool multipleOpen) { multipleOpen_ = multipleOpen; }
    bool multipleOpen() const { return multipleOpen_; }

private:
    std::vector<QtAccordionPage*> pages_;
    bool multipleOpen_ = true;
};

} // namespace app::QtView
