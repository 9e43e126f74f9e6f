#pragma once

#include "views/IViewBase.h"
#include "views/grid/GuardedCall.h"

#include <QEvent>
#include <QWidget>

namespace app::QtView {

// Base of every row of the property grid, T being the Qt widget the row is made
// of. eventActivated tells the owner that the mouse entered the row or that the
// row (or one of its child widgets) got the keyboard focus; rows raise their
// events with a null sender.
template <typename T> class PropertyGridParameterBase : public T {
public:
    using T::T;

    // Watches the row itself and its direct child widgets as they are now.
    void installEventFilters()
    {
        this->installEventFilter(this);
        for (QObject* child : this->children())
            if (child->isWidgetType())
                child->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::FocusIn || e->type() == QEvent::Enter)
            guardedCall("PropertyGridParameterBase::eventFilter()",
                        [this] { raise_event(eventActivated, nullptr); });
        return T::eventFilter(watched, e);
    }

    EventList<> eventActivated;
};

} // namespace app::QtView
