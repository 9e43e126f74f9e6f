#pragma once

#include "views/IViewBase.h"

#include <QPushButton>

namespace app::QtView {

class QtAccordionPage;

// The full-width header button of an accordion page: pressing it opens or
// closes the page and reports which with itself as the sender.
class QtCategoryButton : public QPushButton, public IViewBase {
public:
    QtCategoryButton(QtAccordionPage* page, const QString& title, QWidget* parent);

    QtAccordionPage* page() const { return page_; }

    EventList<> collapsed;
    EventList<> expanded;

private:
    void onPressed();

    QtAccordionPage* page_;
};

} // namespace app::QtView
