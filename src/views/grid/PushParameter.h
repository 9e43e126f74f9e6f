#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QPushButton>

namespace app::QtView {

// A push button row ("Push"); owners usually give it a text of their own.
class PushParameter : public PropertyGridParameterBase<QPushButton> {
public:
    explicit PushParameter(QWidget* parent);

    EventList<> eventClicked;
};

} // namespace app::QtView
